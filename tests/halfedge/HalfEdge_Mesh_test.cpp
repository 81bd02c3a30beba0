#include <HalfEdge_Mesh.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <Standard_DimensionMismatch.hxx>
#include <Standard_OutOfRange.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

using namespace PelliskTest_Meshes;

namespace
{
Handle(Pelk_ProgressNotifier) catalogueNotifier()
{
  return new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
}

std::vector<int> indices(HalfEdge_Mesh::Iterator theIt, const HalfEdge_Mesh::Iterator& theEnd)
{
  std::vector<int> anIndices;
  for (; theIt != theEnd && anIndices.size() < 10000; ++theIt)
  {
    anIndices.push_back(theIt.Index());
  }
  return anIndices;
}

size_t nbBoundaryEdges(const Handle(HalfEdge_Mesh)& theMesh)
{
  return indices(theMesh->BoundaryEdgesBegin(), theMesh->BoundaryEdgesEnd()).size();
}

std::set<int> facesOf(const Handle(HalfEdge_Mesh)& theMesh, int theElement, bool theIsNode)
{
  std::list<int> aFaces = {7};
  theIsNode ? theMesh->FacesForNode(theElement, aFaces) : theMesh->FacesForEdge(theElement, aFaces);
  return std::set<int>(aFaces.begin(), aFaces.end());
}

// Triangles of a triangulation as cycles of node numbers starting at the lowest.
std::multiset<std::array<int, 3>> cycles(const Handle(Poly_Triangulation)& theTri)
{
  std::multiset<std::array<int, 3>> aCycles;
  for (std::array<int, 3> f : Triangles(theTri))
  {
    std::rotate(f.begin(), std::min_element(f.begin(), f.end()), f.end());
    aCycles.insert(f);
  }
  return aCycles;
}
} // namespace

TEST(HalfEdge_MeshTest, BuiltFromTriangulationsMergingNodesWithinTheTolerance)
{
  const Handle(Poly_Triangulation) aBox = Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 2, 3));
  for (const Handle(Poly_Triangulation)& aTri : {aBox, Soup(aBox)})
  {
    const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(aTri);
    EXPECT_EQ(aMesh->NbNodes(), 8);
    EXPECT_EQ(aMesh->NbFaces(), 12);
    EXPECT_EQ(aMesh->NbEdges(), 18);
    EXPECT_EQ(nbBoundaryEdges(aMesh), 0u);
    EXPECT_TRUE(aMesh->IsTriangular());
    EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
    // Without merges, node i of the triangulation is node i - 1.
    for (int i = 1; aTri == aBox && i <= 8; ++i)
    {
      EXPECT_EQ(aMesh->Node(i - 1).Distance(aBox->Node(i)), 0.0);
    }
  }
  // Node 4 is within 1e-7 of node 1 in every coordinate: one node, and the
  // triangle using both is skipped. A corner out of range raises.
  const Handle(Poly_Triangulation) aTri = Make(
      {gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0), gp_Pnt(3e-8, -3e-8, 6e-8)}, {{1, 2, 3}, {4, 2, 1}});
  const Handle(HalfEdge_Mesh) aMerged = new HalfEdge_Mesh(aTri);
  EXPECT_EQ(aMerged->NbNodes(), 3);
  EXPECT_EQ(aMerged->NbFaces(), 1);
  for (const int aBad : {0, 5})
  {
    aTri->SetTriangle(2, Poly_Triangle(1, aBad, 3));
    try
    {
      const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(aTri);
      ADD_FAILURE() << "no exception for node " << aBad;
    }
    catch (const Standard_OutOfRange& theFailure)
    {
      EXPECT_STREQ(theFailure.GetMessageString(), "NCollection_Array1::Value");
    }
  }
  EXPECT_TRUE(Handle(HalfEdge_Mesh)(new HalfEdge_Mesh(Handle(Poly_Triangulation)()))->IsEmpty());
}

TEST(HalfEdge_MeshTest, FaceAgainstItsNeighboursIsReversedUnlessStrictAndTooFewNodesRaise)
{
  Handle(HalfEdge_Mesh)         aMesh     = new HalfEdge_Mesh(Grid(1, 1));
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  aMesh->SetProgressNotifier(aNotifier);
  const int aNew = aMesh->AddNode(gp_Pnt(2, 0, 0));
  // Edge 1 -> 3 is used by the grid's triangle (0 1 3) in this direction.
  EXPECT_EQ(aMesh->AddFace(1, 3, aNew, true), -1);
  EXPECT_EQ(aMesh->AddFace({1, 3, aNew}, true), -1);
  EXPECT_EQ(aNotifier->NbMessages(), 0);
  for (const bool isList : {false, true})
  {
    const int aFace = isList ? aMesh->AddFace({1, 3, aNew}, false) : aMesh->AddFace(1, 3, aNew, false);
    ASSERT_GE(aFace, 0);
    std::list<int> aNodes;
    aMesh->Face(aFace, aNodes);
    // The stored face runs aNew -> 3 -> 1, starting anywhere on the cycle.
    std::vector<int> aCycle(aNodes.begin(), aNodes.end());
    std::rotate(aCycle.begin(), std::find(aCycle.begin(), aCycle.end(), aNew), aCycle.end());
    EXPECT_EQ(aCycle, (std::vector<int>{aNew, 3, 1}));
    EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
    aMesh->DeleteFace(aFace);
  }
  ASSERT_EQ(aNotifier->NbMessages(), 2);
  EXPECT_EQ(aNotifier->Messages().First().Severity(), Pelk_Warning);
  EXPECT_EQ(aNotifier->Messages().First().Text(),
            "A face is oriented against its neighbours and was added reversed.");

  for (const std::list<int>& aNodes : {std::list<int>{0, 1}, std::list<int>{}})
  {
    try
    {
      aMesh->AddFace(aNodes, true);
      ADD_FAILURE() << "no exception for " << aNodes.size() << " nodes";
    }
    catch (const Standard_DimensionMismatch& theFailure)
    {
      EXPECT_STREQ(theFailure.GetMessageString(),
                   "Unable to add degenerated face (less than 3 nodes) to the mesh");
    }
  }
  ASSERT_EQ(aNotifier->NbMessages(), 4);
  EXPECT_EQ(aNotifier->Messages().Last().Severity(), Pelk_Error);
  // Three numbers naming two nodes: no exception, just a refusal.
  EXPECT_EQ(aMesh->AddFace({0, 1, 0}, true), -1);
  EXPECT_EQ(aMesh->NbFaces(), 4);
  aMesh->SetProgressNotifier(Handle(Pelk_ProgressNotifier)());
  EXPECT_EQ(aMesh->Notifier(), Pelk_DummyProgressNotifier::Instance());
}

TEST(HalfEdge_MeshTest, QueriesFollowTheConnectivityAndIgnoreInvalidOrDeletedElements)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(Grid(2, 1));
  // Nodes: 0 1 2 on y = 0, 3 4 5 on y = 1; triangles (0 1 4) (0 4 3) (1 2 5) (1 5 4).
  const int anEdge = aMesh->EdgeIndex(1, 4);
  ASSERT_GE(anEdge, 0);
  EXPECT_EQ(aMesh->EdgeIndex(4, 1), anEdge);
  int anEnds[2] = {-5, -5};
  aMesh->Edge(anEdge, anEnds);
  EXPECT_EQ(std::set<int>(anEnds, anEnds + 2), (std::set<int>{1, 4}));
  EXPECT_EQ(facesOf(aMesh, anEdge, false), (std::set<int>{0, 3}));
  EXPECT_FALSE(aMesh->IsBoundaryEdge(anEdge));
  EXPECT_TRUE(aMesh->IsBoundaryEdge(aMesh->EdgeIndex(0, 1)));
  std::list<int> aFaces;
  aMesh->FacesForNode(4, aFaces);
  EXPECT_EQ(aFaces.size(), 3u);
  EXPECT_EQ(facesOf(aMesh, 4, true), (std::set<int>{0, 1, 3}));
  EXPECT_TRUE(aMesh->IsBoundaryNode(4));
  EXPECT_EQ(aMesh->EdgeIndex(0, 2), -1);

  const int anIsolated = aMesh->AddNode(gp_Pnt(9, 9, 9));
  EXPECT_TRUE(aMesh->IsBoundaryNode(anIsolated));
  EXPECT_TRUE(facesOf(aMesh, anIsolated, true).empty());
  EXPECT_EQ(aMesh->EdgeIndex(anIsolated, 0), -1);
  for (const int aBad : {-1, 1000})
  {
    EXPECT_EQ(aMesh->Node(aBad).Distance(gp_Pnt(0, 0, 0)), 0.0);
    aMesh->Edge(aBad, anEnds);
    EXPECT_EQ(std::set<int>(anEnds, anEnds + 2), (std::set<int>{1, 4}));
    EXPECT_EQ(aMesh->EdgeIndex(aBad, 0), -1);
    EXPECT_EQ(aMesh->EdgeIndex(0, aBad), -1);
    EXPECT_TRUE(facesOf(aMesh, aBad, false).empty());
    EXPECT_TRUE(facesOf(aMesh, aBad, true).empty());
    EXPECT_FALSE(aMesh->IsBoundaryEdge(aBad));
    EXPECT_FALSE(aMesh->IsBoundaryNode(aBad));
    aMesh->SetNode(aBad, gp_Pnt(1, 1, 1));
    aMesh->DeleteFace(aBad);
  }
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(1, 1, 1)), -1);

  // Deleted faces keep their numbers, and answer no nodes, until garbage collection.
  aMesh = new HalfEdge_Mesh(Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1)));
  aMesh->DeleteFace(3);
  aMesh->DeleteFace(3);
  aMesh->DeleteFace(12);
  EXPECT_EQ(aMesh->NbFaces(), 12);
  std::list<int> aNodes = {42};
  aMesh->Face(3, aNodes);
  EXPECT_TRUE(aNodes.empty());
  EXPECT_EQ(nbBoundaryEdges(aMesh), 3u);
  aMesh->GarbageCollection();
  EXPECT_EQ(aMesh->NbFaces(), 11);
  EXPECT_EQ(aMesh->NbNodes(), 8);
  EXPECT_EQ(nbBoundaryEdges(aMesh), 3u);
  EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
}

TEST(HalfEdge_MeshTest, AddMeshSharesIntoAnEmptyMeshAndOtherwiseJoinsAtCommonNodes)
{
  Handle(HalfEdge_Mesh) aLeft   = new HalfEdge_Mesh(Grid(2, 2));
  Handle(HalfEdge_Mesh) anEmpty = new HalfEdge_Mesh();
  Handle(HalfEdge_Mesh) aCopy   = new HalfEdge_Mesh(aLeft);
  aLeft->SetProgressNotifier(catalogueNotifier());
  anEmpty->AddMesh(aLeft);
  aLeft->SetNode(0, gp_Pnt(-1, -1, 0));
  anEmpty->DeleteFace(0);
  EXPECT_EQ(anEmpty->NodeIndex(gp_Pnt(-1, -1, 0)), 0);
  EXPECT_EQ(PelliskTest_Mesh::NbLiveFaces(aLeft), 7);
  // The copy is deep and starts with the silent notifier.
  EXPECT_EQ(aCopy->NodeIndex(gp_Pnt(0, 0, 0)), 0);
  EXPECT_EQ(PelliskTest_Mesh::NbLiveFaces(aCopy), 8);
  EXPECT_EQ(Handle(HalfEdge_Mesh)(new HalfEdge_Mesh(aLeft))->Notifier(),
            Pelk_DummyProgressNotifier::Instance());
  EXPECT_TRUE(Handle(HalfEdge_Mesh)(new HalfEdge_Mesh(Handle(HalfEdge_Mesh)()))->IsEmpty());

  // A second 2 x 2 grid shifted by 2 in x, without one face, shares the column x = 2.
  Handle(Poly_Triangulation) aRight = Grid(2, 2);
  for (int i = 1; i <= aRight->NbNodes(); ++i)
  {
    aRight->SetNode(i, aRight->Node(i).Translated(gp_Vec(2, 0, 0)));
  }
  Handle(HalfEdge_Mesh) aRightMesh = new HalfEdge_Mesh(aRight);
  aRightMesh->DeleteFace(7);
  aCopy->AddMesh(aRightMesh);
  EXPECT_EQ(aCopy->NbNodes(), 15);
  EXPECT_EQ(PelliskTest_Mesh::NbLiveFaces(aCopy), 15);
  EXPECT_EQ(PelliskTest_Mesh::Check(aCopy), "");
  EXPECT_EQ(nbBoundaryEdges(aCopy), 13u)
      << "the 4 x 2 grid's 12 boundary edges, plus one for the missing face";
  EXPECT_EQ(aRightMesh->NbFaces(), 8) << "the added mesh is read, not changed";
  aCopy->AddMesh(Handle(HalfEdge_Mesh)());
  EXPECT_EQ(aCopy->NbFaces(), 15);
}

TEST(HalfEdge_MeshTest, ConversionGivesTheTrianglesOrNullWithAWarning)
{
  const Handle(Poly_Triangulation) aTorus = Torus(12, 7);
  Handle(HalfEdge_Mesh)            aMesh  = new HalfEdge_Mesh(aTorus);
  aMesh->DeleteFace(5);
  const Handle(Poly_Triangulation) aBack = *aMesh;
  ASSERT_FALSE(aBack.IsNull());
  EXPECT_EQ(aBack->NbNodes(), aTorus->NbNodes());
  EXPECT_EQ(aBack->NbTriangles(), aTorus->NbTriangles() - 1);
  EXPECT_EQ(aMesh->NbFaces(), aTorus->NbTriangles() - 1) << "converting collects garbage";
  // Nodes keep their numbers (none was deleted) and triangles their orientation.
  const auto anAll = cycles(aTorus);
  for (const auto& aCycle : cycles(aBack))
  {
    EXPECT_EQ(anAll.count(aCycle), 1u);
  }

  // Nothing, or polygon faces (not triangulated yet): null, a warning, the quad kept.
  Handle(HalfEdge_Mesh)         aQuad     = new HalfEdge_Mesh();
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  aQuad->SetProgressNotifier(aNotifier);
  EXPECT_TRUE(Handle(Poly_Triangulation)(*aQuad).IsNull());
  ASSERT_EQ(aNotifier->NbMessages(), 1);
  EXPECT_EQ(aNotifier->Messages().First().Severity(), Pelk_Warning);
  EXPECT_EQ(
      aNotifier->Messages().First().Text(),
      "The mesh has no nodes or no triangles to convert (0 nodes, 0 faces); no triangulation was made.");
  const int a = aQuad->AddNode(gp_Pnt(0, 0, 0)), b = aQuad->AddNode(gp_Pnt(1, 0, 0));
  ASSERT_EQ(aQuad->AddFace({a, b, aQuad->AddNode(gp_Pnt(1, 1, 0)), aQuad->AddNode(gp_Pnt(0, 1, 0))}, true),
            0);
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
    SCOPED_TRACE(aRound);
    // Random triangles over a small lattice: shared nodes, clashing
    // orientations and non-manifold candidates all occur.
    std::vector<gp_Pnt>             aNodes;
    std::vector<std::array<int, 3>> aTriangles;
    for (int t = 0; t < 60; ++t)
    {
      for (int k = 0; k < 3; ++k)
      {
        aNodes.emplace_back(aCoord(aRandom), aCoord(aRandom), aCoord(aRandom) * 1e-8);
      }
      aTriangles.push_back({3 * t + 1, 3 * t + 2, 3 * t + 3});
    }
    Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(Make(aNodes, aTriangles));
    ASSERT_EQ(PelliskTest_Mesh::Check(aMesh), "");
    EXPECT_LE(aMesh->NbNodes(), 25);
    std::uniform_int_distribution<int> aFace(0, std::max(0, aMesh->NbFaces() - 1));
    for (int k = 0; k < 10; ++k)
    {
      aMesh->DeleteFace(aFace(aRandom));
    }
    const int aNbLive = PelliskTest_Mesh::NbLiveFaces(aMesh);
    ASSERT_EQ(PelliskTest_Mesh::Check(aMesh), "");
    aMesh->GarbageCollection();
    ASSERT_EQ(PelliskTest_Mesh::Check(aMesh), "");
    ASSERT_EQ(aMesh->NbFaces(), aNbLive);
    if (aNbLive > 0)
    {
      const Handle(Poly_Triangulation) aBack = *aMesh;
      ASSERT_FALSE(aBack.IsNull());
      Handle(HalfEdge_Mesh) aRebuilt = new HalfEdge_Mesh(aBack);
      EXPECT_EQ(aRebuilt->NbNodes(), aMesh->NbNodes());
      EXPECT_EQ(cycles(aBack), cycles(*aRebuilt));
    }
  }
}

TEST(HalfEdge_MeshTest, IteratorsVisitTheLiveElementsAsNodeLists)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1)));
  EXPECT_EQ(nbBoundaryEdges(aMesh), 0u);
  aMesh->DeleteFace(0);
  aMesh->DeleteFace(1);
  aMesh->DeleteFace(11);
  EXPECT_EQ(indices(aMesh->FacesBegin(), aMesh->FacesEnd()), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(indices(aMesh->VerticesBegin(), aMesh->VerticesEnd()).size(), 8u);
  std::set<int> aLiveEdges;
  for (int e = 0; e < aMesh->NbEdges(); ++e)
  {
    if (!facesOf(aMesh, e, false).empty())
    {
      aLiveEdges.insert(e);
    }
  }
  // Gone: the diagonal of the low-x side, and its top edge, whose other face (11, on the top) went too.
  EXPECT_EQ(aLiveEdges.size(), 16u);
  const std::vector<int> anEdges = indices(aMesh->EdgesBegin(), aMesh->EdgesEnd());
  EXPECT_EQ(std::set<int>(anEdges.begin(), anEdges.end()), aLiveEdges);
  for (auto anIt = aMesh->VerticesBegin(); anIt != aMesh->VerticesEnd(); ++anIt)
  {
    EXPECT_EQ(*anIt, std::list<int>{anIt.Index()});
  }
  for (auto anIt = aMesh->EdgesBegin(); anIt != aMesh->EdgesEnd(); ++anIt)
  {
    int anEnds[2];
    aMesh->Edge(anIt.Index(), anEnds);
    EXPECT_EQ(*anIt, (std::list<int>{anEnds[0], anEnds[1]}));
  }
  for (auto anIt = aMesh->FacesBegin(); anIt != aMesh->FacesEnd(); ++anIt)
  {
    std::list<int> aNodes;
    aMesh->Face(anIt.Index(), aNodes);
    EXPECT_EQ(*anIt, aNodes);
  }

  // Boundary edges are exactly the edges with one face; stepping back on a
  // boundary position steps forward.
  Handle(HalfEdge_Mesh) aTriangle =
      new HalfEdge_Mesh(Make({gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0)}, {{1, 2, 3}}));
  EXPECT_EQ(indices(aTriangle->BoundaryEdgesBegin(), aTriangle->BoundaryEdgesEnd()),
            (std::vector<int>{0, 1, 2}));
  Handle(HalfEdge_Mesh)  aGrid     = new HalfEdge_Mesh(Grid(3, 2));
  const std::vector<int> aBoundary = indices(aGrid->BoundaryEdgesBegin(), aGrid->BoundaryEdgesEnd());
  EXPECT_EQ(aBoundary.size(), 10u);
  for (const int anEdge : aBoundary)
  {
    EXPECT_TRUE(aGrid->IsBoundaryEdge(anEdge));
  }
  auto anIt = aGrid->BoundaryEdgesBegin();
  --anIt;
  EXPECT_EQ(anIt.Index(), aBoundary[1]);
}

TEST(HalfEdge_MeshTest, IteratorPositionsStepCopyCompareAndSurviveTheStorageShrinking)
{
  Handle(HalfEdge_Mesh) anEmpty = new HalfEdge_Mesh(), anOther = new HalfEdge_Mesh();
  EXPECT_TRUE(anEmpty->VerticesBegin() == anEmpty->VerticesEnd());
  EXPECT_TRUE(anEmpty->EdgesBegin() == anEmpty->EdgesEnd());
  EXPECT_TRUE(anEmpty->FacesBegin() == anEmpty->FacesEnd());
  EXPECT_TRUE(anEmpty->BoundaryEdgesBegin() == anEmpty->BoundaryEdgesEnd());
  EXPECT_TRUE(anEmpty->VerticesBegin() != anOther->VerticesBegin());
  EXPECT_TRUE((*anEmpty->FacesEnd()).empty());

  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(Tetrahedron());
  EXPECT_TRUE(aMesh->VerticesBegin() != aMesh->FacesBegin()) << "nodes and faces at one number differ";
  auto anIt  = aMesh->VerticesBegin();
  auto aCopy = anIt;
  ++anIt;
  EXPECT_EQ(aCopy.Index(), 1) << "a copy shares the position; post-steps give one of their own";
  EXPECT_EQ((anIt++).Index(), 1);
  EXPECT_EQ(anIt.Index(), 2);
  EXPECT_EQ((anIt--).Index(), 2);
  EXPECT_EQ(anIt.Index(), 1);
  // Backwards from the end over the live faces, then stuck before the first one.
  aMesh->DeleteFace(3);
  auto aFace = aMesh->FacesEnd();
  --aFace;
  EXPECT_EQ(aFace.Index(), 2);
  for (const int anIndex : {1, 0, -1, -1})
  {
    EXPECT_EQ((--aFace).Index(), anIndex);
  }
  EXPECT_TRUE((*aFace).empty());
  EXPECT_EQ((++aFace).Index(), 0);

  // Positions keep the storage alive, and step sanely after it shrank.
  HalfEdge_Mesh::Iterator aKept = Handle(HalfEdge_Mesh)(new HalfEdge_Mesh(Tetrahedron()))->FacesBegin();
  EXPECT_EQ((*aKept).size(), 3u);
  aMesh     = new HalfEdge_Mesh(Torus(6, 5));
  auto aFar = aMesh->FacesEnd();
  EXPECT_EQ((--aFar).Index(), 59);
  aMesh->Clear();
  EXPECT_TRUE((*aFar).empty());
  EXPECT_EQ((--aFar).Index(), -1);
  auto aBeyond = aMesh->VerticesBegin();
  ++aBeyond;
  EXPECT_TRUE(++aBeyond == aMesh->VerticesEnd());
}
