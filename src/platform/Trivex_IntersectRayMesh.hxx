#ifndef Trivex_IntersectRayMesh_HeaderFile
#define Trivex_IntersectRayMesh_HeaderFile

#include <Pellisk_Export.hxx>
#include <Trivex_Ray.hxx>
#include <Trivex_TriangleSet.hxx>

#include <Precision.hxx>

#include <vector>

namespace Trivex
{
//! All triangles of a set that a ray (or, for a finite ray, a segment) meets.
//! A triangle is hit when the ray meets the closed triangle at a distance from
//! the origin between -tolerance and the ray's length plus the tolerance; a
//! ray through a shared edge or corner hits every triangle around it.
class Pellisk_EXPORT IntersectRayMesh
{
public:
  //! A query on theSet (which must be built; see TriangleSet).
  explicit IntersectRayMesh(const Handle(TriangleSet)& theSet, double theTolerance = Precision::Confusion())
      : mySet(theSet),
        myTolerance(theTolerance)
  {
  }

  //! True when the ray hits a triangle; theIndices receives the numbers of all
  //! triangles hit, ascending (emptied first). False for a null, empty or unbuilt set.
  bool Perform(const Ray& theRay, std::vector<int>& theIndices);

  //! Slack along the ray at both ends (1e-7 by default).
  double Tolerance() const { return myTolerance; }

  //! Sets the tolerance.
  void SetTolerance(double theTolerance) { myTolerance = theTolerance; }

private:
  Handle(TriangleSet) mySet;
  double              myTolerance;
};
} // namespace Trivex

#endif
