#include <Trivex_IntersectBoxMesh.hxx>

#include "Trivex_TestMeshes.hxx"

#include <gtest/gtest.h>

#include <omp.h>

#include <algorithm>

namespace
{
// Independent reference: clip the triangle against the six half-spaces of the
// box (Sutherland-Hodgman); the shapes meet when something is left.
bool clipMeets(const gp_XYZ* theT, const double* theMin, const double* theMax)
{
  std::vector<gp_XYZ> aPoly(theT, theT + 3);
  for (int k = 1; k <= 3 && !aPoly.empty(); ++k)
  {
    for (int aSide = 0; aSide < 2 && !aPoly.empty(); ++aSide)
    {
      // Inside: coordinate >= min (aSide 0) or <= max (aSide 1).
      auto aDist = [&](const gp_XYZ& theP)
      { return aSide == 0 ? theP.Coord(k) - theMin[k - 1] : theMax[k - 1] - theP.Coord(k); };
      std::vector<gp_XYZ> anOut;
      for (size_t i = 0; i < aPoly.size(); ++i)
      {
        const gp_XYZ& aA  = aPoly[i];
        const gp_XYZ& aB  = aPoly[(i + 1) % aPoly.size()];
        const double  aDA = aDist(aA), aDB = aDist(aB);
        if (aDA >= 0.0)
        {
          anOut.push_back(aA);
        }
        if ((aDA >= 0.0) != (aDB >= 0.0))
        {
          gp_XYZ aX = aA + (aB - aA) * (aDA / (aDA - aDB));
          aX.SetCoord(k, aSide == 0 ? std::max(aX.Coord(k), theMin[k - 1])
                                    : std::min(aX.Coord(k), theMax[k - 1]));
          anOut.push_back(aX);
        }
      }
      aPoly.swap(anOut);
    }
  }
  return !aPoly.empty();
}

Bnd_Box randomBox(std::mt19937& theGen)
{
  const bool   aLattice = theGen() % 2 == 0;
  const gp_Pnt aP = TrivexTest::Point(theGen, aLattice), aQ = TrivexTest::Point(theGen, aLattice);
  gp_XYZ       aMin(std::min(aP.X(), aQ.X()), std::min(aP.Y(), aQ.Y()), std::min(aP.Z(), aQ.Z()));
  gp_XYZ       aMax(std::max(aP.X(), aQ.X()), std::max(aP.Y(), aQ.Y()), std::max(aP.Z(), aQ.Z()));
  switch (theGen() % 4)
  {
  case 0: // small cell, the usual octree query
    aMax = aMin + gp_XYZ(0.25, 0.25, 0.25);
    break;
  case 1: // flat box
    aMax.SetZ(aMin.Z());
    break;
  default:
    break;
  }
  return Bnd_Box(gp_Pnt(aMin), gp_Pnt(aMax));
}
} // namespace

TEST(Trivex_IntersectBoxMeshTest, HierarchyFindsExactlyWhatAnExhaustiveSearchFinds)
{
  std::mt19937                            aGen(11);
  const std::vector<Trivex::TriangleData> aSoup    = TrivexTest::Soup(aGen, 300);
  const Handle(Trivex::TriangleSet)       aSet     = TrivexTest::Built(aSoup);
  const auto                              aSingles = TrivexTest::Singles(aSoup);
  Trivex::IntersectBoxMesh                aQuery(aSet);
  std::vector<int>                        aFound;
  int                                     aNbNonEmpty = 0;
  for (int q = 0; q < 3000; ++q)
  {
    const Bnd_Box    aBox = randomBox(aGen);
    std::vector<int> anExpected;
    for (size_t i = 0; i < aSingles.size(); ++i)
    {
      if (Trivex::IntersectBoxMesh(aSingles[i]).Perform(aBox))
      {
        anExpected.push_back(static_cast<int>(i));
      }
    }
    ASSERT_EQ(aQuery.Perform(aBox, aFound), !anExpected.empty());
    ASSERT_EQ(aFound, anExpected) << "query " << q;
    ASSERT_EQ(aQuery.Perform(aBox), !anExpected.empty());
    aNbNonEmpty += anExpected.empty() ? 0 : 1;
  }
  // Both outcomes must be well represented for the comparison to mean something.
  EXPECT_GT(aNbNonEmpty, 600);
  EXPECT_LT(aNbNonEmpty, 2900);
}

TEST(Trivex_IntersectBoxMeshTest, SeparatingAxesAgreeWithClipping)
{
  std::mt19937 aGen(12);
  int          aNbMeet = 0;
  for (int q = 0; q < 4000; ++q)
  {
    const std::vector<Trivex::TriangleData> aTri = TrivexTest::Soup(aGen, 1);
    const Bnd_Box                           aBox = randomBox(aGen);
    const gp_XYZ aT[3] = {aTri[0].Point(0).XYZ(), aTri[0].Point(1).XYZ(), aTri[0].Point(2).XYZ()};
    double       aMin[3], aMax[3];
    aBox.Get(aMin[0], aMin[1], aMin[2], aMax[0], aMax[1], aMax[2]);
    Trivex::IntersectBoxMesh aQuery(TrivexTest::Built(aTri));
    aQuery.SetTolerance(0.0);
    const bool anExpected = clipMeets(aT, aMin, aMax);
    ASSERT_EQ(aQuery.Perform(aBox), anExpected) << "case " << q;
    aNbMeet += anExpected ? 1 : 0;
  }
  EXPECT_GT(aNbMeet, 400);
}

TEST(Trivex_IntersectBoxMeshTest, TouchingCountsAndTheToleranceWidensTheBox)
{
  // One triangle in the plane z = 1 spanning (0,0)-(2,0)-(0,2).
  const Handle(Trivex::TriangleSet) aSet =
      TrivexTest::Built({Trivex::TriangleData(gp_Pnt(0, 0, 1), gp_Pnt(2, 0, 1), gp_Pnt(0, 2, 1), 0)});
  Trivex::IntersectBoxMesh aQuery(aSet);
  aQuery.SetTolerance(0.0);
  // Face on the box's top face, a box touching the hypotenuse at one point, a
  // box touching a corner only, a box corner on the hypotenuse from outside.
  EXPECT_TRUE(aQuery.Perform(Bnd_Box(gp_Pnt(0.5, 0.5, 0), gp_Pnt(1, 1, 1))));
  EXPECT_TRUE(aQuery.Perform(Bnd_Box(gp_Pnt(1, 1, 0), gp_Pnt(3, 3, 3))));
  EXPECT_TRUE(aQuery.Perform(Bnd_Box(gp_Pnt(2, -1, 1), gp_Pnt(3, 0, 2))));
  EXPECT_FALSE(aQuery.Perform(Bnd_Box(gp_Pnt(1.0000001, 1.0000001, 0), gp_Pnt(3, 3, 3))));
  // A box enclosing the whole triangle, and one cut by the triangle's interior only.
  EXPECT_TRUE(aQuery.Perform(Bnd_Box(gp_Pnt(-1, -1, -1), gp_Pnt(3, 3, 3))));
  EXPECT_TRUE(aQuery.Perform(Bnd_Box(gp_Pnt(0.2, 0.2, 0.5), gp_Pnt(0.3, 0.3, 1.5))));
  // A gap of 1e-8 is within the default tolerance, 1e-6 is not.
  EXPECT_FALSE(aQuery.Perform(Bnd_Box(gp_Pnt(0.5, 0.5, 1.00000001), gp_Pnt(1, 1, 2))));
  aQuery.SetTolerance(1e-7);
  EXPECT_TRUE(aQuery.Perform(Bnd_Box(gp_Pnt(0.5, 0.5, 1.00000001), gp_Pnt(1, 1, 2))));
  EXPECT_FALSE(aQuery.Perform(Bnd_Box(gp_Pnt(0.5, 0.5, 1.000001), gp_Pnt(1, 1, 2))));
  // The box's own gap is part of the box.
  Bnd_Box aGapped(gp_Pnt(0.5, 0.5, 1.001), gp_Pnt(1, 1, 2));
  aGapped.Enlarge(0.01);
  EXPECT_TRUE(aQuery.Perform(aGapped));
  std::vector<int> aFound{7};
  EXPECT_FALSE(aQuery.Perform(Bnd_Box(), aFound));
  EXPECT_TRUE(aFound.empty());
}

TEST(Trivex_IntersectBoxMeshTest, EmptyUnbuiltAndNullSetsFindNothing)
{
  const Bnd_Box               anAll(gp_Pnt(-10, -10, -10), gp_Pnt(10, 10, 10));
  Handle(Trivex::TriangleSet) anEmpty = new Trivex::TriangleSet(std::vector<Trivex::TriangleData>());
  anEmpty->InitBuilder();
  EXPECT_FALSE(anEmpty->Build());
  EXPECT_FALSE(Trivex::IntersectBoxMesh(anEmpty).Perform(anAll));
  Handle(Trivex::TriangleSet) anUnbuilt =
      new Trivex::TriangleSet({Trivex::TriangleData(gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0), 0)});
  EXPECT_FALSE(Trivex::IntersectBoxMesh(anUnbuilt).Perform(anAll));
  EXPECT_FALSE(Trivex::IntersectBoxMesh(Handle(Trivex::TriangleSet)()).Perform(anAll));
}

TEST(Trivex_IntersectBoxMeshTest, TwoThreadsQueryingAtOnceGetTheSingleThreadAnswers)
{
  const auto                  aTorus = TrivexTest::Records(TrivexTest::Torus(2.0, 0.6, 120, 60));
  Handle(Trivex::TriangleSet) aSet   = TrivexTest::Built(aTorus, 2);
  std::mt19937                aGen(13);
  std::vector<Bnd_Box>        aBoxes;
  for (int q = 0; q < 2000; ++q)
  {
    const gp_Pnt aP(-3 + 6 * (aGen() / 4294967296.0), -3 + 6 * (aGen() / 4294967296.0),
                    -1 + 2 * (aGen() / 4294967296.0));
    aBoxes.emplace_back(aP, aP.Translated(gp_Vec(0.1, 0.1, 0.1)));
  }
  std::vector<std::vector<int>> aSerial(aBoxes.size()), aParallel(aBoxes.size());
  Trivex::IntersectBoxMesh      aQuery(aSet);
  for (size_t i = 0; i < aBoxes.size(); ++i)
  {
    aQuery.Perform(aBoxes[i], aSerial[i]);
  }
#pragma omp parallel num_threads(2)
  {
    Trivex::IntersectBoxMesh aLocal(aSet);
#pragma omp for schedule(dynamic, 1)
    for (int i = 0; i < static_cast<int>(aBoxes.size()); ++i)
    {
      aLocal.Perform(aBoxes[static_cast<size_t>(i)], aParallel[static_cast<size_t>(i)]);
    }
  }
  EXPECT_EQ(aSerial, aParallel);
  EXPECT_GT(std::count_if(aSerial.begin(), aSerial.end(),
                          [](const std::vector<int>& theV) { return !theV.empty(); }),
            100);
}
