// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <HalfEdgeAlgo_CollapseRepairs.hxx>

#include <HalfEdgeAlgo_CollapseEdges.hxx>
#include <HalfEdgeAlgo_SubMeshByNodes.hxx>
#include <HalfEdge_Mesh.hxx>
#include <HalfEdge_Skewness.hxx>
#include <ListOfConnectedComponentsImpl.hxx>

#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_CollapseEdges, HalfEdgeAlgo_ModifyMesh)

namespace
{
typedef Mesh::HalfedgeHandle Half;
typedef Mesh::VertexHandle   Node;

bool isLiveNode(const Mesh& theMesh, int theNode)
{
  return theNode >= 0 && theNode < static_cast<int>(theMesh.n_vertices()) &&
         !theMesh.status(Node(theNode)).deleted();
}

// Every live node of the set goes to the plain average of their places.
void moveToCentroid(Mesh& theMesh, const std::set<int>& theNodes)
{
  Mesh::Point aSum(0.0, 0.0, 0.0);
  int         aCount = 0;
  for (const int aNode : theNodes)
  {
    if (isLiveNode(theMesh, aNode))
    {
      aSum += theMesh.point(Node(aNode));
      ++aCount;
    }
  }
  for (const int aNode : theNodes)
  {
    if (isLiveNode(theMesh, aNode))
    {
      theMesh.set_point(Node(aNode), aSum / aCount);
    }
  }
}

// The pairs of edges (from, w) and (to, w) for each neighbour w shared by the
// ends of theHalf: the collapse merges each pair into one edge.
std::vector<std::pair<int, int>> mergedPairs(const Mesh& theMesh, Half theHalf)
{
  std::map<int, int> anEdgeToNeighbour;
  for (auto anOut = theMesh.cvoh_iter(theMesh.to_vertex_handle(theHalf)); anOut.is_valid(); ++anOut)
  {
    anEdgeToNeighbour[theMesh.to_vertex_handle(*anOut).idx()] = theMesh.edge_handle(*anOut).idx();
  }
  std::vector<std::pair<int, int>> aPairs;
  for (auto anOut = theMesh.cvoh_iter(theMesh.from_vertex_handle(theHalf)); anOut.is_valid(); ++anOut)
  {
    const auto aShared = anEdgeToNeighbour.find(theMesh.to_vertex_handle(*anOut).idx());
    if (aShared != anEdgeToNeighbour.end())
    {
      aPairs.emplace_back(theMesh.edge_handle(*anOut).idx(), aShared->second);
    }
  }
  return aPairs;
}

// The number of distinct nodes around a face. Every collapse asks it of each
// face around the kept node: comparing each corner with the ones before it
// costs less than filling a tree for a face of a few corners.
int nbDistinctCorners(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  const Half aFirst = theMesh.halfedge_handle(theFace);
  if (!aFirst.is_valid())
  {
    return 0;
  }
  int  aCount = 0;
  Half aSide  = aFirst;
  do
  {
    const Node aNode     = theMesh.to_vertex_handle(aSide);
    Half       anEarlier = aFirst;
    while (anEarlier != aSide && theMesh.to_vertex_handle(anEarlier) != aNode)
    {
      anEarlier = theMesh.next_halfedge_handle(anEarlier);
    }
    aCount += anEarlier == aSide ? 1 : 0;
    aSide = theMesh.next_halfedge_handle(aSide);
  } while (aSide != aFirst);
  return aCount;
}

// After a collapse: faces around the kept node left with fewer than three
// corners (only a flattened pocket leaves such faces) are deleted, and the
// nodes that lost all their edges with them are marked isolated.
void cleanUpAround(Mesh& theMesh, Node theKept)
{
  if (!theMesh.halfedge_handle(theKept).is_valid())
  {
    return;
  }
  std::vector<Mesh::FaceHandle> aDegenerate;
  std::set<Node>                aTouched = {theKept};
  for (auto anOut = theMesh.cvoh_iter(theKept); anOut.is_valid(); ++anOut)
  {
    const Mesh::FaceHandle aFace = theMesh.face_handle(*anOut);
    if (aFace.is_valid() && nbDistinctCorners(theMesh, aFace) < 3 &&
        std::find(aDegenerate.begin(), aDegenerate.end(), aFace) == aDegenerate.end())
    {
      aDegenerate.push_back(aFace);
      for (auto aCorner = theMesh.cfv_iter(aFace); aCorner.is_valid(); ++aCorner)
      {
        aTouched.insert(*aCorner);
      }
    }
  }
  for (const Mesh::FaceHandle aFace : aDegenerate)
  {
    theMesh.delete_face(aFace, false);
  }
  for (const Node aNode : aTouched)
  {
    const Half anOut = theMesh.halfedge_handle(aNode);
    if (anOut.is_valid() && theMesh.status(theMesh.edge_handle(anOut)).deleted())
    {
      theMesh.set_isolated(aNode);
    }
  }
}
} // namespace

HalfEdgeAlgo_CollapseEdges::HalfEdgeAlgo_CollapseEdges()
    : myIsCheckQuality(false),
      myComponents(std::make_shared<ListOfConnectedComponentsImpl>())
{
}

std::string HalfEdgeAlgo_CollapseEdges::Name() const
{
  return "HalfEdgeAlgo_CollapseEdges";
}

bool HalfEdgeAlgo_CollapseEdges::Perform(Mesh& theMesh)
{
  myComponents->Reset(theMesh);
  for (const int anEdge : myEdges)
  {
    myComponents->AddEdge(theMesh, anEdge);
  }
  myEdges.clear();
  bool isDone     = true;
  bool isRejected = false; // a component the quality check rejects is left as it is
  for (auto anIt = myComponents->Begin(); anIt.More(); anIt.Next())
  {
    if (anIt.IsComponentStart())
    {
      isRejected = myIsCheckQuality && !isComponentAccepted(theMesh, anIt.Nodes());
      if (!isRejected)
      {
        moveToCentroid(theMesh, anIt.Nodes());
      }
    }
    if (!isRejected && !collapseHalfedge(theMesh, 2 * anIt.Edge()) && !anIt.MarkForRetry())
    {
      isDone = false;
    }
  }
  return isDone;
}

bool HalfEdgeAlgo_CollapseEdges::collapseHalfedge(Mesh& theMesh, int theHalf)
{
  if (theHalf < 0 || theHalf >= static_cast<int>(theMesh.n_halfedges()))
  {
    return true;
  }
  const Half anOld(theHalf);
  if (theMesh.status(theMesh.edge_handle(anOld)).deleted())
  {
    return true;
  }
  if (!HalfEdgeAlgo_CollapseRepairs::IsLegal(theMesh, anOld))
  {
    HalfEdgeAlgo_CollapseRepairs aRepairs(theMesh,
                                          [this](int theEdge) { return myComponents->Contains(theEdge); });
    if (!aRepairs.Run(anOld) && !HalfEdgeAlgo_CollapseRepairs::IsBackToBackPocket(theMesh, anOld))
    {
      return false;
    }
  }
  const Node                             aRemoved = theMesh.from_vertex_handle(anOld);
  const Node                             aKept    = theMesh.to_vertex_handle(anOld);
  const std::vector<std::pair<int, int>> aMerged  = mergedPairs(theMesh, anOld);
  theMesh.collapse(anOld);
  myComponents->UpdateAfterCollapse(theMesh, theMesh.edge_handle(anOld).idx(), aRemoved.idx(), aKept.idx());
  for (const auto& [aGone, aStaying] : aMerged)
  {
    myComponents->ReplaceEdge(theMesh, aGone, aStaying);
  }
  cleanUpAround(theMesh, aKept);
  return true;
}

// The trial runs on a copy of the faces around the component: the component
// shrinks there exactly as it would in the mesh (same nodes, same centroid),
// and the copy tells whether the worst face around it got worse.
bool HalfEdgeAlgo_CollapseEdges::isComponentAccepted(Mesh& theMesh, const std::set<int>& theNodes)
{
  Handle(HalfEdgeAlgo_SubMeshByNodes) aCopy = new HalfEdgeAlgo_SubMeshByNodes();
  aCopy->SetNodes(theNodes);
  if (!aCopy->Perform(theMesh) || aCopy->Result().IsNull())
  {
    return false;
  }
  const Handle(HalfEdge_Mesh)& aLocal  = aCopy->Result();
  const double                 aBefore = HalfEdge_Skewness::WorstOf(*aLocal);
  // Every copied edge between two nodes of the component: collapsing the
  // component's own edges takes these along, as all its nodes meet in one.
  Handle(HalfEdgeAlgo_CollapseEdges) aTrial = new HalfEdgeAlgo_CollapseEdges();
  for (auto anEdge = aLocal->EdgesBegin(); anEdge != aLocal->EdgesEnd(); ++anEdge)
  {
    const std::list<int> anEnds = *anEdge;
    if (theNodes.count(aCopy->SourceNode(anEnds.front())) != 0 &&
        theNodes.count(aCopy->SourceNode(anEnds.back())) != 0)
    {
      aTrial->Edges().insert(anEdge.Index());
    }
  }
  aLocal->Execute(aTrial, true);
  return HalfEdge_Skewness::WorstOf(*aLocal) <= aBefore;
}
