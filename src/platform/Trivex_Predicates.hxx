#ifndef Trivex_Predicates_HeaderFile
#define Trivex_Predicates_HeaderFile

#include <gp_XYZ.hxx>

#include <algorithm>
#include <cmath>

namespace Trivex
{
//! Exact-at-the-edges geometric tests shared by the queries. Boxes are given as
//! minimum and maximum arrays; callers widen them by their tolerance first.
class Predicates
{
public:
  //! True when two boxes overlap or touch (node bounds may be single precision).
  template <typename TA, typename TB>
  static bool BoxesTouch(const TA* theMinA, const TA* theMaxA, const TB* theMinB, const TB* theMaxB)
  {
    return theMinA[0] <= theMaxB[0] && theMinB[0] <= theMaxA[0] && theMinA[1] <= theMaxB[1] &&
           theMinB[1] <= theMaxA[1] && theMinA[2] <= theMaxB[2] && theMinB[2] <= theMaxA[2];
  }

  //! True when box A lies inside box B.
  template <typename TA>
  static bool BoxInside(const TA* theMinA, const TA* theMaxA, const double* theMinB, const double* theMaxB)
  {
    return theMinA[0] >= theMinB[0] && theMaxA[0] <= theMaxB[0] && theMinA[1] >= theMinB[1] &&
           theMaxA[1] <= theMaxB[1] && theMinA[2] >= theMinB[2] && theMaxA[2] <= theMaxB[2];
  }

  //! Squared distance from a point to a box (0 inside).
  template <typename T>
  static double PointBoxSqDistance(const gp_XYZ& theP, const T* theMin, const T* theMax)
  {
    double       aSum  = 0.0;
    const double aP[3] = {theP.X(), theP.Y(), theP.Z()};
    for (int k = 0; k < 3; ++k)
    {
      const double aD = aP[k] < theMin[k] ? theMin[k] - aP[k] : (aP[k] > theMax[k] ? aP[k] - theMax[k] : 0.0);
      aSum += aD * aD;
    }
    return aSum;
  }

  //! True when the closed triangle meets the closed box (separating axes); a
  //! triangle touching the box at its boundary meets it.
  static bool TriangleBox(
      const gp_XYZ& theA, const gp_XYZ& theB, const gp_XYZ& theC, const double* theMin, const double* theMax);

  //! Closest point of the closed triangle to theP; degenerate triangles are
  //! treated as their three sides.
  static gp_XYZ
  ClosestPointTriangle(const gp_XYZ& theP, const gp_XYZ& theA, const gp_XYZ& theB, const gp_XYZ& theC);

  //! Closest point of the segment [theA, theB] to theP.
  static gp_XYZ ClosestPointSegment(const gp_XYZ& theP, const gp_XYZ& theA, const gp_XYZ& theB)
  {
    const gp_XYZ anAB  = theB - theA;
    const double aLen2 = anAB.SquareModulus();
    if (!(aLen2 > 0.0))
    {
      return theA;
    }
    const double aT = std::min(1.0, std::max(0.0, (theP - theA).Dot(anAB) / aLen2));
    return theA + anAB * aT;
  }

  //! Squared distance between the segments [theP1, theQ1] and [theP2, theQ2].
  static double SegmentSegmentSqDistance(const gp_XYZ& theP1,
                                         const gp_XYZ& theQ1,
                                         const gp_XYZ& theP2,
                                         const gp_XYZ& theQ2);

  //! Squared distance between the segment [theP, theQ] and the closed triangle theT.
  static double SegmentTriangleSqDistance(const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ* theT);

  //! Squared distance between two closed triangles.
  static double TriangleTriangleSqDistance(const gp_XYZ* theT1, const gp_XYZ* theT2);

  //! True when two triangles genuinely meet within theTol: corners closer than
  //! theTol count as shared, and contact at shared corners or along a shared
  //! edge alone is no crossing (see the source for the exact rule).
  static bool TrianglesCross(const gp_XYZ* theT1, const gp_XYZ* theT2, double theTol);

  //! TrianglesCross(theT1, theT2) || TrianglesCross(theT2, theT1), bit for bit,
  //! for about the price of one call: the order of the arguments only shows in
  //! rounding, which is left to the longer way where it can change the answer.
  static bool TrianglesCrossEither(const gp_XYZ* theT1, const gp_XYZ* theT2, double theTol);

  //! Solid angle (signed, in units of 4 pi) that the triangle spans seen from theP.
  static double WindingNumber(const gp_XYZ& theP, const gp_XYZ& theA, const gp_XYZ& theB, const gp_XYZ& theC);
};

//! A ray prepared for the watertight ray-triangle test: a ray through an edge
//! or a corner shared by several triangles hits at least one of them.
class RayTester
{
public:
  //! Prepares the ray from theOrigin along theDirection (not necessarily unit;
  //! parameters are in units of its length).
  RayTester(const gp_XYZ& theOrigin, const gp_XYZ& theDirection);

  //! Intersects the closed triangle; on a hit gives the ray parameter and the
  //! barycentric weights scaled by their sum theDet (all of one sign).
  bool Hit(const double* theA,
           const double* theB,
           const double* theC,
           double&       theT,
           double&       theU,
           double&       theV,
           double&       theW) const;

  //! Parameter interval of the ray inside the box (entry, exit); false when it
  //! misses the box within [theTMin, theTMax]. Conservative: never misses a
  //! box the ray touches.
  bool
  Slab(const double* theMin, const double* theMax, double theTMin, double theTMax, double& theEntry) const
  {
    double aNear = theTMin, aFar = theTMax;
    for (int k = 0; k < 3; ++k)
    {
      double aT0 = (theMin[k] - myOrigin[k]) * myInvDir[k];
      double aT1 = (theMax[k] - myOrigin[k]) * myInvDir[k];
      if (aT0 > aT1)
      {
        std::swap(aT0, aT1);
      }
      aNear = aT0 > aNear ? aT0 : aNear;
      aFar  = aT1 < aFar ? aT1 : aFar;
    }
    theEntry = aNear;
    return aNear <= aFar;
  }

  //! Slab() on a box of single-precision bounds widened by theTol on every
  //! side, so that rounding never drops a triangle the ray touches.
  bool WidenedSlab(const float* theMin,
                   const float* theMax,
                   double       theTol,
                   double       theTMin,
                   double       theTMax,
                   double&      theEntry) const
  {
    const double aMin[3] = {theMin[0] - theTol, theMin[1] - theTol, theMin[2] - theTol};
    const double aMax[3] = {theMax[0] + theTol, theMax[1] + theTol, theMax[2] + theTol};
    return Slab(aMin, aMax, theTMin, theTMax, theEntry);
  }

private:
  double myOrigin[3];
  double myInvDir[3];
  int    myKx, myKy, myKz;
  double mySx, mySy, mySz;
};
} // namespace Trivex

#endif
