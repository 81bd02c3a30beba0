#include <Trivex_IntersectRayMesh.hxx>

#include "Trivex_TestMeshes.hxx"

#include <gtest/gtest.h>

#include <omp.h>

#include <set>

namespace
{
// Independent reference (Moeller-Trumbore in long double) for rays that pass
// clear of the triangle's sides: 1 hit, 0 miss, -1 too close to call.
int referenceHit(const Trivex::Ray& theRay, const Trivex::TriangleData& theT, double theTol)
{
  using LD       = long double;
  const LD aO[3] = {theRay.Origin().X(), theRay.Origin().Y(), theRay.Origin().Z()};
  const LD aD[3] = {theRay.Direction().X(), theRay.Direction().Y(), theRay.Direction().Z()};
  LD       aP[3][3];
  for (int i = 0; i < 3; ++i)
  {
    aP[i][0] = theT.Point(i).X();
    aP[i][1] = theT.Point(i).Y();
    aP[i][2] = theT.Point(i).Z();
  }
  const LD aE1[3] = {aP[1][0] - aP[0][0], aP[1][1] - aP[0][1], aP[1][2] - aP[0][2]};
  const LD aE2[3] = {aP[2][0] - aP[0][0], aP[2][1] - aP[0][1], aP[2][2] - aP[0][2]};
  const LD aH[3]  = {aD[1] * aE2[2] - aD[2] * aE2[1], aD[2] * aE2[0] - aD[0] * aE2[2],
                     aD[0] * aE2[1] - aD[1] * aE2[0]};
  const LD aDet   = aE1[0] * aH[0] + aE1[1] * aH[1] + aE1[2] * aH[2];
  const LD aN[3]  = {aE1[1] * aE2[2] - aE1[2] * aE2[1], aE1[2] * aE2[0] - aE1[0] * aE2[2],
                     aE1[0] * aE2[1] - aE1[1] * aE2[0]};
  const LD aNLen  = std::sqrt(aN[0] * aN[0] + aN[1] * aN[1] + aN[2] * aN[2]);
  if (aNLen < 1e-6L || std::abs(aDet) < 1e-3L * aNLen)
  {
    return -1; // degenerate triangle or grazing ray
  }
  const LD aS[3] = {aO[0] - aP[0][0], aO[1] - aP[0][1], aO[2] - aP[0][2]};
  const LD aU    = (aS[0] * aH[0] + aS[1] * aH[1] + aS[2] * aH[2]) / aDet;
  const LD aQ[3] = {aS[1] * aE1[2] - aS[2] * aE1[1], aS[2] * aE1[0] - aS[0] * aE1[2],
                    aS[0] * aE1[1] - aS[1] * aE1[0]};
  const LD aV    = (aD[0] * aQ[0] + aD[1] * aQ[1] + aD[2] * aQ[2]) / aDet;
  const LD aT    = (aE2[0] * aQ[0] + aE2[1] * aQ[1] + aE2[2] * aQ[2]) / aDet;
  const LD aEps  = 1e-9L;
  const LD aMaxT = theRay.MaxParameter() + theTol;
  if (std::abs(aU) < aEps || std::abs(aV) < aEps || std::abs(1 - aU - aV) < aEps ||
      std::abs(aT + theTol) < aEps || std::abs(aT - aMaxT) < aEps)
  {
    return -1;
  }
  return aU > 0 && aV > 0 && aU + aV < 1 && aT > -theTol && aT < aMaxT ? 1 : 0;
}

Trivex::Ray randomRay(std::mt19937& theGen)
{
  const gp_Pnt aFrom = TrivexTest::Point(theGen, theGen() % 2 == 0);
  gp_Pnt       aTo   = TrivexTest::Point(theGen, theGen() % 2 == 0);
  if (aFrom.Distance(aTo) < 1e-3)
  {
    aTo.SetY(aTo.Y() + 1.0);
  }
  return Trivex::Ray(aFrom, gp_Dir(gp_Vec(aFrom, aTo)), theGen() % 3 == 0, aFrom.Distance(aTo));
}
} // namespace

TEST(Trivex_IntersectRayMeshTest, HierarchyFindsExactlyWhatAnExhaustiveSearchFinds)
{
  std::mt19937                            aGen(41);
  const std::vector<Trivex::TriangleData> aSoup    = TrivexTest::Soup(aGen, 300);
  const auto                              aSingles = TrivexTest::Singles(aSoup);
  Trivex::IntersectRayMesh                aQuery(TrivexTest::Built(aSoup));
  std::vector<int>                        aFound, anOne;
  int                                     aNbHit = 0;
  for (int q = 0; q < 3000; ++q)
  {
    const Trivex::Ray aRay = randomRay(aGen);
    std::vector<int>  anExpected;
    for (size_t i = 0; i < aSingles.size(); ++i)
    {
      if (Trivex::IntersectRayMesh(aSingles[i]).Perform(aRay, anOne))
      {
        anExpected.push_back(static_cast<int>(i));
      }
    }
    ASSERT_EQ(aQuery.Perform(aRay, aFound), !anExpected.empty());
    ASSERT_EQ(aFound, anExpected) << "query " << q;
    aNbHit += anExpected.empty() ? 0 : 1;
  }
  EXPECT_GT(aNbHit, 500);
  EXPECT_LT(aNbHit, 2950);
}

TEST(Trivex_IntersectRayMeshTest, HitsAgreeWithAnIndependentTestAwayFromTheSides)
{
  std::mt19937 aGen(42);
  int          aNbCompared = 0, aNbHits = 0;
  for (int q = 0; q < 6000; ++q)
  {
    const std::vector<Trivex::TriangleData> aTri       = TrivexTest::Soup(aGen, 1);
    const Trivex::Ray                       aRay       = randomRay(aGen);
    const int                               anExpected = referenceHit(aRay, aTri[0], 1e-7);
    if (anExpected < 0)
    {
      continue;
    }
    std::vector<int> aFound;
    ASSERT_EQ(Trivex::IntersectRayMesh(TrivexTest::Built(aTri)).Perform(aRay, aFound), anExpected == 1)
        << "case " << q;
    ++aNbCompared;
    aNbHits += anExpected;
  }
  EXPECT_GT(aNbCompared, 3000);
  EXPECT_GT(aNbHits, 150);
}

TEST(Trivex_IntersectRayMeshTest, RaysThroughSharedSidesAndCornersOfAClosedMeshNeverSlipThrough)
{
  const Handle(Poly_Triangulation) aTorus   = TrivexTest::Torus(2.0, 0.6, 40, 20);
  const auto                       aRecords = TrivexTest::Records(aTorus);
  Trivex::IntersectRayMesh         aQuery(TrivexTest::Built(aRecords));
  std::mt19937                     aGen(43);
  std::vector<int>                 aFound;
  for (int t = 1; t <= aTorus->NbTriangles(); ++t)
  {
    int aN[3];
    aTorus->Triangle(t).Get(aN[0], aN[1], aN[2]);
    const gp_XYZ aCorner = aTorus->Node(aN[0]).XYZ();
    const gp_XYZ aMid    = 0.5 * (aTorus->Node(aN[0]).XYZ() + aTorus->Node(aN[1]).XYZ());
    for (const gp_XYZ& aTarget : {aCorner, aMid})
    {
      // A ray aimed exactly at a corner or a side's midpoint from outside,
      // roughly along the surface normal there (tilted at random): rounding
      // puts it an ulp beside the target, where one of the triangles around
      // must still catch it.
      const gp_XYZ aCentre(2.0 * aTarget.X() / std::hypot(aTarget.X(), aTarget.Y()),
                           2.0 * aTarget.Y() / std::hypot(aTarget.X(), aTarget.Y()), 0.0);
      const gp_XYZ aNormal = (aTarget - aCentre).Normalized();
      const gp_XYZ aTilt(aGen() / 4294967296.0 - 0.5, aGen() / 4294967296.0 - 0.5,
                         aGen() / 4294967296.0 - 0.5);
      const gp_XYZ aFrom = aTarget + (aNormal + aTilt * 0.6) * 3.0;
      aQuery.SetTolerance(0.0);
      ASSERT_TRUE(aQuery.Perform(Trivex::Ray(gp_Pnt(aFrom), gp_Dir(aTarget - aFrom), true), aFound)) << t;
    }
  }
  // A segment from a corner to a corner of the same triangle hits the triangles
  // around both ends (the edge test of the repair relies on seeing them).
  int aA, aB, aC;
  aTorus->Triangle(1).Get(aA, aB, aC);
  const gp_Pnt aP = aTorus->Node(aA), aQ = aTorus->Node(aB);
  aQuery.SetTolerance(1e-7);
  ASSERT_TRUE(aQuery.Perform(Trivex::Ray(aP, gp_Dir(gp_Vec(aP, aQ)), false, aP.Distance(aQ)), aFound));
  std::set<int> aCorners;
  for (int anIndex : aFound)
  {
    for (int k = 0; k < 3; ++k)
    {
      const gp_Pnt& aCorner = aRecords[static_cast<size_t>(anIndex)].Point(k);
      if (aCorner.IsEqual(aP, 0.0) || aCorner.IsEqual(aQ, 0.0))
      {
        aCorners.insert(anIndex);
      }
    }
  }
  EXPECT_EQ(aCorners.size(), aFound.size()); // nothing away from the segment
  EXPECT_GE(aFound.size(), 6u);              // both fans of a valence-6 vertex overlap in two triangles
}

TEST(Trivex_IntersectRayMeshTest, TwoThreadsQueryingAtOnceGetTheSingleThreadAnswers)
{
  std::mt19937                            aGen(44);
  const std::vector<Trivex::TriangleData> aSoup = TrivexTest::Soup(aGen, 20000);
  Handle(Trivex::TriangleSet)             aSet  = TrivexTest::Built(aSoup, 2);
  std::vector<Trivex::Ray>                aRays;
  for (int q = 0; q < 600; ++q)
  {
    aRays.push_back(randomRay(aGen));
  }
  std::vector<std::vector<int>> aSerial(aRays.size()), aParallel(aRays.size());
  Trivex::IntersectRayMesh      aQuery(aSet);
  for (size_t i = 0; i < aRays.size(); ++i)
  {
    aQuery.Perform(aRays[i], aSerial[i]);
  }
#pragma omp parallel num_threads(2)
  {
    Trivex::IntersectRayMesh aLocal(aSet);
#pragma omp for schedule(dynamic, 1)
    for (int i = 0; i < static_cast<int>(aRays.size()); ++i)
    {
      aLocal.Perform(aRays[static_cast<size_t>(i)], aParallel[static_cast<size_t>(i)]);
    }
  }
  EXPECT_EQ(aSerial, aParallel);
}
