// The 3d triangulator projects a polygon onto its plane and cuts it with the
// 2d one: both are tested here, each polygon in the plane and on the faces of a cube.
#include <Algo_TriangulatePolygon3d.hxx>

#include <Algo_TriangulatePolygon2d.hxx>
#include <PelliskTest_Polygons.hxx>

#include <gp_Ax1.hxx>
#include <gp_Trsf.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <thread>

using PelliskTest_Polygons::CheckTriangulation;
using Polygon   = std::vector<gp_Pnt2d>;
using Triangles = std::vector<std::uint64_t>;

namespace
{
// The polygon on the face across axis theFace / 2 of a cube (its first axis
// along the next axis, mirrored on odd faces), then moved by theMove.
std::vector<gp_Pnt> placed(const Polygon& thePoints, int theFace, const gp_Trsf& theMove = gp_Trsf())
{
  std::vector<gp_Pnt> aResult;
  for (const gp_Pnt2d& aPoint : thePoints)
  {
    gp_XYZ aCoord;
    aCoord.SetCoord((theFace / 2 + 1) % 3 + 1, theFace % 2 == 1 ? -aPoint.X() : aPoint.X());
    aCoord.SetCoord((theFace / 2 + 2) % 3 + 1, aPoint.Y());
    aResult.push_back(gp_Pnt(aCoord).Transformed(theMove));
  }
  return aResult;
}

template <class Algo, class Points>
Triangles triangulate(const Points& thePoints, bool& theIsDone)
{
  Algo anAlgo;
  anAlgo.SetPoints(thePoints);
  anAlgo.Perform();
  theIsDone = anAlgo.IsDone();
  return anAlgo.Triangles();
}

// Checks that the polygon is tiled in the plane from every starting point, and
// on the six faces of a cube, as they are and moved by theMove (turns and
// mirrors keep the orientation of the triangles relative to the polygon's).
// From the first point the triangles start with theLeading ones.
void expectTiles(const Polygon&   thePoints,
                 double           theMinArea,
                 const gp_Trsf&   theMove,
                 const Triangles& theLeading = {})
{
  for (int aRun = -int(thePoints.size()); aRun < 12; ++aRun)
  {
    const long aStart  = aRun < 0 ? aRun + long(thePoints.size()) : 0;
    Polygon    aPoints = thePoints;
    bool       isDone  = false;
    std::rotate(aPoints.begin(), aPoints.begin() + aStart, aPoints.end());
    const Triangles aTriangles = aRun < 0
                                     ? triangulate<Algo_TriangulatePolygon2d>(aPoints, isDone)
                                     : triangulate<Algo_TriangulatePolygon3d>(
                                           placed(aPoints, aRun % 6, aRun < 6 ? gp_Trsf() : theMove), isDone);
    ASSERT_TRUE(isDone) << "run " << aRun;
    EXPECT_EQ(CheckTriangulation(aPoints, aTriangles, theMinArea), "") << "run " << aRun;
    EXPECT_TRUE(aStart > 0 || std::equal(theLeading.begin(), theLeading.end(), aTriangles.begin()))
        << "run " << aRun;
  }
}
} // namespace

TEST(Algo_TriangulatePolygon3dTest, SpecialPolygonsAreTiledOrRefused)
{
  gp_Trsf aMove;
  aMove.SetRotation(gp_Ax1(gp_Pnt(0, 0, 0), gp_Dir(1, 2, 3)), 0.7);
  aMove.SetTranslationPart(gp_Vec(5, -3, 2));
  // Tiled from every starting point; from the first, the leading triangles are known.
  const std::vector<std::pair<Polygon, Triangles>> aTiled = {
      // Ears are cut at the first clear one in index order, for either orientation.
      {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {3, 0, 1, 3, 1, 2}},
      {{{0, 0}, {0, 1}, {1, 1}, {1, 0}}, {3, 0, 1, 3, 1, 2}},
      // An L: the ear (2, 3, 4) at the reflex corner would lie outside.
      {{{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, {}},
      // The first corner (0, 1, 2) of this L turns right, so in space the
      // plane's normal is the opposite of the polygon's.
      {{{1, 2}, {1, 1}, {2, 1}, {2, 0}, {0, 0}, {0, 2}}, {}},
      // Middle points of straight runs must never become the tip of a flat ear.
      {{{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}}, {}},
      {{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}, {0, 1}}, {}},
      // The first ear (6, 0, 1) closes the notch from outside: the ray from its
      // diagonal's middle (0, 2) along +X grazes the notch tip (2, 2); counting
      // that as zero or two crossings would call the middle inside.
      {{{2, 2}, {0, 1}, {0, 0}, {6, 0}, {6, 4}, {0, 4}, {0, 3}}, {}},
      // The middle (1, 1) of the first diagonal is inside; its ray leaves through the vertex (3, 1).
      {{{0, 0}, {2, 0}, {3, 1}, {2, 2}, {0, 2}}, {4, 0, 1}}};
  for (const auto& [aPolygon, aLeading] : aTiled)
  {
    SCOPED_TRACE("polygon " + std::to_string(&aPolygon - &aTiled[0].first));
    expectTiles(aPolygon, 1e-9, aMove, aLeading);
    // Limits follow the polygon's size: scaled and moved far away, in the
    // plane and in space, it is cut the same way.
    bool            isDone = false;
    const Triangles aPlane = triangulate<Algo_TriangulatePolygon2d>(aPolygon, isDone);
    const Triangles aSpace = triangulate<Algo_TriangulatePolygon3d>(placed(aPolygon, 1, aMove), isDone);
    for (const double aScale : {1e-5, 1e5})
    {
      Polygon aScaled;
      for (const gp_Pnt2d& aPoint : aPolygon)
      {
        aScaled.emplace_back((aPoint.XY() + gp_XY(3e5, -7e5)) * aScale);
      }
      gp_Trsf aFar = aMove;
      aFar.SetTranslationPart(gp_Vec(-4e5 * aScale, 2e5 * aScale, 6e5 * aScale));
      EXPECT_EQ(triangulate<Algo_TriangulatePolygon2d>(aScaled, isDone), aPlane) << aScale;
      EXPECT_EQ(triangulate<Algo_TriangulatePolygon3d>(placed(aScaled, 1, aFar), isDone), aSpace) << aScale;
    }
  }
  // One object cuts these in turn, each run starting afresh. Too few points,
  // all on one line or at one place, not numbers, a bow tie, a chevron whose
  // one inner diagonal is short for the polygon's size: refused. Three points
  // are the triangle whatever their shape.
  const double                                     aNaN   = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::pair<Polygon, Triangles>> aFixed = {
      {{}, {}},
      {{{0, 0}}, {}},
      {{{0, 0}, {1, 0}}, {}},
      {{{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {}},
      {{{0, 0}, {1, 1}, {3, 3}, {2, 2}, {-1, -1}}, {}},
      {{{1, 1}, {1, 1}, {1, 1}, {1, 1}}, {}},
      {{{0, 0}, {aNaN, 0}, {1, 1}, {0, 1}}, {}},
      {{{aNaN, aNaN}, {aNaN, aNaN}, {aNaN, aNaN}, {aNaN, aNaN}}, {}},
      {{{0, 0}, {1, 1}, {1, 0}, {0, 1}}, {}},
      {{{-1, -1}, {0, 1}, {1, -1}, {0, 0.9999}}, {}},
      aTiled[0],
      {{{0, 0}, {0, 1}, {1, 0}}, {0, 1, 2}},
      {{{0, 0}, {1, 0}, {2, 0}}, {0, 1, 2}}};
  Algo_TriangulatePolygon2d anAlgo;
  bool                      isDone = false;
  for (const auto& [aPoints, aTriangles] : aFixed)
  {
    SCOPED_TRACE("fixed polygon " + std::to_string(&aPoints - &aFixed[0].first));
    anAlgo.SetPoints(aPoints);
    anAlgo.Perform();
    EXPECT_TRUE(anAlgo.Triangles() == aTriangles && anAlgo.IsDone() == !aTriangles.empty());
    EXPECT_TRUE(triangulate<Algo_TriangulatePolygon3d>(placed(aPoints, 0, aMove), isDone) == aTriangles &&
                isDone == !aTriangles.empty());
  }
  // Out of range triangle numbers leave the outputs alone.
  size_t a = 7, b = 8, c = 9;
  anAlgo.GetTriangleNodes(1, a, b, c);
  EXPECT_EQ(std::vector<size_t>({a, b, c}), std::vector<size_t>({7, 8, 9}));
  anAlgo.GetTriangleNodes(0, a, b, c);
  EXPECT_EQ(std::vector<size_t>({a, b, c}), std::vector<size_t>({0, 1, 2}));
  // A doubled point cannot be tiled, but must give no wrong result.
  const Polygon   aDoubled   = {{0, 0}, {1, 0}, {1, 0}, {1, 1}, {0, 1}};
  const Triangles aTriangles = triangulate<Algo_TriangulatePolygon2d>(aDoubled, isDone);
  EXPECT_TRUE(!isDone || CheckTriangulation(aDoubled, aTriangles, 0.0).empty());
}

TEST(Algo_TriangulatePolygon3dTest, RandomPolygonsAreTiledAlsoInConcurrentRuns)
{
  std::mt19937                                      aGenerator(20240611u);
  std::uniform_real_distribution<double>            aUnit(-1.0, 1.0);
  std::vector<std::tuple<Polygon, double, gp_Trsf>> aCases; // polygon, least area, move
  for (int aCase = 0; aCase < 200; ++aCase)
  {
    // Stars either way round, and voxel-face outlines of cells of 0.01 (as
    // the skin makes them) or 0.5, far from the origin, along the axes or turned.
    Polygon aStar = PelliskTest_Polygons::Star(aGenerator, 4 + aCase % 37), anOutline;
    std::reverse(aStar.begin(), aCase % 2 == 1 ? aStar.end() : aStar.begin());
    const double aCell = aCase % 2 == 0 ? 0.01 : 0.5;
    const gp_XY  aShift(100 * aUnit(aGenerator), 100 * aUnit(aGenerator));
    for (const gp_Pnt2d& aPoint :
         PelliskTest_Polygons::Rectilinear(aGenerator, 5, 2 + aCase % 12, aCase % 3 != 0))
    {
      anOutline.emplace_back(aPoint.XY() * aCell + aShift);
    }
    gp_Trsf aMove;
    if (aCase % 4 > 1)
    {
      aMove.SetRotation(
          gp_Ax1(gp_Pnt(), gp_Dir(aUnit(aGenerator), aUnit(aGenerator), 0.1 + aUnit(aGenerator))),
          3.0 * aUnit(aGenerator));
    }
    aCases.insert(aCases.end(), {{aStar, 1e-12, aMove}, {anOutline, 1e-6 * aCell * aCell, aMove}});
  }
  // The skin builder triangulates the faces of a shell in a parallel loop:
  // another thread tiles every other polygon meanwhile.
  const auto aCheck = [&aCases](size_t theFirst)
  {
    for (size_t aCase = theFirst; aCase < aCases.size(); aCase += 2)
    {
      SCOPED_TRACE("polygon " + std::to_string(aCase));
      expectTiles(std::get<0>(aCases[aCase]), std::get<1>(aCases[aCase]), std::get<2>(aCases[aCase]));
    }
  };
  std::thread anOther(aCheck, 1);
  aCheck(0);
  anOther.join();
}
