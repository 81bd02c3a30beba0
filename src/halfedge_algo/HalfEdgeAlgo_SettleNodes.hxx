#ifndef HalfEdgeAlgo_SettleNodes_HeaderFile
#define HalfEdgeAlgo_SettleNodes_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>
#include <Trivex_TriangleSet.hxx>

//! Brings back to a triangle set the nodes that lie farther from it than a
//! threshold, as far as they can go without making faces cross or turn into
//! slivers: each such node heads for the point at a gap from its closest point
//! on the set, half the way first and then the whole way; a node of a face
//! that then crosses another, or gets a corner sharper than 3 degrees that it
//! did not have, gives up half of what it gained in that step (the whole way
//! becomes three quarters of it), and after a few halvings stays where the
//! step found it. The repairs of a wrap push nodes off the input to part crossing faces;
//! most of them can come back most of the way.
//!
//! Crossings the mesh had before are left as they were; polygons are checked
//! as the self-intersection check splits them. The result does not depend on
//! the number of threads.
class HalfEdgeAlgo_SettleNodes : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SettleNodes, HalfEdgeAlgo_ModifyMesh)
public:
  //! No triangle set, gap and threshold 0.
  HalfEdgeAlgo_SettleNodes();

  //! Moves the nodes; always true. Without a built triangle set nothing moves.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_SettleNodes".
  std::string Name() const override;

  //! Sets the triangles the nodes come back to; the set must be built.
  void SetTriangleSet(const Handle(Trivex::TriangleSet)& theSet) { myTriangleSet = theSet; }

  //! Sets the distance from the triangles at which a node stops.
  void SetGap(double theGap) { myGap = theGap; }

  //! Sets the distance beyond which a node is brought back; nearer ones stay.
  void SetThreshold(double theThreshold) { myThreshold = theThreshold; }

  //! Sets the sharpest corner, in degrees, that a move may give a triangle
  //! unless it had one as sharp before (3 by default): brought onto sharp
  //! features of the input, faces would turn into slivers. 0 or less lets
  //! faces turn as sharp as they come; polygons are never checked.
  void SetSharpestAngle(double theDegrees) { mySharpestAngle = theDegrees; }

  //! The number of nodes that moved in the last run.
  int NbMoved() const { return myNbMoved; }

private:
  Handle(Trivex::TriangleSet) myTriangleSet;
  double                      myGap           = 0.0;
  double                      myThreshold     = 0.0;
  double                      mySharpestAngle = 3.0;
  int                         myNbMoved       = 0;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SettleNodes, HalfEdgeAlgo_ModifyMesh)

#endif
