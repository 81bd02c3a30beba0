#include <Planora_Intersect.hxx>

#include <gtest/gtest.h>

#include <random>

namespace
{
// Independent reference in long double: the parameters of the crossing point
// of the two supporting lines; -1 when too close to a boundary to call.
int referenceCross(const gp_Pnt2d& theA1, const gp_Pnt2d& theB1, const gp_Pnt2d& theA2, const gp_Pnt2d& theB2)
{
  using LD      = long double;
  const LD aD1X = LD(theB1.X()) - theA1.X(), aD1Y = LD(theB1.Y()) - theA1.Y();
  const LD aD2X = LD(theB2.X()) - theA2.X(), aD2Y = LD(theB2.Y()) - theA2.Y();
  const LD aDen = aD1X * aD2Y - aD1Y * aD2X;
  if (std::abs(aDen) < 1e-6L)
  {
    return -1;
  }
  const LD aRX = LD(theA2.X()) - theA1.X(), aRY = LD(theA2.Y()) - theA1.Y();
  const LD aS = (aRX * aD2Y - aRY * aD2X) / aDen;
  const LD aT = (aRX * aD1Y - aRY * aD1X) / aDen;
  if (std::abs(aS) < 1e-4L || std::abs(aS - 1) < 1e-4L || std::abs(aT) < 1e-4L || std::abs(aT - 1) < 1e-4L)
  {
    return -1;
  }
  return aS > 0 && aS < 1 && aT > 0 && aT < 1 ? 2 : 0;
}
} // namespace

TEST(Planora_IntersectTest, ProperCrossingsAgreeWithAnIndependentSolve)
{
  std::mt19937 aGen(83);
  auto         aRand    = [&]() { return 4.0 * (aGen() / 4294967296.0) - 2.0; };
  int          aNbCross = 0, aNbCompared = 0;
  for (int q = 0; q < 5000; ++q)
  {
    const gp_Pnt2d aA1(aRand(), aRand()), aB1(aRand(), aRand()), aA2(aRand(), aRand()), aB2(aRand(), aRand());
    const int      anExpected = referenceCross(aA1, aB1, aA2, aB2);
    if (anExpected < 0)
    {
      continue;
    }
    ASSERT_EQ(Planora::Intersect::SegSeg(aA1, aB1, aA2, aB2, 1e-7), anExpected) << q;
    ASSERT_EQ(Planora::Intersect::SegSeg(aB2, aA2, aA1, aB1, 1e-7), anExpected) << q;
    aNbCross += anExpected == 2 ? 1 : 0;
    ++aNbCompared;
  }
  EXPECT_GT(aNbCompared, 4000);
  EXPECT_GT(aNbCross, 500);
}

TEST(Planora_IntersectTest, TouchingSegmentsAreToldFromCrossingOnes)
{
  using Planora::Intersect::SegSeg;
  const gp_Pnt2d aO(0, 0), aX(2, 0);
  EXPECT_EQ(SegSeg(aO, aX, gp_Pnt2d(1, -1), gp_Pnt2d(1, 1), 1e-7), Planora::IntType_Cross);
  EXPECT_EQ(SegSeg(aO, aX, gp_Pnt2d(1, 0), gp_Pnt2d(1, 1), 1e-7), Planora::IntType_Touch); // T
  EXPECT_EQ(SegSeg(aO, aX, gp_Pnt2d(2, 0), gp_Pnt2d(3, 1), 1e-7), Planora::IntType_Touch); // shared end
  EXPECT_EQ(SegSeg(aO, aX, gp_Pnt2d(1, 0), gp_Pnt2d(3, 0), 1e-7), Planora::IntType_Touch); // overlap
  EXPECT_EQ(SegSeg(aO, aX, gp_Pnt2d(3, 0), gp_Pnt2d(4, 0), 1e-7), Planora::IntType_None);  // collinear apart
  EXPECT_EQ(SegSeg(aO, aX, gp_Pnt2d(0, 1), gp_Pnt2d(2, 1), 1e-7), Planora::IntType_None);  // parallel
  EXPECT_EQ(SegSeg(aO, aX, gp_Pnt2d(1, 5e-8), gp_Pnt2d(1, 1), 1e-7),
            Planora::IntType_Touch); // within tolerance
  EXPECT_EQ(SegSeg(aO, aX, gp_Pnt2d(1, 5e-6), gp_Pnt2d(1, 1), 1e-7), Planora::IntType_None); // beyond it
  EXPECT_EQ(SegSeg(aO, aX, gp_Pnt2d(1, 0), gp_Pnt2d(1, 0), 1e-7), Planora::IntType_Touch);   // a point on it
  EXPECT_EQ(SegSeg(aO, aX, gp_Pnt2d(1, 1), gp_Pnt2d(1, 1), 1e-7), Planora::IntType_None);    // a point off it
  EXPECT_EQ(SegSeg(aO, aO, aO, aO, 1e-7), Planora::IntType_Touch);
}

TEST(Planora_IntersectTest, PointOnSegmentWithinTheTolerance)
{
  using Planora::Intersect::PntSeg;
  const gp_Pnt2d aA(-1, -1), aB(1, 1);
  EXPECT_TRUE(PntSeg(aA, aB, gp_Pnt2d(0.25, 0.25), 1e-7));
  EXPECT_TRUE(PntSeg(aA, aB, gp_Pnt2d(1, 1), 1e-7));
  EXPECT_TRUE(PntSeg(aA, aB, gp_Pnt2d(0.5 + 5e-8, 0.5 - 5e-8), 1e-7));
  EXPECT_FALSE(PntSeg(aA, aB, gp_Pnt2d(0.5 + 1e-6, 0.5 - 1e-6), 1e-7));
  EXPECT_FALSE(PntSeg(aA, aB, gp_Pnt2d(1.000001, 1.000001), 1e-7));
  EXPECT_TRUE(PntSeg(aA, aA, gp_Pnt2d(-1, -1), 1e-7));
}
