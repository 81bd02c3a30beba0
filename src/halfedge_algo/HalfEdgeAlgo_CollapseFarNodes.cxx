// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_CollapseFarNodes.hxx>
#include <HalfEdgeAlgo_SoundEdits.hxx>
#include <Trivex_ProjectPntMesh.hxx>

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_CollapseFarNodes, HalfEdgeAlgo_ModifyMesh)

namespace
{
typedef Mesh::VertexHandle Node;

// Rounds over the far nodes at most: a node refused in one round may be
// collapsed in the next, once its neighbours have changed. Each round
// collapses at least one node, so the bound only cuts long chains short.
const int THE_MAX_ROUNDS = 32;

// A neighbour a node may collapse into is nearer to the input by more than
// this share of the node's distance: among nodes as far as each other, as on
// a flat span, distances differ by rounding alone.
const double THE_NEARER_SHARE = 1e-9;

gp_XYZ pointOf(const Mesh& theMesh, Node theNode)
{
  const Mesh::Point& aPoint = theMesh.point(theNode);
  return gp_XYZ(aPoint[0], aPoint[1], aPoint[2]);
}

// The distance of every live node of theMesh from theSet (-1 for the others).
std::vector<double>
distances(const Mesh& theMesh, const Handle(Trivex::TriangleSet)& theSet, unsigned int theNbThreads)
{
  const int                           aNbNodes = static_cast<int>(theMesh.n_vertices());
  std::vector<Trivex::ProjectPntMesh> aQueries(theNbThreads, Trivex::ProjectPntMesh(theSet));
  std::vector<double>                 aDistances(static_cast<size_t>(aNbNodes), -1.0);
#pragma omp parallel for schedule(dynamic, 256)
  for (int aNode = 0; aNode < aNbNodes; ++aNode)
  {
    const Node aVertex(aNode);
    if (!theMesh.status(aVertex).deleted() && !theMesh.is_isolated(aVertex))
    {
      const gp_Pnt aPoint(pointOf(theMesh, aVertex));
      aDistances[static_cast<size_t>(aNode)] =
          aQueries[static_cast<size_t>(omp_get_thread_num())].Perform(aPoint).Distance(aPoint);
    }
  }
  return aDistances;
}

// Collapses each far node into the nearest neighbour it can.
class Collapser
{
public:
  Collapser(Mesh&                      theMesh,
            const std::vector<double>& theDistances,
            double                     theSharpestAngle,
            unsigned int               theNbThreads)
      : myMesh(theMesh),
        myDistances(theDistances),
        myEdits(theMesh, theSharpestAngle, theNbThreads)
  {
  }

  // Collapses each node of theNodes, in order, into the nearest neighbour it
  // can; the number collapsed.
  int Perform(const std::vector<int>& theNodes)
  {
    int aCount = 0;
    for (const int aNode : theNodes)
    {
      aCount += collapse(Node(aNode)) ? 1 : 0;
    }
    return aCount;
  }

private:
  bool collapse(Node theNode)
  {
    if (myMesh.status(theNode).deleted())
    {
      return false;
    }
    std::vector<Node> aNeighbours;
    for (auto aNeighbour = myMesh.cvv_iter(theNode); aNeighbour.is_valid(); ++aNeighbour)
    {
      if (distanceOf(*aNeighbour) < distanceOf(theNode) * (1.0 - THE_NEARER_SHARE))
      {
        aNeighbours.push_back(*aNeighbour);
      }
    }
    std::sort(aNeighbours.begin(), aNeighbours.end(),
              [this](Node theA, Node theB) {
                return distanceOf(theA) < distanceOf(theB) ||
                       (distanceOf(theA) == distanceOf(theB) && theA < theB);
              });
    return std::any_of(aNeighbours.begin(), aNeighbours.end(),
                       [this, theNode](Node theKept) { return myEdits.Collapse(theNode, theKept); });
  }

  double distanceOf(Node theNode) const { return myDistances[static_cast<size_t>(theNode.idx())]; }

  Mesh&                      myMesh;
  const std::vector<double>& myDistances;
  HalfEdgeAlgo_SoundEdits    myEdits;
};
} // namespace

HalfEdgeAlgo_CollapseFarNodes::HalfEdgeAlgo_CollapseFarNodes() = default;

std::string HalfEdgeAlgo_CollapseFarNodes::Name() const
{
  return "HalfEdgeAlgo_CollapseFarNodes";
}

bool HalfEdgeAlgo_CollapseFarNodes::Perform(Mesh& theMesh)
{
  myNbCollapsed                 = 0;
  const unsigned int aNbThreads = applyParallelOptions();
  if (myTriangleSet.IsNull() || !myTriangleSet->IsBuilt())
  {
    return true;
  }
  // Node places do not change, so neither do the distances.
  const std::vector<double> aDistances = distances(theMesh, myTriangleSet, aNbThreads);
  std::vector<int>          aFar;
  for (size_t aNode = 0; aNode < aDistances.size(); ++aNode)
  {
    if (aDistances[aNode] > myBound)
    {
      aFar.push_back(static_cast<int>(aNode));
    }
  }
  if (aFar.empty())
  {
    // Most wraps have none: filing the faces would be the whole cost.
    return true;
  }
  std::stable_sort(aFar.begin(), aFar.end(),
                   [&aDistances](int theA, int theB)
                   { return aDistances[static_cast<size_t>(theA)] > aDistances[static_cast<size_t>(theB)]; });
  Collapser aCollapser(theMesh, aDistances, mySharpestAngle, aNbThreads);
  for (int aRound = 0; aRound < THE_MAX_ROUNDS && !aFar.empty(); ++aRound)
  {
    const int aNbCollapsed = aCollapser.Perform(aFar);
    myNbCollapsed += aNbCollapsed;
    aFar.erase(std::remove_if(aFar.begin(), aFar.end(),
                              [&theMesh](int theNode) { return theMesh.status(Node(theNode)).deleted(); }),
               aFar.end());
    if (aNbCollapsed == 0)
    {
      break;
    }
  }
  return true;
}
