#include <PelliskTool_Wrap.hxx>

#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <Pelk_Configuration.hxx>
#include <Pelk_WrappingSettings.hxx>
#include <PelliskTool_MeshFile.hxx>
#include <PelliskTool_ProgressBar.hxx>

#include <Algo_Smoothing.hxx>
#include <Algo_Tessellation.hxx>
#include <Algo_Voxelization.hxx>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iostream>
#include <optional>
#include <stdexcept>

namespace
{
// One --refine step: its class, the value of AppendRefinementAlgorithm (0: the
// step's default), and for smoothing the component and iteration count given.
struct Refinement
{
  std::string                                       ClassName;
  double                                            Value = 0.0;
  std::optional<Algo_Smoothing::SmoothingComponent> Component;
  std::optional<int>                                NbIterations;
};

struct Options
{
  std::string             Input;
  std::string             Output;
  std::optional<double>   Cell;
  double                  CellRelative = 1.0 / 128.0;
  std::string             Config;
  std::string             Voxelization;
  std::string             Tessellation;
  std::vector<Refinement> Refinements;
  bool                    IsInner = false;
  std::optional<int>      NbThreads;
  bool                    IsVerbose = false;
  bool                    IsAscii   = false;
};

// The conversions throw std::invalid_argument with their own name as the only
// text: it is replaced by the reason. Out of range is reported by the caller.
double positiveNumber(const std::string& theOption, const std::string& theValue)
{
  size_t anEnd  = 0;
  double aValue = 0.0;
  try
  {
    aValue = std::stod(theValue, &anEnd);
  }
  catch (const std::invalid_argument&)
  {
  }
  if (anEnd != theValue.size() || !(aValue > 0.0) || !std::isfinite(aValue))
  {
    throw std::invalid_argument(theOption + " needs a number above 0, not '" + theValue + "'");
  }
  return aValue;
}

int positiveCount(const std::string& theOption, const std::string& theValue)
{
  size_t anEnd  = 0;
  int    aValue = 0;
  try
  {
    aValue = std::stoi(theValue, &anEnd);
  }
  catch (const std::invalid_argument&)
  {
  }
  if (anEnd != theValue.size() || aValue < 1)
  {
    throw std::invalid_argument(theOption + " needs a whole number above 0, not '" + theValue + "'");
  }
  return aValue;
}

// "Normal", "Tangential" or "Both", optionally followed by ":iterations"; or
// an iteration count alone.
void parseSmoothing(const std::string& theValue, Refinement& theStep)
{
  const std::string anOption = "--refine Smoothing";
  const size_t      aColon   = theValue.find(':');
  const std::string aWord    = theValue.substr(0, aColon);
  if (aWord == "Normal" || aWord == "Tangential" || aWord == "Both")
  {
    theStep.Component = aWord == "Normal"       ? Algo_Smoothing::Normal
                        : aWord == "Tangential" ? Algo_Smoothing::Tangential
                                                : Algo_Smoothing::Both;
    if (aColon != std::string::npos)
    {
      theStep.NbIterations = positiveCount(anOption, theValue.substr(aColon + 1));
    }
  }
  else if (!aWord.empty() && std::isdigit(static_cast<unsigned char>(aWord[0])) != 0)
  {
    theStep.NbIterations = positiveCount(anOption, theValue);
  }
  else
  {
    throw std::invalid_argument(anOption +
                                " takes Normal, Tangential or Both[:iterations] or an iteration "
                                "count, not '" +
                                theValue + "'");
  }
}

// "STEP" or "STEP=VALUE".
Refinement parseRefinement(const std::string& theArgument)
{
  const size_t      anEqual  = theArgument.find('=');
  const std::string aStep    = theArgument.substr(0, anEqual);
  const bool        hasValue = anEqual != std::string::npos;
  const std::string aValue   = hasValue ? theArgument.substr(anEqual + 1) : "";
  Refinement        aResult;
  aResult.ClassName = "Algo_" + aStep;
  if (aStep == "CollapseSmallEdge" || aStep == "CollapseNarrowFace" || aStep == "SwapEdge" ||
      aStep == "FixSelfIntersections")
  {
    aResult.Value = hasValue ? positiveNumber("--refine " + aStep, aValue) : 0.0;
  }
  else if (aStep == "Smoothing")
  {
    if (hasValue)
    {
      parseSmoothing(aValue, aResult);
    }
  }
  else if (aStep != "SplitEdge")
  {
    throw std::invalid_argument("unknown refinement step '" + aStep +
                                "'; one of CollapseSmallEdge, CollapseNarrowFace, SwapEdge, Smoothing, "
                                "FixSelfIntersections, SplitEdge");
  }
  else if (hasValue)
  {
    throw std::invalid_argument("--refine SplitEdge takes no value");
  }
  return aResult;
}

// Reads the options; throws std::invalid_argument with the reason on bad usage.
Options parse(const std::vector<std::string>& theArguments)
{
  Options                  anOptions;
  std::vector<std::string> aFiles;
  for (size_t i = 0; i < theArguments.size(); ++i)
  {
    const std::string& anArg  = theArguments[i];
    auto               aValue = [&]() -> const std::string&
    {
      if (i + 1 >= theArguments.size())
      {
        throw std::invalid_argument(anArg + " needs a value");
      }
      return theArguments[++i];
    };
    try
    {
      if (anArg == "--cell")
        anOptions.Cell = positiveNumber(anArg, aValue());
      else if (anArg == "--cell-rel")
        anOptions.CellRelative = positiveNumber(anArg, aValue());
      else if (anArg == "--config")
        anOptions.Config = aValue();
      else if (anArg == "--voxelization")
        anOptions.Voxelization = aValue();
      else if (anArg == "--tessellation")
        anOptions.Tessellation = aValue();
      else if (anArg == "--refine")
        anOptions.Refinements.push_back(parseRefinement(aValue()));
      else if (anArg == "--threads")
        anOptions.NbThreads = static_cast<int>(positiveNumber(anArg, aValue()));
      else if (anArg == "--inner")
        anOptions.IsInner = true;
      else if (anArg == "--verbose")
        anOptions.IsVerbose = true;
      else if (anArg == "--ascii")
        anOptions.IsAscii = true;
      else if (anArg.rfind("--", 0) == 0)
        throw std::invalid_argument("unknown option " + anArg);
      else
        aFiles.push_back(anArg);
    }
    catch (const std::out_of_range&)
    {
      throw std::invalid_argument(anArg + " is out of range");
    }
  }
  if (aFiles.size() != 2)
  {
    throw std::invalid_argument("wrap needs an input and an output file");
  }
  anOptions.Input  = aFiles[0];
  anOptions.Output = aFiles[1];
  if (!PelliskTool_MeshFile::IsSupported(anOptions.Output))
  {
    throw std::invalid_argument("the output must be a .stl or .ply file");
  }
  return anOptions;
}

// The class behind a command-line algorithm word; empty for an unknown word.
std::string className(const std::string& theWord)
{
  if (theWord == "minsize")
    return "Algo_VoxelizationMinSize";
  if (theWord == "gsf")
    return "Algo_VoxelizationGSF";
  if (theWord == "cartesian")
    return "Algo_CartesianWrapping";
  if (theWord == "shrink")
    return "Algo_ShrinkWrapping";
  throw std::invalid_argument("unknown algorithm '" + theWord + "'");
}

Handle(Pelk_WrappingSettings) makeSettings(const Options&                       theOptions,
                                           const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  // Without --config the library's own configuration holds; when none was
  // found beside the library, the defaults are MinVoxelSize and shrink
  // wrapping with no refinement.
  const Pelk_Configuration&     anInstalled = Pelk_Configuration::Instance();
  const bool                    isFromFile  = !theOptions.Config.empty() || anInstalled.IsLoaded();
  Handle(Pelk_WrappingSettings) aSettings;
  if (theOptions.Config.empty())
  {
    aSettings = anInstalled.IsLoaded() ? anInstalled.CreateSettings(theNotifier)
                                       : new Pelk_WrappingSettings(theNotifier);
  }
  else
  {
    aSettings = Pelk_Configuration(theOptions.Config.c_str(), anInstalled.CataloguePath())
                    .CreateSettings(theNotifier);
  }
  if (aSettings.IsNull())
  {
    throw std::invalid_argument("cannot read the configuration file " + (theOptions.Config.empty()
                                                                             ? std::string("of the library")
                                                                             : theOptions.Config));
  }
  const std::string aVoxelization = !theOptions.Voxelization.empty() ? theOptions.Voxelization
                                    : isFromFile                     ? ""
                                                                     : "minsize";
  const std::string aTessellation = !theOptions.Tessellation.empty() ? theOptions.Tessellation
                                    : isFromFile                     ? ""
                                                                     : "shrink";
  if (!aVoxelization.empty())
  {
    aSettings->SetVoxelizationAlgorithm(className(aVoxelization));
  }
  if (!aTessellation.empty())
  {
    aSettings->SetTessellationAlgorithm(className(aTessellation));
  }
  if (aSettings->Voxelization().IsNull() || aSettings->Tessellation().IsNull())
  {
    throw std::invalid_argument("the configuration names an algorithm not available in this version; "
                                "choose one with --voxelization and --tessellation");
  }
  for (const Refinement& aStep : theOptions.Refinements)
  {
    if (aStep.Component || aStep.NbIterations)
    {
      const Handle(Algo_Smoothing) aDefault = new Algo_Smoothing(theNotifier);
      aSettings->AppendRefinementAlgorithm(aStep.ClassName, aStep.Component.value_or(aDefault->Component()),
                                           aStep.NbIterations.value_or(aDefault->NbIterations()));
    }
    else
    {
      aSettings->AppendRefinementAlgorithm(aStep.ClassName, aStep.Value);
    }
  }
  if (theOptions.IsInner)
  {
    aSettings->SetInnerMode(true);
  }
  if (theOptions.NbThreads)
  {
    aSettings->SetNbThreads(*theOptions.NbThreads);
  }
  return aSettings;
}

// Side of the cube the voxelization wraps around the mesh.
double cubeSide(const Handle(Poly_Triangulation)& theMesh)
{
  const Bnd_Box aCube = Algo_Voxelization::BoundingCube(theMesh);
  return aCube.IsVoid() ? 0.0 : aCube.CornerMax().X() - aCube.CornerMin().X();
}

int wrap(const Options& theOptions, const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  std::string                      anError;
  const Handle(Poly_Triangulation) anInput = PelliskTool_MeshFile::Read(theOptions.Input, anError);
  if (anInput.IsNull())
  {
    std::cerr << "pellisk: cannot read " << theOptions.Input << ": " << anError << "\n";
    return PelliskTool_Wrap::BadUsage;
  }
  const Handle(Pelk_WrappingSettings) aSettings = makeSettings(theOptions, theNotifier);
  aSettings->SetCellSize(theOptions.Cell ? *theOptions.Cell : theOptions.CellRelative * cubeSide(anInput));

  Pelk_API anAPI(theNotifier);
  anAPI.SetDirtyMesh(anInput);
  bool isWrapped = false;
  {
    PelliskTool_ProgressBar aBar(theNotifier);
    isWrapped = anAPI.PerformWrapping(aSettings);
  }
  if (theNotifier->UserBreak())
  {
    return PelliskTool_Wrap::Cancelled;
  }
  if (!isWrapped)
  {
    return PelliskTool_Wrap::Failed;
  }
  const Handle(HalfEdge_Mesh)& aWrap = anAPI.GetResultMesh();
  if (aWrap.IsNull() || aWrap->IsEmpty())
  {
    // Flat or degenerate input can leave nothing to wrap; say so rather than fail to write.
    std::cerr << "pellisk: the wrap is empty: the input encloses nothing at this cell size\n";
    return PelliskTool_Wrap::Failed;
  }
  if (!PelliskTool_MeshFile::Write(aWrap, theOptions.Output, theOptions.IsAscii))
  {
    std::cerr << "pellisk: cannot write " << theOptions.Output << "\n";
    return PelliskTool_Wrap::Failed;
  }
  return PelliskTool_Wrap::Success;
}
} // namespace

const char* PelliskTool_Wrap::Usage()
{
  return "pellisk wrap INPUT OUTPUT [--cell SIZE | --cell-rel FRACTION] [--config FILE]\n"
         "             [--voxelization minsize|gsf] [--tessellation cartesian|shrink] [--inner]\n"
         "             [--refine STEP[=VALUE]]... [--threads N] [--ascii] [--verbose]\n"
         "  Wraps the mesh of INPUT (.stl or .ply) and writes the closed wrap to OUTPUT\n"
         "  (.stl, binary unless --ascii, or .ply). The cell size is SIZE in model units,\n"
         "  or FRACTION of the bounding cube's side (default 1/128). The algorithms and\n"
         "  refinement steps are those of FILE, or of the library's Pellisk.conf.\n"
         "  Each --refine appends a refinement step, after those of the configuration:\n"
         "  CollapseSmallEdge[=LENGTH], CollapseNarrowFace[=RATIO], SwapEdge[=LIMIT],\n"
         "  FixSelfIntersections[=DISTANCE], SplitEdge, or\n"
         "  Smoothing[=Normal|Tangential|Both[:ITERATIONS] or =ITERATIONS].\n";
}

int PelliskTool_Wrap::Run(const std::vector<std::string>& theArguments)
{
  Options anOptions;
  try
  {
    anOptions = parse(theArguments);
  }
  catch (const std::invalid_argument& theError)
  {
    std::cerr << "pellisk: " << theError.what() << "\n\nUsage:\n" << Usage();
    return BadUsage;
  }
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier();
  int                                 aStatus   = BadUsage;
  try
  {
    aStatus = wrap(anOptions, aNotifier);
  }
  catch (const std::invalid_argument& theError)
  {
    std::cerr << "pellisk: " << theError.what() << "\n";
  }
  aNotifier->Dump(std::cerr, anOptions.IsVerbose ? Pelk_Info : Pelk_Warning, false);
  return aStatus;
}
