#include <SVO_Node.hxx>

#include <Precision.hxx>

#include <algorithm>
#include <cstdlib>

namespace
{
// Bounds closer than this are the same bound: two cells with all six bounds
// that close are one cell.
constexpr double THE_IDENTITY_TOL = 5e-8;
// Touching tolerance of the adjacency test before its sides are compared.
const double THE_CONNECT_TOL = Precision::Confusion();
// Bounds of a cell without a box: beyond any coordinate.
const double THE_NO_BOX = Precision::Infinite();

// Side of the small cell relative to the large one along one axis: -1 below it,
// +1 above it, 0 when they overlap there.
int sideOf(double theLargeMin, double theLargeMax, double theSmallMin, double theSmallMax)
{
  if (theLargeMin + THE_IDENTITY_TOL > theSmallMax)
  {
    return -1;
  }
  if (theSmallMin > theLargeMax - THE_IDENTITY_TOL)
  {
    return 1;
  }
  return 0;
}
} // namespace

SVO_Node::SVO_Node(const gp_XYZ& theA, const gp_XYZ& theB)
    : Parent(nullptr),
      Children{},
      BoxMin(std::min(theA.X(), theB.X()), std::min(theA.Y(), theB.Y()), std::min(theA.Z(), theB.Z())),
      BoxMax(std::max(theA.X(), theB.X()), std::max(theA.Y(), theB.Y()), std::max(theA.Z(), theB.Z())),
      State(SVO_Unclassified)
{
}

SVO_Node::SVO_Node(SVO_Node* theParent, int theChild)
    : Parent(theParent),
      Children{},
      BoxMin(-THE_NO_BOX, -THE_NO_BOX, -THE_NO_BOX),
      BoxMax(THE_NO_BOX, THE_NO_BOX, THE_NO_BOX),
      State(SVO_Unclassified)
{
  if (theParent == nullptr || theChild == -1)
  {
    return;
  }
  const gp_XYZ aCentre = (theParent->BoxMin + theParent->BoxMax) / 2.0;
  const gp_XYZ aCorner = theParent->Corner(theChild);
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    const double aC = aCentre.Coord(anAxis);
    const double aV = aCorner.Coord(anAxis);
    BoxMin.SetCoord(anAxis, std::min(aC, aV));
    BoxMax.SetCoord(anAxis, std::max(aC, aV));
  }
}

gp_XYZ SVO_Node::Corner(int theIndex) const
{
  return gp_XYZ((theIndex & 1) != 0 ? BoxMax.X() : BoxMin.X(), (theIndex & 2) != 0 ? BoxMax.Y() : BoxMin.Y(),
                (theIndex & 4) != 0 ? BoxMax.Z() : BoxMin.Z());
}

gp_XYZ SVO_Node::LocalCoordinates(const gp_XYZ& thePoint) const
{
  gp_XYZ aResult;
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    const double aMin = BoxMin.Coord(anAxis);
    const double aMax = BoxMax.Coord(anAxis);
    aResult.SetCoord(anAxis, (2.0 * thePoint.Coord(anAxis) - aMin - aMax) / (aMax - aMin));
  }
  return aResult;
}

bool SVO_Node::IsConnected(const SVO_Node* theOther, double theTol) const
{
  if (theOther == nullptr)
  {
    return false;
  }
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    // Written as the positive condition so that a NaN bound never connects.
    const bool isTouching = theOther->BoxMin.Coord(anAxis) <= BoxMax.Coord(anAxis) + theTol &&
                            BoxMin.Coord(anAxis) - theTol <= theOther->BoxMax.Coord(anAxis);
    if (!isTouching)
    {
      return false;
    }
  }
  return true;
}

bool SVO_Node::IsAdjacent(const SVO_Node* theOther) const
{
  if (!IsConnected(theOther, THE_CONNECT_TOL))
  {
    return false;
  }
  const bool      isThisLarge = BoxMax.X() - BoxMin.X() >= theOther->BoxMax.X() - theOther->BoxMin.X();
  const SVO_Node& aLarge      = isThisLarge ? *this : *theOther;
  const SVO_Node& aSmall      = isThisLarge ? *theOther : *this;
  int             aNbSides    = 0;
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    aNbSides += std::abs(sideOf(aLarge.BoxMin.Coord(anAxis), aLarge.BoxMax.Coord(anAxis),
                                aSmall.BoxMin.Coord(anAxis), aSmall.BoxMax.Coord(anAxis)));
  }
  return aNbSides == 1;
}

bool SVO_Node::operator<(const SVO_Node& theOther) const
{
  const double aThis[6]   = {BoxMin.X(), BoxMin.Y(), BoxMin.Z(), BoxMax.X(), BoxMax.Y(), BoxMax.Z()};
  const double anOther[6] = {theOther.BoxMin.X(), theOther.BoxMin.Y(), theOther.BoxMin.Z(),
                             theOther.BoxMax.X(), theOther.BoxMax.Y(), theOther.BoxMax.Z()};
  // Both directions are tested with the same expression, so that "neither is
  // less" on a key is exactly "equal within the tolerance" and only then does
  // the next key decide; equality and order can never disagree.
  for (int aKey = 0; aKey < 6; ++aKey)
  {
    if (aThis[aKey] < anOther[aKey] - THE_IDENTITY_TOL)
    {
      return true;
    }
    if (anOther[aKey] < aThis[aKey] - THE_IDENTITY_TOL)
    {
      return false;
    }
  }
  return false;
}
