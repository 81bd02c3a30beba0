#ifndef Trivex_Ray_HeaderFile
#define Trivex_Ray_HeaderFile

#include <Pellisk_Export.hxx>

#include <gp_Dir.hxx>
#include <gp_Pnt.hxx>

namespace Trivex
{
//! A ray for the ray queries: an origin, a unit direction and whether it is
//! infinite. A finite ray is the segment from the origin to the point at its
//! length along the direction.
class Pellisk_EXPORT Ray
{
public:
  //! An infinite ray, or (theIsInfinite false) a segment of length theLength.
  //! A negative or not-a-number length makes an empty segment that meets nothing.
  Ray(const gp_Pnt& theOrigin, const gp_Dir& theDirection, bool theIsInfinite, double theLength = 1e100)
      : myOrigin(theOrigin),
        myDirection(theDirection),
        myLength(theLength),
        myIsInfinite(theIsInfinite)
  {
  }

  //! Start point.
  const gp_Pnt& Origin() const { return myOrigin; }

  //! Sets the start point.
  void SetOrigin(const gp_Pnt& theOrigin) { myOrigin = theOrigin; }

  //! Unit direction.
  const gp_Dir& Direction() const { return myDirection; }

  //! Sets the unit direction.
  void SetDirection(const gp_Dir& theDirection) { myDirection = theDirection; }

  //! Length of a finite ray (ignored by an infinite one).
  double Length() const { return myLength; }

  //! Sets the length of a finite ray.
  void SetLength(double theLength) { myLength = theLength; }

  //! True when the ray has no end.
  bool IsInfinite() const { return myIsInfinite; }

  //! Makes the ray infinite (true) or ending at its length (false).
  void SetInfinite(bool theIsInfinite) { myIsInfinite = theIsInfinite; }

  //! Largest distance along the direction that belongs to the ray.
  double MaxParameter() const { return myIsInfinite ? 1e300 : myLength; }

private:
  gp_Pnt myOrigin;
  gp_Dir myDirection;
  double myLength;
  bool   myIsInfinite;
};
} // namespace Trivex

#endif
