#include <Algo_TriangulatePolygon2d.hxx>

#include <PelliskTest_Polygons.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>

using PelliskTest_Polygons::CheckTriangulation;

namespace
{
using Triangle = std::array<size_t, 3>;

Algo_TriangulatePolygon2d triangulate(const std::vector<gp_Pnt2d>& thePoints)
{
  Algo_TriangulatePolygon2d anAlgo;
  anAlgo.SetPoints(thePoints);
  anAlgo.Perform();
  return anAlgo;
}

std::vector<Triangle> triangles(const Algo_TriangulatePolygon2d& theAlgo)
{
  std::vector<Triangle> aResult(theAlgo.NbTriangles());
  for (size_t t = 0; t < aResult.size(); ++t)
  {
    theAlgo.GetTriangleNodes(t, aResult[t][0], aResult[t][1], aResult[t][2]);
  }
  return aResult;
}

// The polygon with its points renumbered to start at theShift.
std::vector<gp_Pnt2d> shifted(const std::vector<gp_Pnt2d>& thePoints, size_t theShift)
{
  std::vector<gp_Pnt2d> aResult(thePoints);
  std::rotate(aResult.begin(), aResult.begin() + static_cast<long>(theShift), aResult.end());
  return aResult;
}

// The polygon moved by a rigid motion and a scale.
std::vector<gp_Pnt2d>
moved(const std::vector<gp_Pnt2d>& thePoints, double theScale, double theAngle, const gp_XY& theOffset)
{
  std::vector<gp_Pnt2d> aResult;
  const double          c = std::cos(theAngle), s = std::sin(theAngle);
  for (const gp_Pnt2d& p : thePoints)
  {
    aResult.emplace_back(gp_XY(c * p.X() - s * p.Y(), s * p.X() + c * p.Y()) * theScale + theOffset);
  }
  return aResult;
}

void expectTiles(const std::vector<gp_Pnt2d>& thePoints, double theMinArea, const std::string& theWhat)
{
  const Algo_TriangulatePolygon2d anAlgo = triangulate(thePoints);
  ASSERT_TRUE(anAlgo.IsDone()) << theWhat;
  EXPECT_EQ(CheckTriangulation(thePoints, anAlgo.Triangles(), theMinArea), "") << theWhat;
}
} // namespace

TEST(Algo_TriangulatePolygon2dTest, TriangleIsTakenAsGivenAndRerunStartsAfresh)
{
  Algo_TriangulatePolygon2d anAlgo;
  EXPECT_FALSE(anAlgo.IsDone());
  EXPECT_EQ(anAlgo.NbTriangles(), 0u);

  anAlgo.SetPoints({gp_Pnt2d(0, 0), gp_Pnt2d(1, 0), gp_Pnt2d(1, 1), gp_Pnt2d(0, 1)});
  anAlgo.Perform();
  ASSERT_EQ(anAlgo.NbTriangles(), 2u);

  // Three points are the triangle whatever their shape, clockwise or flat.
  for (const auto& aPoints : {std::vector<gp_Pnt2d>{gp_Pnt2d(0, 0), gp_Pnt2d(0, 1), gp_Pnt2d(1, 0)},
                              std::vector<gp_Pnt2d>{gp_Pnt2d(0, 0), gp_Pnt2d(1, 0), gp_Pnt2d(2, 0)}})
  {
    anAlgo.SetPoints(aPoints);
    anAlgo.Perform();
    ASSERT_TRUE(anAlgo.IsDone());
    EXPECT_EQ(triangles(anAlgo), (std::vector<Triangle>{{0, 1, 2}}));
  }

  // Out-of-range triangle numbers leave the outputs alone.
  size_t a = 7, b = 8, c = 9;
  anAlgo.GetTriangleNodes(1, a, b, c);
  EXPECT_EQ(Triangle({a, b, c}), Triangle({7, 8, 9}));
}

TEST(Algo_TriangulatePolygon2dTest, SquareIsCutAtTheFirstClearEarInIndexOrder)
{
  const Algo_TriangulatePolygon2d aCcw =
      triangulate({gp_Pnt2d(0, 0), gp_Pnt2d(1, 0), gp_Pnt2d(1, 1), gp_Pnt2d(0, 1)});
  ASSERT_TRUE(aCcw.IsDone());
  EXPECT_EQ(triangles(aCcw), (std::vector<Triangle>{{3, 0, 1}, {3, 1, 2}}));

  // Clockwise input is cut the same way and its triangles stay clockwise.
  const std::vector<gp_Pnt2d> aCwPoints = {gp_Pnt2d(0, 0), gp_Pnt2d(0, 1), gp_Pnt2d(1, 1), gp_Pnt2d(1, 0)};
  const Algo_TriangulatePolygon2d aCw   = triangulate(aCwPoints);
  ASSERT_TRUE(aCw.IsDone());
  EXPECT_EQ(triangles(aCw), (std::vector<Triangle>{{3, 0, 1}, {3, 1, 2}}));
  EXPECT_EQ(CheckTriangulation(aCwPoints, aCw.Triangles(), 0.0), "");
}

TEST(Algo_TriangulatePolygon2dTest, ReflexCornerIsNeverCutOff)
{
  // Point 3 is the reflex corner of the L: the ear (2, 3, 4) would lie outside.
  const std::vector<gp_Pnt2d> anL = {gp_Pnt2d(0, 0), gp_Pnt2d(2, 0), gp_Pnt2d(2, 1),
                                     gp_Pnt2d(1, 1), gp_Pnt2d(1, 2), gp_Pnt2d(0, 2)};
  for (size_t aShift = 0; aShift < anL.size(); ++aShift)
  {
    const std::vector<gp_Pnt2d>     aPoints = shifted(anL, aShift);
    const Algo_TriangulatePolygon2d anAlgo  = triangulate(aPoints);
    ASSERT_TRUE(anAlgo.IsDone()) << "start " << aShift;
    EXPECT_EQ(anAlgo.NbTriangles(), 4u);
    EXPECT_EQ(CheckTriangulation(aPoints, anAlgo.Triangles(), 1e-9), "") << "start " << aShift;
  }
}

TEST(Algo_TriangulatePolygon2dTest, CollinearPointsGiveNoFlatTriangleFromAnyStart)
{
  // Three points in a row on the bottom side, and a voxel-face L whose sides
  // carry their midpoints: wherever the numbering starts, the middle points
  // must never become the tip of a flat ear.
  const std::vector<gp_Pnt2d> aRow = {gp_Pnt2d(0, 0), gp_Pnt2d(1, 0), gp_Pnt2d(2, 0), gp_Pnt2d(2, 2),
                                      gp_Pnt2d(0, 2)};
  const std::vector<gp_Pnt2d> anL  = {gp_Pnt2d(0, 0), gp_Pnt2d(1, 0), gp_Pnt2d(2, 0), gp_Pnt2d(2, 1),
                                      gp_Pnt2d(1, 1), gp_Pnt2d(1, 2), gp_Pnt2d(0, 2), gp_Pnt2d(0, 1)};
  for (const auto& aPolygon : {aRow, anL})
  {
    for (size_t aShift = 0; aShift < aPolygon.size(); ++aShift)
    {
      expectTiles(shifted(aPolygon, aShift), 1e-9, "start " + std::to_string(aShift));
    }
  }
}

TEST(Algo_TriangulatePolygon2dTest, DegenerateInputEndsNotDone)
{
  const double                             aNaN   = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::vector<gp_Pnt2d>> aCases = {
      {},
      {gp_Pnt2d(0, 0)},
      {gp_Pnt2d(0, 0), gp_Pnt2d(1, 0)},
      {gp_Pnt2d(0, 0), gp_Pnt2d(1, 0), gp_Pnt2d(2, 0), gp_Pnt2d(3, 0)},
      {gp_Pnt2d(0, 0), gp_Pnt2d(1, 1), gp_Pnt2d(3, 3), gp_Pnt2d(2, 2), gp_Pnt2d(-1, -1)},
      {gp_Pnt2d(1, 1), gp_Pnt2d(1, 1), gp_Pnt2d(1, 1), gp_Pnt2d(1, 1)},
      {gp_Pnt2d(0, 0), gp_Pnt2d(aNaN, 0), gp_Pnt2d(1, 1), gp_Pnt2d(0, 1)},
      {gp_Pnt2d(aNaN, aNaN), gp_Pnt2d(aNaN, aNaN), gp_Pnt2d(aNaN, aNaN), gp_Pnt2d(aNaN, aNaN)}};
  for (size_t c = 0; c < aCases.size(); ++c)
  {
    EXPECT_FALSE(triangulate(aCases[c]).IsDone()) << "case " << c;
  }
}

TEST(Algo_TriangulatePolygon2dTest, SelfCrossingOrTooFineInputNeverGivesAWrongResult)
{
  // A bow tie and a square with a doubled point cannot be tiled; a square
  // whose sides are shorter than the length tolerance is refused as well.
  const std::vector<std::vector<gp_Pnt2d>> aCases = {
      {gp_Pnt2d(0, 0), gp_Pnt2d(1, 1), gp_Pnt2d(1, 0), gp_Pnt2d(0, 1)},
      {gp_Pnt2d(0, 0), gp_Pnt2d(1, 0), gp_Pnt2d(1, 0), gp_Pnt2d(1, 1), gp_Pnt2d(0, 1)},
      {gp_Pnt2d(0, 0), gp_Pnt2d(1e-4, 0), gp_Pnt2d(1e-4, 1e-4), gp_Pnt2d(0, 1e-4)}};
  for (size_t c = 0; c < aCases.size(); ++c)
  {
    const Algo_TriangulatePolygon2d anAlgo = triangulate(aCases[c]);
    if (anAlgo.IsDone())
    {
      EXPECT_EQ(CheckTriangulation(aCases[c], anAlgo.Triangles(), 0.0), "") << "case " << c;
    }
  }
  EXPECT_FALSE(triangulate(aCases[0]).IsDone());
  EXPECT_FALSE(triangulate(aCases[2]).IsDone());
}

TEST(Algo_TriangulatePolygon2dTest, RayThroughAVertexIsRetriedInAnotherDirection)
{
  // The first candidate ear (6, 0, 1) closes the notch from the outside: its
  // diagonal's middle (0, 2) is outside, and the ray along +X passes exactly
  // through the notch tip (2, 2) before leaving through the right side.
  // Counting the grazed tip as zero or two crossings would call it inside.
  const std::vector<gp_Pnt2d> aNotch = {gp_Pnt2d(2, 2), gp_Pnt2d(0, 1), gp_Pnt2d(0, 0), gp_Pnt2d(6, 0),
                                        gp_Pnt2d(6, 4), gp_Pnt2d(0, 4), gp_Pnt2d(0, 3)};
  expectTiles(aNotch, 1e-9, "notch");

  // Here the middle (1, 1) of the first diagonal is inside, and its ray leaves
  // through the vertex (3, 1): the ear at point 0 must still be taken first.
  const Algo_TriangulatePolygon2d aPentagon =
      triangulate({gp_Pnt2d(0, 0), gp_Pnt2d(2, 0), gp_Pnt2d(3, 1), gp_Pnt2d(2, 2), gp_Pnt2d(0, 2)});
  ASSERT_TRUE(aPentagon.IsDone());
  EXPECT_EQ(triangles(aPentagon).front(), (Triangle{4, 0, 1}));
}

TEST(Algo_TriangulatePolygon2dTest, RandomStarPolygonsAreTiled)
{
  std::mt19937 aGenerator(20240611u);
  for (int aCase = 0; aCase < 300; ++aCase)
  {
    const int             aNbPoints = 4 + aCase % 37;
    std::vector<gp_Pnt2d> aPoints   = PelliskTest_Polygons::Star(aGenerator, aNbPoints);
    if (aCase % 2 == 1)
    {
      std::reverse(aPoints.begin(), aPoints.end());
    }
    expectTiles(aPoints, 1e-12, "star " + std::to_string(aCase));
  }
}

TEST(Algo_TriangulatePolygon2dTest, RandomVoxelFaceOutlinesAreTiledWithoutFlatTriangles)
{
  std::mt19937                           aGenerator(77u);
  std::uniform_real_distribution<double> anAngle(0.0, 2.0 * M_PI), anOffset(-100.0, 100.0);
  for (int aCase = 0; aCase < 300; ++aCase)
  {
    const bool                  isKeepingCollinear = aCase % 3 != 0;
    const std::vector<gp_Pnt2d> aGrid =
        PelliskTest_Polygons::Rectilinear(aGenerator, 5, 2 + aCase % 12, isKeepingCollinear);
    // Cells of 0.01 on axis-aligned faces, as the skin builder makes them, and
    // the same outline turned and moved.
    const double aScale = aCase % 2 == 0 ? 0.01 : 0.5;
    for (const auto& aPoints :
         {moved(aGrid, aScale, 0.0, gp_XY(anOffset(aGenerator), anOffset(aGenerator))),
          moved(aGrid, aScale, anAngle(aGenerator), gp_XY(anOffset(aGenerator), anOffset(aGenerator)))})
    {
      expectTiles(aPoints, 1e-6 * aScale * aScale, "outline " + std::to_string(aCase));
    }
  }
}
