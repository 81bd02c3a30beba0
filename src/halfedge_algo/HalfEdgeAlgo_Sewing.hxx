#ifndef HalfEdgeAlgo_Sewing_HeaderFile
#define HalfEdgeAlgo_Sewing_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>

#include <Precision.hxx>

//! Closes cracks whose two sides run along each other from a shared node, like
//! a zipper: where a boundary node lies on a boundary edge that starts at the
//! same node as its own boundary edge, that edge is split at the node, so both
//! sides get it; the next node along the crack is then sewn the same way.
//! Each half of the split edge that now doubles an edge of the other side is
//! joined with it into one interior edge, so the node keeps a single fan of
//! faces and the sewn mesh stays manifold; the faces beside the split edges
//! are left with an extra corner for the caller to triangulate.
//!
//! Perform() is true when every split it made left both halves of the edge in
//! place and joined to their doubles (sides oriented against each other cannot
//! be joined), also when nothing was split. Deleted elements stay until the
//! caller collects them.
class HalfEdgeAlgo_Sewing : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_Sewing, HalfEdgeAlgo_ModifyMesh)
public:
  //! Sews nodes closer than theSewingTolerance to an edge.
  explicit HalfEdgeAlgo_Sewing(double theSewingTolerance = Precision::Confusion());

  //! "HalfEdgeAlgo_Sewing".
  std::string Name() const override;

  //! Sews the boundary of theMesh; see the class comment.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! Distance within which a node counts as lying on an edge.
  double SewingTolerance() const { return mySewingTolerance; }

  //! Sets the distance within which a node counts as lying on an edge.
  void SetSewingTolerance(double theTolerance) { mySewingTolerance = theTolerance; }

protected:
  double mySewingTolerance;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_Sewing, HalfEdgeAlgo_ModifyMesh)

#endif
