#include <Algo_TriangulatePolygon3d.hxx>

#include <PelliskTest_Polygons.hxx>

#include <gp_Ax3.hxx>
#include <gp_Trsf.hxx>

#include <gtest/gtest.h>

#include <random>
#include <thread>

using PelliskTest_Polygons::CheckTriangulation;

namespace
{
Algo_TriangulatePolygon3d triangulate(const std::vector<gp_Pnt>& thePoints)
{
  Algo_TriangulatePolygon3d anAlgo;
  anAlgo.SetPoints(thePoints);
  anAlgo.Perform();
  return anAlgo;
}

// Normal of the polygon by Newell's sum: points along it see the polygon counter-clockwise.
gp_XYZ newellNormal(const std::vector<gp_Pnt>& thePoints)
{
  gp_XYZ aSum(0, 0, 0);
  for (size_t i = 0; i < thePoints.size(); ++i)
  {
    aSum += thePoints[i].XYZ().Crossed(thePoints[(i + 1) % thePoints.size()].XYZ());
  }
  return aSum;
}

// The polygon in a right-handed frame of its own plane, so that orientation is kept.
std::vector<gp_Pnt2d> flattened(const std::vector<gp_Pnt>& thePoints)
{
  const gp_Ax3          aFrame(thePoints.front(), gp_Dir(newellNormal(thePoints)));
  std::vector<gp_Pnt2d> aResult;
  for (const gp_Pnt& p : thePoints)
  {
    const gp_XYZ v = p.XYZ() - aFrame.Location().XYZ();
    aResult.emplace_back(v.Dot(aFrame.XDirection().XYZ()), v.Dot(aFrame.YDirection().XYZ()));
  }
  return aResult;
}

std::vector<gp_Pnt> placed(const std::vector<gp_Pnt2d>& thePoints, const gp_Trsf& theMove)
{
  std::vector<gp_Pnt> aResult;
  for (const gp_Pnt2d& p : thePoints)
  {
    aResult.push_back(gp_Pnt(p.X(), p.Y(), 0.0).Transformed(theMove));
  }
  return aResult;
}

// The face of the polygon on the plane through the origin across axis theAxis,
// its first in-plane axis along the next axis, mirrored when theIsMirrored.
std::vector<gp_Pnt> onAxisFace(const std::vector<gp_Pnt2d>& thePoints, int theAxis, bool theIsMirrored)
{
  std::vector<gp_Pnt> aResult;
  for (const gp_Pnt2d& p : thePoints)
  {
    double aCoord[3]          = {0, 0, 0};
    aCoord[(theAxis + 1) % 3] = theIsMirrored ? -p.X() : p.X();
    aCoord[(theAxis + 2) % 3] = p.Y();
    aResult.emplace_back(aCoord[0], aCoord[1], aCoord[2]);
  }
  return aResult;
}

void expectTiles(const std::vector<gp_Pnt>& thePoints, double theMinArea, const std::string& theWhat)
{
  const Algo_TriangulatePolygon3d anAlgo = triangulate(thePoints);
  ASSERT_TRUE(anAlgo.IsDone()) << theWhat;
  EXPECT_EQ(CheckTriangulation(flattened(thePoints), anAlgo.Triangles(), theMinArea), "") << theWhat;
}
} // namespace

TEST(Algo_TriangulatePolygon3dTest, TooFewOrCollinearPointsGiveNothing)
{
  const std::vector<std::vector<gp_Pnt>> aCases = {
      {},
      {gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1)},
      {gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1), gp_Pnt(2, 2, 2), gp_Pnt(3, 3, 3)},
      {gp_Pnt(1, 2, 3), gp_Pnt(1, 2, 3), gp_Pnt(1, 2, 3), gp_Pnt(1, 2, 3)}};
  for (size_t c = 0; c < aCases.size(); ++c)
  {
    const Algo_TriangulatePolygon3d anAlgo = triangulate(aCases[c]);
    EXPECT_FALSE(anAlgo.IsDone()) << "case " << c;
    EXPECT_EQ(anAlgo.NbTriangles(), 0u) << "case " << c;
  }

  const Algo_TriangulatePolygon3d aTriangle =
      triangulate({gp_Pnt(0, 0, 5), gp_Pnt(0, 1, 5), gp_Pnt(1, 0, 5)});
  ASSERT_TRUE(aTriangle.IsDone());
  size_t a = 9, b = 9, c = 9;
  aTriangle.GetTriangleNodes(0, a, b, c);
  EXPECT_EQ(std::vector<size_t>({a, b, c}), std::vector<size_t>({0, 1, 2}));
}

TEST(Algo_TriangulatePolygon3dTest, SquareInSpaceIsCutLikeThePlanarOne)
{
  gp_Trsf aMove;
  aMove.SetRotation(gp_Ax1(gp_Pnt(0, 0, 0), gp_Dir(1, 2, 3)), 0.7);
  aMove.SetTranslationPart(gp_Vec(5, -3, 2));
  const std::vector<gp_Pnt> aSquare =
      placed({gp_Pnt2d(0, 0), gp_Pnt2d(1, 0), gp_Pnt2d(1, 1), gp_Pnt2d(0, 1)}, aMove);
  const Algo_TriangulatePolygon3d anAlgo = triangulate(aSquare);
  ASSERT_TRUE(anAlgo.IsDone());
  EXPECT_EQ(anAlgo.Triangles(), (std::vector<std::uint64_t>{3, 0, 1, 3, 1, 2}));
}

TEST(Algo_TriangulatePolygon3dTest, ReflexFirstCornerKeepsThePolygonsOrientation)
{
  // The first corner (0, 1, 2) of this L turns right, so the plane's normal
  // is the opposite of the polygon's: the triangles must still turn left.
  const std::vector<gp_Pnt2d> anL = {gp_Pnt2d(1, 2), gp_Pnt2d(1, 1), gp_Pnt2d(2, 1),
                                     gp_Pnt2d(2, 0), gp_Pnt2d(0, 0), gp_Pnt2d(0, 2)};
  ASSERT_LT(PelliskTest_Polygons::SignedArea(anL), 0.0);
  for (int anAxis = 0; anAxis < 3; ++anAxis)
  {
    for (const bool isMirrored : {false, true})
    {
      expectTiles(onAxisFace(anL, anAxis, isMirrored), 1e-9, "axis " + std::to_string(anAxis));
    }
  }
}

TEST(Algo_TriangulatePolygon3dTest, RandomPolygonsInRandomPlanesAreTiled)
{
  std::mt19937                           aGenerator(4242u);
  std::uniform_real_distribution<double> aUnit(-1.0, 1.0);
  for (int aCase = 0; aCase < 200; ++aCase)
  {
    const std::vector<gp_Pnt2d> aPlanar =
        aCase % 2 == 0 ? PelliskTest_Polygons::Star(aGenerator, 4 + aCase % 20)
                       : PelliskTest_Polygons::Rectilinear(aGenerator, 5, 2 + aCase % 12, true);
    gp_Trsf aMove;
    aMove.SetRotation(
        gp_Ax1(gp_Pnt(0, 0, 0), gp_Dir(aUnit(aGenerator), aUnit(aGenerator), 0.1 + aUnit(aGenerator))),
        3.0 * aUnit(aGenerator));
    aMove.SetTranslationPart(gp_Vec(10 * aUnit(aGenerator), 10 * aUnit(aGenerator), 10 * aUnit(aGenerator)));
    expectTiles(placed(aPlanar, aMove), 1e-9, "polygon " + std::to_string(aCase));
  }
}

TEST(Algo_TriangulatePolygon3dTest, VoxelFacesOnEverySideAreTiledWithoutFlatTriangles)
{
  std::mt19937 aGenerator(99u);
  for (int aCase = 0; aCase < 100; ++aCase)
  {
    std::vector<gp_Pnt2d> aPlanar = PelliskTest_Polygons::Rectilinear(aGenerator, 4, 2 + aCase % 10, true);
    for (gp_Pnt2d& p : aPlanar)
    {
      p.SetXY(p.XY() * 0.05 + gp_XY(3.0, -2.0));
    }
    for (int anAxis = 0; anAxis < 3; ++anAxis)
    {
      for (const bool isMirrored : {false, true})
      {
        expectTiles(onAxisFace(aPlanar, anAxis, isMirrored), 1e-6 * 0.05 * 0.05,
                    "face " + std::to_string(aCase) + " axis " + std::to_string(anAxis));
      }
    }
  }
}

TEST(Algo_TriangulatePolygon3dTest, ConcurrentRunsMatchSequentialOnes)
{
  // The skin builder triangulates the faces of a shell in a parallel loop.
  std::mt19937                     aGenerator(5u);
  std::vector<std::vector<gp_Pnt>> aPolygons;
  for (int i = 0; i < 64; ++i)
  {
    aPolygons.push_back(
        onAxisFace(PelliskTest_Polygons::Rectilinear(aGenerator, 5, 3 + i % 9, true), i % 3, i % 2 == 0));
  }
  std::vector<std::vector<std::uint64_t>> aSequential, aThreaded(aPolygons.size());
  for (const auto& aPolygon : aPolygons)
  {
    aSequential.push_back(triangulate(aPolygon).Triangles());
  }
  const auto aWork = [&](size_t theFirst)
  {
    for (size_t i = theFirst; i < aPolygons.size(); i += 2)
    {
      aThreaded[i] = triangulate(aPolygons[i]).Triangles();
    }
  };
  std::thread anOther(aWork, 1);
  aWork(0);
  anOther.join();
  EXPECT_EQ(aThreaded, aSequential);
}
