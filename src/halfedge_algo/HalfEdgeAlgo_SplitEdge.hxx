#ifndef HalfEdgeAlgo_SplitEdge_HeaderFile
#define HalfEdgeAlgo_SplitEdge_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>

//! Inserts a node into one edge. The faces beside the edge gain a corner
//! (triangles become quadrilaterals) and are left for the caller to
//! triangulate; the edge keeps the part from the inserted node to its old
//! end, and the part from its old start is a new edge.
//!
//! Without a given node a new one is made: at the midpoint when a face beside
//! the edge has more than three corners, otherwise at the point of the edge
//! that keeps the worst skewness of the four triangles the split makes
//! lowest, found by 15 steps of a golden-section search from the midpoint
//! (a step replaces the best point only when strictly better).
//!
//! Perform() is false, changing nothing, for a missing or deleted edge, and
//! for a given node that is missing, deleted, an end of the edge or a corner
//! of a face beside it.
class HalfEdgeAlgo_SplitEdge : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SplitEdge, HalfEdgeAlgo_ModifyMesh)
public:
  //! Splits edge theEdge at a new node.
  explicit HalfEdgeAlgo_SplitEdge(int theEdge);

  //! "HalfEdgeAlgo_SplitEdge".
  std::string Name() const override;

  //! Splits the edge; see the class comment.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! The edge to split.
  int Edge() const { return myEdge; }

  //! The node to insert; -1 makes a new one.
  int Node() const { return myNode; }

  //! Sets the node to insert; -1 makes a new one.
  void SetNode(int theNode) { myNode = theNode; }

protected:
  int myEdge;
  int myNode;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SplitEdge, HalfEdgeAlgo_ModifyMesh)

#endif
