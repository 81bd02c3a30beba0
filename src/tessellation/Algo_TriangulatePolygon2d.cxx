#include <Algo_TriangulatePolygon2d.hxx>

#include <Planora_Intersect.hxx>
#include <Planora_SqDistance.hxx>

#include <Bnd_Box2d.hxx>
#include <gp_Vec2d.hxx>
#include <gp_XY.hxx>
#include <Precision.hxx>

#include <cmath>

namespace
{
// The limits below hold for a polygon whose box has a unit diagonal; each is
// scaled by that diagonal (its square for squared lengths), so that a polygon
// is cut the same way whatever its size and place.

// Distance within which points and segments meet in the predicates.
const double THE_TOLERANCE = Precision::Confusion();
// Squared distance below which an ear's corner counts as lying on its side.
constexpr double THE_FLAT_SQ_DISTANCE = 1e-14;
// Squared length below which a diagonal or a remaining edge counts as collapsed.
constexpr double THE_SHORT_SQ_LENGTH = 1e-7;
// Angle below which a remaining edge counts as parallel to the diagonal.
constexpr double THE_PARALLEL_ANGLE = 1e-12;
// A ray grazes a vertex with a probability near the vertex's tolerance band over
// its distance; far below one per draw unless the input is degenerate (points
// that are not numbers, tolerance-sized polygons). Bounding the draws keeps such
// input from looping forever; a point never decided counts as outside, which
// only refuses an ear.
constexpr int THE_MAX_DIRECTIONS = 1000;

// Ray-crossing point-in-polygon test over the closed polygon. The state of the
// direction generator lives as long as the test object, i.e. one Perform(), so
// the directions drawn depend only on the polygon and the order of the queries.
class InsideTest
{
public:
  InsideTest(const std::vector<gp_Pnt2d>& thePoints, double theTolerance)
      : myClosed(thePoints),
        myTolerance(theTolerance)
  {
    if (!thePoints.empty())
    {
      myClosed.push_back(thePoints.front());
    }
    for (const gp_Pnt2d& aPoint : myClosed)
    {
      myBox.Add(aPoint);
    }
  }

  // True when thePoint lies inside the polygon or on one of its edges.
  bool IsInside(const gp_Pnt2d& thePoint)
  {
    if (myClosed.size() < 3)
    {
      return false;
    }
    Bnd_Box2d aBox = myBox;
    aBox.Add(thePoint);
    const double aLength    = 1.5 * std::sqrt(aBox.SquareExtent());
    gp_XY        aDirection = gp_XY(1.0, 0.0);
    for (int aDraw = 0; aDraw < THE_MAX_DIRECTIONS; ++aDraw)
    {
      const gp_Pnt2d anEnd(thePoint.XY() + aDirection * aLength);
      int            aNbCrossings = 0;
      bool           isGrazing    = false;
      for (size_t j = 0; j + 1 < myClosed.size() && !isGrazing; ++j)
      {
        const Planora::IntType aType =
            Planora::Intersect::SegSeg(myClosed[j], myClosed[j + 1], thePoint, anEnd, myTolerance);
        if (aType == Planora::IntType_Cross)
        {
          ++aNbCrossings;
        }
        else if (aType == Planora::IntType_Touch)
        {
          if (Planora::Intersect::PntSeg(myClosed[j], myClosed[j + 1], thePoint, myTolerance))
          {
            return true;
          }
          isGrazing = true;
        }
      }
      if (!isGrazing)
      {
        return aNbCrossings % 2 == 1;
      }
      aDirection = nextDirection();
    }
    return false;
  }

private:
  // Next pseudo-random unit direction; 32-bit unsigned arithmetic wraps on purpose.
  gp_XY nextDirection()
  {
    myA                = (myA >> 2) + myB + 4u * myA;
    myB                = myA + myB;
    const double anAng = (static_cast<double>(myA) / 4294967295.0) * 2.0 * M_PI;
    return gp_XY(std::cos(anAng), std::sin(anAng));
  }

private:
  std::vector<gp_Pnt2d> myClosed;
  double                myTolerance;
  Bnd_Box2d             myBox;
  std::uint32_t         myA = 1u;
  std::uint32_t         myB = 1231121987u;
};

// Diagonal of the box of the points; 0 when a coordinate is not a finite number.
double boxDiagonal(const std::vector<gp_Pnt2d>& thePoints)
{
  gp_XY aMin = thePoints.front().XY(), aMax = aMin;
  for (const gp_Pnt2d& aPoint : thePoints)
  {
    if (!std::isfinite(aPoint.X()) || !std::isfinite(aPoint.Y()))
    {
      return 0.0;
    }
    aMin.SetCoord(std::min(aMin.X(), aPoint.X()), std::min(aMin.Y(), aPoint.Y()));
    aMax.SetCoord(std::max(aMax.X(), aPoint.X()), std::max(aMax.Y(), aPoint.Y()));
  }
  return (aMax - aMin).Modulus();
}
} // namespace

Algo_TriangulatePolygon2d::Algo_TriangulatePolygon2d()
    : myIsDone(false),
      myTolerance(0.0),
      myShortSqLength(0.0),
      myFlatSqDistance(0.0)
{
}

void Algo_TriangulatePolygon2d::GetTriangleNodes(size_t  theIndex,
                                                 size_t& theFirst,
                                                 size_t& theSecond,
                                                 size_t& theThird) const
{
  if (theIndex >= NbTriangles())
  {
    return;
  }
  theFirst  = static_cast<size_t>(myTriangles[3 * theIndex]);
  theSecond = static_cast<size_t>(myTriangles[3 * theIndex + 1]);
  theThird  = static_cast<size_t>(myTriangles[3 * theIndex + 2]);
}

void Algo_TriangulatePolygon2d::Perform()
{
  myIsDone = false;
  myTriangles.clear();
  myRemoved.clear();
  const size_t aNbPoints = myPoints.size();
  if (aNbPoints < 2)
  {
    return;
  }
  if (aNbPoints == 3)
  {
    myTriangles = {0, 1, 2};
    myIsDone    = true;
    return;
  }
  // A polygon without extent (one place, or points that are not numbers) has no ears.
  const double aSize = boxDiagonal(myPoints);
  if (!(aSize > 0.0) || !std::isfinite(aSize))
  {
    return;
  }
  myTolerance      = THE_TOLERANCE * aSize;
  myShortSqLength  = THE_SHORT_SQ_LENGTH * aSize * aSize;
  myFlatSqDistance = THE_FLAT_SQ_DISTANCE * aSize * aSize;
  myRemoved.assign(aNbPoints, false);
  InsideTest anInside(myPoints, myTolerance);
  size_t     aNbRemaining = aNbPoints;
  for (size_t aSweep = 0; aSweep < aNbPoints; ++aSweep)
  {
    for (size_t i = 0; i < aNbPoints; ++i)
    {
      if (myRemoved[i])
      {
        continue;
      }
      const size_t aPrev = neighbour(i, -1);
      const size_t aNext = neighbour(i, +1);
      if (isDiagonalBlocked(aPrev, i, aNext) ||
          !anInside.IsInside(gp_Pnt2d(0.5 * (myPoints[aPrev].XY() + myPoints[aNext].XY()))) ||
          !isEarAcceptable(i, aNbRemaining))
      {
        continue;
      }
      myRemoved[i] = true;
      --aNbRemaining;
      for (const size_t aCorner : {aPrev, i, aNext})
      {
        myTriangles.push_back(static_cast<std::uint64_t>(aCorner));
      }
      if (NbTriangles() == aNbPoints - 2)
      {
        myIsDone = true;
        return;
      }
    }
  }
}

size_t Algo_TriangulatePolygon2d::neighbour(size_t theIndex, int theStep) const
{
  const size_t aNbPoints = myPoints.size();
  const size_t aShift    = theStep < 0 ? aNbPoints - 1 : 1;
  size_t       aResult   = (theIndex + aShift) % aNbPoints;
  for (size_t aCount = 1; aCount < aNbPoints && myRemoved[aResult]; ++aCount)
  {
    aResult = (aResult + aShift) % aNbPoints;
  }
  return aResult;
}

bool Algo_TriangulatePolygon2d::isDiagonalBlocked(size_t thePrev, size_t theTip, size_t theNext) const
{
  const size_t aNbPoints = myPoints.size();
  for (size_t j = 0; j < aNbPoints; ++j)
  {
    const size_t j1 = (j + 1) % aNbPoints;
    if ((j == thePrev && j1 == theTip) || (j == theTip && j1 == theNext))
    {
      continue;
    }
    const Planora::IntType aType = Planora::Intersect::SegSeg(myPoints[thePrev], myPoints[theNext],
                                                              myPoints[j], myPoints[j1], myTolerance);
    if (aType == Planora::IntType_None)
    {
      continue;
    }
    // Edges at the diagonal's own ends touch it there by construction.
    if (aType == Planora::IntType_Touch && (j == thePrev || j == theNext || j1 == thePrev || j1 == theNext))
    {
      continue;
    }
    return true;
  }
  return false;
}

bool Algo_TriangulatePolygon2d::isEarAcceptable(size_t theTip, size_t theNbRemaining)
{
  myRemoved[theTip]    = true;
  const size_t   aPrev = neighbour(theTip, -1);
  const size_t   aNext = neighbour(theTip, +1);
  const gp_Pnt2d aP    = myPoints[aPrev];
  const gp_Pnt2d aN    = myPoints[aNext];
  const gp_Pnt2d aT    = myPoints[theTip];
  // A flat ear has one corner on the opposite side: the previous point on the
  // side from the tip to the next point (the outline folds back on itself),
  // or the tip on the diagonal (a point in the middle of a straight run,
  // which lies on the outline and so passes the inside test).
  bool isGood = Planora::SqDistance::PntToSeg(aP, aN, aT) >= myFlatSqDistance &&
                Planora::SqDistance::PntToSeg(aT, aP, aN) >= myFlatSqDistance &&
                aN.SquareDistance(aP) >= myShortSqLength;
  if (isGood && theNbRemaining - 1 != 2)
  {
    isGood = remainderHasArea(theTip, aP, aN);
  }
  myRemoved[theTip] = false;
  return isGood;
}

bool Algo_TriangulatePolygon2d::remainderHasArea(size_t          theTip,
                                                 const gp_Pnt2d& thePrev,
                                                 const gp_Pnt2d& theNext) const
{
  const gp_Vec2d aDiagonal(theNext, thePrev);
  for (size_t k = 0; k < myPoints.size(); ++k)
  {
    if (k == theTip || myRemoved[k])
    {
      continue;
    }
    const gp_Vec2d anEdge(myPoints[k], myPoints[neighbour(k, +1)]);
    if (anEdge.SquareMagnitude() < myShortSqLength)
    {
      return false;
    }
    const double anAngle = std::abs(anEdge.Angle(aDiagonal));
    if (anAngle > THE_PARALLEL_ANGLE && M_PI - anAngle > THE_PARALLEL_ANGLE)
    {
      return true;
    }
  }
  return false;
}
