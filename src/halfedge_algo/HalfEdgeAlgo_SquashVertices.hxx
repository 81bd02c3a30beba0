#ifndef HalfEdgeAlgo_SquashVertices_HeaderFile
#define HalfEdgeAlgo_SquashVertices_HeaderFile

#include <HalfEdgeAlgo_CollapseEdges.hxx>

//! Collapses one node into a neighbour, which keeps its place exactly: the
//! edge between them is collapsed with the same repairs and retries as in
//! HalfEdgeAlgo_CollapseEdges. The edge set is not used.
//!
//! Perform() is false, changing nothing, when either node is missing or
//! deleted, when both are the same, or when they are not neighbours; false
//! too when the collapse was refused in the end.
class HalfEdgeAlgo_SquashVertices : public HalfEdgeAlgo_CollapseEdges
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SquashVertices, HalfEdgeAlgo_CollapseEdges)
public:
  //! No nodes (both -1).
  HalfEdgeAlgo_SquashVertices();

  //! Squashes the removed node into the kept one; see the class comment.
  bool Perform(Mesh& theMesh) override;

  //! "HalfEdgeAlgo_SquashVertices".
  std::string Name() const override;

  //! Sets the node to remove and the node to keep.
  void SetNodes(int theRemoved, int theKept)
  {
    myRemovedNode = theRemoved;
    myKeptNode    = theKept;
  }

  //! The node to remove.
  int RemovedNode() const { return myRemovedNode; }

  //! The node to keep.
  int KeptNode() const { return myKeptNode; }

protected:
  int myRemovedNode;
  int myKeptNode;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SquashVertices, HalfEdgeAlgo_CollapseEdges)

#endif
