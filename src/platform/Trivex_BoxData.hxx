#ifndef Trivex_BoxData_HeaderFile
#define Trivex_BoxData_HeaderFile

#include <Pellisk_Export.hxx>

#include <gp_XYZ.hxx>

namespace Trivex
{
//! An axis-aligned box of a box set: minimum and maximum corner and the box's
//! position in the caller's array (-1 for a query box). A box whose minimum
//! exceeds its maximum on some axis is void: it touches nothing.
class Pellisk_EXPORT BoxData
{
public:
  //! A void box (minimum above maximum) with index -1.
  BoxData()
      : myMin(1.0, 1.0, 1.0),
        myMax(-1.0, -1.0, -1.0)
  {
  }

  //! A box from its corners and index.
  BoxData(const gp_XYZ& theMin, const gp_XYZ& theMax, int theIndex = -1)
      : myMin(theMin),
        myMax(theMax),
        myIndex(theIndex)
  {
  }

  //! Minimum corner.
  const gp_XYZ& Min() const { return myMin; }

  //! Sets the minimum corner.
  void SetMin(const gp_XYZ& theMin) { myMin = theMin; }

  //! Maximum corner.
  const gp_XYZ& Max() const { return myMax; }

  //! Sets the maximum corner.
  void SetMax(const gp_XYZ& theMax) { myMax = theMax; }

  //! Position in the caller's array, -1 for a query box.
  int Index() const { return myIndex; }

  //! Sets the position in the caller's array.
  void SetIndex(int theIndex) { myIndex = theIndex; }

  //! True when the box is void: a minimum above its maximum or a coordinate that is not a number.
  bool IsVoid() const
  {
    return !(myMin.X() <= myMax.X() && myMin.Y() <= myMax.Y() && myMin.Z() <= myMax.Z());
  }

private:
  gp_XYZ myMin;
  gp_XYZ myMax;
  int    myIndex = -1;
};
} // namespace Trivex

#endif
