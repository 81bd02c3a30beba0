// Face triangulation: polygons of many shapes become triangles that tile them
// with their orientation, degenerate faces are repaired, the metric chooses,
// and the skins of real meshes triangulate whole at any scale and thread count.
#include <HalfEdgeAlgo_Triangulate.hxx>

#include <Algo_Voxelization.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <PelliskTest_Polygons.hxx>
#include <PelliskTest_Skins.hxx>

#include <gp_Ax1.hxx>
#include <gp_Trsf.hxx>

#include <gtest/gtest.h>

namespace
{
using Outline = std::vector<gp_XY>; // counter-clockwise

// One face through the outline's points (in the plane z = 0, scaled, then moved).
Handle(HalfEdge_Mesh) polygon(const Outline& theOutline, double theScale, const gp_Trsf& theMove)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh();
  std::list<int>        aNodes;
  for (const gp_XY& aPoint : theOutline)
  {
    aNodes.push_back(
        aMesh->AddNode(gp_Pnt(gp_XYZ(aPoint.X(), aPoint.Y(), 0) * theScale).Transformed(theMove)));
  }
  aMesh->AddFace(aNodes, true);
  return aMesh;
}

// Twice the area vector of the face's corner loop.
gp_XYZ doubledArea(const Handle(HalfEdge_Mesh)& theMesh, const std::list<int>& theCorners)
{
  gp_XYZ anArea, aFirst = theMesh->Node(theCorners.front()).XYZ(), aPrevious = aFirst;
  for (const int aCorner : theCorners)
  {
    anArea += (aPrevious - aFirst).Crossed(theMesh->Node(aCorner).XYZ() - aFirst);
    aPrevious = theMesh->Node(aCorner).XYZ();
  }
  return anArea;
}

bool execute(const Handle(HalfEdge_Mesh)& theMesh, const std::string& theMetric, unsigned int theNbThreads)
{
  Handle(HalfEdgeAlgo_Triangulate) anAlgo = new HalfEdgeAlgo_Triangulate(theMetric);
  anAlgo->SetNbThreads(theNbThreads);
  return theMesh->Execute(anAlgo, true);
}

std::vector<std::list<int>> faces(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::vector<std::list<int>> aFaces;
  for (auto aFace = theMesh->FacesBegin(); aFace != theMesh->FacesEnd(); ++aFace)
  {
    aFaces.push_back(*aFace);
  }
  return aFaces;
}

// Skewness of a triangle, written out: 1 - (P/l1 - 2)(P/l2 - 2)(P/l3 - 2).
double skewness(const gp_XY& theA, const gp_XY& theB, const gp_XY& theC)
{
  const double l1 = (theB - theA).Modulus(), l2 = (theC - theB).Modulus(), l3 = (theA - theC).Modulus();
  const double p = l1 + l2 + l3;
  return 1.0 - (p / l1 - 2.0) * (p / l2 - 2.0) * (p / l3 - 2.0);
}
} // namespace

TEST(HalfEdgeAlgo_TriangulateTest, RandomPolygonsTileThemselvesAndTiesGoToTheSmallerSide)
{
  // A square ties: with the metric the smaller side number wins (diagonal 0-2), without it the
  // first ear (1-3); each piece is read from its diagonal or its first side on.
  for (const auto& [aMetric, aPieces] : std::map<std::string, std::vector<std::list<int>>>{
           {"skewness", {{0, 1, 2}, {2, 3, 0}}}, {"", {{3, 0, 1}, {1, 2, 3}}}})
  {
    const Handle(HalfEdge_Mesh) aSquare = polygon({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1.0, gp_Trsf());
    EXPECT_TRUE(execute(aSquare, aMetric, 1));
    EXPECT_EQ(faces(aSquare), aPieces) << aMetric;
  }
  // Stars and grid outlines (straight runs of corners tie) tile themselves the
  // same way for 1 and 2 threads, checked against their points by brute force.
  std::mt19937 aGenerator(11);
  for (int aRound = 0; aRound < 40; ++aRound)
  {
    const std::vector<gp_Pnt2d> aPoints =
        aRound % 2 != 0 ? PelliskTest_Polygons::Star(aGenerator, 5 + aRound)
                        : PelliskTest_Polygons::Rectilinear(aGenerator, 6, 3 + aRound % 11, aRound % 4 == 0);
    Outline anOutline;
    std::transform(aPoints.begin(), aPoints.end(), std::back_inserter(anOutline),
                   [](const gp_Pnt2d& thePoint) { return thePoint.XY(); });
    for (const std::string aMetric : {"", "skewness"})
    {
      SCOPED_TRACE("round " + std::to_string(aRound) + ", metric '" + aMetric + "'");
      const Handle(HalfEdge_Mesh) aMesh = polygon(anOutline, 1.0, gp_Trsf()),
                                  aCopy = new HalfEdge_Mesh(aMesh);
      EXPECT_TRUE(execute(aMesh, aMetric, 1) && execute(aCopy, aMetric, 2));
      std::vector<std::uint64_t> aTriangles;
      for (const std::list<int>& aTriangle : faces(aMesh))
      {
        aTriangles.insert(aTriangles.end(), aTriangle.begin(), aTriangle.end());
      }
      EXPECT_EQ(PelliskTest_Polygons::CheckTriangulation(aPoints, aTriangles, 0.0), "");
      EXPECT_EQ(faces(aMesh), faces(aCopy));
      // The split of the lone polygon without a mesh gives the same pieces, read from the same corners
      // (the collection of the mesh moves its last face into the place of the polygon).
      std::vector<gp_Pnt> aCorners;
      std::transform(anOutline.begin(), anOutline.end(), std::back_inserter(aCorners),
                     [](const gp_XY& thePoint) { return gp_Pnt(thePoint.X(), thePoint.Y(), 0.0); });
      std::vector<std::array<int, 3>> aSplit;
      ASSERT_TRUE(HalfEdgeAlgo_Triangulate(aMetric).SplitPolygon(aCorners, aSplit));
      std::vector<std::list<int>> aPieces, aMeshPieces = faces(aMesh);
      std::transform(aSplit.begin(), aSplit.end(), std::back_inserter(aPieces),
                     [](const std::array<int, 3>& theT) { return std::list<int>(theT.begin(), theT.end()); });
      std::rotate(aMeshPieces.begin(), aMeshPieces.begin() + 1, aMeshPieces.end());
      EXPECT_EQ(aPieces, aMeshPieces);
      // A side a millionth long is collapsed before any cut: that split is left to the mesh.
      aCorners.insert(aCorners.begin() + 1, aCorners.front().Translated(gp_Vec(1e-7, 0.0, 0.0)));
      EXPECT_FALSE(HalfEdgeAlgo_Triangulate(aMetric).SplitPolygon(aCorners, aSplit));
    }
  }
}

TEST(HalfEdgeAlgo_TriangulateTest, PolygonsBecomeTrianglesThatTileThemWithTheirOrientation)
{
  struct Case
  {
    std::string Name;
    Outline     Points;
    bool        IsDone;  // what Perform() answers
    bool        IsTiled; // triangles tile the polygon (not so after repairs or a fan)
    int         NbFaces; // after the run
  };
  const std::vector<Case> aCases = {
      {"triangle", {{0, 0}, {1, 0}, {0, 1}}, true, true, 1},
      {"square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true, true, 2},
      {"L", {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, true, true, 4},
      {"U", {{0, 0}, {3, 0}, {3, 2}, {2, 2}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, true, true, 6},
      {"straight runs", {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}}, true, true, 6},
      {"sliver corner", {{0, 0}, {1, 0}, {1, 1e-3}, {0.5, 0.6e-3}}, true, true, 2},
      // The only ear at the spike's tip is too thin to cut: a fan, and false.
      {"thin spike", {{0, 0}, {1, 0}, {1, 1}, {0.5 + 2e-8, 1}, {0.5, 3}, {0.5, 1}, {0, 1}}, false, false, 5},
      // Degenerate: middle corners are dropped until a triangle is left; never a failure.
      {"collinear", {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, true, false, 1},
      {"needle", {{0, 0}, {1, 0}, {2, 0}, {1, 3e-8}}, true, false, 1}};
  gp_Trsf aMove;
  aMove.SetRotation(gp_Ax1(gp_Pnt(0, 0, 0), gp_Dir(1, -2, 3)), 2.1);
  aMove.SetTranslationPart(gp_Vec(3e5, -2e5, 1e5));
  const gp_XYZ aNormal = gp_XYZ(0, 0, 1).Multiplied(aMove.VectorialPart());
  for (const Case& aCase : aCases)
  {
    // Corners stay farther apart than the mesh's node tolerance (1e-7).
    for (const double aScale : {10.0, 1e4})
    {
      for (const unsigned int aNbThreads : {1u, 2u})
      {
        SCOPED_TRACE(aCase.Name + " scaled by " + std::to_string(aScale) + ", threads " +
                     std::to_string(aNbThreads));
        const Handle(HalfEdge_Mesh) aMesh    = polygon(aCase.Points, aScale, aMove);
        const gp_XYZ                anArea   = doubledArea(aMesh, faces(aMesh).front());
        double                      aTileSum = 0.0;
        EXPECT_EQ(execute(aMesh, "", aNbThreads), aCase.IsDone);
        EXPECT_TRUE(aMesh->IsTriangular());
        EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
        for (const std::list<int>& aTriangle : faces(aMesh))
        {
          const gp_XYZ aPart = doubledArea(aMesh, aTriangle);
          EXPECT_TRUE(!aCase.IsTiled || aPart.Dot(aNormal) > 1e-9 * anArea.Modulus()) << "turned over";
          aTileSum += aPart.Modulus();
        }
        EXPECT_EQ(aMesh->NbFaces(), aCase.NbFaces);
        EXPECT_TRUE(!aCase.IsTiled || std::abs(aTileSum - anArea.Modulus()) < 1e-9 * anArea.Modulus());
      }
    }
  }
  // Invalid, deleted and triangle numbers are left alone.
  Handle(HalfEdgeAlgo_Triangulate) anAlgo = new HalfEdgeAlgo_Triangulate("");
  const Handle(HalfEdge_Mesh)      aMesh  = polygon(aCases[1].Points, 1.0, aMove);
  aMesh->DeleteFace(0);
  for (const int aFace : {-1, 0, 1})
  {
    EXPECT_TRUE(PelliskTest_Mesh::Apply(
        aMesh, [&](Mesh& theMesh) { return anAlgo->TriangulateFace(theMesh, aFace); }, false));
  }
  EXPECT_EQ(aMesh->NbFaces(), 1);
  // Sides of squared length up to 1e-12 are collapsed first: a square is left.
  const Handle(HalfEdge_Mesh) aTiny = polygon({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 9e-7}}, 1.0, gp_Trsf());
  EXPECT_TRUE(execute(aTiny, "", 2));
  EXPECT_EQ(std::vector<int>({aTiny->NbNodes(), aTiny->NbFaces()}), std::vector<int>({4, 2}));
}

TEST(HalfEdgeAlgo_TriangulateTest, TrianglesStayAndQuadsConvertToTwoTrianglesEach)
{
  const Handle(HalfEdge_Mesh) aSphere = new HalfEdge_Mesh(PelliskTest_Meshes::IcoSphere(gp_Pnt(), 1, 2));
  const std::vector<std::list<int>> aBefore = faces(aSphere);
  EXPECT_TRUE(execute(aSphere, "skewness", 2));
  EXPECT_EQ(faces(aSphere), aBefore);
  // A closed cube of six quads: triangles joined up with the quads' orientation.
  Handle(HalfEdge_Mesh) aCube = new HalfEdge_Mesh();
  for (int aCorner = 0; aCorner < 8; ++aCorner)
  {
    aCube->AddNode(gp_Pnt(aCorner & 1, aCorner >> 1 & 1, aCorner >> 2 & 1));
  }
  for (const std::list<int>& aQuad : std::vector<std::list<int>>{
           {0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}})
  {
    ASSERT_GE(aCube->AddFace(aQuad, true), 0);
  }
  const Handle(Poly_Triangulation) aTriangles = *aCube;
  EXPECT_TRUE(aCube->IsTriangular());
  EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aTriangles));
  EXPECT_EQ(aTriangles->NbTriangles(), 12);
}

TEST(HalfEdgeAlgo_TriangulateTest, TheMetricChoosesTheDiagonal)
{
  // A quad whose diagonal from (0, 0) gives two better triangles than the other one.
  const Outline aQuad      = {{0, 0}, {4, 0}, {4, 1}, {1, 3}};
  const double  aFromFirst = skewness(aQuad[0], aQuad[1], aQuad[2]) + skewness(aQuad[0], aQuad[2], aQuad[3]),
               aFromSecond = skewness(aQuad[1], aQuad[2], aQuad[3]) + skewness(aQuad[1], aQuad[3], aQuad[0]);
  ASSERT_GT(std::abs(aFromFirst - aFromSecond), 0.1);
  // Whatever corner the face starts at, the better diagonal is taken.
  for (size_t aStart = 0; aStart < 4; ++aStart)
  {
    Outline aTurned = aQuad;
    std::rotate(aTurned.begin(), aTurned.begin() + long(aStart), aTurned.end());
    const Handle(HalfEdge_Mesh) aMesh = polygon(aTurned, 1.0, gp_Trsf());
    ASSERT_TRUE(execute(aMesh, "skewness", 1));
    const int aDiagonal =
        aFromFirst < aFromSecond
            ? aMesh->EdgeIndex(aMesh->NodeIndex(gp_Pnt(0, 0, 0)), aMesh->NodeIndex(gp_Pnt(4, 1, 0)))
            : aMesh->EdgeIndex(aMesh->NodeIndex(gp_Pnt(4, 0, 0)), aMesh->NodeIndex(gp_Pnt(1, 3, 0)));
    EXPECT_GE(aDiagonal, 0) << "start " << aStart;
  }
}

TEST(HalfEdgeAlgo_TriangulateTest, SkinsOfRealMeshesTriangulateWholeAtAnyScaleAndThreadCount)
{
  Pelk_API anAPI;
  ASSERT_TRUE(anAPI.ImportSTL(PelliskTest_Data::File("teapot_utah.stl").c_str()));
  const Handle(Poly_Triangulation) aTeapot = anAPI.DirtyMesh();
  const Bnd_Box                    aCube   = Algo_Voxelization::BoundingCube(aTeapot);
  const double                     aSide   = aCube.CornerMax().X() - aCube.CornerMin().X();
  // Cells of 1/64 of the cube: as it is, then of 0.1 mm at a few metres from
  // the origin, and of 100 m some hundred kilometres away.
  const std::vector<std::pair<double, gp_Vec>> aPlaces = {
      {1.0, gp_Vec()}, {64 * 1e-4 / aSide, gp_Vec(3, 4, 5)}, {64 * 100 / aSide, gp_Vec(2e5, -1e5, 3e5)}};
  for (const auto& [aScale, aShift] : aPlaces)
  {
    SCOPED_TRACE("scale " + std::to_string(aScale));
    gp_Trsf aMove;
    aMove.SetScale(gp_Pnt(), aScale);
    aMove.SetTranslationPart(aShift);
    const Handle(Poly_Triangulation) aMesh     = PelliskTest_Meshes::Transformed(aTeapot, aMove);
    Handle(Pelk_WrappingSettings)    aSettings = new Pelk_WrappingSettings(anAPI.Notifier());
    aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
    aSettings->SetTessellationAlgorithm("Algo_CartesianWrapping");
    aSettings->SetNbThreads(2);
    aSettings->SetCellSize(aSide * aScale / 64);
    anAPI.SetDirtyMesh(aMesh);
    anAPI.SetBoundingBox(Bnd_Box());
    ASSERT_TRUE(anAPI.PerformWrapping(aSettings));
    const Handle(HalfEdge_Mesh) aSkin = anAPI.GetResultMesh(), aCopy = new HalfEdge_Mesh(aSkin);
    EXPECT_TRUE(execute(aSkin, "skewness", 1));
    EXPECT_TRUE(execute(aCopy, "skewness", 2));
    const Handle(Poly_Triangulation) aTriangles = *aSkin, anOther = *aCopy;
    EXPECT_EQ(PelliskTest_Meshes::Triangles(aTriangles), PelliskTest_Meshes::Triangles(anOther));
    EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aTriangles));
    EXPECT_EQ(anAPI.GetResultTriangulation()->NbTriangles(), aTriangles->NbTriangles());
    EXPECT_TRUE(
        anAPI.ExportSTL((PelliskTest_Data::ScratchFolder("triangulate") + "/skin.stl").c_str(), true));
  }
}

// The first steps of a shrink wrap on real meshes: the Cartesian skin (1/64 of
// the bounding cube) projected onto its input with the gaps a shrink wrap uses
// (a tenth and a hundredth of a cell), then its edges under a fifth of a cell
// collapsed and its faces triangulated. Projection, search and triangulation
// give the same mesh on 1 and 2 threads, and the surface stays closed,
// manifold, oriented and free of degenerate faces. (A polygon that the
// projection folded is split by a fan, which the triangulation reports as a
// failure: not asserted here.)
TEST(HalfEdgeAlgo_TriangulateTest, ProjectedSkinsStayValidThroughCollapseAndTriangulation)
{
  for (const char* aName :
       {"teapot_utah.stl", "bones_cgal.stl", "spider_assimp.stl", "boeing_cgal.stl", "maxexport_assimp.stl"})
  {
    for (const double aGap : {0.1, 0.01})
    {
      SCOPED_TRACE(std::string(aName) + " gap " + std::to_string(aGap) + " cell");
      const Handle(Poly_Triangulation) aResult = *PelliskTest_Skins::Projected(aName, 64, aGap, true, 1).Mesh;
      const Handle(Poly_Triangulation) anOther = *PelliskTest_Skins::Projected(aName, 64, aGap, true, 2).Mesh;
      EXPECT_EQ(PelliskTest_Meshes::Triangles(aResult), PelliskTest_Meshes::Triangles(anOther));
      const PelliskTest_MeshCheck::Result aCheck = PelliskTest_MeshCheck::Check(aResult);
      for (const auto* aProperty : {&aCheck.Closed, &aCheck.EdgeManifold, &aCheck.VertexManifold,
                                    &aCheck.Oriented, &aCheck.NonDegenerate})
      {
        EXPECT_TRUE(aProperty->IsOk()) << aCheck.Summary();
      }
    }
  }
}
