#include <Planora_Project.hxx>
#include <Planora_SqDistance.hxx>

#include <gtest/gtest.h>

#include <random>

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
  gp_Pnt2d     aUV;
  Planora::Project::PntOnPlane(gp_Pln(anAxes),
                               gp_Pnt(gp_XYZ(1, 2, 3) + anAxes.XDirection().XYZ() * 0.75 -
                                      anAxes.YDirection().XYZ() * 2.5 + anAxes.Direction().XYZ() * 4.0),
                               aUV);
  EXPECT_TRUE(aUV.IsEqual(gp_Pnt2d(0.75, -2.5), 1e-14)) << aUV.X() << " " << aUV.Y();
}
