#include <HalfEdge_Mesh.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <Poly_Triangle.hxx>
#include <Standard_DimensionMismatch.hxx>
#include <Standard_OutOfRange.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace
{
Handle(Pelk_ProgressNotifier) catalogueNotifier()
{
  return new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
}

// Triangles of a triangulation as sets of points, independent of numbering and orientation.
std::multiset<std::set<std::array<double, 3>>> triangleShapes(const Handle(Poly_Triangulation)& theTri)
{
  std::multiset<std::set<std::array<double, 3>>> aShapes;
  for (int t = 1; t <= theTri->NbTriangles(); ++t)
  {
    int aCorners[3];
    theTri->Triangle(t).Get(aCorners[0], aCorners[1], aCorners[2]);
    std::set<std::array<double, 3>> aShape;
    for (const int aCorner : aCorners)
    {
      const gp_Pnt aPoint = theTri->Node(aCorner);
      aShape.insert({aPoint.X(), aPoint.Y(), aPoint.Z()});
    }
    aShapes.insert(aShape);
  }
  return aShapes;
}

int nbBoundaryEdges(const Handle(HalfEdge_Mesh)& theMesh)
{
  int aCount = 0;
  for (int e = 0; e < theMesh->NbEdges(); ++e)
  {
    aCount += theMesh->IsBoundaryEdge(e) ? 1 : 0;
  }
  return aCount;
}
} // namespace

TEST(HalfEdge_MeshTest, BuiltFromTriangulationsMergingCoincidentNodes)
{
  const Handle(Poly_Triangulation) aBox = PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 2, 3));
  for (const Handle(Poly_Triangulation)& aTri : {aBox, PelliskTest_Mesh::Soup(aBox)})
  {
    Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(aTri);
    EXPECT_EQ(aMesh->NbNodes(), 8);
    EXPECT_EQ(aMesh->NbFaces(), 12);
    EXPECT_EQ(aMesh->NbEdges(), 18);
    EXPECT_EQ(nbBoundaryEdges(aMesh), 0);
    EXPECT_TRUE(aMesh->IsTriangular());
    EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
  }
  // Without merges, node i of the triangulation is node i - 1.
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(aBox);
  for (int i = 1; i <= aBox->NbNodes(); ++i)
  {
    EXPECT_EQ(aMesh->Node(i - 1).Distance(aBox->Node(i)), 0.0);
  }

  // Nodes 1 and 4 within 1e-7: one node, and the triangle using both is skipped.
  Handle(Poly_Triangulation) aTri = new Poly_Triangulation(4, 2, Standard_False);
  aTri->SetNode(1, gp_Pnt(0, 0, 0));
  aTri->SetNode(2, gp_Pnt(1, 0, 0));
  aTri->SetNode(3, gp_Pnt(0, 1, 0));
  aTri->SetNode(4, gp_Pnt(3e-8, -3e-8, 6e-8));
  aTri->SetTriangle(1, Poly_Triangle(1, 2, 3));
  aTri->SetTriangle(2, Poly_Triangle(4, 2, 1));
  aMesh = new HalfEdge_Mesh(aTri);
  EXPECT_EQ(aMesh->NbNodes(), 3);
  EXPECT_EQ(aMesh->NbFaces(), 1);

  EXPECT_TRUE((new HalfEdge_Mesh(Handle(Poly_Triangulation)()))->IsEmpty());
}

TEST(HalfEdge_MeshTest, TriangleNamingAMissingNodeRaisesOutOfRange)
{
  Handle(Poly_Triangulation) aTri = new Poly_Triangulation(3, 2, Standard_False);
  aTri->SetNode(1, gp_Pnt(0, 0, 0));
  aTri->SetNode(2, gp_Pnt(1, 0, 0));
  aTri->SetNode(3, gp_Pnt(0, 1, 0));
  aTri->SetTriangle(1, Poly_Triangle(1, 2, 3));
  for (const int aBad : {0, 4})
  {
    aTri->SetTriangle(2, Poly_Triangle(1, aBad, 3));
    try
    {
      Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(aTri);
      ADD_FAILURE() << "no exception for node " << aBad;
    }
    catch (const Standard_OutOfRange& theFailure)
    {
      EXPECT_STREQ(theFailure.GetMessageString(), "NCollection_Array1::Value");
    }
  }
}

TEST(HalfEdge_MeshTest, FaceAgainstItsNeighbourIsReversedOrRefusedWhenStrict)
{
  Handle(HalfEdge_Mesh)         aMesh     = new HalfEdge_Mesh(PelliskTest_Mesh::Grid(1, 1));
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  aMesh->SetProgressNotifier(aNotifier);
  const int aNew = aMesh->AddNode(gp_Pnt(2, 0, 0));
  // Edge 1 -> 3 is used by the grid's triangle (0 1 3) in this direction.
  EXPECT_EQ(aMesh->AddFace(1, 3, aNew, true), -1);
  EXPECT_EQ(aNotifier->NbMessages(), 0);
  const int aFace = aMesh->AddFace(1, 3, aNew, false);
  ASSERT_GE(aFace, 0);
  std::list<int> aNodes;
  aMesh->Face(aFace, aNodes);
  const std::vector<int> aCycle(aNodes.begin(), aNodes.end());
  // The stored face runs aNew -> 3 -> 1, starting anywhere on the cycle.
  const size_t aStart = std::find(aCycle.begin(), aCycle.end(), aNew) - aCycle.begin();
  ASSERT_LT(aStart, 3u);
  EXPECT_EQ(aCycle[(aStart + 1) % 3], 3);
  EXPECT_EQ(aCycle[(aStart + 2) % 3], 1);
  ASSERT_EQ(aNotifier->NbMessages(), 1);
  EXPECT_EQ(aNotifier->Messages().First().Severity(), Pelk_Warning);
  EXPECT_EQ(aNotifier->Messages().First().Text(),
            "A face is oriented against its neighbours and was added reversed.");
  EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
  EXPECT_EQ(aMesh->Notifier(), aNotifier);
  aMesh->SetProgressNotifier(Handle(Pelk_ProgressNotifier)());
  EXPECT_EQ(aMesh->Notifier(), Pelk_DummyProgressNotifier::Instance());
}

TEST(HalfEdge_MeshTest, FaceOfFewerThanThreeNodesPostsAnErrorAndRaises)
{
  Handle(HalfEdge_Mesh)         aMesh     = new HalfEdge_Mesh(PelliskTest_Mesh::Tetrahedron());
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  aMesh->SetProgressNotifier(aNotifier);
  for (const std::list<int>& aNodes : {std::list<int>{0, 1}, std::list<int>{}})
  {
    EXPECT_THROW(aMesh->AddFace(aNodes, false), Standard_DimensionMismatch);
  }
  try
  {
    aMesh->AddFace({2, 3}, true);
  }
  catch (const Standard_DimensionMismatch& theFailure)
  {
    EXPECT_STREQ(theFailure.GetMessageString(),
                 "Unable to add degenerated face (less than 3 nodes) to the mesh");
  }
  ASSERT_EQ(aNotifier->NbMessages(), 3);
  EXPECT_EQ(aNotifier->Messages().Last().Severity(), Pelk_Error);
  EXPECT_EQ(aMesh->NbFaces(), 4);
  // Three numbers that name two nodes: no exception, just a refusal.
  EXPECT_EQ(aMesh->AddFace({0, 1, 0}, true), -1);
}

TEST(HalfEdge_MeshTest, DeletedFacesKeepTheirNumbersUntilGarbageCollection)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1)));
  aMesh->DeleteFace(3);
  aMesh->DeleteFace(3);
  aMesh->DeleteFace(-1);
  aMesh->DeleteFace(12);
  EXPECT_EQ(aMesh->NbFaces(), 12);
  std::list<int> aNodes = {42};
  aMesh->Face(3, aNodes);
  EXPECT_TRUE(aNodes.empty());
  EXPECT_EQ(nbBoundaryEdges(aMesh), 3);
  EXPECT_EQ(aMesh->NbNodes(), 8);
  aMesh->GarbageCollection();
  EXPECT_EQ(aMesh->NbFaces(), 11);
  EXPECT_EQ(aMesh->NbNodes(), 8);
  EXPECT_EQ(nbBoundaryEdges(aMesh), 3);
  EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
}

TEST(HalfEdge_MeshTest, QueriesFollowTheConnectivityAndIgnoreInvalidNumbers)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Mesh::Grid(2, 1));
  // Nodes: 0 1 2 on y = 0, 3 4 5 on y = 1; triangles (0 1 4) (0 4 3) (1 2 5) (1 5 4).
  const int anEdge = aMesh->EdgeIndex(1, 4);
  ASSERT_GE(anEdge, 0);
  EXPECT_EQ(aMesh->EdgeIndex(4, 1), anEdge);
  int anEnds[2] = {-5, -5};
  aMesh->Edge(anEdge, anEnds);
  EXPECT_EQ(std::set<int>(anEnds, anEnds + 2), (std::set<int>{1, 4}));
  std::list<int> aFaces;
  aMesh->FacesForEdge(anEdge, aFaces);
  EXPECT_EQ(std::set<int>(aFaces.begin(), aFaces.end()), (std::set<int>{0, 3}));
  EXPECT_FALSE(aMesh->IsBoundaryEdge(anEdge));
  EXPECT_TRUE(aMesh->IsBoundaryEdge(aMesh->EdgeIndex(0, 1)));
  aMesh->FacesForNode(4, aFaces);
  EXPECT_EQ(std::set<int>(aFaces.begin(), aFaces.end()), (std::set<int>{0, 1, 3}));
  EXPECT_EQ(aFaces.size(), 3u);
  EXPECT_TRUE(aMesh->IsBoundaryNode(4));
  EXPECT_EQ(aMesh->EdgeIndex(0, 2), -1);

  const int anIsolated = aMesh->AddNode(gp_Pnt(9, 9, 9));
  EXPECT_TRUE(aMesh->IsBoundaryNode(anIsolated));
  aMesh->FacesForNode(anIsolated, aFaces);
  EXPECT_TRUE(aFaces.empty());
  EXPECT_EQ(aMesh->EdgeIndex(anIsolated, 0), -1);

  for (const int aBad : {-1, 1000})
  {
    EXPECT_EQ(aMesh->Node(aBad).Distance(gp_Pnt(0, 0, 0)), 0.0);
    aMesh->Edge(aBad, anEnds);
    EXPECT_EQ(std::set<int>(anEnds, anEnds + 2), (std::set<int>{1, 4}));
    EXPECT_EQ(aMesh->EdgeIndex(aBad, 0), -1);
    EXPECT_EQ(aMesh->EdgeIndex(0, aBad), -1);
    aFaces = {7};
    aMesh->FacesForEdge(aBad, aFaces);
    EXPECT_TRUE(aFaces.empty());
    aFaces = {7};
    aMesh->FacesForNode(aBad, aFaces);
    EXPECT_TRUE(aFaces.empty());
    EXPECT_FALSE(aMesh->IsBoundaryEdge(aBad));
    EXPECT_FALSE(aMesh->IsBoundaryNode(aBad));
    aMesh->SetNode(aBad, gp_Pnt(1, 1, 1));
  }
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(1, 1, 1)), -1);
}

TEST(HalfEdge_MeshTest, AddMeshSharesIntoAnEmptyMeshAndOtherwiseJoinsAtCommonNodes)
{
  Handle(HalfEdge_Mesh) aLeft   = new HalfEdge_Mesh(PelliskTest_Mesh::Grid(2, 2));
  Handle(HalfEdge_Mesh) anEmpty = new HalfEdge_Mesh();
  anEmpty->AddMesh(aLeft);
  aLeft->SetNode(0, gp_Pnt(-1, -1, 0));
  EXPECT_EQ(anEmpty->NodeIndex(gp_Pnt(-1, -1, 0)), 0);
  anEmpty->DeleteFace(0);
  std::list<int> aNodes;
  aLeft->Face(0, aNodes);
  EXPECT_TRUE(aNodes.empty());

  // A second 2 x 2 grid shifted by 2 in x shares the column x = 2.
  Handle(HalfEdge_Mesh)      aJoined = new HalfEdge_Mesh(PelliskTest_Mesh::Grid(2, 2));
  Handle(Poly_Triangulation) aRight  = PelliskTest_Mesh::Grid(2, 2);
  for (int i = 1; i <= aRight->NbNodes(); ++i)
  {
    aRight->SetNode(i, aRight->Node(i).Translated(gp_Vec(2, 0, 0)));
  }
  Handle(HalfEdge_Mesh) aRightMesh = new HalfEdge_Mesh(aRight);
  aRightMesh->DeleteFace(7);
  aJoined->AddMesh(aRightMesh);
  EXPECT_EQ(aJoined->NbNodes(), 15);
  EXPECT_EQ(PelliskTest_Mesh::NbLiveFaces(aJoined), 15);
  EXPECT_EQ(PelliskTest_Mesh::Check(aJoined), "");
  aJoined->GarbageCollection();
  EXPECT_EQ(nbBoundaryEdges(aJoined), 13)
      << "the 4 x 2 grid's 12 boundary edges, plus one for the missing face";
  EXPECT_EQ(aRightMesh->NbFaces(), 8) << "the added mesh is read, not changed";

  aJoined->AddMesh(Handle(HalfEdge_Mesh)());
  EXPECT_EQ(aJoined->NbFaces(), 15);
}

TEST(HalfEdge_MeshTest, CopiesAreDeepAndFromMeshCollects)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Mesh::Tetrahedron());
  aMesh->SetProgressNotifier(catalogueNotifier());
  Handle(HalfEdge_Mesh) aCopy = new HalfEdge_Mesh(aMesh);
  EXPECT_EQ(aCopy->Notifier(), Pelk_DummyProgressNotifier::Instance());
  aCopy->SetNode(0, gp_Pnt(5, 5, 5));
  aCopy->DeleteFace(0);
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(0, 0, 0)), 0);
  EXPECT_EQ(PelliskTest_Mesh::NbLiveFaces(aMesh), 4);
  EXPECT_TRUE((new HalfEdge_Mesh(Handle(HalfEdge_Mesh)()))->IsEmpty());
}

TEST(HalfEdge_MeshTest, ConversionGivesTheTrianglesOrNullWithAWarning)
{
  const Handle(Poly_Triangulation) aTorus = PelliskTest_Mesh::Torus(12, 7);
  Handle(HalfEdge_Mesh)            aMesh  = new HalfEdge_Mesh(aTorus);
  aMesh->DeleteFace(5);
  const Handle(Poly_Triangulation) aBack = *aMesh;
  ASSERT_FALSE(aBack.IsNull());
  EXPECT_EQ(aBack->NbNodes(), aTorus->NbNodes());
  EXPECT_EQ(aBack->NbTriangles(), aTorus->NbTriangles() - 1);
  EXPECT_EQ(aMesh->NbFaces(), aTorus->NbTriangles() - 1) << "converting collects garbage";
  // Nodes keep their numbers (none was deleted) and triangles their orientation.
  const auto cycles = [](const Handle(Poly_Triangulation)& theTri)
  {
    std::multiset<std::array<int, 3>> aCycles;
    for (int t = 1; t <= theTri->NbTriangles(); ++t)
    {
      std::array<int, 3> aCorners;
      theTri->Triangle(t).Get(aCorners[0], aCorners[1], aCorners[2]);
      std::rotate(aCorners.begin(), std::min_element(aCorners.begin(), aCorners.end()), aCorners.end());
      aCycles.insert(aCorners);
    }
    return aCycles;
  };
  const auto anAll = cycles(aTorus);
  for (const auto& aCycle : cycles(aBack))
  {
    EXPECT_EQ(anAll.count(aCycle), 1u);
  }

  Handle(HalfEdge_Mesh)         anEmpty   = new HalfEdge_Mesh();
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  anEmpty->SetProgressNotifier(aNotifier);
  EXPECT_TRUE(Handle(Poly_Triangulation)(*anEmpty).IsNull());
  ASSERT_EQ(aNotifier->NbMessages(), 1);
  EXPECT_EQ(aNotifier->Messages().First().Severity(), Pelk_Warning);
  EXPECT_EQ(
      aNotifier->Messages().First().Text(),
      "The mesh has no nodes or no triangles to convert (0 nodes, 0 faces); no triangulation was made.");

  // Polygon faces are not triangulated yet: null, the warning, the quad kept.
  Handle(HalfEdge_Mesh) aQuad = new HalfEdge_Mesh();
  aQuad->SetProgressNotifier(aNotifier);
  const int a = aQuad->AddNode(gp_Pnt(0, 0, 0)), b = aQuad->AddNode(gp_Pnt(1, 0, 0));
  const int c = aQuad->AddNode(gp_Pnt(1, 1, 0)), d = aQuad->AddNode(gp_Pnt(0, 1, 0));
  ASSERT_EQ(aQuad->AddFace({a, b, c, d}, true), 0);
  EXPECT_FALSE(aQuad->IsTriangular());
  EXPECT_TRUE(Handle(Poly_Triangulation)(*aQuad).IsNull());
  EXPECT_EQ(aNotifier->NbMessages(), 2);
  EXPECT_EQ(aQuad->NbFaces(), 1);
}

TEST(HalfEdge_MeshTest, RandomSoupsSurviveDeletionCollectionAndConversion)
{
  std::mt19937                       aRandom(2024);
  std::uniform_int_distribution<int> aCoord(0, 4);
  for (int aRound = 0; aRound < 20; ++aRound)
  {
    // Random triangles over a small lattice: shared nodes, clashing
    // orientations and non-manifold candidates all occur.
    const int                  aNbTriangles = 60;
    Handle(Poly_Triangulation) aSoup = new Poly_Triangulation(3 * aNbTriangles, aNbTriangles, Standard_False);
    for (int t = 0; t < aNbTriangles; ++t)
    {
      for (int k = 1; k <= 3; ++k)
      {
        aSoup->SetNode(3 * t + k, gp_Pnt(aCoord(aRandom), aCoord(aRandom), aCoord(aRandom) * 1e-8));
      }
      aSoup->SetTriangle(t + 1, Poly_Triangle(3 * t + 1, 3 * t + 2, 3 * t + 3));
    }
    Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(aSoup);
    ASSERT_EQ(PelliskTest_Mesh::Check(aMesh), "") << aRound;
    EXPECT_LE(aMesh->NbNodes(), 25);

    std::uniform_int_distribution<int> aFace(0, std::max(0, aMesh->NbFaces() - 1));
    for (int k = 0; k < 10; ++k)
    {
      aMesh->DeleteFace(aFace(aRandom));
    }
    const int aNbLive = PelliskTest_Mesh::NbLiveFaces(aMesh);
    ASSERT_EQ(PelliskTest_Mesh::Check(aMesh), "") << aRound;
    aMesh->GarbageCollection();
    ASSERT_EQ(PelliskTest_Mesh::Check(aMesh), "") << aRound;
    ASSERT_EQ(aMesh->NbFaces(), aNbLive);

    if (aNbLive > 0)
    {
      const Handle(Poly_Triangulation) aBack = *aMesh;
      ASSERT_FALSE(aBack.IsNull());
      Handle(HalfEdge_Mesh) aRebuilt = new HalfEdge_Mesh(aBack);
      EXPECT_EQ(aRebuilt->NbNodes(), aMesh->NbNodes()) << aRound;
      EXPECT_EQ(aRebuilt->NbFaces(), aMesh->NbFaces()) << aRound;
      EXPECT_EQ(triangleShapes(aBack), triangleShapes(Handle(Poly_Triangulation)(*aRebuilt))) << aRound;
    }
  }
}
