#include <Planora_Intersect.hxx>
#include <Planora_Project.hxx>
#include <Planora_SqDistance.hxx>

#include <gtest/gtest.h>

#include <random>

TEST(Planora_IntersectTest, CrossingsAgreeWithAnIndependentSolveAndTouchingIsToldWithinTheTolerance)
{
  std::mt19937 aGen(83);
  auto         aRand    = [&]() { return 4.0 * (aGen() / 4294967296.0) - 2.0; };
  int          aNbCross = 0, aNbCompared = 0;
  for (int q = 0; q < 5000; ++q)
  {
    const gp_Pnt2d aA1(aRand(), aRand()), aB1(aRand(), aRand()), aA2(aRand(), aRand()), aB2(aRand(), aRand());
    // Parameters of the crossing point of the supporting lines, in long double; skipped when too close to
    // an end to call.
    using LD      = long double;
    const LD aD1X = LD(aB1.X()) - aA1.X(), aD1Y = LD(aB1.Y()) - aA1.Y();
    const LD aD2X = LD(aB2.X()) - aA2.X(), aD2Y = LD(aB2.Y()) - aA2.Y();
    const LD aRX = LD(aA2.X()) - aA1.X(), aRY = LD(aA2.Y()) - aA1.Y(), aDen = aD1X * aD2Y - aD1Y * aD2X;
    const LD aS = (aRX * aD2Y - aRY * aD2X) / aDen, aT = (aRX * aD1Y - aRY * aD1X) / aDen;
    if (std::abs(aDen) < 1e-6L ||
        std::min({std::abs(aS), std::abs(aS - 1), std::abs(aT), std::abs(aT - 1)}) < 1e-4L)
    {
      continue;
    }
    const Planora::IntType anExpected =
        aS > 0 && aS < 1 && aT > 0 && aT < 1 ? Planora::IntType_Cross : Planora::IntType_None;
    ASSERT_EQ(Planora::Intersect::SegSeg(aA1, aB1, aA2, aB2, 1e-7), anExpected) << q;
    ASSERT_EQ(Planora::Intersect::SegSeg(aB2, aA2, aA1, aB1, 1e-7), anExpected) << q;
    aNbCross += anExpected == Planora::IntType_Cross ? 1 : 0;
    ++aNbCompared;
  }
  EXPECT_TRUE(aNbCompared > 4000 && aNbCross > 500) << aNbCompared << " " << aNbCross;
  using namespace Planora;
  const gp_Pnt2d aO(0, 0), aX(2, 0);
  EXPECT_EQ(Intersect::SegSeg(aO, aX, gp_Pnt2d(1, -1), gp_Pnt2d(1, 1), 1e-7), IntType_Cross);
  EXPECT_EQ(Intersect::SegSeg(aO, aX, gp_Pnt2d(1, 0), gp_Pnt2d(1, 1), 1e-7), IntType_Touch); // T
  EXPECT_EQ(Intersect::SegSeg(aO, aX, gp_Pnt2d(2, 0), gp_Pnt2d(3, 1), 1e-7), IntType_Touch); // shared end
  EXPECT_EQ(Intersect::SegSeg(aO, aX, gp_Pnt2d(1, 0), gp_Pnt2d(3, 0), 1e-7), IntType_Touch); // overlap
  EXPECT_EQ(Intersect::SegSeg(aO, aX, gp_Pnt2d(3, 0), gp_Pnt2d(4, 0), 1e-7), IntType_None); // collinear apart
  EXPECT_EQ(Intersect::SegSeg(aO, aX, gp_Pnt2d(0, 1), gp_Pnt2d(2, 1), 1e-7), IntType_None); // parallel
  EXPECT_EQ(Intersect::SegSeg(aO, aX, gp_Pnt2d(1, 5e-8), gp_Pnt2d(1, 1), 1e-7), IntType_Touch); // within it
  EXPECT_EQ(Intersect::SegSeg(aO, aX, gp_Pnt2d(1, 5e-6), gp_Pnt2d(1, 1), 1e-7), IntType_None);  // beyond it
  EXPECT_EQ(Intersect::SegSeg(aO, aX, gp_Pnt2d(1, 0), gp_Pnt2d(1, 0), 1e-7), IntType_Touch); // a point on it
  EXPECT_EQ(Intersect::SegSeg(aO, aX, gp_Pnt2d(1, 1), gp_Pnt2d(1, 1), 1e-7), IntType_None);  // a point off it
  EXPECT_EQ(Intersect::SegSeg(aO, aO, aO, aO, 1e-7), IntType_Touch);
  const gp_Pnt2d aA(-1, -1), aB(1, 1);
  EXPECT_TRUE(Intersect::PntSeg(aA, aB, gp_Pnt2d(0.25, 0.25), 1e-7) && Intersect::PntSeg(aA, aB, aB, 1e-7));
  EXPECT_TRUE(Intersect::PntSeg(aA, aB, gp_Pnt2d(0.5 + 5e-8, 0.5 - 5e-8), 1e-7) &&
              Intersect::PntSeg(aA, aA, aA, 1e-7));
  EXPECT_FALSE(Intersect::PntSeg(aA, aB, gp_Pnt2d(0.5 + 1e-6, 0.5 - 1e-6), 1e-7));
  EXPECT_FALSE(Intersect::PntSeg(aA, aB, gp_Pnt2d(1.000001, 1.000001), 1e-7));
}

TEST(Planora_ProjectTest, PointsGoToTheClosestPointOfASegmentAndToTheirCoordinatesInAPlane)
{
  std::mt19937 aGen(82);
  auto         aRand = [&]() { return 4.0 * (aGen() / 4294967296.0) - 2.0; };
  const auto   aFlat = [](const gp_Pnt& theP) { return gp_Pnt2d(theP.X(), theP.Y()); };
  for (int q = 0; q < 3000; ++q)
  {
    const double aZ = q % 3 == 0 ? 0.0 : 1.0; // every third in the plane z = 0
    const gp_Pnt aP(aRand(), aRand(), aZ * aRand()), aA(aRand(), aRand(), aZ * aRand());
    const gp_Pnt aB = q % 10 == 0 ? aA : gp_Pnt(aRand(), aRand(), aZ * aRand()); // some of zero length
    const gp_Pnt aQ = Planora::Project::PntOnSeg(aP, aA, aB);
    // On the segment, and no sample of the segment is closer.
    ASSERT_NEAR(aA.Distance(aQ) + aQ.Distance(aB), aA.Distance(aB), 1e-12);
    for (int s = 0; s <= 200; ++s)
    {
      ASSERT_GE(gp_Pnt(aA.XYZ() + (aB.XYZ() - aA.XYZ()) * (s / 200.0)).Distance(aP), aQ.Distance(aP) - 1e-12);
    }
    const double aD2 = Planora::SqDistance::PntToSeg(aFlat(aP), aFlat(aA), aFlat(aB));
    ASSERT_TRUE(aZ > 0.0 || std::abs(aD2 - aQ.SquareDistance(aP)) < 1e-12) << q << ": " << aD2;
  }
  // A point built from known plane coordinates and an offset along the normal.
  const gp_Ax3 anAxes(gp_Pnt(1, 2, 3), gp_Dir(1, 1, 1), gp_Dir(1, -1, 0));
  const gp_Vec aX(anAxes.XDirection()), aY(anAxes.YDirection()), aN(anAxes.Direction());
  gp_Pnt2d     aUV;
  Planora::Project::PntOnPlane(gp_Pln(anAxes), gp_Pnt(1, 2, 3).Translated(aX * 0.75 - aY * 2.5 + aN * 4.0),
                               aUV);
  EXPECT_TRUE(aUV.IsEqual(gp_Pnt2d(0.75, -2.5), 1e-14)) << aUV.X() << " " << aUV.Y();
}
