#include <PelliskTool_Check.hxx>
#include <PelliskTool_WrapOptions.hxx>

#include <PelliskTool_Json.hxx>
#include <PelliskTool_MeshFile.hxx>
#include <PelliskTool_Wrap.hxx>
#include <PelliskTool_WrapReport.hxx>

#include <iomanip>
#include <iostream>
#include <omp.h>
#include <optional>
#include <stdexcept>

namespace
{
struct Options
{
  std::string Input;
  std::string Wrap;
  bool        IsJson    = false;
  int         NbThreads = 0;
};

Options parse(const std::vector<std::string>& theArguments)
{
  Options                  anOptions;
  std::vector<std::string> aFiles;
  anOptions.NbThreads = omp_get_max_threads();
  for (size_t i = 0; i < theArguments.size(); ++i)
  {
    const std::string& anArg = theArguments[i];
    if (anArg == "--json")
    {
      anOptions.IsJson = true;
    }
    else if (anArg == "--threads")
    {
      anOptions.NbThreads =
          PelliskTool_WrapOptions::PositiveCount(anArg, i + 1 < theArguments.size() ? theArguments[++i] : "");
    }
    else if (anArg.rfind("--", 0) == 0)
    {
      throw std::invalid_argument("unknown option " + anArg);
    }
    else
    {
      aFiles.push_back(anArg);
    }
  }
  if (aFiles.size() != 2)
  {
    throw std::invalid_argument("check needs an input and a wrap file");
  }
  anOptions.Input = aFiles[0];
  anOptions.Wrap  = aFiles[1];
  return anOptions;
}

double relative(double theDistance, double theDiagonal)
{
  return theDiagonal > 0.0 ? theDistance / theDiagonal : 0.0;
}

void printTable(const PelliskTool_WrapReport& theReport, std::ostream& theStream)
{
  auto aRow = [&](const char* theName, const std::string& theValue)
  { theStream << std::left << std::setw(26) << theName << theValue << "\n"; };
  auto aVerdict = [](bool theIsOk, int theNbFaults, const char* theWhat)
  { return std::string(theIsOk ? "yes" : "NO") + " (" + std::to_string(theNbFaults) + " " + theWhat + ")"; };
  auto aDistance = [&](double theValue)
  {
    return PelliskTool_Json::Number(theValue) + " (" +
           PelliskTool_Json::Number(100.0 * relative(theValue, theReport.Diagonal)) + "% of diagonal)";
  };
  aRow("nodes / faces", std::to_string(theReport.NbNodes) + " / " + std::to_string(theReport.NbFaces));
  aRow("input nodes / faces",
       std::to_string(theReport.NbInputNodes) + " / " + std::to_string(theReport.NbInputFaces));
  aRow("closed", aVerdict(theReport.IsClosed(), theReport.NbBoundaryEdges, "boundary edges"));
  aRow("edge-manifold",
       aVerdict(
           theReport.IsEdgeManifold(), theReport.NbNonManifoldEdges,
           ("edges of 3+ faces, " + std::to_string(theReport.NbRefusedFaces) + " faces refused").c_str()));
  aRow("vertex-manifold", aVerdict(theReport.IsVertexManifold(), theReport.NbNonManifoldNodes, "nodes"));
  aRow("outward-oriented",
       aVerdict(theReport.IsOriented(), theReport.NbMisorientedEdges, "misoriented edges") + ", volume " +
           PelliskTool_Json::Number(theReport.Volume));
  aRow("free of crossings",
       aVerdict(theReport.NbCrossingPairs == 0, theReport.NbCrossingPairs, "crossing face pairs"));
  aRow("degenerate faces", std::to_string(theReport.NbDegenerateFaces));
  aRow("smallest angle", PelliskTool_Json::Number(theReport.SmallestAngle) + " degrees");
  aRow("distance to input, mean", aDistance(theReport.MeanDistance));
  aRow("distance to input, max", aDistance(theReport.MaxDistance));
  aRow("valid wrap", theReport.IsValid() ? "yes" : "NO");
}

std::optional<Handle(Poly_Triangulation)> read(const std::string& theFileName)
{
  std::string                      anError;
  const Handle(Poly_Triangulation) aMesh = PelliskTool_MeshFile::Read(theFileName, anError);
  if (aMesh.IsNull())
  {
    std::cerr << "pellisk: cannot read " << theFileName << ": " << anError << "\n";
    return std::nullopt;
  }
  return aMesh;
}
} // namespace

const char* PelliskTool_Check::Usage()
{
  return "pellisk check INPUT WRAP [--json] [--threads N]\n"
         "  Tells whether WRAP is a valid wrap (closed, edge- and vertex-manifold,\n"
         "  outward-oriented, no faces crossing) and how far its nodes lie from INPUT.\n"
         "  Exit status 0 valid, 1 not valid, 2 bad usage or unreadable file.\n";
}

int PelliskTool_Check::Run(const std::vector<std::string>& theArguments)
{
  Options anOptions;
  try
  {
    anOptions = parse(theArguments);
  }
  catch (const std::invalid_argument& theError)
  {
    std::cerr << "pellisk: " << theError.what() << "\n\nUsage:\n" << Usage();
    return PelliskTool_Wrap::BadUsage;
  }
  const std::optional<Handle(Poly_Triangulation)> anInput = read(anOptions.Input);
  const std::optional<Handle(Poly_Triangulation)> aWrap   = anInput ? read(anOptions.Wrap) : std::nullopt;
  if (!aWrap)
  {
    return PelliskTool_Wrap::BadUsage;
  }
  const PelliskTool_WrapReport aReport =
      PelliskTool_WrapReport::Examine(*anInput, *aWrap, anOptions.NbThreads);
  if (anOptions.IsJson)
  {
    std::cout << PelliskTool_Json::Report(aReport) << "\n";
  }
  else
  {
    printTable(aReport, std::cout);
  }
  return aReport.IsValid() ? PelliskTool_Wrap::Success : PelliskTool_Wrap::Failed;
}
