#include <Planora_SqDistance.hxx>

#include <gtest/gtest.h>

#include <random>

TEST(Planora_SqDistanceTest, PointToSegmentIsTheSmallestDistanceToItsPoints)
{
  std::mt19937 aGen(81);
  auto         aRand = [&]() { return 4.0 * (aGen() / 4294967296.0) - 2.0; };
  for (int q = 0; q < 2000; ++q)
  {
    const gp_Pnt2d aP(aRand(), aRand()), aA(aRand(), aRand());
    const gp_Pnt2d aB   = q % 10 == 0 ? aA : gp_Pnt2d(aRand(), aRand());
    double         aMin = 1e300;
    for (int s = 0; s <= 4000; ++s)
    {
      const gp_Pnt2d aS(aA.XY() + (aB.XY() - aA.XY()) * (s / 4000.0));
      aMin = std::min(aMin, aS.SquareDistance(aP));
    }
    const double aD = Planora::SqDistance::PntToSeg(aP, aA, aB);
    ASSERT_LE(aD, aMin + 1e-15);
    ASSERT_NEAR(aD, aMin, 1e-5);
  }
  EXPECT_DOUBLE_EQ(Planora::SqDistance::PntToSeg(gp_Pnt2d(0, 3), gp_Pnt2d(-1, 0), gp_Pnt2d(1, 0)), 9.0);
  EXPECT_DOUBLE_EQ(Planora::SqDistance::PntToSeg(gp_Pnt2d(4, 4), gp_Pnt2d(-1, 0), gp_Pnt2d(1, 0)), 25.0);
}
