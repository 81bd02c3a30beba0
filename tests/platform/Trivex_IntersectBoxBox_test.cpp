#include <Trivex_IntersectBoxBox.hxx>

#include <gtest/gtest.h>

#include <omp.h>

#include <random>

namespace
{
// Octree-like cells: random sizes 2^-k on a matching lattice in [0, 4]^3, so
// that faces, sides and corners touch exactly; a few random and void boxes.
std::vector<Trivex::BoxData> cells(std::mt19937& theGen, int theNb)
{
  std::vector<Trivex::BoxData> aBoxes;
  for (int i = 0; i < theNb; ++i)
  {
    const int anIndex = static_cast<int>(aBoxes.size());
    if (theGen() % 20 == 0)
    {
      aBoxes.emplace_back(gp_XYZ(1, 1, 1), gp_XYZ(1, 0, 1), anIndex); // void
      continue;
    }
    const double aSize  = 1.0 / (1 << (theGen() % 4));
    const int    aCells = static_cast<int>(4.0 / aSize);
    gp_XYZ aMin(aSize * static_cast<int>(theGen() % aCells), aSize * static_cast<int>(theGen() % aCells),
                aSize * static_cast<int>(theGen() % aCells));
    if (theGen() % 10 == 0)
    {
      aMin += gp_XYZ(1e-8, -1e-6, 0.0); // near misses on both sides of the tolerance
    }
    aBoxes.emplace_back(aMin, aMin + gp_XYZ(aSize, aSize, aSize), anIndex);
  }
  return aBoxes;
}

Handle(Trivex::BoxSet) built(const std::vector<Trivex::BoxData>& theBoxes, int theNbThreads)
{
  Handle(Trivex::BoxSet) aSet = new Trivex::BoxSet(theBoxes);
  aSet->SetNbBuilderThreads(theNbThreads);
  aSet->InitBuilder();
  aSet->Build();
  return aSet;
}

bool touches(const Trivex::BoxData& theA, const Trivex::BoxData& theB, double theTol)
{
  if (theA.IsVoid() || theB.IsVoid())
  {
    return false;
  }
  for (int k = 1; k <= 3; ++k)
  {
    if (theA.Min().Coord(k) > theB.Max().Coord(k) + theTol ||
        theB.Min().Coord(k) > theA.Max().Coord(k) + theTol)
    {
      return false;
    }
  }
  return true;
}
} // namespace

TEST(Trivex_IntersectBoxBoxTest, HierarchyFindsExactlyWhatAnExhaustiveSearchFinds)
{
  std::mt19937                       aGen(51);
  const std::vector<Trivex::BoxData> aBoxes   = cells(aGen, 2000);
  const std::vector<Trivex::BoxData> aQueries = cells(aGen, 3000);
  Trivex::IntersectBoxBox            aQuery(built(aBoxes, 1));
  std::vector<Trivex::BoxData>       aFound;
  for (const double aTol : {1e-7, 0.0, 0.3})
  {
    for (const Trivex::BoxData& aBox : aQueries)
    {
      std::vector<int> anExpected;
      for (size_t i = 0; i < aBoxes.size(); ++i)
      {
        if (touches(aBox, aBoxes[i], aTol))
        {
          anExpected.push_back(static_cast<int>(i));
        }
      }
      ASSERT_EQ(aQuery.Perform(aBox, aFound, aTol), !anExpected.empty());
      ASSERT_EQ(aQuery.Indices(), anExpected);
      ASSERT_EQ(aFound.size(), anExpected.size());
      for (size_t i = 0; i < aFound.size(); ++i)
      {
        ASSERT_EQ(aFound[i].Index(), anExpected[i]);
        ASSERT_TRUE(aFound[i].Min().IsEqual(aBoxes[static_cast<size_t>(anExpected[i])].Min(), 0.0));
      }
    }
  }
}

TEST(Trivex_IntersectBoxBoxTest, FacesSidesAndCornersTouchWithinTheTolerance)
{
  const std::vector<Trivex::BoxData> aBoxes = {
      Trivex::BoxData(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1), 0),          // the cell itself
      Trivex::BoxData(gp_XYZ(1, 0, 0), gp_XYZ(2, 1, 1), 1),          // shares a face
      Trivex::BoxData(gp_XYZ(1, 1, 0), gp_XYZ(1.5, 1.5, 0.5), 2),    // shares part of a side
      Trivex::BoxData(gp_XYZ(-1, -1, -1), gp_XYZ(0, 0, 0), 3),       // shares a corner
      Trivex::BoxData(gp_XYZ(1.00000005, 0, 0), gp_XYZ(2, 1, 1), 4), // gap within 1e-7
      Trivex::BoxData(gp_XYZ(1.000001, 0, 0), gp_XYZ(2, 1, 1), 5),   // gap beyond
      Trivex::BoxData(gp_XYZ(3, 3, 3), gp_XYZ(2, 2, 2), 6)};         // void
  Trivex::IntersectBoxBox      aQuery(built(aBoxes, 1));
  std::vector<Trivex::BoxData> aFound;
  EXPECT_TRUE(aQuery.Perform(Trivex::BoxData(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1)), aFound));
  EXPECT_EQ(aQuery.Indices(), std::vector<int>({0, 1, 2, 3, 4}));
  EXPECT_TRUE(aQuery.Perform(Trivex::BoxData(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1)), aFound, 0.0));
  EXPECT_EQ(aQuery.Indices(), std::vector<int>({0, 1, 2, 3}));
  EXPECT_FALSE(aQuery.Perform(Trivex::BoxData(), aFound));
  EXPECT_TRUE(aFound.empty());
  // Void and unbounded boxes alone make a set that is never built.
  Handle(Trivex::BoxSet) aVoid =
      new Trivex::BoxSet({Trivex::BoxData(), Trivex::BoxData(gp_XYZ(0, 0, 0), gp_XYZ(1e308 * 10, 1, 1))});
  aVoid->InitBuilder();
  EXPECT_FALSE(aVoid->Build());
  EXPECT_FALSE(
      Trivex::IntersectBoxBox(aVoid).Perform(Trivex::BoxData(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1)), aFound));
  EXPECT_EQ(aVoid->NbBoxes(), 2);
  EXPECT_EQ(aVoid->Box(5).Index(), -1);
}

TEST(Trivex_IntersectBoxBoxTest, TwoThreadsBuildAndQueryLikeOne)
{
  std::mt19937                       aGen(52);
  const std::vector<Trivex::BoxData> aBoxes   = cells(aGen, 40000);
  const std::vector<Trivex::BoxData> aQueries = cells(aGen, 3000);
  Handle(Trivex::BoxSet)             aSet1 = built(aBoxes, 1), aSet2 = built(aBoxes, 2);
  std::vector<std::vector<int>>      aSerial(aQueries.size()), aParallel(aQueries.size());
  Trivex::IntersectBoxBox            aQuery(aSet1);
  std::vector<Trivex::BoxData>       aFound;
  for (size_t i = 0; i < aQueries.size(); ++i)
  {
    aQuery.Perform(aQueries[i], aFound);
    aSerial[i] = aQuery.Indices();
  }
#pragma omp parallel num_threads(2)
  {
    Trivex::IntersectBoxBox      aLocal(aSet2);
    std::vector<Trivex::BoxData> aLocalFound;
#pragma omp for schedule(dynamic, 1)
    for (int i = 0; i < static_cast<int>(aQueries.size()); ++i)
    {
      aLocal.Perform(aQueries[static_cast<size_t>(i)], aLocalFound);
      aParallel[static_cast<size_t>(i)] = aLocal.Indices();
    }
  }
  EXPECT_EQ(aSerial, aParallel);
}
