#ifndef HalfEdgeAlgo_CollapseFarNodes_HeaderFile
#define HalfEdgeAlgo_CollapseFarNodes_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>
#include <Trivex_TriangleSet.hxx>

//! Removes from a triangle mesh the nodes that lie farther from a triangle
//! set than a bound, by collapsing each into the neighbour nearest to the set,
//! where the collapse keeps the surface sound. A wrap spans the holes and
//! narrow gaps of its input that are too small for its cells; the nodes in the
//! middle of such a span cannot come near the input, while the span's rim
//! can. Without them the span's faces reach from rim to rim.
//!
//! A collapse is made only when the mesh kernel allows it and each face it
//! reshapes keeps its corners no sharper than a given angle (or than the
//! sharpest corner around the node before), a normal within 90 degrees of its old one,
//! and crosses no other face. Farther nodes go first; nodes are tried again
//! while collapses are made. Nodes next to a polygon stay. The result does not
//! depend on the number of threads. Deleted elements stay until the caller
//! garbage-collects.
class HalfEdgeAlgo_CollapseFarNodes : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_CollapseFarNodes, HalfEdgeAlgo_ModifyMesh)
public:
  //! No triangle set, bound 0.
  HalfEdgeAlgo_CollapseFarNodes();

  //! Collapses the far nodes it can; always true. Without a built triangle
  //! set nothing changes.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_CollapseFarNodes".
  std::string Name() const override;

  //! Sets the triangles the distances are measured to; the set must be built.
  void SetTriangleSet(const Handle(Trivex::TriangleSet)& theSet) { myTriangleSet = theSet; }

  //! Sets the distance beyond which a node is collapsed.
  void SetBound(double theBound) { myBound = theBound; }

  //! Sets the sharpest corner, in degrees, that a collapse may give a face
  //! unless one around the node was as sharp before (3 by default).
  void SetSharpestAngle(double theDegrees) { mySharpestAngle = theDegrees; }

  //! The number of nodes collapsed by the last run.
  int NbCollapsed() const { return myNbCollapsed; }

private:
  Handle(Trivex::TriangleSet) myTriangleSet;
  double                      myBound         = 0.0;
  double                      mySharpestAngle = 3.0;
  int                         myNbCollapsed   = 0;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_CollapseFarNodes, HalfEdgeAlgo_ModifyMesh)

#endif
