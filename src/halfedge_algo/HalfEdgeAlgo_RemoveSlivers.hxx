#ifndef HalfEdgeAlgo_RemoveSlivers_HeaderFile
#define HalfEdgeAlgo_RemoveSlivers_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>
#include <Trivex_TriangleSet.hxx>

//! Removes from a closed triangle mesh the triangles with a corner sharper
//! than an angle, where it can do so soundly (see HalfEdgeAlgo_SoundEdits):
//! a triangle with a wide corner by swapping its longest edge, one with a
//! short edge by collapsing an edge into one of its ends or into the point of
//! a triangle set nearest to its middle, each tried in turn until one is
//! made. A swap moves the surface by a tenth of the shorter diagonal at most,
//! a collapse by a given lift at most. Every edit makes the sharpest corner
//! it touches less sharp, or leaves no corner sharper than the angle. Sharper
//! triangles go first. The result does not depend on the number of threads.
//! Deleted elements stay until the caller garbage-collects.
class HalfEdgeAlgo_RemoveSlivers : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_RemoveSlivers, HalfEdgeAlgo_ModifyMesh)
public:
  //! No triangle set, angle 12 degrees, no bound on the lift.
  HalfEdgeAlgo_RemoveSlivers();

  //! Removes the slivers it can; always true. Without a built triangle set
  //! nothing changes.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_RemoveSlivers".
  std::string Name() const override;

  //! Sets the surface that the collapsed edges' middles go to; the set must
  //! be built.
  void SetTriangleSet(const Handle(Trivex::TriangleSet)& theSet) { myTriangleSet = theSet; }

  //! Sets the sharpest corner, in degrees, that a triangle may keep.
  void SetAngle(double theDegrees) { myAngle = theDegrees; }

  //! Sets the farthest a collapse may move the surface: the largest distance
  //! of the kept node from the plane of a face around the collapsed one.
  void SetMaxLift(double theLift) { myMaxLift = theLift; }

  //! The number of edits made by the last run.
  int NbEdits() const { return myNbEdits; }

private:
  Handle(Trivex::TriangleSet) myTriangleSet;
  double                      myAngle   = 12.0;
  double                      myMaxLift = RealLast();
  int                         myNbEdits = 0;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_RemoveSlivers, HalfEdgeAlgo_ModifyMesh)

#endif
