#ifndef HalfEdgeAlgo_CollapseEdges_HeaderFile
#define HalfEdgeAlgo_CollapseEdges_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>

#include <memory>
#include <set>

class ListOfConnectedComponents;

//! Removes a set of edges by collapsing them. Requested edges that touch each
//! other form a group, which shrinks to one node at the centroid of the
//! group's nodes. A collapse the mesh kernel refuses is first helped by local
//! repairs of the neighbourhood; one still refused is retried after the rest
//! of its group, again as long as something of the group was collapsed in the
//! meantime. The mesh stays manifold whatever happens.
//!
//! Perform() empties the edge set and is false when some edge could not be
//! collapsed in the end (true for an empty set). Numbers of deleted or
//! missing edges are skipped. Deleted elements stay until the caller
//! garbage-collects (HalfEdge_Mesh::Execute with collection).
class HalfEdgeAlgo_CollapseEdges : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_CollapseEdges, HalfEdgeAlgo_ModifyMesh)
public:
  //! No edges, no quality check.
  HalfEdgeAlgo_CollapseEdges();

  //! Collapses the edges set; see the class comment.
  bool Perform(Mesh& theMesh) override;

  //! "HalfEdgeAlgo_CollapseEdges".
  std::string Name() const override;

  //! The edges to collapse by the next Perform().
  std::set<int>& Edges() { return myEdges; }

  //! Replaces the edges to collapse.
  void SetEdges(const std::set<int>& theEdges) { myEdges = theEdges; }

  //! With theIsOn, each group is first collapsed on a copy of its
  //! neighbourhood and kept only when the largest face skewness there does
  //! not grow.
  void SetCheckQuality(bool theIsOn) { myIsCheckQuality = theIsOn; }

protected:
  //! Collapses half-edge number theHalf, its from-node into its to-node,
  //! which keeps its place, after the repairs its legality needs; tells the
  //! component list which edges the change merged or replaced. True when
  //! collapsed, or when there is nothing to collapse (an invalid number, a
  //! deleted edge); false when refused.
  bool collapseHalfedge(Mesh& theMesh, int theHalf);

private:
  //! Whether the component with these nodes may be collapsed, when the
  //! quality check is on.
  bool isComponentAccepted(Mesh& theMesh, const std::set<int>& theNodes);

protected:
  std::set<int>                              myEdges;
  bool                                       myIsCheckQuality;
  std::shared_ptr<ListOfConnectedComponents> myComponents;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_CollapseEdges, HalfEdgeAlgo_ModifyMesh)

#endif
