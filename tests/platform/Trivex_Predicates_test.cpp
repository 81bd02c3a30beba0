// The crossing test of two triangles against the distances it stands for, and in both orders at once.
#include <Trivex_Predicates.hxx>

#include <gtest/gtest.h>

#include <random>

using Trivex::Predicates;
// Neighbours round a shared corner (cases 0-3; corners on a lattice of directions in 0-1, so that they
// often lie on the lines of the other's sides), sharing no corner (4) or a side (5), nearly in one plane
// (even cases and 5) or folded. Answers must be those of the distances alone wherever these are clearly
// on one side of the tolerance, and the same in both orders, whichever rejection decides.
TEST(Trivex_PredicatesTest, CrossingAgreesWithDistancesOnNeighboursInEitherOrder)
{
  const double                           aTol = 1e-7, aTol2 = aTol * aTol;
  std::mt19937                           aGen(11);
  std::uniform_real_distribution<double> anAngle(0.0, 2.0 * M_PI), aLength(0.3, 1.0), aSign(-1.0, 1.0);
  int                                    aNbCases[3] = {0, 0, 0}, aNbCrossing = 0;
  for (int n = 0; n < 200000; ++n)
  {
    const int    aCase = n % 6;
    const double aLift = aCase % 2 == 0 || aCase == 5 ? aTol * 3.0 * aSign(aGen) : 0.3 * aSign(aGen);
    const gp_XYZ aO(10.0, -4.0, 2.0); // away from the origin: coordinates round
    const auto   aPoint = [&](double theLift)
    {
      const double aA = aCase < 2 ? std::floor(anAngle(aGen) / M_PI * 6.0) * M_PI / 6.0 : anAngle(aGen);
      return aO + gp_XYZ(std::cos(aA), std::sin(aA), theLift) * aLength(aGen);
    };
    gp_XYZ aT1[3] = {aO, aPoint(0.0), aPoint(0.0)}, aT2[3] = {aO, aPoint(aLift), aPoint(aLift * aSign(aGen))};
    aT2[0] += aCase == 4 ? gp_XYZ(aSign(aGen), aSign(aGen), aLift) * 0.1 : gp_XYZ();
    aT2[1]                 = aCase == 5 ? aT1[1] : aT2[1];
    const double aDistance = aCase < 4 ? std::min(Predicates::SegmentTriangleSqDistance(aT1[1], aT1[2], aT2),
                                                  Predicates::SegmentTriangleSqDistance(aT2[1], aT2[2], aT1))
                                       : Predicates::TriangleTriangleSqDistance(aT1, aT2);
    const bool   isEither  = Predicates::TrianglesCrossEither(aT1, aT2, aTol);
    ASSERT_EQ(isEither,
              Predicates::TrianglesCross(aT1, aT2, aTol) || Predicates::TrianglesCross(aT2, aT1, aTol))
        << n;
    ASSERT_EQ(isEither, Predicates::TrianglesCrossEither(aT2, aT1, aTol)) << n;
    if (aCase < 5 && std::abs(aDistance - aTol2) > 1e-3 * aTol2)
    {
      ASSERT_EQ(isEither, aDistance <= aTol2) << n;
      ++aNbCases[aCase < 4 ? 0 : 1];
    }
    aNbCases[2] += aCase == 5 && isEither ? 1 : 0;
    aNbCrossing += isEither ? 1 : 0;
  }
  EXPECT_TRUE(aNbCases[0] > 100000 && aNbCases[1] > 20000 && aNbCases[2] > 1000) << aNbCases[2];
  EXPECT_TRUE(aNbCrossing > 20000 && aNbCrossing < 150000) << aNbCrossing;
}
