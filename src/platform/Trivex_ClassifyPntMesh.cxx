#include <Trivex_ClassifyPntMesh.hxx>

#include <Trivex_RayVisitor.hxx>
#include <Trivex_Predicates.hxx>

#include <Precision.hxx>

#include <cmath>
#include <random>

namespace
{
const double THE_SURFACE_TOL = Precision::Confusion();
// A hit whose smallest barycentric weight is below this share of the total
// lies on an edge or corner up to rounding: the crossing count is unreliable.
constexpr double THE_GRAZING = 1e-9;

// The side of theBox nearest to theP: its axis, and its sign (+1 for the
// maximum). A ray that leaves the box early meets fewer nodes.
double nearestSide(const gp_XYZ& theP, const Trivex::BVHNode& theBox, int& theAxis)
{
  double aSign = 1.0, aDist = 1e308;
  theAxis = 0;
  for (int k = 0; k < 3; ++k)
  {
    const double aC = theP.Coord(k + 1);
    if (theBox.Max[k] - aC < aDist)
    {
      aDist   = theBox.Max[k] - aC;
      theAxis = k;
      aSign   = 1.0;
    }
    if (aC - theBox.Min[k] < aDist)
    {
      aDist   = aC - theBox.Min[k];
      theAxis = k;
      aSign   = -1.0;
    }
  }
  return aSign;
}

} // namespace

Trivex::ClassifyPntMesh::ClassifyPntMesh(const Handle(TriangleSet)& theSet,
                                         int                        theNbRays,
                                         unsigned int               theSeed,
                                         int                        theNbTries)
    : mySet(theSet),
      myNbRays(theNbRays < 1 ? 1 : theNbRays)
{
  // The directions are fixed at construction so that a point's answer never
  // depends on the queries made before it.
  std::mt19937 aGenerator(theSeed);
  const int    aNbDirections = myNbRays * (theNbTries < 1 ? 1 : theNbTries);
  myDirections.reserve(static_cast<size_t>(aNbDirections));
  while (static_cast<int>(myDirections.size()) < aNbDirections)
  {
    // Uniform on the sphere from the engine's raw output, which the standard fixes.
    const double aZ   = 2.0 * (aGenerator() / 4294967296.0) - 1.0;
    const double aPhi = 2.0 * M_PI * (aGenerator() / 4294967296.0);
    const double aR   = std::sqrt(std::max(0.0, 1.0 - aZ * aZ));
    myDirections.emplace_back(aR * std::cos(aPhi), aR * std::sin(aPhi), aZ);
  }
}

bool Trivex::ClassifyPntMesh::Perform(const gp_Pnt& thePoint) const
{
  if (mySet.IsNull() || !mySet->IsBuilt())
  {
    return false;
  }
  const BVHNode& aRoot = mySet->hierarchy().Nodes().front();
  const gp_XYZ   aP    = thePoint.XYZ();
  if (Predicates::PointBoxSqDistance(aP, aRoot.Min, aRoot.Max) > 0.0)
  {
    return false;
  }
  int          anExitAxis = 0;
  const double anExitSign = nearestSide(aP, aRoot, anExitAxis);
  int          aNbClean = 0, aNbOdd = 0;
  for (size_t i = 0; i < myDirections.size() && aNbClean < myNbRays; ++i)
  {
    gp_XYZ aDir = myDirections[i];
    if (i == 0)
    {
      // The first ray heads for the nearest face of the box, tilted by the
      // random direction so that it does not run along the axes of a
      // box-aligned surface.
      aDir *= 0.25;
      aDir.SetCoord(anExitAxis + 1, anExitSign);
      aDir.Normalize();
    }
    const int aParity = castRay(aP, aDir);
    if (aParity == 2)
    {
      return false;
    }
    if (aParity >= 0)
    {
      ++aNbClean;
      aNbOdd += aParity;
    }
  }
  if (aNbClean == 0)
  {
    return windingInside(aP);
  }
  return 2 * aNbOdd > aNbClean;
}

// 1 or 0 by the parity of the crossings; 2 when the ray starts on the surface,
// -1 when it grazes an edge or corner (either ends the walk).
int Trivex::ClassifyPntMesh::castRay(const gp_XYZ& thePoint, const gp_XYZ& theDirection) const
{
  const RayTester aRay(thePoint, theDirection);
  const double*   aCorners = mySet->leafCorners(0);
  int             aNbHits = 0, aVerdict = 0;
  auto            aTest = [&](int theLeaf)
  {
    const double* aC = aCorners + 9 * static_cast<size_t>(theLeaf);
    double        aT = 0.0, aU = 0.0, aV = 0.0, aW = 0.0;
    if (!aRay.Hit(aC, aC + 3, aC + 6, aT, aU, aV, aW) || aT < -THE_SURFACE_TOL)
    {
      return true;
    }
    const double aSum = std::abs(aU + aV + aW);
    if (aT <= THE_SURFACE_TOL)
    {
      aVerdict = 2;
    }
    else if (std::min({std::abs(aU), std::abs(aV), std::abs(aW)}) <= THE_GRAZING * aSum)
    {
      aVerdict = -1;
    }
    ++aNbHits;
    return aVerdict == 0;
  };
  RayVisitor aVisitor(aRay, THE_SURFACE_TOL, -THE_SURFACE_TOL, 1e300, aTest);
  mySet->hierarchy().Walk(aVisitor);
  return aVerdict != 0 ? aVerdict : aNbHits % 2;
}

// Robust but linear in the set: reached only when every ray grazed.
bool Trivex::ClassifyPntMesh::windingInside(const gp_XYZ& thePoint) const
{
  double aSum = 0.0;
  for (int i = 0; i < mySet->NbTriangles(); ++i)
  {
    const TriangleData& aTri = mySet->Triangle(i);
    const double        aW =
        Predicates::WindingNumber(thePoint, aTri.Point(0).XYZ(), aTri.Point(1).XYZ(), aTri.Point(2).XYZ());
    if (std::isfinite(aW))
    {
      aSum += aW;
    }
  }
  return std::abs(aSum) >= 0.5;
}
