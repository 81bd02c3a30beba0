#include <Trivex_ClassifyPntMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>

#include "Trivex_TestMeshes.hxx"

#include <gtest/gtest.h>

#include <omp.h>

namespace
{
// Independent reference: the winding number, a sum of solid angles
// (L'Huilier's theorem), robust for points clear of the surface.
bool windingInside(const std::vector<Trivex::TriangleData>& theTris, const gp_XYZ& theP)
{
  double aSum = 0.0;
  for (const Trivex::TriangleData& aTri : theTris)
  {
    const gp_XYZ aA = aTri.Point(0).XYZ() - theP, aB = aTri.Point(1).XYZ() - theP,
                 aC   = aTri.Point(2).XYZ() - theP;
    const double anAB = aA.Normalized().Dot(aB.Normalized()), aBC = aB.Normalized().Dot(aC.Normalized()),
                 aCA = aC.Normalized().Dot(aA.Normalized());
    // Sides of the spherical triangle, then its excess.
    const double a = std::acos(std::max(-1.0, std::min(1.0, aBC))),
                 b = std::acos(std::max(-1.0, std::min(1.0, aCA))),
                 c = std::acos(std::max(-1.0, std::min(1.0, anAB)));
    const double s = 0.5 * (a + b + c);
    const double aE =
        4.0 * std::atan(std::sqrt(std::max(0.0, std::tan(s / 2) * std::tan((s - a) / 2) *
                                                    std::tan((s - b) / 2) * std::tan((s - c) / 2))));
    aSum += (aA.Dot(aB.Crossed(aC)) >= 0.0 ? aE : -aE);
  }
  return std::abs(aSum) > 2.0 * M_PI;
}

// The first direction the classifier tries from a point whose nearest side of
// the set's box is (theAxis, theSign), with the default seed.
gp_XYZ firstDirection(int theAxis, double theSign)
{
  std::mt19937 aGen(1231121987u);
  const double aZ   = 2.0 * (aGen() / 4294967296.0) - 1.0;
  const double aPhi = 2.0 * M_PI * (aGen() / 4294967296.0);
  const double aR   = std::sqrt(1.0 - aZ * aZ);
  gp_XYZ       aDir = gp_XYZ(aR * std::cos(aPhi), aR * std::sin(aPhi), aZ) * 0.25;
  aDir.SetCoord(theAxis + 1, theSign);
  return aDir.Normalized();
}

// Side of theBox nearest to theP, as (axis, sign).
std::pair<int, double> nearestSide(const Bnd_Box& theBox, const gp_XYZ& theP)
{
  double aMin[3], aMax[3];
  theBox.Get(aMin[0], aMin[1], aMin[2], aMax[0], aMax[1], aMax[2]);
  std::pair<int, double> aSide(0, 1.0);
  double                 aBest = 1e308;
  for (int k = 0; k < 3; ++k)
  {
    if (aMax[k] - theP.Coord(k + 1) < aBest)
    {
      aBest = aMax[k] - theP.Coord(k + 1);
      aSide = {k, 1.0};
    }
    if (theP.Coord(k + 1) - aMin[k] < aBest)
    {
      aBest = theP.Coord(k + 1) - aMin[k];
      aSide = {k, -1.0};
    }
  }
  return aSide;
}
} // namespace

TEST(Trivex_ClassifyPntMeshTest, AgreesWithTheWindingNumberAwayFromTheSurface)
{
  const auto                  aTorus = TrivexTest::Records(TrivexTest::Torus(2.0, 0.7, 48, 24));
  Handle(Trivex::TriangleSet) aSet   = TrivexTest::Built(aTorus);
  Trivex::ClassifyPntMesh     aQuery(aSet, 1, 1231121987u, 7);
  Trivex::ProjectPntMesh      aDistance(aSet);
  std::mt19937                aGen(61);
  int                         aNbInside = 0, aNbCompared = 0;
  for (int q = 0; q < 3000; ++q)
  {
    const gp_Pnt aP(-3 + 6 * (aGen() / 4294967296.0), -3 + 6 * (aGen() / 4294967296.0),
                    -1 + 2 * (aGen() / 4294967296.0));
    aDistance.Perform(aP);
    if (aDistance.Distance() < 1e-6)
    {
      continue;
    }
    const bool anExpected = windingInside(aTorus, aP.XYZ());
    ASSERT_EQ(aQuery.Perform(aP), anExpected) << "point " << q;
    aNbInside += anExpected ? 1 : 0;
    ++aNbCompared;
  }
  EXPECT_GT(aNbInside, 300);
  EXPECT_GT(aNbCompared, 2900);
}

TEST(Trivex_ClassifyPntMeshTest, PointsWhoseRayRunsThroughCornersAndSidesAreClassifiedCorrectly)
{
  const Handle(Poly_Triangulation) aMesh     = TrivexTest::Torus(2.0, 0.7, 32, 16);
  const auto                       aTorus    = TrivexTest::Records(aMesh);
  Handle(Trivex::TriangleSet)      aSet      = TrivexTest::Built(aTorus);
  int                              aNbInside = 0, aNbChecked = 0;
  for (int i = 1; i <= aMesh->NbNodes(); ++i)
  {
    // Points whose first ray runs exactly through a corner or a side's midpoint
    // (up to rounding), from both sides of the surface.
    const gp_XYZ aCorner = aMesh->Node(i).XYZ();
    const gp_XYZ aMid    = 0.5 * (aCorner + aMesh->Node(i % aMesh->NbNodes() + 1).XYZ());
    for (const gp_XYZ& aTarget : {aCorner, aMid})
    {
      for (double aBack : {0.05, 0.5, 2.0})
      {
        for (int aSide = 0; aSide < 6; ++aSide)
        {
          const std::pair<int, double> anExit(aSide / 2, aSide % 2 == 0 ? 1.0 : -1.0);
          const gp_XYZ                 aP = aTarget - firstDirection(anExit.first, anExit.second) * aBack;
          if (nearestSide(aSet->Box(), aP) != anExit)
          {
            continue; // that point's first ray takes another direction
          }
          Trivex::ProjectPntMesh aDistance(aSet);
          aDistance.Perform(gp_Pnt(aP));
          if (aDistance.Distance() < 1e-6)
          {
            continue;
          }
          const bool anExpected = windingInside(aTorus, aP);
          ASSERT_EQ(Trivex::ClassifyPntMesh(aSet).Perform(gp_Pnt(aP)), anExpected) << i << " " << aBack;
          // A single try must suffice for such points too.
          ASSERT_EQ(Trivex::ClassifyPntMesh(aSet, 1, 1231121987u, 1).Perform(gp_Pnt(aP)), anExpected);
          aNbInside += anExpected ? 1 : 0;
          ++aNbChecked;
        }
      }
    }
  }
  EXPECT_GT(aNbInside, 50);
  EXPECT_GT(aNbChecked, 300);
}

TEST(Trivex_ClassifyPntMeshTest, SurfaceOutsideReversedAndEmptyCases)
{
  const Handle(Poly_Triangulation) aMesh  = TrivexTest::Torus(2.0, 0.7, 32, 16);
  auto                             aTorus = TrivexTest::Records(aMesh);
  Handle(Trivex::TriangleSet)      aSet   = TrivexTest::Built(aTorus);
  Trivex::ClassifyPntMesh          aQuery(aSet);
  // A corner and a face centre of the surface are not inside.
  EXPECT_FALSE(aQuery.Perform(aMesh->Node(5)));
  EXPECT_FALSE(aQuery.Perform(
      gp_Pnt((aTorus[3].Point(0).XYZ() + aTorus[3].Point(1).XYZ() + aTorus[3].Point(2).XYZ()) / 3.0)));
  EXPECT_TRUE(aQuery.Perform(gp_Pnt(2.0, 0.0, 0.0)));
  EXPECT_FALSE(aQuery.Perform(gp_Pnt(0.0, 0.0, 0.0)));
  EXPECT_FALSE(aQuery.Perform(gp_Pnt(50.0, 0.0, 0.0)));
  // Orientation does not matter.
  for (Trivex::TriangleData& aTri : aTorus)
  {
    const gp_Pnt aFirst = aTri.Point(0);
    aTri.SetPoint(0, aTri.Point(1));
    aTri.SetPoint(1, aFirst);
  }
  Trivex::ClassifyPntMesh aReversed(TrivexTest::Built(aTorus), 3, 7u, 5);
  EXPECT_TRUE(aReversed.Perform(gp_Pnt(0.0, 2.0, 0.1)));
  EXPECT_FALSE(aReversed.Perform(gp_Pnt(0.0, 0.0, 0.1)));
  // Nothing is inside an empty or unbuilt set.
  Handle(Trivex::TriangleSet) anEmpty = new Trivex::TriangleSet(std::vector<Trivex::TriangleData>());
  anEmpty->InitBuilder();
  anEmpty->Build();
  EXPECT_FALSE(Trivex::ClassifyPntMesh(anEmpty).Perform(gp_Pnt(0, 0, 0)));
  EXPECT_FALSE(Trivex::ClassifyPntMesh(new Trivex::TriangleSet(aMesh)).Perform(gp_Pnt(2.0, 0.0, 0.0)));
}

TEST(Trivex_ClassifyPntMeshTest, TwoThreadsQueryingAtOnceGetTheSingleThreadAnswers)
{
  const auto                  aTorus = TrivexTest::Records(TrivexTest::Torus(2.0, 0.7, 200, 100));
  Handle(Trivex::TriangleSet) aSet   = TrivexTest::Built(aTorus, 2);
  std::mt19937                aGen(63);
  std::vector<gp_Pnt>         aPoints;
  for (int q = 0; q < 4000; ++q)
  {
    aPoints.emplace_back(-3 + 6 * (aGen() / 4294967296.0), -3 + 6 * (aGen() / 4294967296.0),
                         -1 + 2 * (aGen() / 4294967296.0));
  }
  std::vector<int>        aSerial, aParallel(aPoints.size());
  Trivex::ClassifyPntMesh aQuery(aSet);
  for (const gp_Pnt& aP : aPoints)
  {
    aSerial.push_back(aQuery.Perform(aP) ? 1 : 0);
  }
#pragma omp parallel num_threads(2)
  {
    Trivex::ClassifyPntMesh aLocal(aSet);
#pragma omp for schedule(dynamic, 1)
    for (int i = 0; i < static_cast<int>(aPoints.size()); ++i)
    {
      aParallel[static_cast<size_t>(i)] = aLocal.Perform(aPoints[static_cast<size_t>(i)]) ? 1 : 0;
    }
  }
  EXPECT_EQ(aSerial, aParallel);
}
