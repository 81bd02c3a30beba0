#ifndef Pelk_SinglePrecision_HeaderFile
#define Pelk_SinglePrecision_HeaderFile

#include <Algo_FixSelfIntersections.hxx>
#include <HalfEdge_Mesh.hxx>

//! Makes a wrap safe to write with single-precision coordinates, as binary
//! STL and PLY files hold them. Rounding moves a node by up to half a unit
//! in the last place of a float (3e-5 at coordinates near 1000), which can
//! make faces cross that lay closer than that: two sheets pressed onto a thin
//! part of the input, or the sides of a narrow fold. The wrap's nodes are
//! rounded to the nearest floats; when a repair step is given and the
//! rounded wrap crosses itself, the step repairs it and the nodes are rounded
//! again, a few times at most.
class Pelk_SinglePrecision
{
public:
  //! Rounds without checking for crossings until a repair step is set.
  Pelk_SinglePrecision() = default;

  //! The step that repairs crossings made by rounding; its tolerance and
  //! thread count are those of the check after rounding.
  void SetRepair(const Handle(Algo_FixSelfIntersections)& theRepair) { myRepair = theRepair; }

  //! Rounds the nodes of theMesh, repairing as above. True when the rounded
  //! wrap is free of crossings (always without a repair step); otherwise
  //! theMesh is left as it was before the call.
  bool Perform(Handle(HalfEdge_Mesh)& theMesh);

  //! Number of repairs the last Perform() ran.
  int NbRepairs() const { return myNbRepairs; }

  //! Rounds every node of theMesh to the nearest single-precision
  //! coordinates (a coordinate beyond their range stays as it is).
  static void RoundNodes(const Handle(HalfEdge_Mesh)& theMesh);

private:
  //! True when theMesh, as rounded, has faces crossing.
  bool isCrossing(const Handle(HalfEdge_Mesh)& theMesh) const;

  Handle(Algo_FixSelfIntersections) myRepair;
  int                               myNbRepairs = 0;
};

#endif
