// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_SquashVertices.hxx>
#include <ListOfConnectedComponents.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_SquashVertices, HalfEdgeAlgo_CollapseEdges)

HalfEdgeAlgo_SquashVertices::HalfEdgeAlgo_SquashVertices()
    : myRemovedNode(-1),
      myKeptNode(-1)
{
}

std::string HalfEdgeAlgo_SquashVertices::Name() const
{
  return "HalfEdgeAlgo_SquashVertices";
}

bool HalfEdgeAlgo_SquashVertices::Perform(Mesh& theMesh)
{
  const auto isLive = [&theMesh](int theNode)
  {
    return theNode >= 0 && theNode < static_cast<int>(theMesh.n_vertices()) &&
           !theMesh.status(Mesh::VertexHandle(theNode)).deleted();
  };
  if (!isLive(myRemovedNode) || !isLive(myKeptNode) || myRemovedNode == myKeptNode)
  {
    return false;
  }
  const Mesh::VertexHandle   aRemoved(myRemovedNode);
  const Mesh::VertexHandle   aKept(myKeptNode);
  const Mesh::HalfedgeHandle aHalf = theMesh.find_halfedge(aRemoved, aKept);
  if (!aHalf.is_valid())
  {
    return false;
  }
  myComponents->Reset(theMesh);
  myComponents->AddEdge(theMesh, theMesh.edge_handle(aHalf).idx());
  bool isDone = true;
  for (auto anIt = myComponents->Begin(); anIt.More(); anIt.Next())
  {
    // Edges that join the two nodes run from the removed one to the kept one.
    Mesh::HalfedgeHandle aSide = theMesh.halfedge_handle(Mesh::EdgeHandle(anIt.Edge()), 0);
    if (theMesh.from_vertex_handle(aSide) == aKept && theMesh.to_vertex_handle(aSide) == aRemoved)
    {
      aSide = theMesh.opposite_halfedge_handle(aSide);
    }
    if (!collapseHalfedge(theMesh, aSide.idx()) && !anIt.MarkForRetry())
    {
      isDone = false;
    }
  }
  return isDone;
}
