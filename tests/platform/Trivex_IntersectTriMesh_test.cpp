#include <Trivex_IntersectTriMesh.hxx>

#include "Trivex_TestMeshes.hxx"

#include <PelliskTest_Data.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <omp.h>

namespace
{
// Independent reference for triangles sharing no corner, with no tolerance:
// two triangles meet exactly when a side of one meets the other (Moeller-
// Trumbore on the six sides, in long double); -1 when too close to call.
int referenceMeet(const Trivex::TriangleData& theT1, const Trivex::TriangleData& theT2)
{
  using LD      = long double;
  int  aResult  = 0;
  auto sideHits = [&](const Trivex::TriangleData& theS, const Trivex::TriangleData& theT)
  {
    LD aP[3][3];
    for (int i = 0; i < 3; ++i)
    {
      aP[i][0] = theT.Point(i).X();
      aP[i][1] = theT.Point(i).Y();
      aP[i][2] = theT.Point(i).Z();
    }
    const LD aE1[3] = {aP[1][0] - aP[0][0], aP[1][1] - aP[0][1], aP[1][2] - aP[0][2]};
    const LD aE2[3] = {aP[2][0] - aP[0][0], aP[2][1] - aP[0][1], aP[2][2] - aP[0][2]};
    for (int k = 0; k < 3; ++k)
    {
      const gp_Pnt& aA    = theS.Point(k);
      const gp_Pnt& aB    = theS.Point((k + 1) % 3);
      const LD      aO[3] = {aA.X(), aA.Y(), aA.Z()};
      const LD      aD[3] = {aB.X() - aA.X(), aB.Y() - aA.Y(), aB.Z() - aA.Z()};
      const LD      aH[3] = {aD[1] * aE2[2] - aD[2] * aE2[1], aD[2] * aE2[0] - aD[0] * aE2[2],
                             aD[0] * aE2[1] - aD[1] * aE2[0]};
      const LD      aDet  = aE1[0] * aH[0] + aE1[1] * aH[1] + aE1[2] * aH[2];
      if (std::abs(aDet) < 1e-6L)
      {
        return -1; // side nearly parallel to the triangle
      }
      const LD aS[3] = {aO[0] - aP[0][0], aO[1] - aP[0][1], aO[2] - aP[0][2]};
      const LD aU    = (aS[0] * aH[0] + aS[1] * aH[1] + aS[2] * aH[2]) / aDet;
      const LD aQ[3] = {aS[1] * aE1[2] - aS[2] * aE1[1], aS[2] * aE1[0] - aS[0] * aE1[2],
                        aS[0] * aE1[1] - aS[1] * aE1[0]};
      const LD aV    = (aD[0] * aQ[0] + aD[1] * aQ[1] + aD[2] * aQ[2]) / aDet;
      const LD aT    = (aE2[0] * aQ[0] + aE2[1] * aQ[1] + aE2[2] * aQ[2]) / aDet;
      const LD aEps  = 1e-6L;
      if (std::abs(aU) < aEps || std::abs(aV) < aEps || std::abs(1 - aU - aV) < aEps || std::abs(aT) < aEps ||
          std::abs(aT - 1) < aEps)
      {
        return -1;
      }
      if (aU > 0 && aV > 0 && aU + aV < 1 && aT > 0 && aT < 1)
      {
        aResult = 1;
      }
    }
    return 0;
  };
  if (sideHits(theT1, theT2) < 0 || sideHits(theT2, theT1) < 0)
  {
    return -1;
  }
  return aResult;
}

gp_Pnt randomPoint(std::mt19937& theGen, double theScale)
{
  return gp_Pnt(theScale * (theGen() / 4294967296.0), theScale * (theGen() / 4294967296.0),
                theScale * (theGen() / 4294967296.0));
}

bool crosses(const Trivex::TriangleData& theQuery, const Trivex::TriangleData& theOther, double theTol = 1e-7)
{
  Trivex::IntersectTriMesh          aQuery(TrivexTest::Built({theOther}), theTol);
  std::vector<Trivex::TriangleData> aFound;
  return aQuery.Perform(theQuery, aFound);
}

Trivex::TriangleData tri(const gp_Pnt& theA, const gp_Pnt& theB, const gp_Pnt& theC, int theFace = 0)
{
  return Trivex::TriangleData(theA, theB, theC, theFace);
}
} // namespace

TEST(Trivex_IntersectTriMeshTest, AClosedSurfaceHasNoCrossingsWithItsNeighbours)
{
  const auto                        aTorus = TrivexTest::Records(TrivexTest::Torus(2.0, 0.6, 60, 30));
  Trivex::IntersectTriMesh          aQuery(TrivexTest::Built(aTorus));
  std::vector<Trivex::TriangleData> aFound;
  for (const Trivex::TriangleData& aTri : aTorus)
  {
    ASSERT_FALSE(aQuery.Perform(aTri, aFound)) << aTri.FaceIndex();
  }
  // A triangle pushed through the tube crosses the faces it pierces.
  const Trivex::TriangleData aSpike(gp_Pnt(2.0, -0.1, -1.0), gp_Pnt(2.0, 0.1, -1.0), gp_Pnt(2.0, 0.0, 1.0),
                                    9999);
  ASSERT_TRUE(aQuery.Perform(aSpike, aFound));
  for (const Trivex::TriangleData& aHit : aFound)
  {
    EXPECT_LT(std::abs(aHit.Point(0).Z()), 0.7);
  }
}

TEST(Trivex_IntersectTriMeshTest, HierarchyFindsExactlyWhatAnExhaustiveSearchFinds)
{
  std::mt19937                            aGen(71);
  const std::vector<Trivex::TriangleData> aSoup    = TrivexTest::Soup(aGen, 300);
  const auto                              aSingles = TrivexTest::Singles(aSoup);
  Trivex::IntersectTriMesh                aQuery(TrivexTest::Built(aSoup));
  std::vector<Trivex::TriangleData>       aFound, anOne;
  int                                     aNbCrossing = 0;
  // The soup's own triangles (self, shared corners and sides, coplanar and
  // degenerate ones) and fresh ones.
  std::vector<Trivex::TriangleData>       aQueries(aSoup);
  const std::vector<Trivex::TriangleData> aFresh = TrivexTest::Soup(aGen, 2700);
  aQueries.insert(aQueries.end(), aFresh.begin(), aFresh.end());
  for (const Trivex::TriangleData& aTri : aQueries)
  {
    std::vector<int> anExpected;
    for (size_t i = 0; i < aSingles.size(); ++i)
    {
      Trivex::IntersectTriMesh anExhaustive(aSingles[i]);
      if (anExhaustive.Perform(aTri, anOne))
      {
        anExpected.push_back(static_cast<int>(i));
      }
    }
    ASSERT_EQ(aQuery.Perform(aTri, aFound), !anExpected.empty());
    ASSERT_EQ(aQuery.Indices(), anExpected);
    ASSERT_EQ(aFound.size(), anExpected.size());
    for (size_t i = 0; i < aFound.size(); ++i)
    {
      ASSERT_EQ(aFound[i].FaceIndex(), aSoup[static_cast<size_t>(anExpected[i])].FaceIndex());
    }
    aNbCrossing += anExpected.empty() ? 0 : 1;
  }
  EXPECT_GT(aNbCrossing, 500);
}

TEST(Trivex_IntersectTriMeshTest, CrossingsOfUnrelatedTrianglesAgreeWithAnIndependentTest)
{
  std::mt19937 aGen(72);
  int          aNbCompared = 0, aNbMeet = 0;
  for (int q = 0; q < 6000; ++q)
  {
    const gp_Pnt               aBase = randomPoint(aGen, 1.0);
    const Trivex::TriangleData aT1   = tri(aBase, randomPoint(aGen, 1.0), randomPoint(aGen, 1.0));
    const Trivex::TriangleData aT2 =
        tri(randomPoint(aGen, 1.0), randomPoint(aGen, 1.0), randomPoint(aGen, 1.0), 1);
    const int anExpected = referenceMeet(aT1, aT2);
    if (anExpected < 0)
    {
      continue;
    }
    ASSERT_EQ(crosses(aT1, aT2, 0.0), anExpected == 1) << "case " << q;
    ASSERT_EQ(crosses(aT2, aT1, 0.0), anExpected == 1) << "case " << q;
    ++aNbCompared;
    aNbMeet += anExpected;
  }
  EXPECT_GT(aNbCompared, 4000);
  EXPECT_GT(aNbMeet, 500);
}

TEST(Trivex_IntersectTriMeshTest, SharedCornersAndSidesAloneAreNoCrossing)
{
  const gp_Pnt               aA(0, 0, 0), aB(1, 0, 0), aC(0, 1, 0);
  const Trivex::TriangleData aT = tri(aA, aB, aC);
  // The query itself is skipped; a duplicate from another face is reported.
  EXPECT_FALSE(crosses(aT, aT));
  EXPECT_FALSE(crosses(aT, tri(aB, aC, aA)));
  EXPECT_TRUE(crosses(aT, tri(aC, aB, aA, 5)));
  // Shared side: flat continuation, a hinge, a fold onto it, a near fold.
  EXPECT_FALSE(crosses(aT, tri(aB, aA, gp_Pnt(0.5, -1, 0), 1)));
  EXPECT_FALSE(crosses(aT, tri(aB, aA, gp_Pnt(0.5, 0.5, 1), 1)));
  EXPECT_FALSE(crosses(aT, tri(aB, aA, gp_Pnt(0.5, -0.5, -1e-3), 1)));
  EXPECT_TRUE(crosses(aT, tri(aB, aA, gp_Pnt(0.3, 0.3, 0), 1)));
  EXPECT_TRUE(crosses(aT, tri(aB, aA, gp_Pnt(3, 0.2, 0), 1)));
  EXPECT_TRUE(crosses(aT, tri(aB, aA, gp_Pnt(0.3, 0.3, 5e-8), 1)));
  EXPECT_FALSE(crosses(aT, tri(aB, aA, gp_Pnt(0.3, 0.3, 5e-6), 1)));
  // Corners within the tolerance count as shared.
  EXPECT_FALSE(crosses(aT, tri(gp_Pnt(1, 5e-8, 0), gp_Pnt(0, -5e-8, 0), gp_Pnt(0.5, -1, 0), 1)));
  // Shared corner: fan neighbours, a wing folded away, one piercing the other,
  // one folded flat onto the other, one touching it with its far side.
  EXPECT_FALSE(crosses(aT, tri(aA, gp_Pnt(-1, 0, 0), gp_Pnt(0, -1, 0), 1)));
  EXPECT_FALSE(crosses(aT, tri(aA, gp_Pnt(0, 0, 1), gp_Pnt(1, 1, 1), 1)));
  EXPECT_TRUE(crosses(aT, tri(aA, gp_Pnt(0.3, 0.3, 1), gp_Pnt(0.3, 0.3, -1), 1)));
  EXPECT_TRUE(crosses(aT, tri(aA, gp_Pnt(0.2, 0.1, 0), gp_Pnt(0.1, 0.2, 0), 1)));
  EXPECT_TRUE(crosses(aT, tri(aA, gp_Pnt(0.5, 0.5, 1), gp_Pnt(0.5, 0.5, -1), 1)));
  EXPECT_FALSE(crosses(aT, tri(aA, gp_Pnt(0.3, 0.3, 1), gp_Pnt(0.3, 0.4, 1e-3), 1)));
  // No shared corner: a corner resting on the face, 5e-8 above it, 5e-6 above it.
  EXPECT_TRUE(crosses(aT, tri(gp_Pnt(0.2, 0.2, 0), gp_Pnt(0.2, 0.3, 1), gp_Pnt(0.3, 0.2, 1), 1)));
  EXPECT_TRUE(crosses(aT, tri(gp_Pnt(0.2, 0.2, 5e-8), gp_Pnt(0.2, 0.3, 1), gp_Pnt(0.3, 0.2, 1), 1)));
  EXPECT_FALSE(crosses(aT, tri(gp_Pnt(0.2, 0.2, 5e-6), gp_Pnt(0.2, 0.3, 1), gp_Pnt(0.3, 0.2, 1), 1)));
  EXPECT_FALSE(crosses(aT, tri(gp_Pnt(0.2, 0.2, 5e-8), gp_Pnt(0.2, 0.3, 1), gp_Pnt(0.3, 0.2, 1), 1), 0.0));
  // Coplanar overlap without shared corners, and a degenerate query.
  EXPECT_TRUE(crosses(aT, tri(gp_Pnt(0.1, 0.1, 0), gp_Pnt(2, 0.1, 0), gp_Pnt(0.1, 2, 0), 1)));
  EXPECT_FALSE(crosses(tri(aA, aA, aA), tri(gp_Pnt(1, 1, 1), gp_Pnt(2, 1, 1), gp_Pnt(1, 2, 1), 1)));
  EXPECT_TRUE(crosses(tri(gp_Pnt(0.2, 0.2, -1), gp_Pnt(0.2, 0.2, 1), gp_Pnt(0.2, 0.2, 2), 1), aT));
}

TEST(Trivex_IntersectTriMeshTest, RealDirtyMeshesHaveTheirIndependentlyCountedCrossings)
{
  // The data's documentation counts the crossing face pairs of these meshes
  // with another tool; each pair is found from both of its faces.
  for (const std::pair<const char*, int>& aCase :
       {std::make_pair("bones_cgal.stl", 366), std::make_pair("spider_assimp.stl", 317)})
  {
    const Handle(Poly_Triangulation) aMesh =
        RWStl::ReadFile(OSD_Path(PelliskTest_Data::File(aCase.first).c_str()));
    ASSERT_FALSE(aMesh.IsNull()) << aCase.first;
    const Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(aMesh);
    aSet->InitBuilder();
    ASSERT_TRUE(aSet->Build());
    Trivex::IntersectTriMesh          aQuery(aSet);
    std::vector<Trivex::TriangleData> aFound;
    int                               aNbPairs = 0, aNbReverse = 0;
    for (int i = 0; i < aSet->NbTriangles(); ++i)
    {
      aQuery.Perform(aSet->Triangle(i), aFound);
      for (int j : aQuery.Indices())
      {
        (j > i ? aNbPairs : aNbReverse) += 1;
      }
    }
    EXPECT_EQ(aNbPairs, aCase.second) << aCase.first;
    EXPECT_EQ(aNbReverse, aCase.second) << aCase.first;
  }
}

TEST(Trivex_IntersectTriMeshTest, TwoThreadsQueryingAtOnceGetTheSingleThreadAnswers)
{
  std::mt19937                            aGen(73);
  const std::vector<Trivex::TriangleData> aSoup = TrivexTest::Soup(aGen, 9000);
  Handle(Trivex::TriangleSet)             aSet  = TrivexTest::Built(aSoup, 2);
  std::vector<std::vector<int>>           aSerial(500), aParallel(500);
  Trivex::IntersectTriMesh                aQuery(aSet);
  std::vector<Trivex::TriangleData>       aFound;
  for (size_t i = 0; i < aSerial.size(); ++i)
  {
    aQuery.Perform(aSoup[i], aFound);
    aSerial[i] = aQuery.Indices();
  }
  // One query object per thread, as the self-intersection check makes them.
  std::vector<Trivex::IntersectTriMesh> aQueries(2, Trivex::IntersectTriMesh(aSet));
#pragma omp parallel num_threads(2)
  {
    std::vector<Trivex::TriangleData> aLocalFound;
#pragma omp for schedule(dynamic, 1)
    for (int i = 0; i < static_cast<int>(aParallel.size()); ++i)
    {
      Trivex::IntersectTriMesh& aLocal = aQueries[static_cast<size_t>(omp_get_thread_num())];
      aLocal.Perform(aSoup[static_cast<size_t>(i)], aLocalFound);
      aParallel[static_cast<size_t>(i)] = aLocal.Indices();
    }
  }
  EXPECT_EQ(aSerial, aParallel);
}
