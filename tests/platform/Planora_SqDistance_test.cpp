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
    const gp_Pnt2d aB   = q % 10 == 0 ? aA : gp_Pnt2d(aRand(), aRand()); // some of zero length
    double         aMin = 1e300;
    for (int s = 0; s <= 4000; ++s)
    {
      aMin = std::min(aMin, gp_Pnt2d(aA.XY() + (aB.XY() - aA.XY()) * (s / 4000.0)).SquareDistance(aP));
    }
    const double aD = Planora::SqDistance::PntToSeg(aP, aA, aB);
    ASSERT_TRUE(aD <= aMin + 1e-15 && aD >= aMin - 1e-5) << q;
  }
}
