#include <Trivex_Predicates.hxx>

namespace
{
// Relative widening of the separating-axis bounds: projections are rounded, and
// a triangle that touches a box exactly must not be lost to the last bit.
constexpr double THE_SAT_SLACK = 1e-12;
// Relative room (to the largest coordinate) left to rounding by the
// rejections placed before the distance tests, so that they only reject what
// those tests would: thousands of times the rounding either can make.
constexpr double THE_DISTANCE_SLACK = 1e-12;

// A separating axis exists when the triangle's projection interval [theP0..theP2]
// lies beyond the box radius theR.
inline bool separated(double theP0, double theP1, double theP2, double theR)
{
  const double aMin   = std::min({theP0, theP1, theP2});
  const double aMax   = std::max({theP0, theP1, theP2});
  const double aGuard = theR + THE_SAT_SLACK * (theR + std::max(std::abs(aMin), std::abs(aMax)));
  return aMin > aGuard || aMax < -aGuard;
}

// The normal of theT by the right-hand rule, not normalised.
gp_XYZ normalOf(const gp_XYZ* theT)
{
  return (theT[1] - theT[0]).Crossed(theT[2] - theT[0]);
}

inline gp_XYZ xyz(const double* theP)
{
  return gp_XYZ(theP[0], theP[1], theP[2]);
}

// True when the segment crosses the plane of the triangle at a point inside it.
// Segments in the plane are left to the distance tests of the callers.
bool segmentPierces(const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ* theT)
{
  const gp_XYZ aN  = (theT[1] - theT[0]).Crossed(theT[2] - theT[0]);
  const double aSP = aN.Dot(theP - theT[0]);
  const double aSQ = aN.Dot(theQ - theT[0]);
  if ((aSP > 0.0 && aSQ > 0.0) || (aSP < 0.0 && aSQ < 0.0) || aSP == aSQ)
  {
    return false;
  }
  const gp_XYZ aX = theP + (theQ - theP) * (aSP / (aSP - aSQ));
  for (int i = 0; i < 3; ++i)
  {
    const gp_XYZ& aA = theT[i];
    const gp_XYZ& aB = theT[(i + 1) % 3];
    if ((aB - aA).Crossed(aX - aA).Dot(aN) < 0.0)
    {
      return false;
    }
  }
  return true;
}

double pointTriangleSqDistance(const gp_XYZ& theP, const gp_XYZ* theT)
{
  return (Trivex::Predicates::ClosestPointTriangle(theP, theT[0], theT[1], theT[2]) - theP).SquareModulus();
}

// True when both ends of the segment lie farther than theTol on one side of the
// triangle's plane: then the segment stays farther than theTol from the triangle.
// theNormal is normalOf(theT), shared by the tests of one pair.
bool sideBeyondPlane(
    const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ* theT, const gp_XYZ& theNormal, double theTol)
{
  const double aLen = theNormal.Modulus();
  if (!(aLen > 0.0))
  {
    return false;
  }
  const double aLimit = theTol * aLen;
  const double aSP = theNormal.Dot(theP - theT[0]), aSQ = theNormal.Dot(theQ - theT[0]);
  return (aSP > aLimit && aSQ > aLimit) || (aSP < -aLimit && aSQ < -aLimit);
}

// True when all theNb points lie farther than theTol outside one side of
// theT (of normal theNormal = normalOf(theT)): beyond the plane through that side along the triangle's
// normal, which has the whole triangle behind it. Neighbours in a smooth surface lie side by side in nearly
// one plane, where the plane test cannot part them and this one does, for the price of a few dot products.
bool beyondSide(
    const gp_XYZ* thePoints, int theNb, const gp_XYZ* theT, const gp_XYZ& theNormal, double theTol)
{
  const double aTol2 = theTol * theTol;
  for (int i = 0; i < 3; ++i)
  {
    // Outward in the plane: the side's direction crossed with the normal.
    const gp_XYZ aM     = (theT[(i + 1) % 3] - theT[i]).Crossed(theNormal);
    const double aLimit = aTol2 * aM.SquareModulus();
    bool         isOut  = aLimit > 0.0;
    for (int k = 0; k < theNb && isOut; ++k)
    {
      const double aS = aM.Dot(thePoints[k] - theT[i]);
      isOut           = aS > 0.0 && aS * aS > aLimit;
    }
    if (isOut)
    {
      return true;
    }
  }
  return false;
}

// True when the segment [theP, theQ] lies farther than theTol from theT, as
// shown by the plane through theT's corner 0 across the bisector of its angle
// there: the triangle lies behind it. Neighbours round a corner in one plane
// often have corners on the lines of each other's sides, which no side plane
// parts; this plane does. Its limit leaves room for the rounding of the
// distance tests it spares, so that it only rejects what they reject.
bool beyondCorner(const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ* theT, double theTol)
{
  const gp_XYZ aU = theT[1] - theT[0], aV = theT[2] - theT[0];
  const double aLU = aU.Modulus(), aLV = aV.Modulus();
  if (!(aLU > 0.0) || !(aLV > 0.0))
  {
    return false;
  }
  const gp_XYZ aM     = (aU / aLU + aV / aLV).Reversed();
  const double aLM    = aM.Modulus();
  double       aScale = 0.0;
  for (const gp_XYZ* aPoint : {&theP, &theQ, &theT[0], &theT[1], &theT[2]})
  {
    aScale = std::max({aScale, std::abs(aPoint->X()), std::abs(aPoint->Y()), std::abs(aPoint->Z())});
  }
  const double aLimit = theTol * aLM + THE_DISTANCE_SLACK * aScale * (aLM + 1.0);
  return aM.Dot(theP - theT[0]) > aLimit && aM.Dot(theQ - theT[0]) > aLimit;
}

// Largest absolute coordinate of the points.
double largestCoordinate(const gp_XYZ* thePoints, int theNb)
{
  double aScale = 0.0;
  for (int i = 0; i < theNb; ++i)
  {
    aScale = std::max(
        {aScale, std::abs(thePoints[i].X()), std::abs(thePoints[i].Y()), std::abs(thePoints[i].Z())});
  }
  return aScale;
}

// True when the points theA and theB project onto theAxis more than theTol
// apart (in units of the axis' length), with the room for rounding of
// beyondCorner: any axis that parts two convex sets bounds their distance.
bool apartAlong(const gp_XYZ& theAxis,
                const gp_XYZ* theA,
                int           theNbA,
                const gp_XYZ* theB,
                int           theNbB,
                double        theTol,
                double        theScale)
{
  const double aLen2 = theAxis.SquareModulus();
  if (!(aLen2 > 0.0))
  {
    return false;
  }
  double aMinA = 1e308, aMaxA = -1e308, aMinB = 1e308, aMaxB = -1e308;
  for (int i = 0; i < theNbA; ++i)
  {
    const double aS = theAxis.Dot(theA[i]);
    aMinA           = std::min(aMinA, aS);
    aMaxA           = std::max(aMaxA, aS);
  }
  for (int i = 0; i < theNbB; ++i)
  {
    const double aS = theAxis.Dot(theB[i]);
    aMinB           = std::min(aMinB, aS);
    aMaxB           = std::max(aMaxB, aS);
  }
  const double aGap   = std::max(aMinB - aMaxA, aMinA - aMaxB);
  const double aLimit = theTol + THE_DISTANCE_SLACK * theScale;
  return aGap > 0.0 && aGap * aGap > aLimit * aLimit * aLen2;
}

// True when an axis across a side of each (the cross product of their
// directions) parts the points theA (a segment or a triangle) from the
// triangle theT by more than theTol. With the planes of the triangles, these
// are all the axes that can part them: triangles folded against each other
// along a line, which no plane of theirs parts, are parted here.
bool apartAcrossSides(const gp_XYZ* theA, int theNbA, const gp_XYZ* theT, double theTol)
{
  const double aScale    = std::max(largestCoordinate(theA, theNbA), largestCoordinate(theT, 3));
  const int    aNbSidesA = theNbA == 2 ? 1 : 3;
  for (int i = 0; i < aNbSidesA; ++i)
  {
    const gp_XYZ aSideA = theA[(i + 1) % theNbA] - theA[i];
    for (int j = 0; j < 3; ++j)
    {
      if (apartAlong(aSideA.Crossed(theT[(j + 1) % 3] - theT[j]), theA, theNbA, theT, 3, theTol, aScale))
      {
        return true;
      }
    }
  }
  return false;
}

// True when theSide (two points) of a triangle sharing theT's corner 0 meets
// theT beyond it; the cheap rejections first, the distance last.
bool sideMeets(const gp_XYZ* theSide, const gp_XYZ* theT, double theTol)
{
  const gp_XYZ aN = normalOf(theT);
  return !sideBeyondPlane(theSide[0], theSide[1], theT, aN, theTol) &&
         !beyondSide(theSide, 2, theT, aN, theTol) && !beyondCorner(theSide[0], theSide[1], theT, theTol) &&
         !apartAcrossSides(theSide, 2, theT, theTol) &&
         Trivex::Predicates::SegmentTriangleSqDistance(theSide[0], theSide[1], theT) <= theTol * theTol;
}

// Triangles sharing exactly one corner: theT1[0] and theT2[0] are the shared one.
// They meet beyond it exactly when the side opposite the shared corner of one
// meets the other triangle (the intersection is convex and contains the corner).
bool crossAtCorner(const gp_XYZ* theT1, const gp_XYZ* theT2, double theTol)
{
  return sideMeets(theT1 + 1, theT2, theTol) || sideMeets(theT2 + 1, theT1, theTol);
}

// Triangles sharing the side (theA, theB), with the third corners theC and theD.
// Unless they are coplanar they meet only along that side; coplanar within the
// tolerance and on the same side of it, they overlap.
bool crossAtSide(
    const gp_XYZ& theA, const gp_XYZ& theB, const gp_XYZ& theC, const gp_XYZ& theD, double theTol)
{
  const gp_XYZ anAB  = theB - theA;
  const double aLen2 = anAB.SquareModulus();
  if (!(aLen2 > 0.0))
  {
    return false;
  }
  const gp_XYZ aC = (theC - theA) - anAB * ((theC - theA).Dot(anAB) / aLen2);
  const gp_XYZ aD = (theD - theA) - anAB * ((theD - theA).Dot(anAB) / aLen2);
  if (!(aC.Dot(aD) > 0.0))
  {
    return false;
  }
  const gp_XYZ aN1 = anAB.Crossed(theC - theA);
  const gp_XYZ aN2 = anAB.Crossed(theD - theA);
  const double aL1 = aN1.Modulus(), aL2 = aN2.Modulus();
  return (aL1 > 0.0 && std::abs(aN1.Dot(theD - theA)) <= theTol * aL1) ||
         (aL2 > 0.0 && std::abs(aN2.Dot(theC - theA)) <= theTol * aL2);
}

// True when every corner of theT2 lies more than theTol on one side of theT1's
// plane (of normal theNormal = normalOf(theT1)).
bool beyondPlane(const gp_XYZ* theT1, const gp_XYZ* theT2, const gp_XYZ& theNormal, double theTol)
{
  const double aLen = theNormal.Modulus();
  if (!(aLen > 0.0))
  {
    return false;
  }
  const double aLimit = theTol * aLen;
  const double aS0 = theNormal.Dot(theT2[0] - theT1[0]), aS1 = theNormal.Dot(theT2[1] - theT1[0]),
               aS2 = theNormal.Dot(theT2[2] - theT1[0]);
  return (aS0 > aLimit && aS1 > aLimit && aS2 > aLimit) || (aS0 < -aLimit && aS1 < -aLimit && aS2 < -aLimit);
}
} // namespace

bool Trivex::Predicates::TriangleBox(
    const gp_XYZ& theA, const gp_XYZ& theB, const gp_XYZ& theC, const double* theMin, const double* theMax)
{
  // Box axes first, on the untranslated coordinates: exact comparisons.
  const double aTMin[3] = {std::min({theA.X(), theB.X(), theC.X()}), std::min({theA.Y(), theB.Y(), theC.Y()}),
                           std::min({theA.Z(), theB.Z(), theC.Z()})};
  const double aTMax[3] = {std::max({theA.X(), theB.X(), theC.X()}), std::max({theA.Y(), theB.Y(), theC.Y()}),
                           std::max({theA.Z(), theB.Z(), theC.Z()})};
  if (!BoxesTouch(aTMin, aTMax, theMin, theMax))
  {
    return false;
  }
  const gp_XYZ aCentre(0.5 * (theMin[0] + theMax[0]), 0.5 * (theMin[1] + theMax[1]),
                       0.5 * (theMin[2] + theMax[2]));
  const gp_XYZ aH(0.5 * (theMax[0] - theMin[0]), 0.5 * (theMax[1] - theMin[1]),
                  0.5 * (theMax[2] - theMin[2]));
  const gp_XYZ aV[3]  = {theA - aCentre, theB - aCentre, theC - aCentre};
  const gp_XYZ anE[3] = {aV[1] - aV[0], aV[2] - aV[1], aV[0] - aV[2]};
  for (const gp_XYZ& anEdge : anE)
  {
    // Axes X x e, Y x e, Z x e.
    const double aEX = std::abs(anEdge.X()), aEY = std::abs(anEdge.Y()), aEZ = std::abs(anEdge.Z());
    if (separated(-anEdge.Z() * aV[0].Y() + anEdge.Y() * aV[0].Z(),
                  -anEdge.Z() * aV[1].Y() + anEdge.Y() * aV[1].Z(),
                  -anEdge.Z() * aV[2].Y() + anEdge.Y() * aV[2].Z(), aH.Y() * aEZ + aH.Z() * aEY) ||
        separated(anEdge.Z() * aV[0].X() - anEdge.X() * aV[0].Z(),
                  anEdge.Z() * aV[1].X() - anEdge.X() * aV[1].Z(),
                  anEdge.Z() * aV[2].X() - anEdge.X() * aV[2].Z(), aH.X() * aEZ + aH.Z() * aEX) ||
        separated(-anEdge.Y() * aV[0].X() + anEdge.X() * aV[0].Y(),
                  -anEdge.Y() * aV[1].X() + anEdge.X() * aV[1].Y(),
                  -anEdge.Y() * aV[2].X() + anEdge.X() * aV[2].Y(), aH.X() * aEY + aH.Y() * aEX))
    {
      return false;
    }
  }
  // Plane of the triangle; a degenerate triangle has no such axis (all zero).
  const gp_XYZ aN = anE[0].Crossed(anE[1]);
  const double aR = aH.X() * std::abs(aN.X()) + aH.Y() * std::abs(aN.Y()) + aH.Z() * std::abs(aN.Z());
  const double aD = aN.Dot(aV[0]);
  return !separated(aD, aD, aD, aR);
}

gp_XYZ Trivex::Predicates::ClosestPointTriangle(const gp_XYZ& theP,
                                                const gp_XYZ& theA,
                                                const gp_XYZ& theB,
                                                const gp_XYZ& theC)
{
  const gp_XYZ anAB = theB - theA, anAC = theC - theA;
  const double aN2 = anAB.Crossed(anAC).SquareModulus();
  // Nearly collinear corners make the region tests divide by almost nothing.
  if (!(aN2 > 1e-24 * anAB.SquareModulus() * anAC.SquareModulus()) || !(aN2 > 0.0))
  {
    const gp_XYZ aP1 = ClosestPointSegment(theP, theA, theB);
    const gp_XYZ aP2 = ClosestPointSegment(theP, theB, theC);
    const gp_XYZ aP3 = ClosestPointSegment(theP, theC, theA);
    const double aD1 = (aP1 - theP).SquareModulus(), aD2 = (aP2 - theP).SquareModulus(),
                 aD3 = (aP3 - theP).SquareModulus();
    return aD1 <= aD2 && aD1 <= aD3 ? aP1 : (aD2 <= aD3 ? aP2 : aP3);
  }
  // Voronoi regions of the corners, then of the sides, then the interior.
  const gp_XYZ anAP = theP - theA;
  const double aD1 = anAB.Dot(anAP), aD2 = anAC.Dot(anAP);
  if (aD1 <= 0.0 && aD2 <= 0.0)
  {
    return theA;
  }
  const gp_XYZ aBP = theP - theB;
  const double aD3 = anAB.Dot(aBP), aD4 = anAC.Dot(aBP);
  if (aD3 >= 0.0 && aD4 <= aD3)
  {
    return theB;
  }
  const double aVC = aD1 * aD4 - aD3 * aD2;
  if (aVC <= 0.0 && aD1 >= 0.0 && aD3 <= 0.0)
  {
    return theA + anAB * (aD1 / (aD1 - aD3));
  }
  const gp_XYZ aCP = theP - theC;
  const double aD5 = anAB.Dot(aCP), aD6 = anAC.Dot(aCP);
  if (aD6 >= 0.0 && aD5 <= aD6)
  {
    return theC;
  }
  const double aVB = aD5 * aD2 - aD1 * aD6;
  if (aVB <= 0.0 && aD2 >= 0.0 && aD6 <= 0.0)
  {
    return theA + anAC * (aD2 / (aD2 - aD6));
  }
  const double aVA = aD3 * aD6 - aD5 * aD4;
  if (aVA <= 0.0 && aD4 - aD3 >= 0.0 && aD5 - aD6 >= 0.0)
  {
    return theB + (theC - theB) * ((aD4 - aD3) / ((aD4 - aD3) + (aD5 - aD6)));
  }
  const double aDenom = 1.0 / (aVA + aVB + aVC);
  return theA + anAB * (aVB * aDenom) + anAC * (aVC * aDenom);
}

double Trivex::Predicates::SegmentSegmentSqDistance(const gp_XYZ& theP1,
                                                    const gp_XYZ& theQ1,
                                                    const gp_XYZ& theP2,
                                                    const gp_XYZ& theQ2)
{
  const gp_XYZ aD1 = theQ1 - theP1, aD2 = theQ2 - theP2, aR = theP1 - theP2;
  const double aA = aD1.SquareModulus(), anE = aD2.SquareModulus(), aF = aD2.Dot(aR);
  double       aS = 0.0, aT = 0.0;
  auto         clamp01 = [](double theX) { return theX < 0.0 ? 0.0 : (theX > 1.0 ? 1.0 : theX); };
  if (!(aA > 0.0) && !(anE > 0.0))
  {
    return aR.SquareModulus();
  }
  if (!(aA > 0.0))
  {
    aT = clamp01(aF / anE);
  }
  else
  {
    const double aC = aD1.Dot(aR);
    if (!(anE > 0.0))
    {
      aS = clamp01(-aC / aA);
    }
    else
    {
      const double aB     = aD1.Dot(aD2);
      const double aDenom = aA * anE - aB * aB;
      aS                  = aDenom > 0.0 ? clamp01((aB * aF - aC * anE) / aDenom) : 0.0;
      aT                  = (aB * aS + aF) / anE;
      if (aT < 0.0)
      {
        aT = 0.0;
        aS = clamp01(-aC / aA);
      }
      else if (aT > 1.0)
      {
        aT = 1.0;
        aS = clamp01((aB - aC) / aA);
      }
    }
  }
  return ((theP1 + aD1 * aS) - (theP2 + aD2 * aT)).SquareModulus();
}

double
Trivex::Predicates::SegmentTriangleSqDistance(const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ* theT)
{
  if (segmentPierces(theP, theQ, theT))
  {
    return 0.0;
  }
  // Otherwise the distance is reached at an end point or against a side.
  double aMin = std::min(pointTriangleSqDistance(theP, theT), pointTriangleSqDistance(theQ, theT));
  for (int i = 0; i < 3; ++i)
  {
    aMin = std::min(aMin, SegmentSegmentSqDistance(theP, theQ, theT[i], theT[(i + 1) % 3]));
  }
  return aMin;
}

double Trivex::Predicates::TriangleTriangleSqDistance(const gp_XYZ* theT1, const gp_XYZ* theT2)
{
  for (int i = 0; i < 3; ++i)
  {
    if (segmentPierces(theT1[i], theT1[(i + 1) % 3], theT2) ||
        segmentPierces(theT2[i], theT2[(i + 1) % 3], theT1))
    {
      return 0.0;
    }
  }
  // Disjoint triangles are closest at a corner against a face or a side against a side.
  double aMin = 1e308;
  for (int i = 0; i < 3; ++i)
  {
    aMin =
        std::min({aMin, pointTriangleSqDistance(theT1[i], theT2), pointTriangleSqDistance(theT2[i], theT1)});
    for (int j = 0; j < 3; ++j)
    {
      aMin = std::min(aMin,
                      SegmentSegmentSqDistance(theT1[i], theT1[(i + 1) % 3], theT2[j], theT2[(j + 1) % 3]));
    }
  }
  return aMin;
}

// Corners closer than theTol are one corner. Triangles sharing no corner cross
// when they come within theTol of each other; sharing one corner, when they
// meet beyond it; sharing a side, when they fold onto each other (coplanar on
// the same side); sharing all three corners, always (coincident faces).
bool Trivex::Predicates::TrianglesCross(const gp_XYZ* theT1, const gp_XYZ* theT2, double theTol)
{
  const double aTol2     = theTol * theTol;
  int          aMatch[3] = {-1, -1, -1}; // corner of theT1 shared by corner j of theT2
  int          aNbShared = 0;
  bool         aUsed[3]  = {false, false, false};
  for (int j = 0; j < 3; ++j)
  {
    for (int i = 0; i < 3; ++i)
    {
      if (!aUsed[i] && (theT1[i] - theT2[j]).SquareModulus() <= aTol2)
      {
        aUsed[i]  = true;
        aMatch[j] = i;
        ++aNbShared;
        break;
      }
    }
  }
  if (aNbShared == 0)
  {
    const gp_XYZ aN1 = normalOf(theT1), aN2 = normalOf(theT2);
    if (beyondPlane(theT1, theT2, aN1, theTol) || beyondPlane(theT2, theT1, aN2, theTol) ||
        beyondSide(theT2, 3, theT1, aN1, theTol) || beyondSide(theT1, 3, theT2, aN2, theTol) ||
        apartAcrossSides(theT1, 3, theT2, theTol))
    {
      return false;
    }
    return TriangleTriangleSqDistance(theT1, theT2) <= aTol2;
  }
  if (aNbShared == 3)
  {
    return true;
  }
  if (aNbShared == 1)
  {
    const int    aJ     = aMatch[0] >= 0 ? 0 : (aMatch[1] >= 0 ? 1 : 2);
    const int    anI    = aMatch[aJ];
    const gp_XYZ aT1[3] = {theT1[anI], theT1[(anI + 1) % 3], theT1[(anI + 2) % 3]};
    const gp_XYZ aT2[3] = {theT2[aJ], theT2[(aJ + 1) % 3], theT2[(aJ + 2) % 3]};
    return crossAtCorner(aT1, aT2, theTol);
  }
  const int aFreeJ = aMatch[0] < 0 ? 0 : (aMatch[1] < 0 ? 1 : 2);
  const int aFreeI = !aUsed[0] ? 0 : (!aUsed[1] ? 1 : 2);
  const int aJA = (aFreeJ + 1) % 3, aJB = (aFreeJ + 2) % 3;
  return crossAtSide(theT1[aMatch[aJA]], theT1[aMatch[aJB]], theT1[aFreeI], theT2[aFreeJ], theTol);
}

// Where the order of the triangles shows in TrianglesCross: corners close to
// two corners are matched in the order of the loops, a shared side is taken
// from the first triangle, and a side's distance to a side is rounded with the
// first side first. Those parts are done in both orders; corners alone and
// the rejections are the same in both.
bool Trivex::Predicates::TrianglesCrossEither(const gp_XYZ* theT1, const gp_XYZ* theT2, double theTol)
{
  const double aTol2 = theTol * theTol;
  // The close corner of theT2 for each corner of theT1, and the other way.
  int  aOfI[3] = {-1, -1, -1}, aOfJ[3] = {-1, -1, -1};
  int  aNbClose    = 0;
  bool isAmbiguous = false;
  for (int j = 0; j < 3; ++j)
  {
    for (int i = 0; i < 3; ++i)
    {
      if ((theT1[i] - theT2[j]).SquareModulus() <= aTol2)
      {
        isAmbiguous = isAmbiguous || aOfI[i] >= 0 || aOfJ[j] >= 0;
        aOfI[i]     = j;
        aOfJ[j]     = i;
        ++aNbClose;
      }
    }
  }
  if (isAmbiguous)
  {
    // Each order matches corners its own way.
    return TrianglesCross(theT1, theT2, theTol) || TrianglesCross(theT2, theT1, theTol);
  }
  const int aFreeJ = aOfJ[0] < 0 ? 0 : (aOfJ[1] < 0 ? 1 : 2);
  const int aFreeI = aOfI[0] < 0 ? 0 : (aOfI[1] < 0 ? 1 : 2);
  switch (aNbClose)
  {
  case 0:
    break;
  case 1:
  {
    // Both orders test both opposite sides, so one call answers for both.
    const int    aJ     = aOfJ[0] >= 0 ? 0 : (aOfJ[1] >= 0 ? 1 : 2);
    const int    anI    = aOfJ[aJ];
    const gp_XYZ aT1[3] = {theT1[anI], theT1[(anI + 1) % 3], theT1[(anI + 2) % 3]};
    const gp_XYZ aT2[3] = {theT2[aJ], theT2[(aJ + 1) % 3], theT2[(aJ + 2) % 3]};
    return crossAtCorner(aT1, aT2, theTol);
  }
  case 2:
    // Each order works on its own copy of the shared side, with its own corners.
    return crossAtSide(theT1[aOfJ[(aFreeJ + 1) % 3]], theT1[aOfJ[(aFreeJ + 2) % 3]], theT1[aFreeI],
                       theT2[aFreeJ], theTol) ||
           crossAtSide(theT2[aOfI[(aFreeI + 1) % 3]], theT2[aOfI[(aFreeI + 2) % 3]], theT2[aFreeJ],
                       theT1[aFreeI], theTol);
  default:
    return true;
  }
  const gp_XYZ aN1 = normalOf(theT1), aN2 = normalOf(theT2);
  if (beyondPlane(theT1, theT2, aN1, theTol) || beyondPlane(theT2, theT1, aN2, theTol) ||
      beyondSide(theT2, 3, theT1, aN1, theTol) || beyondSide(theT1, 3, theT2, aN2, theTol) ||
      apartAcrossSides(theT1, 3, theT2, theTol))
  {
    return false;
  }
  return TriangleTriangleSqDistance(theT1, theT2) <= aTol2 ||
         TriangleTriangleSqDistance(theT2, theT1) <= aTol2;
}

// Van Oosterom and Strackee's formula for the solid angle of a triangle.
double Trivex::Predicates::WindingNumber(const gp_XYZ& theP,
                                         const gp_XYZ& theA,
                                         const gp_XYZ& theB,
                                         const gp_XYZ& theC)
{
  const gp_XYZ aA = theA - theP, aB = theB - theP, aC = theC - theP;
  const double aLA = aA.Modulus(), aLB = aB.Modulus(), aLC = aC.Modulus();
  const double aNum = aA.Dot(aB.Crossed(aC));
  const double aDen = aLA * aLB * aLC + aA.Dot(aB) * aLC + aB.Dot(aC) * aLA + aC.Dot(aA) * aLB;
  return 2.0 * std::atan2(aNum, aDen) / (4.0 * M_PI);
}

Trivex::RayTester::RayTester(const gp_XYZ& theOrigin, const gp_XYZ& theDirection)
{
  const double aD[3] = {theDirection.X(), theDirection.Y(), theDirection.Z()};
  myOrigin[0]        = theOrigin.X();
  myOrigin[1]        = theOrigin.Y();
  myOrigin[2]        = theOrigin.Z();
  for (int k = 0; k < 3; ++k)
  {
    // A finite stand-in for 1/0 keeps (bound - origin) * inverse free of 0 * inf.
    myInvDir[k] = aD[k] != 0.0 ? 1.0 / aD[k] : 1e300;
  }
  // Shear the triangle into the frame where the ray runs along the dominant axis.
  myKz = std::abs(aD[0]) >= std::abs(aD[1]) ? (std::abs(aD[0]) >= std::abs(aD[2]) ? 0 : 2)
                                            : (std::abs(aD[1]) >= std::abs(aD[2]) ? 1 : 2);
  myKx = (myKz + 1) % 3;
  myKy = (myKx + 1) % 3;
  if (aD[myKz] < 0.0)
  {
    std::swap(myKx, myKy);
  }
  mySx = aD[myKx] / aD[myKz];
  mySy = aD[myKy] / aD[myKz];
  mySz = 1.0 / aD[myKz];
}

bool Trivex::RayTester::Hit(const double* theA,
                            const double* theB,
                            const double* theC,
                            double&       theT,
                            double&       theU,
                            double&       theV,
                            double&       theW) const
{
  const double aA[3] = {theA[0] - myOrigin[0], theA[1] - myOrigin[1], theA[2] - myOrigin[2]};
  const double aB[3] = {theB[0] - myOrigin[0], theB[1] - myOrigin[1], theB[2] - myOrigin[2]};
  const double aC[3] = {theC[0] - myOrigin[0], theC[1] - myOrigin[1], theC[2] - myOrigin[2]};
  const double aAx = aA[myKx] - mySx * aA[myKz], aAy = aA[myKy] - mySy * aA[myKz];
  const double aBx = aB[myKx] - mySx * aB[myKz], aBy = aB[myKy] - mySy * aB[myKz];
  const double aCx = aC[myKx] - mySx * aC[myKz], aCy = aC[myKy] - mySy * aC[myKz];
  double       aU = aCx * aBy - aCy * aBx;
  double       aV = aAx * aCy - aAy * aCx;
  double       aW = aBx * aAy - aBy * aAx;
  if (aU == 0.0 || aV == 0.0 || aW == 0.0)
  {
    // An edge passes exactly through the ray in double precision: decide its
    // side with more bits so that neighbouring triangles agree.
    const long double aAxL = aAx, aAyL = aAy, aBxL = aBx, aByL = aBy, aCxL = aCx, aCyL = aCy;
    aU = static_cast<double>(aCxL * aByL - aCyL * aBxL);
    aV = static_cast<double>(aAxL * aCyL - aAyL * aCxL);
    aW = static_cast<double>(aBxL * aAyL - aByL * aAxL);
  }
  if ((aU < 0.0 || aV < 0.0 || aW < 0.0) && (aU > 0.0 || aV > 0.0 || aW > 0.0))
  {
    return false;
  }
  const double aDet = aU + aV + aW;
  if (aDet == 0.0 || !std::isfinite(aDet))
  {
    return false;
  }
  const double aT = (aU * mySz * aA[myKz] + aV * mySz * aB[myKz] + aW * mySz * aC[myKz]) / aDet;
  theT            = aT;
  theU            = aU;
  theV            = aV;
  theW            = aW;
  return true;
}
