#ifndef Trivex_DistRayMesh_HeaderFile
#define Trivex_DistRayMesh_HeaderFile

#include <Pellisk_Export.hxx>
#include <Trivex_Ray.hxx>
#include <Trivex_TriangleSet.hxx>

#include <Precision.hxx>

namespace Trivex
{
class RayTester;

//! Distance along a ray to the first triangle it hits. Hits closer to the
//! origin than the tolerance are ignored: a ray cast from a point of the
//! surface measures the distance to the next sheet, not to its own triangle.
class Pellisk_EXPORT DistRayMesh
{
public:
  //! Distance returned when the ray hits nothing.
  inline static const double THE_NO_HIT = Precision::Infinite();

  //! A query on theSet (which must be built; see TriangleSet).
  explicit DistRayMesh(const Handle(TriangleSet)& theSet, double theTolerance = Precision::Confusion())
      : mySet(theSet),
        myTolerance(theTolerance)
  {
  }

  //! Distance from the origin of theRay to its first hit beyond the
  //! tolerance (up to its length if finite); THE_NO_HIT (2e100) on a miss and
  //! for a null, empty or unbuilt set.
  double Perform(const Ray& theRay);

  //! Number of the triangle hit by the last Perform, -1 on a miss.
  int Index() const { return myIndex; }

  //! Hits nearer than this to the origin are ignored (1e-7 by default).
  double Tolerance() const { return myTolerance; }

  //! Sets the tolerance.
  void SetTolerance(double theTolerance) { myTolerance = theTolerance; }

private:
  double search(const RayTester& theRay, double theTMax, int& theBestLeaf) const;

private:
  Handle(TriangleSet) mySet;
  double              myTolerance;
  int                 myIndex = -1;
};
} // namespace Trivex

#endif
