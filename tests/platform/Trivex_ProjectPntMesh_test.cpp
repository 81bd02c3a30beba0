#include <Trivex_ProjectPntMesh.hxx>

#include "Trivex_TestMeshes.hxx"

#include <gtest/gtest.h>

#include <omp.h>

namespace
{
// Independent reference: the foot on the plane when it falls inside the
// triangle, otherwise the nearest of the three sides (or of the corners of a
// degenerate triangle's sides).
double referenceDistance(const gp_XYZ& theP, const Trivex::TriangleData& theT)
{
  const gp_XYZ aA = theT.Point(0).XYZ(), aB = theT.Point(1).XYZ(), aC = theT.Point(2).XYZ();
  auto         segment = [&](const gp_XYZ& theU, const gp_XYZ& theV)
  {
    const gp_XYZ aD = theV - theU;
    double       aT = aD.SquareModulus() > 0.0 ? (theP - theU).Dot(aD) / aD.SquareModulus() : 0.0;
    aT              = std::min(1.0, std::max(0.0, aT));
    return (theU + aD * aT - theP).Modulus();
  };
  double       aBest = std::min({segment(aA, aB), segment(aB, aC), segment(aC, aA)});
  const gp_XYZ aN    = (aB - aA).Crossed(aC - aA);
  if (aN.Modulus() > 1e-9)
  {
    const gp_XYZ aUnit = aN / aN.Modulus();
    const gp_XYZ aFoot = theP - aUnit * aUnit.Dot(theP - aA);
    const bool   anIn  = (aB - aA).Crossed(aFoot - aA).Dot(aN) >= 0 &&
                      (aC - aB).Crossed(aFoot - aB).Dot(aN) >= 0 &&
                      (aA - aC).Crossed(aFoot - aC).Dot(aN) >= 0;
    if (anIn)
    {
      aBest = std::min(aBest, (aFoot - theP).Modulus());
    }
  }
  return aBest;
}

gp_Pnt randomPoint(std::mt19937& theGen)
{
  return TrivexTest::Point(theGen, theGen() % 3 == 0).Translated(gp_Vec(-0.5, -0.5, -0.5));
}
} // namespace

TEST(Trivex_ProjectPntMeshTest, HierarchyFindsTheExhaustiveNearestAndTies)
{
  std::mt19937                            aGen(21);
  const std::vector<Trivex::TriangleData> aSoup    = TrivexTest::Soup(aGen, 300);
  const auto                              aSingles = TrivexTest::Singles(aSoup);
  Trivex::ProjectPntMesh                  aQuery(TrivexTest::Built(aSoup));
  std::vector<int>                        aFound;
  int                                     aNbTies = 0;
  for (int q = 0; q < 2000; ++q)
  {
    const gp_Pnt        aP = randomPoint(aGen);
    std::vector<double> aDist;
    for (const Handle(Trivex::TriangleSet)& aSingle : aSingles)
    {
      Trivex::ProjectPntMesh anOne(aSingle);
      anOne.Perform(aP);
      aDist.push_back(anOne.Distance());
    }
    const double     aMin = *std::min_element(aDist.begin(), aDist.end());
    std::vector<int> anExpected;
    for (size_t i = 0; i < aDist.size(); ++i)
    {
      if (aDist[i] <= aMin + 1e-7)
      {
        anExpected.push_back(static_cast<int>(i));
      }
    }
    const gp_Pnt aQ = aQuery.Perform(aP, 1e-7, aFound);
    ASSERT_EQ(aQuery.Distance(), aMin) << "query " << q;
    ASSERT_EQ(aFound, anExpected) << "query " << q;
    ASSERT_NEAR(aQ.Distance(aP), aMin, 1e-12);
    const gp_Pnt aQ1 = aQuery.Perform(aP);
    ASSERT_EQ(aQuery.Distance(), aMin);
    ASSERT_TRUE(aQ1.IsEqual(aQ, 0.0));
    aNbTies += anExpected.size() > 1 ? 1 : 0;
  }
  // Lattice points lie on shared corners and sides: ties must occur.
  EXPECT_GT(aNbTies, 100);
}

TEST(Trivex_ProjectPntMeshTest, ClosestPointMatchesAnIndependentConstruction)
{
  std::mt19937 aGen(22);
  for (int q = 0; q < 5000; ++q)
  {
    const std::vector<Trivex::TriangleData> aTri = TrivexTest::Soup(aGen, 1);
    const gp_Pnt                            aP   = randomPoint(aGen);
    Trivex::ProjectPntMesh                  aQuery(TrivexTest::Built(aTri));
    const gp_Pnt                            aQ = aQuery.Perform(aP);
    ASSERT_NEAR(aQuery.Distance(), referenceDistance(aP.XYZ(), aTri[0]), 1e-9) << "case " << q;
    // The answer lies on the triangle: its own distance to the triangle is zero.
    ASSERT_LT(referenceDistance(aQ.XYZ(), aTri[0]), 1e-9);
  }
}

TEST(Trivex_ProjectPntMeshTest, TiesWithinTheToleranceAreAllReported)
{
  // Two parallel squares 1e-8 apart under the point, a third one far below.
  std::vector<Trivex::TriangleData> aTris;
  for (double aZ : {0.0, -1e-8, -0.5})
  {
    aTris.emplace_back(gp_Pnt(-1, -1, aZ), gp_Pnt(1, -1, aZ), gp_Pnt(1, 1, aZ),
                       static_cast<int>(aTris.size()));
    aTris.emplace_back(gp_Pnt(-1, -1, aZ), gp_Pnt(1, 1, aZ), gp_Pnt(-1, 1, aZ),
                       static_cast<int>(aTris.size()));
  }
  Trivex::ProjectPntMesh aQuery(TrivexTest::Built(aTris));
  std::vector<int>       aFound;
  // Above a shared diagonal: both triangles of both near squares.
  const gp_Pnt aQ = aQuery.Perform(gp_Pnt(0.3, 0.3, 1), 1e-7, aFound);
  EXPECT_TRUE(aQ.IsEqual(gp_Pnt(0.3, 0.3, 0), 1e-15));
  EXPECT_EQ(aFound, std::vector<int>({0, 1, 2, 3}));
  aQuery.Perform(gp_Pnt(0.3, 0.3, 1), 1e-9, aFound);
  EXPECT_EQ(aFound, std::vector<int>({0, 1}));
  // On the surface: distance 0, and the point itself.
  EXPECT_TRUE(aQuery.Perform(gp_Pnt(0.5, -0.2, 0)).IsEqual(gp_Pnt(0.5, -0.2, 0), 1e-15));
  EXPECT_LT(aQuery.Distance(), 1e-15);
}

TEST(Trivex_ProjectPntMeshTest, EmptySetGivesThePointBackAndIsNotDone)
{
  Handle(Trivex::TriangleSet) anEmpty = new Trivex::TriangleSet(Handle(Poly_Triangulation)());
  anEmpty->InitBuilder();
  anEmpty->Build();
  Trivex::ProjectPntMesh aQuery(anEmpty);
  std::vector<int>       aFound{3};
  EXPECT_TRUE(aQuery.Perform(gp_Pnt(1, 2, 3), 1e-7, aFound).IsEqual(gp_Pnt(1, 2, 3), 0.0));
  EXPECT_FALSE(aQuery.IsDone());
  EXPECT_EQ(aQuery.Index(), -1);
  EXPECT_TRUE(aFound.empty());
}

TEST(Trivex_ProjectPntMeshTest, TwoThreadsQueryingAtOnceGetTheSingleThreadAnswers)
{
  const auto                  aTorus = TrivexTest::Records(TrivexTest::Torus(2.0, 0.6, 160, 80));
  Handle(Trivex::TriangleSet) aSet   = TrivexTest::Built(aTorus, 2);
  std::mt19937                aGen(23);
  std::vector<gp_Pnt>         aPoints;
  for (int q = 0; q < 3000; ++q)
  {
    aPoints.emplace_back(-3 + 6 * (aGen() / 4294967296.0), -3 + 6 * (aGen() / 4294967296.0),
                         -1 + 2 * (aGen() / 4294967296.0));
  }
  std::vector<gp_XYZ>           aSerial, aParallel(aPoints.size());
  std::vector<std::vector<int>> aSerialNear(aPoints.size()), aParallelNear(aPoints.size());
  Trivex::ProjectPntMesh        aQuery(aSet);
  for (size_t i = 0; i < aPoints.size(); ++i)
  {
    aSerial.push_back(aQuery.Perform(aPoints[i], 1e-7, aSerialNear[i]).XYZ());
  }
#pragma omp parallel num_threads(2)
  {
    Trivex::ProjectPntMesh aLocal(aSet);
#pragma omp for schedule(dynamic, 1)
    for (int i = 0; i < static_cast<int>(aPoints.size()); ++i)
    {
      const size_t anI = static_cast<size_t>(i);
      aParallel[anI]   = aLocal.Perform(aPoints[anI], 1e-7, aParallelNear[anI]).XYZ();
    }
  }
  for (size_t i = 0; i < aPoints.size(); ++i)
  {
    ASSERT_TRUE(aSerial[i].IsEqual(aParallel[i], 0.0));
  }
  EXPECT_EQ(aSerialNear, aParallelNear);
}
