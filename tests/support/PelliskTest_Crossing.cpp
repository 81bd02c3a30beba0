#include <PelliskTest_Crossing.hxx>

#include <algorithm>
#include <cmath>

namespace
{
double clamp01(double theValue)
{
  return std::min(1.0, std::max(0.0, theValue));
}

// Closest points of two segments, clamped to both.
double
segmentSegmentSqDistance(const gp_XYZ& theP1, const gp_XYZ& theQ1, const gp_XYZ& theP2, const gp_XYZ& theQ2)
{
  const gp_XYZ d1 = theQ1 - theP1, d2 = theQ2 - theP2, r = theP1 - theP2;
  const double a = d1.SquareModulus(), e = d2.SquareModulus(), f = d2.Dot(r);
  double       s = 0.0, t = 0.0;
  if (a <= 0.0 && e <= 0.0)
  {
    return r.SquareModulus();
  }
  if (a <= 0.0)
  {
    t = clamp01(f / e);
  }
  else
  {
    const double c = d1.Dot(r);
    if (e <= 0.0)
    {
      s = clamp01(-c / a);
    }
    else
    {
      const double b     = d1.Dot(d2);
      const double denom = a * e - b * b;
      s                  = denom > 0.0 ? clamp01((b * f - c * e) / denom) : 0.0;
      t                  = (b * s + f) / e;
      if (t < 0.0)
      {
        t = 0.0;
        s = clamp01(-c / a);
      }
      else if (t > 1.0)
      {
        t = 1.0;
        s = clamp01((b - c) / a);
      }
    }
  }
  return ((theP1 + d1 * s) - (theP2 + d2 * t)).SquareModulus();
}

// Inside the prism over the triangle the closest point is in the plane;
// elsewhere, and for a triangle without area, it is on a side.
double pointTriangleSqDistance(const gp_XYZ& theP, const gp_XYZ* theT)
{
  const gp_XYZ ab = theT[1] - theT[0], ac = theT[2] - theT[0], n = ab.Crossed(ac);
  bool         isAbove = n.SquareModulus() > 1e-30 * ab.SquareModulus() * ac.SquareModulus();
  for (int k = 0; k < 3 && isAbove; ++k)
  {
    isAbove = (theT[(k + 1) % 3] - theT[k]).Crossed(theP - theT[k]).Dot(n) >= 0.0;
  }
  if (isAbove)
  {
    const double aHeight = n.Dot(theP - theT[0]);
    return aHeight * aHeight / n.SquareModulus();
  }
  return std::min({segmentSegmentSqDistance(theP, theP, theT[0], theT[1]),
                   segmentSegmentSqDistance(theP, theP, theT[1], theT[2]),
                   segmentSegmentSqDistance(theP, theP, theT[2], theT[0])});
}

// True when the segment pierces the triangle (Moeller-Trumbore); segments
// parallel to the plane are left to the distance tests.
bool segmentPierces(const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ* theT)
{
  const gp_XYZ aDir = theQ - theP, ab = theT[1] - theT[0], ac = theT[2] - theT[0];
  const gp_XYZ h    = aDir.Crossed(ac);
  const double aDet = ab.Dot(h);
  if (std::abs(aDet) <= 1e-15 * aDir.Modulus() * ab.Modulus() * ac.Modulus())
  {
    return false;
  }
  const gp_XYZ s = theP - theT[0];
  const double u = s.Dot(h) / aDet;
  const gp_XYZ q = s.Crossed(ab);
  const double v = aDir.Dot(q) / aDet;
  const double t = ac.Dot(q) / aDet;
  return u >= 0.0 && v >= 0.0 && u + v <= 1.0 && t >= 0.0 && t <= 1.0;
}

// Distance from thePoint to the plane of theT; 0 for a triangle without area.
double planeDistance(const gp_XYZ& thePoint, const gp_XYZ* theT)
{
  const gp_XYZ aNormal = (theT[1] - theT[0]).Crossed(theT[2] - theT[0]);
  const double aLength = aNormal.Modulus();
  return aLength > 0.0 ? std::abs(aNormal.Dot(thePoint - theT[0])) / aLength : 0.0;
}

// True when the side from theT[0] towards theEnd runs within theT's plane into
// theT's angle at theT[0] (its sides included), i.e. meets theT beyond that corner.
bool runsIntoCorner(const gp_XYZ& theEnd, const gp_XYZ* theT, double theTol)
{
  const gp_XYZ e1 = theT[1] - theT[0], e2 = theT[2] - theT[0], d = theEnd - theT[0];
  const gp_XYZ n = e1.Crossed(e2);
  if (n.SquareModulus() <= 0.0 || planeDistance(theEnd, theT) > theTol)
  {
    return false;
  }
  return e1.Crossed(d).Dot(n) >= 0.0 && d.Crossed(e2).Dot(n) >= 0.0;
}

bool crossAtCorner(const gp_XYZ* theA, const gp_XYZ* theB, double theTol)
{
  const double aTol2 = theTol * theTol;
  return PelliskTest_Crossing::SegmentTriangleSqDistance(theA[1], theA[2], theB) <= aTol2 ||
         PelliskTest_Crossing::SegmentTriangleSqDistance(theB[1], theB[2], theA) <= aTol2 ||
         runsIntoCorner(theA[1], theB, theTol) || runsIntoCorner(theA[2], theB, theTol) ||
         runsIntoCorner(theB[1], theA, theTol) || runsIntoCorner(theB[2], theA, theTol);
}

bool foldAtSide(
    const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ& theFreeA, const gp_XYZ& theFreeB, double theTol)
{
  const gp_XYZ aA[3] = {theP, theQ, theFreeA}, aB[3] = {theP, theQ, theFreeB};
  if (planeDistance(theFreeB, aA) > theTol && planeDistance(theFreeA, aB) > theTol)
  {
    return false;
  }
  const gp_XYZ e   = theQ - theP;
  const double aE2 = e.SquareModulus();
  if (aE2 <= 0.0)
  {
    return true;
  }
  const gp_XYZ aOffA = (theFreeA - theP) - e * (e.Dot(theFreeA - theP) / aE2);
  const gp_XYZ aOffB = (theFreeB - theP) - e * (e.Dot(theFreeB - theP) / aE2);
  return aOffA.Dot(aOffB) >= 0.0;
}
} // namespace

double
PelliskTest_Crossing::SegmentTriangleSqDistance(const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ theT[3])
{
  if (segmentPierces(theP, theQ, theT))
  {
    return 0.0;
  }
  return std::min({pointTriangleSqDistance(theP, theT), pointTriangleSqDistance(theQ, theT),
                   segmentSegmentSqDistance(theP, theQ, theT[0], theT[1]),
                   segmentSegmentSqDistance(theP, theQ, theT[1], theT[2]),
                   segmentSegmentSqDistance(theP, theQ, theT[2], theT[0])});
}

double PelliskTest_Crossing::TriangleTriangleSqDistance(const gp_XYZ theA[3], const gp_XYZ theB[3])
{
  double aMin = SegmentTriangleSqDistance(theA[0], theA[1], theB);
  for (int k = 0; k < 3; ++k)
  {
    aMin = std::min({aMin, SegmentTriangleSqDistance(theA[k], theA[(k + 1) % 3], theB),
                     SegmentTriangleSqDistance(theB[k], theB[(k + 1) % 3], theA)});
  }
  return aMin;
}

bool PelliskTest_Crossing::FacesCross(const gp_XYZ theA[3], const gp_XYZ theB[3], double theTolerance)
{
  const double aTol2        = theTolerance * theTolerance;
  int          aMatchOfB[3] = {-1, -1, -1};
  bool         isUsed[3]    = {false, false, false};
  int          aNbShared    = 0;
  for (int j = 0; j < 3; ++j)
  {
    for (int i = 0; i < 3 && aMatchOfB[j] < 0; ++i)
    {
      if (!isUsed[i] && (theA[i] - theB[j]).SquareModulus() <= aTol2)
      {
        isUsed[i]    = true;
        aMatchOfB[j] = i;
        ++aNbShared;
      }
    }
  }
  if (aNbShared == 0)
  {
    return TriangleTriangleSqDistance(theA, theB) <= aTol2;
  }
  if (aNbShared == 3)
  {
    return true;
  }
  if (aNbShared == 1)
  {
    const int    j     = aMatchOfB[0] >= 0 ? 0 : (aMatchOfB[1] >= 0 ? 1 : 2);
    const int    i     = aMatchOfB[j];
    const gp_XYZ aA[3] = {theA[i], theA[(i + 1) % 3], theA[(i + 2) % 3]};
    const gp_XYZ aB[3] = {theB[j], theB[(j + 1) % 3], theB[(j + 2) % 3]};
    return crossAtCorner(aA, aB, theTolerance);
  }
  const int aFreeB = aMatchOfB[0] < 0 ? 0 : (aMatchOfB[1] < 0 ? 1 : 2);
  const int aFreeA = !isUsed[0] ? 0 : (!isUsed[1] ? 1 : 2);
  return foldAtSide(theB[(aFreeB + 1) % 3], theB[(aFreeB + 2) % 3], theA[aFreeA], theB[aFreeB], theTolerance);
}
