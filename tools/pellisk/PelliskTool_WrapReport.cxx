#include <PelliskTool_WrapReport.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Trivex_IntersectTriMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <vector>

namespace
{
using Triangle = std::array<int, 3>;

// The wrap's triangles over the half-edge mesh's node numbers, so that nodes
// the mesh merged are one node; triangles repeating a node are counted and dropped.
std::vector<Triangle> mergedTriangles(const Handle(Poly_Triangulation)& theWrap,
                                      const HalfEdge_Mesh&              theMesh,
                                      PelliskTool_WrapReport&           theReport)
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

void countEdges(const std::vector<Triangle>& theTriangles, PelliskTool_WrapReport& theReport)
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
void countNonManifoldNodes(const std::vector<Triangle>& theTriangles, PelliskTool_WrapReport& theReport)
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

// Shells: sets of faces joined through shared nodes.
void countShells(const std::vector<Triangle>& theTriangles, int theNbNodes, PelliskTool_WrapReport& theReport)
{
  std::vector<int> aParents(static_cast<size_t>(theNbNodes) + 1);
  std::iota(aParents.begin(), aParents.end(), 0);
  for (const Triangle& aTriangle : theTriangles)
  {
    if (*std::min_element(aTriangle.begin(), aTriangle.end()) < 0)
    {
      continue;
    }
    for (int k = 1; k < 3; ++k)
    {
      aParents[findRoot(aParents, aTriangle[k])] = findRoot(aParents, aTriangle[0]);
    }
  }
  std::set<int> aRoots;
  for (const Triangle& aTriangle : theTriangles)
  {
    if (aTriangle[0] >= 0)
    {
      aRoots.insert(findRoot(aParents, aTriangle[0]));
    }
  }
  theReport.NbShells = static_cast<int>(aRoots.size());
}

void measureFaces(const std::vector<Triangle>& theTriangles,
                  const HalfEdge_Mesh&         theMesh,
                  PelliskTool_WrapReport&      theReport)
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
                      PelliskTool_WrapReport&           theReport)
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

} // namespace

PelliskTool_WrapReport PelliskTool_WrapReport::Examine(const Handle(Poly_Triangulation)& theInput,
                                                       const Handle(Poly_Triangulation)& theWrap,
                                                       int                               theNbThreads)
{
  PelliskTool_WrapReport aReport;
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
  countShells(aTriangles, aMesh->NbNodes(), aReport);
  measureFaces(aTriangles, *aMesh, aReport);
  measureDistances(aTriangles, *aMesh, theInput, theNbThreads, aReport);
  aReport.NbCrossingPairs = countCrossingPairs(aMesh, theNbThreads);
  return aReport;
}
