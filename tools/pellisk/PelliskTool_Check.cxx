#include <PelliskTool_Check.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdge_Mesh.hxx>
#include <PelliskTool_MeshFile.hxx>
#include <PelliskTool_Wrap.hxx>
#include <Trivex_IntersectTriMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <map>
#include <numeric>
#include <omp.h>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>

namespace
{
using Triangle = std::array<int, 3>;

struct Report
{
  int    NbInputNodes       = 0;
  int    NbInputFaces       = 0;
  int    NbNodes            = 0; //!< nodes of the wrap's faces, coincident ones merged
  int    NbFaces            = 0;
  int    NbDegenerateFaces  = 0; //!< faces repeating a node once nodes are merged
  int    NbBoundaryEdges    = 0;
  int    NbNonManifoldEdges = 0; //!< edges of three faces or more
  int    NbNonManifoldNodes = 0; //!< nodes whose faces make more than one fan
  int    NbRefusedFaces     = 0; //!< faces the half-edge mesh could not take without breaking manifoldness
  int    NbMisorientedEdges = 0; //!< two-face edges run twice in the same direction
  int    NbCrossingPairs    = 0;
  double Volume             = 0.0;
  double SmallestAngle      = 0.0; //!< degrees
  double MeanDistance       = 0.0;
  double MaxDistance        = 0.0;
  double Diagonal           = 0.0; //!< of the input's bounding box

  bool IsClosed() const { return NbBoundaryEdges == 0; }
  bool IsEdgeManifold() const { return NbNonManifoldEdges == 0 && NbRefusedFaces == 0; }
  bool IsVertexManifold() const { return NbNonManifoldNodes == 0; }
  bool IsOriented() const { return NbMisorientedEdges == 0 && Volume > 0.0; }
  bool IsValid() const
  {
    return IsClosed() && IsEdgeManifold() && IsVertexManifold() && IsOriented() && NbCrossingPairs == 0;
  }
};

struct Options
{
  std::string Input;
  std::string Wrap;
  bool        IsJson    = false;
  int         NbThreads = 0;
};

// A whole number above 0 written alone; 0 otherwise.
int positiveCount(const std::string& theValue)
{
  size_t anEnd   = 0;
  int    aResult = 0;
  try
  {
    aResult = std::stoi(theValue, &anEnd);
  }
  catch (const std::logic_error&)
  {
    return 0;
  }
  return anEnd == theValue.size() && aResult > 0 ? aResult : 0;
}

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
      anOptions.NbThreads = i + 1 < theArguments.size() ? positiveCount(theArguments[++i]) : 0;
      if (anOptions.NbThreads == 0)
      {
        throw std::invalid_argument("--threads needs a whole number above 0");
      }
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

// The wrap's triangles over the half-edge mesh's node numbers, so that nodes
// the mesh merged are one node; triangles repeating a node are counted and dropped.
std::vector<Triangle>
mergedTriangles(const Handle(Poly_Triangulation)& theWrap, const HalfEdge_Mesh& theMesh, Report& theReport)
{
  std::vector<int> aNodeOf(static_cast<size_t>(theWrap->NbNodes()) + 1, -1);
  for (int aNode = 1; aNode <= theWrap->NbNodes(); ++aNode)
  {
    aNodeOf[aNode] = theMesh.NodeIndex(theWrap->Node(aNode));
  }
  std::vector<Triangle> aTriangles;
  for (int aFace = 1; aFace <= theWrap->NbTriangles(); ++aFace)
  {
    int aCorners[3];
    theWrap->Triangle(aFace).Get(aCorners[0], aCorners[1], aCorners[2]);
    const Triangle aTriangle = {aNodeOf[aCorners[0]], aNodeOf[aCorners[1]], aNodeOf[aCorners[2]]};
    if (aTriangle[0] == aTriangle[1] || aTriangle[1] == aTriangle[2] || aTriangle[0] == aTriangle[2])
    {
      ++theReport.NbDegenerateFaces;
      continue;
    }
    aTriangles.push_back(aTriangle);
  }
  return aTriangles;
}

void countEdges(const std::vector<Triangle>& theTriangles, Report& theReport)
{
  // Uses of each edge (lower node, higher node): (runs upward, runs downward).
  std::map<std::pair<int, int>, std::pair<int, int>> anEdges;
  for (const Triangle& aTriangle : theTriangles)
  {
    for (int k = 0; k < 3; ++k)
    {
      const int a = aTriangle[k], b = aTriangle[(k + 1) % 3];
      auto&     aUses = anEdges[{std::min(a, b), std::max(a, b)}];
      ++(a < b ? aUses.first : aUses.second);
    }
  }
  for (const auto& anEdge : anEdges)
  {
    const int aNbFaces = anEdge.second.first + anEdge.second.second;
    theReport.NbBoundaryEdges += aNbFaces == 1 ? 1 : 0;
    theReport.NbNonManifoldEdges += aNbFaces > 2 ? 1 : 0;
    theReport.NbMisorientedEdges += aNbFaces == 2 && anEdge.second.first != 1 ? 1 : 0;
  }
}

int findRoot(std::vector<int>& theParents, int theItem)
{
  while (theParents[theItem] != theItem)
  {
    theItem = theParents[theItem] = theParents[theParents[theItem]];
  }
  return theItem;
}

// A node is manifold when the sides opposite to it in its faces join into one
// chain (a ring inside the surface, a path on its boundary).
void countNonManifoldNodes(const std::vector<Triangle>& theTriangles, Report& theReport)
{
  std::vector<Triangle> aSides; // (node, side start, side end)
  aSides.reserve(3 * theTriangles.size());
  for (const Triangle& aTriangle : theTriangles)
  {
    for (int k = 0; k < 3; ++k)
    {
      aSides.push_back({aTriangle[k], aTriangle[(k + 1) % 3], aTriangle[(k + 2) % 3]});
    }
  }
  std::sort(aSides.begin(), aSides.end());
  std::vector<int> aLink, aParents;
  for (size_t aFirst = 0, aLast = 0; aFirst < aSides.size(); aFirst = aLast)
  {
    aLink.clear();
    for (aLast = aFirst; aLast < aSides.size() && aSides[aLast][0] == aSides[aFirst][0]; ++aLast)
    {
      aLink.insert(aLink.end(), {aSides[aLast][1], aSides[aLast][2]});
    }
    std::sort(aLink.begin(), aLink.end());
    aLink.erase(std::unique(aLink.begin(), aLink.end()), aLink.end());
    aParents.resize(aLink.size());
    std::iota(aParents.begin(), aParents.end(), 0);
    auto aPlace = [&](int theNode)
    { return static_cast<int>(std::lower_bound(aLink.begin(), aLink.end(), theNode) - aLink.begin()); };
    int aNbChains = static_cast<int>(aLink.size());
    for (size_t i = aFirst; i < aLast; ++i)
    {
      const int aRootA = findRoot(aParents, aPlace(aSides[i][1]));
      const int aRootB = findRoot(aParents, aPlace(aSides[i][2]));
      aNbChains -= aRootA != aRootB ? 1 : 0;
      aParents[aRootA] = aRootB;
    }
    theReport.NbNonManifoldNodes += aNbChains > 1 ? 1 : 0;
  }
}

void measureFaces(const std::vector<Triangle>& theTriangles, const HalfEdge_Mesh& theMesh, Report& theReport)
{
  double aSmallest = 180.0;
  for (const Triangle& aTriangle : theTriangles)
  {
    const gp_XYZ aP[3] = {theMesh.Node(aTriangle[0]).XYZ(), theMesh.Node(aTriangle[1]).XYZ(),
                          theMesh.Node(aTriangle[2]).XYZ()};
    theReport.Volume += aP[0].Dot(aP[1].Crossed(aP[2])) / 6.0;
    for (int k = 0; k < 3; ++k)
    {
      const gp_XYZ anA = aP[(k + 1) % 3] - aP[k], aB = aP[(k + 2) % 3] - aP[k];
      aSmallest = std::min(aSmallest, std::atan2(anA.Crossed(aB).Modulus(), anA.Dot(aB)) * 180.0 / M_PI);
    }
  }
  theReport.SmallestAngle = theTriangles.empty() ? 0.0 : aSmallest;
}

// Face pairs of the wrap that cross, each pair once.
int countCrossingPairs(const Handle(HalfEdge_Mesh)& theMesh, int theNbThreads)
{
  Handle(HalfEdgeAlgo_CheckSelfIntersections) aCheck = new HalfEdgeAlgo_CheckSelfIntersections();
  aCheck->SetNbThreads(static_cast<unsigned int>(theNbThreads));
  theMesh->Execute(aCheck, false);
  const Handle(Trivex::TriangleSet)& aSet = aCheck->TriangleSet();
  std::vector<std::pair<int, int>>   aPairs;
  if (aSet.IsNull() || !Trivex::IntersectTriMesh(aSet, aCheck->Tolerance()).PerformAll(aPairs, theNbThreads))
  {
    return 0;
  }
  std::set<std::pair<int, int>> aFaces;
  for (const std::pair<int, int>& aPair : aPairs)
  {
    const int a = aSet->Triangle(aPair.first).FaceIndex(), b = aSet->Triangle(aPair.second).FaceIndex();
    aFaces.emplace(std::min(a, b), std::max(a, b));
  }
  return static_cast<int>(aFaces.size());
}

// Distances from the wrap's nodes to the input surface.
void measureDistances(const std::vector<Triangle>&      theTriangles,
                      const HalfEdge_Mesh&              theMesh,
                      const Handle(Poly_Triangulation)& theInput,
                      int                               theNbThreads,
                      Report&                           theReport)
{
  std::vector<int> aNodes;
  for (const Triangle& aTriangle : theTriangles)
  {
    aNodes.insert(aNodes.end(), aTriangle.begin(), aTriangle.end());
  }
  std::sort(aNodes.begin(), aNodes.end());
  aNodes.erase(std::unique(aNodes.begin(), aNodes.end()), aNodes.end());
  theReport.NbNodes = static_cast<int>(aNodes.size());

  Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(theInput);
  aSet->SetNbBuilderThreads(theNbThreads);
  aSet->InitBuilder();
  if (!aSet->Build() || aNodes.empty())
  {
    return;
  }
  theReport.Diagonal = std::sqrt(aSet->Box().SquareExtent());
  std::vector<double> aDistances(aNodes.size());
  const int           aNbNodes = static_cast<int>(aNodes.size());
#pragma omp parallel num_threads(theNbThreads)
  {
    Trivex::ProjectPntMesh aQuery(aSet);
#pragma omp for schedule(static)
    for (int i = 0; i < aNbNodes; ++i)
    {
      aQuery.Perform(theMesh.Node(aNodes[i]));
      aDistances[i] = aQuery.Distance();
    }
  }
  // Summed in node order, so that the mean does not depend on the thread count.
  theReport.MeanDistance = std::accumulate(aDistances.begin(), aDistances.end(), 0.0) / aNbNodes;
  theReport.MaxDistance  = *std::max_element(aDistances.begin(), aDistances.end());
}

Report examine(const Handle(Poly_Triangulation)& theInput,
               const Handle(Poly_Triangulation)& theWrap,
               int                               theNbThreads)
{
  Report aReport;
  aReport.NbInputNodes = theInput->NbNodes();
  aReport.NbInputFaces = theInput->NbTriangles();
  aReport.NbFaces      = theWrap->NbTriangles();
  // The half-edge mesh merges coincident nodes and refuses the faces that
  // would make it non-manifold (it turns misoriented ones around instead).
  Handle(HalfEdge_Mesh)       aMesh      = new HalfEdge_Mesh(theWrap);
  const std::vector<Triangle> aTriangles = mergedTriangles(theWrap, *aMesh, aReport);
  aReport.NbRefusedFaces                 = static_cast<int>(aTriangles.size()) - aMesh->NbFaces();
  countEdges(aTriangles, aReport);
  countNonManifoldNodes(aTriangles, aReport);
  measureFaces(aTriangles, *aMesh, aReport);
  measureDistances(aTriangles, *aMesh, theInput, theNbThreads, aReport);
  aReport.NbCrossingPairs = countCrossingPairs(aMesh, theNbThreads);
  return aReport;
}

// A number as JSON allows it (no infinity or NaN).
std::string number(double theValue)
{
  if (!std::isfinite(theValue))
  {
    return "null";
  }
  std::ostringstream aStream;
  aStream << std::setprecision(10) << theValue;
  return aStream.str();
}

double relative(double theDistance, double theDiagonal)
{
  return theDiagonal > 0.0 ? theDistance / theDiagonal : 0.0;
}

void printJson(const Report& theReport, std::ostream& theStream)
{
  auto aFlag = [](bool theValue) { return theValue ? "true" : "false"; };
  theStream << "{\"valid\": " << aFlag(theReport.IsValid()) << ", \"closed\": " << aFlag(theReport.IsClosed())
            << ", \"edge_manifold\": " << aFlag(theReport.IsEdgeManifold())
            << ", \"vertex_manifold\": " << aFlag(theReport.IsVertexManifold())
            << ", \"outward_oriented\": " << aFlag(theReport.IsOriented())
            << ", \"nodes\": " << theReport.NbNodes << ", \"faces\": " << theReport.NbFaces
            << ", \"input_nodes\": " << theReport.NbInputNodes
            << ", \"input_faces\": " << theReport.NbInputFaces
            << ", \"degenerate_faces\": " << theReport.NbDegenerateFaces
            << ", \"boundary_edges\": " << theReport.NbBoundaryEdges
            << ", \"non_manifold_edges\": " << theReport.NbNonManifoldEdges
            << ", \"non_manifold_nodes\": " << theReport.NbNonManifoldNodes
            << ", \"refused_faces\": " << theReport.NbRefusedFaces
            << ", \"misoriented_edges\": " << theReport.NbMisorientedEdges
            << ", \"crossing_pairs\": " << theReport.NbCrossingPairs
            << ", \"volume\": " << number(theReport.Volume)
            << ", \"smallest_angle\": " << number(theReport.SmallestAngle)
            << ", \"distance_mean\": " << number(theReport.MeanDistance)
            << ", \"distance_max\": " << number(theReport.MaxDistance) << ", \"distance_mean_relative\": "
            << number(relative(theReport.MeanDistance, theReport.Diagonal))
            << ", \"distance_max_relative\": " << number(relative(theReport.MaxDistance, theReport.Diagonal))
            << ", \"input_diagonal\": " << number(theReport.Diagonal) << "}\n";
}

void printTable(const Report& theReport, std::ostream& theStream)
{
  auto aRow = [&](const char* theName, const std::string& theValue)
  { theStream << std::left << std::setw(26) << theName << theValue << "\n"; };
  auto aVerdict = [](bool theIsOk, int theNbFaults, const char* theWhat)
  { return std::string(theIsOk ? "yes" : "NO") + " (" + std::to_string(theNbFaults) + " " + theWhat + ")"; };
  auto aDistance = [&](double theValue)
  {
    return number(theValue) + " (" + number(100.0 * relative(theValue, theReport.Diagonal)) +
           "% of diagonal)";
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
           number(theReport.Volume));
  aRow("free of crossings",
       aVerdict(theReport.NbCrossingPairs == 0, theReport.NbCrossingPairs, "crossing face pairs"));
  aRow("degenerate faces", std::to_string(theReport.NbDegenerateFaces));
  aRow("smallest angle", number(theReport.SmallestAngle) + " degrees");
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
  const Report aReport = examine(*anInput, *aWrap, anOptions.NbThreads);
  if (anOptions.IsJson)
  {
    printJson(aReport, std::cout);
  }
  else
  {
    printTable(aReport, std::cout);
  }
  return aReport.IsValid() ? PelliskTool_Wrap::Success : PelliskTool_Wrap::Failed;
}
