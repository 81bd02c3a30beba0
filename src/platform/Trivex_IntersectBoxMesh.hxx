#ifndef Trivex_IntersectBoxMesh_HeaderFile
#define Trivex_IntersectBoxMesh_HeaderFile

#include <Pellisk_Export.hxx>
#include <Trivex_TriangleSet.hxx>

#include <Bnd_Box.hxx>
#include <Precision.hxx>

#include <vector>

namespace Trivex
{
//! Which triangles of a set meet a box. A triangle meets the box when the two
//! closed shapes share a point after the box is widened by the tolerance on
//! every side; a triangle touching the box at its boundary meets it.
class Pellisk_EXPORT IntersectBoxMesh
{
public:
  //! A query on theSet (which must be built; see TriangleSet).
  explicit IntersectBoxMesh(const Handle(TriangleSet)& theSet)
      : mySet(theSet)
  {
  }

  //! True when a triangle meets theBox; false for a void box, a null, empty or unbuilt set.
  bool Perform(const Bnd_Box& theBox) { return perform(theBox, nullptr); }

  //! As above, and theIndices receives the numbers of all triangles that meet
  //! the box, ascending (emptied first).
  bool Perform(const Bnd_Box& theBox, std::vector<int>& theIndices);

  //! Widening of the box (1e-7 by default).
  double Tolerance() const { return myTolerance; }

  //! Sets the widening of the box.
  void SetTolerance(double theTolerance) { myTolerance = theTolerance; }

private:
  bool perform(const Bnd_Box& theBox, std::vector<int>* theIndices) const;

private:
  Handle(TriangleSet) mySet;
  double              myTolerance = Precision::Confusion();
};
} // namespace Trivex

#endif
