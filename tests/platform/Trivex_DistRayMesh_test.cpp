#include <Trivex_DistRayMesh.hxx>

#include "Trivex_TestMeshes.hxx"

#include <gtest/gtest.h>

#include <omp.h>

namespace
{
Trivex::Ray randomRay(std::mt19937& theGen)
{
  const gp_Pnt aFrom = TrivexTest::Point(theGen, theGen() % 2 == 0);
  gp_Pnt       aTo   = TrivexTest::Point(theGen, theGen() % 2 == 0);
  if (aFrom.Distance(aTo) < 1e-3)
  {
    aTo.SetX(aTo.X() + 1.0);
  }
  // Some rays are finite segments between the two points, as edge tests use them.
  const bool anInfinite = theGen() % 2 == 0;
  return Trivex::Ray(aFrom, gp_Dir(gp_Vec(aFrom, aTo)), anInfinite, aFrom.Distance(aTo));
}
} // namespace

TEST(Trivex_DistRayMeshTest, HierarchyFindsTheExhaustiveFirstHit)
{
  std::mt19937                            aGen(31);
  const std::vector<Trivex::TriangleData> aSoup    = TrivexTest::Soup(aGen, 300);
  const auto                              aSingles = TrivexTest::Singles(aSoup);
  Trivex::DistRayMesh                     aQuery(TrivexTest::Built(aSoup));
  int                                     aNbHits = 0;
  for (int q = 0; q < 3000; ++q)
  {
    const Trivex::Ray aRay       = randomRay(aGen);
    double            anExpected = Trivex::DistRayMesh::THE_NO_HIT;
    for (const Handle(Trivex::TriangleSet)& aSingle : aSingles)
    {
      anExpected = std::min(anExpected, Trivex::DistRayMesh(aSingle).Perform(aRay));
    }
    ASSERT_EQ(aQuery.Perform(aRay), anExpected) << "query " << q;
    if (anExpected < Trivex::DistRayMesh::THE_NO_HIT)
    {
      ++aNbHits;
      ASSERT_GT(anExpected, 1e-7);
      ASSERT_GE(aQuery.Index(), 0);
      ASSERT_EQ(Trivex::DistRayMesh(aSingles[static_cast<size_t>(aQuery.Index())]).Perform(aRay), anExpected);
    }
    else
    {
      ASSERT_EQ(aQuery.Index(), -1);
    }
  }
  EXPECT_GT(aNbHits, 500);
  EXPECT_LT(aNbHits, 2950);
}

TEST(Trivex_DistRayMeshTest, RayFromTheSurfaceMeasuresToTheNextSheet)
{
  // Two parallel squares at z = 0 and z = 1.5, and a torus: rays cast from
  // corners along the normal, as the grid size function casts them.
  std::vector<Trivex::TriangleData> aTris;
  for (double aZ : {0.0, 1.5})
  {
    aTris.emplace_back(gp_Pnt(0, 0, aZ), gp_Pnt(1, 0, aZ), gp_Pnt(1, 1, aZ), static_cast<int>(aTris.size()));
    aTris.emplace_back(gp_Pnt(0, 0, aZ), gp_Pnt(1, 1, aZ), gp_Pnt(0, 1, aZ), static_cast<int>(aTris.size()));
  }
  Trivex::DistRayMesh aQuery(TrivexTest::Built(aTris));
  // From a shared corner and from a point of a shared diagonal.
  EXPECT_NEAR(aQuery.Perform(Trivex::Ray(gp_Pnt(0, 0, 0), gp_Dir(0, 0, 1), true)), 1.5, 1e-12);
  EXPECT_NEAR(aQuery.Perform(Trivex::Ray(gp_Pnt(0.5, 0.5, 0), gp_Dir(0, 0, 1), true)), 1.5, 1e-12);
  EXPECT_EQ(aQuery.Perform(Trivex::Ray(gp_Pnt(0.5, 0.5, 0), gp_Dir(0, 0, -1), true)),
            Trivex::DistRayMesh::THE_NO_HIT);
  // A finite ray stops at its length.
  EXPECT_EQ(aQuery.Perform(Trivex::Ray(gp_Pnt(0.5, 0.5, 0), gp_Dir(0, 0, 1), false, 1.4)),
            Trivex::DistRayMesh::THE_NO_HIT);
  EXPECT_NEAR(aQuery.Perform(Trivex::Ray(gp_Pnt(0.5, 0.5, 0), gp_Dir(0, 0, 1), false, 1.5)), 1.5, 1e-12);
  // Without tolerance (negative: nothing ignored) the own sheet is hit at 0.
  aQuery.SetTolerance(-1.0);
  EXPECT_EQ(aQuery.Perform(Trivex::Ray(gp_Pnt(0.5, 0.5, 0), gp_Dir(0, 0, 1), true)), 0.0);

  const Handle(Poly_Triangulation) aTorus = TrivexTest::Torus(2.0, 0.5, 90, 45);
  Trivex::DistRayMesh              aTorusQuery(TrivexTest::Built(TrivexTest::Records(aTorus)));
  // From the outer equator inwards: across the tube, to the facet of the inner wall.
  const double aAcross = aTorusQuery.Perform(Trivex::Ray(aTorus->Node(1), gp_Dir(-1, 0, 0), true));
  EXPECT_NEAR(aAcross, 0.5 + 0.5 * std::cos(M_PI / 45), 1e-12);
}

TEST(Trivex_DistRayMeshTest, TwoThreadsQueryingAtOnceGetTheSingleThreadAnswers)
{
  const auto                  aTorus = TrivexTest::Records(TrivexTest::Torus(2.0, 0.6, 160, 80));
  Handle(Trivex::TriangleSet) aSet   = TrivexTest::Built(aTorus, 2);
  std::vector<Trivex::Ray>    aRays;
  for (size_t i = 0; i < aTorus.size(); i += 7)
  {
    aRays.emplace_back(aTorus[i].Point(0), aTorus[i].Normal().Reversed(), true);
  }
  std::vector<double> aSerial, aParallel(aRays.size());
  Trivex::DistRayMesh aQuery(aSet);
  for (const Trivex::Ray& aRay : aRays)
  {
    aSerial.push_back(aQuery.Perform(aRay));
  }
#pragma omp parallel num_threads(2)
  {
    Trivex::DistRayMesh aLocal(aSet);
#pragma omp for schedule(dynamic, 1)
    for (int i = 0; i < static_cast<int>(aRays.size()); ++i)
    {
      aParallel[static_cast<size_t>(i)] = aLocal.Perform(aRays[static_cast<size_t>(i)]);
    }
  }
  EXPECT_EQ(aSerial, aParallel);
  // Inward rays from the surface of a closed torus always hit the far side.
  EXPECT_EQ(std::count(aSerial.begin(), aSerial.end(), Trivex::DistRayMesh::THE_NO_HIT), 0);
}
