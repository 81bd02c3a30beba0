// The half-edge mesh, and its storage HalfEdge_OpenMeshWrapper through it.
#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <Mesh.hxx>

#include <Standard_DimensionMismatch.hxx>
#include <Standard_OutOfRange.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

using namespace PelliskTest_Meshes;
using PelliskTest_Mesh::Check;
using PelliskTest_Mesh::Storage;

namespace
{
std::vector<int> indices(HalfEdge_Mesh::Iterator theIt, const HalfEdge_Mesh::Iterator& theEnd)
{
  std::vector<int> anIndices;
  for (; theIt != theEnd && anIndices.size() < 10000; ++theIt)
  {
    anIndices.push_back(theIt.Index());
  }
  return anIndices;
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

TEST(HalfEdge_MeshTest, NodesCloserThanTheToleranceInEveryCoordinateAreOne)
{
  Handle(HalfEdge_Mesh) aMesh    = new HalfEdge_Mesh();
  const int             anOrigin = aMesh->AddNode(gp_Pnt(0, 0, 0));
  for (int aDim = 1; aDim <= 3; ++aDim)
  {
    gp_XYZ aNear, aFar, aBelow;
    aNear.SetCoord(aDim, 5e-8);
    aFar.SetCoord(aDim, 1e-7);
    aBelow.SetCoord(aDim, -9.9e-8);
    EXPECT_EQ(aMesh->AddNode(gp_Pnt(aNear)), anOrigin) << aDim;
    EXPECT_EQ(aMesh->AddNode(gp_Pnt(aBelow)), anOrigin) << aDim;
    EXPECT_NE(aMesh->AddNode(gp_Pnt(aFar)), anOrigin) << aDim;
    EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(aNear)), anOrigin) << aDim;
  }
  EXPECT_EQ(aMesh->NbNodes(), 4);
  EXPECT_NE(aMesh->AddNode(gp_Pnt(5e-8, 5e-8, 2e-7)), anOrigin) << "close in x and y, not in z";
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(0.5, 0.5, 0.5)), -1);
  EXPECT_EQ(aMesh->Node(anOrigin).Distance(gp_Pnt(0, 0, 0)), 0.0) << "the first point added is kept";

  // From triangulations: shared or repeated nodes give the same mesh.
  const Handle(Poly_Triangulation) aBox = Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 2, 3));
  for (const Handle(Poly_Triangulation)& aTri : {aBox, Soup(aBox)})
  {
    aMesh = new HalfEdge_Mesh(aTri);
    EXPECT_EQ(std::vector<int>({aMesh->NbNodes(), aMesh->NbFaces(), aMesh->NbEdges()}),
              (std::vector<int>{8, 12, 18}));
    EXPECT_TRUE(aMesh->IsTriangular() && aMesh->BoundaryEdgesBegin() == aMesh->BoundaryEdgesEnd());
    EXPECT_EQ(Check(aMesh), "");
    // Without merges, node i of the triangulation is node i - 1, and conversion gives the triangles back.
    for (int i = 1; aTri == aBox && i <= 8; ++i)
    {
      EXPECT_EQ(aMesh->Node(i - 1).Distance(aBox->Node(i)), 0.0);
    }
    EXPECT_TRUE(aTri != aBox || cycles(*aMesh) == cycles(aBox));
  }
  // A corner out of range raises.
  EXPECT_THROW(new HalfEdge_Mesh(Make(Nodes(aBox), {{1, 2, 3}, {1, 0, 3}})), Standard_OutOfRange);
  EXPECT_THROW(new HalfEdge_Mesh(Make(Nodes(aBox), {{1, 2, 3}, {1, 9, 3}})), Standard_OutOfRange);
  EXPECT_TRUE(Handle(HalfEdge_Mesh)(new HalfEdge_Mesh(Handle(Poly_Triangulation)()))->IsEmpty());
}

TEST(HalfEdge_MeshTest, FacesAgainstTheirNeighboursAreReversedUnlessStrictAndBadOnesRefused)
{
  Handle(HalfEdge_Mesh)         aMesh = new HalfEdge_Mesh(Grid(1, 1));
  Handle(Pelk_ProgressNotifier) aNotifier =
      new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
  aMesh->SetProgressNotifier(aNotifier);
  const int aNew = aMesh->AddNode(gp_Pnt(2, 0, 0));
  // Edge 1 -> 3 is used by the grid's triangle (0 1 3) in this direction.
  EXPECT_EQ(aMesh->AddFace(1, 3, aNew, true) + aMesh->AddFace({1, 3, aNew}, true), -2);
  EXPECT_EQ(aNotifier->NbMessages(), 0);
  for (const bool isList : {false, true})
  {
    const int      aFace = isList ? aMesh->AddFace({1, 3, aNew}, false) : aMesh->AddFace(1, 3, aNew, false);
    std::list<int> aNodes;
    aMesh->Face(aFace, aNodes);
    // The stored face runs aNew -> 3 -> 1, starting anywhere on the cycle.
    std::vector<int> aCycle(aNodes.begin(), aNodes.end());
    std::rotate(aCycle.begin(), std::find(aCycle.begin(), aCycle.end(), aNew), aCycle.end());
    EXPECT_EQ(aCycle, (std::vector<int>{aNew, 3, 1}));
    EXPECT_EQ(Check(aMesh), "");
    aMesh->DeleteFace(aFace);
  }
  ASSERT_EQ(aNotifier->NbMessages(), 2);
  EXPECT_EQ(aNotifier->Messages().First().Text(),
            "A face is oriented against its neighbours and was added reversed.");
  for (const std::list<int>& aNodes : {std::list<int>{0, 1}, std::list<int>{}})
  {
    EXPECT_THROW(aMesh->AddFace(aNodes, true), Standard_DimensionMismatch);
  }
  ASSERT_EQ(aNotifier->NbMessages(), 4);
  EXPECT_EQ(aNotifier->Messages().Last().Severity(), Pelk_Error);
  // Repeated nodes count once; too few distinct or invalid ones are refused.
  for (const std::list<int>& aNodes : {std::list<int>{0, 1, 0}, {2, 2, 2}, {0, 2, 9}, {0, 2, -1}})
  {
    EXPECT_EQ(aMesh->AddFace(aNodes, true), -1);
  }
  std::list<int> aNodes;
  aMesh->Face(aMesh->AddFace({aNew, 3, aNew, 1}, true), aNodes);
  EXPECT_EQ(aNodes.size(), 3u);
}

TEST(HalfEdge_MeshTest, QueriesIgnoreInvalidNumbersAndDeletedFacesKeepTheirNumbersUntilCollection)
{
  // Nodes: 0 1 2 on y = 0, 3 4 5 on y = 1; triangles (0 1 4) (0 4 3) (1 2 5) (1 5 4).
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(Grid(2, 1));
  std::list<int>        aFaces;
  aMesh->FacesForEdge(aMesh->EdgeIndex(1, 4), aFaces);
  EXPECT_EQ(std::set<int>(aFaces.begin(), aFaces.end()), (std::set<int>{0, 3}));
  EXPECT_EQ(aMesh->EdgeIndex(0, 2), -1);
  aMesh->AddNode(gp_Pnt(9, 9, 9));
  EXPECT_EQ(Check(aMesh), "") << "an isolated node is on the boundary, without faces or edges";
  for (const int aBad : {-1, 1000})
  {
    int anEnds[2] = {-5, -5};
    aMesh->Edge(aBad, anEnds);
    EXPECT_EQ(anEnds[0] + anEnds[1], -10);
    EXPECT_EQ(aMesh->Node(aBad).Distance(gp_Pnt(0, 0, 0)), 0.0);
    EXPECT_EQ(aMesh->EdgeIndex(aBad, 0) + aMesh->EdgeIndex(0, aBad), -2);
    std::list<int> aNodeFaces = {7}, anEdgeFaces = {7};
    aMesh->FacesForNode(aBad, aNodeFaces);
    aMesh->FacesForEdge(aBad, anEdgeFaces);
    EXPECT_TRUE(aNodeFaces.empty() && anEdgeFaces.empty());
    EXPECT_FALSE(aMesh->IsBoundaryEdge(aBad) || aMesh->IsBoundaryNode(aBad));
    aMesh->SetNode(aBad, gp_Pnt(1, 1, 1));
    aMesh->DeleteFace(aBad);
  }
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(1, 1, 1)), -1);
  aMesh->GarbageCollection();
  EXPECT_EQ(aMesh->NbNodes(), 6) << "a lone node goes at collection, though nothing else was deleted";

  aMesh = new HalfEdge_Mesh(Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1)));
  for (const int aFace : {3, 3, 12, 0, 1})
  {
    aMesh->DeleteFace(aFace);
  }
  EXPECT_EQ(indices(aMesh->FacesBegin(), aMesh->FacesEnd()), (std::vector<int>{2, 4, 5, 6, 7, 8, 9, 10, 11}));
  // Boundary edges around the holes; deleted faces have no nodes (Check) and go at collection.
  for (const int aNbFaces : {12, 9})
  {
    EXPECT_EQ(std::vector<size_t>({size_t(aMesh->NbFaces()),
                                   indices(aMesh->BoundaryEdgesBegin(), aMesh->BoundaryEdgesEnd()).size()}),
              (std::vector<size_t>{size_t(aNbFaces), 7}));
    EXPECT_EQ(Check(aMesh), "");
    aMesh->GarbageCollection();
  }
}

TEST(HalfEdge_MeshTest, MovedNodesMergeAndAlgorithmsMayLeaveStaleNodesBehind)
{
  // A strip (0 1 2) (1 3 2). Moving node 3 onto node 0 turns (1 3 2) into
  // (1 0 2), which is (0 1 2) reversed: the two cancel, and both are gone.
  const std::vector<gp_Pnt> aSquare = {gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0), gp_Pnt(1, 1, 0)};
  Handle(HalfEdge_Mesh)     aMesh   = new HalfEdge_Mesh(Make(aSquare, {{1, 2, 3}, {2, 4, 3}}));
  aMesh->SetNode(3, gp_Pnt(2, 2, 0));
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(2, 2, 0)), 3);
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(1, 1, 0)), -1);
  EXPECT_EQ(Check(aMesh), "");
  aMesh->SetNode(3, gp_Pnt(0, 0, 0));
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(0, 0, 0)), 0);
  EXPECT_TRUE(aMesh->FacesBegin() == aMesh->FacesEnd());
  aMesh->GarbageCollection();
  EXPECT_EQ(aMesh->NbNodes(), 0) << "nodes without faces go";

  // A fan of four triangles around centre 0 on a square 1 2 3 4. Centre onto
  // corner 1: the two triangles on edge 0-1 vanish, the other two are
  // re-attached to node 1.
  aMesh = new HalfEdge_Mesh(
      Make({gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0), gp_Pnt(-1, 0, 0), gp_Pnt(0, -1, 0)},
           {{1, 2, 3}, {1, 3, 4}, {1, 4, 5}, {1, 5, 2}}));
  aMesh->SetNode(0, gp_Pnt(1, 0, 0));
  EXPECT_EQ(Check(aMesh), "");
  // Converting collects the lone node 0, whose number goes to node 4: triangles (2 3 4) and (2 4 1).
  EXPECT_EQ(cycles(*aMesh), (std::multiset<std::array<int, 3>>{{2, 3, 4}, {1, 2, 4}}));

  // A node deleted by an algorithm can no longer be used, nor found; its
  // stale index entry gives way to a new node.
  aMesh          = new HalfEdge_Mesh(Grid(1, 1));
  const int aFar = aMesh->AddNode(gp_Pnt(5, 5, 5));
  Storage(aMesh).status(Mesh::VertexHandle(aFar)).set_deleted(true);
  EXPECT_EQ(aMesh->AddFace({1, 3, aFar}, true), -1);
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(5, 5, 5)), -1);
  EXPECT_EQ(aMesh->AddNode(gp_Pnt(5, 5, 5)), aFar + 1);
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(5, 5, 5)), aFar + 1);
  // Two live nodes at one point (moved by an algorithm): after collection the later one is indexed.
  Storage(aMesh).set_point(Mesh::VertexHandle(1), Mesh::Point(0, 1, 0));
  aMesh->GarbageCollection();
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(0, 1, 0)), 2);
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(1, 0, 0)), -1);
  // Every node but one is isolated, the last one still pointing at a
  // halfedge: it cannot carry a face and goes too.
  aMesh->DeleteFace(0);
  aMesh->DeleteFace(1);
  Storage(aMesh).set_halfedge_handle(Mesh::VertexHandle(2), Mesh::HalfedgeHandle(0));
  aMesh->GarbageCollection();
  EXPECT_TRUE(aMesh->NbNodes() == 0 && aMesh->IsEmpty());
}

TEST(HalfEdge_MeshTest, AddMeshSharesIntoAnEmptyMeshAndOtherwiseJoinsAtCommonNodes)
{
  Handle(HalfEdge_Mesh) aLeft = new HalfEdge_Mesh(Grid(2, 2)), anEmpty = new HalfEdge_Mesh();
  Handle(HalfEdge_Mesh) aCopy = new HalfEdge_Mesh(aLeft);
  aLeft->SetProgressNotifier(
      new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str()));
  anEmpty->AddMesh(aLeft);
  aLeft->SetNode(0, gp_Pnt(-1, -1, 0));
  anEmpty->DeleteFace(0);
  EXPECT_EQ(anEmpty->NodeIndex(gp_Pnt(-1, -1, 0)), 0);
  EXPECT_EQ(indices(aLeft->FacesBegin(), aLeft->FacesEnd()).size(), 7u);
  // The copy is deep.
  EXPECT_EQ(aCopy->NodeIndex(gp_Pnt(0, 0, 0)), 0);
  EXPECT_EQ(indices(aCopy->FacesBegin(), aCopy->FacesEnd()).size(), 8u);
  EXPECT_TRUE(Handle(HalfEdge_Mesh)(new HalfEdge_Mesh(Handle(HalfEdge_Mesh)()))->IsEmpty());

  // A second 2 x 2 grid shifted by 2 in x, without one face, shares the column x = 2.
  gp_Trsf aShift;
  aShift.SetTranslation(gp_Vec(2, 0, 0));
  Handle(HalfEdge_Mesh) aRight = new HalfEdge_Mesh(Transformed(Grid(2, 2), aShift));
  aRight->DeleteFace(7);
  aCopy->AddMesh(aRight);
  aCopy->AddMesh(Handle(HalfEdge_Mesh)());
  EXPECT_EQ(std::vector<int>({aCopy->NbNodes(), aCopy->NbFaces()}), (std::vector<int>{15, 15}));
  EXPECT_EQ(Check(aCopy), "");
  EXPECT_EQ(indices(aCopy->BoundaryEdgesBegin(), aCopy->BoundaryEdgesEnd()).size(), 13u)
      << "the 4 x 2 grid's 12 boundary edges, plus one for the missing face";
  EXPECT_EQ(aRight->NbFaces(), 8) << "the added mesh is read, not changed";
}

TEST(HalfEdge_MeshTest, RandomSoupsMergeTheirNodesAndSurviveDeletionCollectionAndConversion)
{
  std::mt19937                           aRandom(2024);
  std::uniform_int_distribution<int>     aCoord(0, 4);
  std::uniform_real_distribution<double> aJitter(-4e-8, 4e-8);
  for (int aRound = 0; aRound < 20; ++aRound)
  {
    SCOPED_TRACE(aRound);
    // Random triangles over a small jittered lattice in a plane: one node per
    // lattice point, whatever the order of arrival; shared nodes, clashing
    // orientations, non-manifold candidates and triangles merged away all occur.
    std::vector<gp_Pnt>             aNodes;
    std::vector<std::array<int, 3>> aTriangles;
    std::set<std::pair<int, int>>   aLatticePoints;
    for (int t = 0; t < 60; ++t)
    {
      for (int k = 0; k < 3; ++k)
      {
        const int x = aCoord(aRandom), y = aCoord(aRandom);
        aNodes.emplace_back(x + aJitter(aRandom), y + aJitter(aRandom), aJitter(aRandom));
        aLatticePoints.emplace(x, y);
      }
      aTriangles.push_back({3 * t + 1, 3 * t + 2, 3 * t + 3});
    }
    Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(Make(aNodes, aTriangles));
    ASSERT_EQ(Check(aMesh), "");
    std::set<int> aFound;
    for (const auto& [x, y] : aLatticePoints)
    {
      aFound.insert(aMesh->NodeIndex(gp_Pnt(x, y, 0)));
    }
    EXPECT_EQ(std::vector<size_t>({size_t(aMesh->NbNodes()), aFound.size()}),
              std::vector<size_t>(2, aLatticePoints.size()));
    EXPECT_EQ(aFound.count(-1), 0u);
    std::uniform_int_distribution<int> aFace(0, std::max(0, aMesh->NbFaces() - 1));
    for (int k = 0; k < 10; ++k)
    {
      aMesh->DeleteFace(aFace(aRandom));
    }
    const int aNbLive = static_cast<int>(indices(aMesh->FacesBegin(), aMesh->FacesEnd()).size());
    ASSERT_EQ(Check(aMesh), "");
    // Converting collects garbage; nodes and triangles come back as they were.
    const Handle(Poly_Triangulation) aBack = *aMesh;
    ASSERT_EQ(Check(aMesh), "");
    ASSERT_EQ(aMesh->NbFaces(), aNbLive);
    ASSERT_EQ(aBack.IsNull(), aNbLive == 0);
    if (aNbLive > 0)
    {
      Handle(HalfEdge_Mesh) aRebuilt = new HalfEdge_Mesh(aBack);
      EXPECT_EQ(aRebuilt->NbNodes(), aMesh->NbNodes());
      EXPECT_EQ(cycles(aBack), cycles(*aRebuilt));
    }
  }
}

TEST(HalfEdge_MeshTest, IteratorPositionsStepBackAndSurviveTheStorageShrinking)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(Tetrahedron());
  // A copy shares the position; post-steps give one of their own.
  auto anIt = aMesh->VerticesBegin(), aCopy = anIt;
  EXPECT_EQ(
      std::vector<int>({(++anIt).Index(), aCopy.Index(), (anIt++).Index(), anIt.Index(), (anIt--).Index()}),
      (std::vector<int>{1, 1, 1, 2, 2}));
  EXPECT_EQ(anIt.Index(), 1);
  // Backwards from the end over the live faces, then stuck before the first one.
  aMesh->DeleteFace(3);
  auto aFace = aMesh->FacesEnd();
  for (const int anIndex : {2, 1, 0, -1, -1})
  {
    EXPECT_EQ((--aFace).Index(), anIndex);
  }
  EXPECT_TRUE((*aFace).empty());
  EXPECT_EQ((++aFace).Index(), 0);
  const Handle(HalfEdge_Mesh) aGrid = new HalfEdge_Mesh(Grid(3, 2));
  EXPECT_EQ((--aGrid->BoundaryEdgesBegin()).Index(), (++aGrid->BoundaryEdgesBegin()).Index())
      << "stepping back on a boundary edge steps forward";

  // Positions keep the storage alive, and step sanely after it shrank.
  HalfEdge_Mesh::Iterator aKept = Handle(HalfEdge_Mesh)(new HalfEdge_Mesh(Tetrahedron()))->FacesBegin();
  EXPECT_EQ((*aKept).size(), 3u);
  aMesh     = new HalfEdge_Mesh(Torus(6, 5));
  auto aFar = aMesh->FacesEnd();
  EXPECT_EQ((--aFar).Index(), 59);
  aMesh->Clear();
  EXPECT_TRUE((*aFar).empty());
  EXPECT_EQ((--aFar).Index(), -1);
  EXPECT_TRUE(aMesh->VerticesBegin() == aMesh->VerticesEnd() && aMesh->FacesBegin() == aMesh->FacesEnd() &&
              aMesh->EdgesBegin() == aMesh->EdgesEnd() &&
              aMesh->BoundaryEdgesBegin() == aMesh->BoundaryEdgesEnd());
  EXPECT_TRUE(++aMesh->VerticesEnd() == aMesh->VerticesEnd() && (*aMesh->FacesEnd()).empty());
  // Faces added after clearing are live, whatever the faces of those numbers were before.
  aMesh = new HalfEdge_Mesh(Tetrahedron());
  aMesh->DeleteFace(0);
  aMesh->Clear();
  const int      aNewFace = aMesh->AddFace(aMesh->AddNode(gp_Pnt(0, 0, 0)), aMesh->AddNode(gp_Pnt(1, 0, 0)),
                                           aMesh->AddNode(gp_Pnt(0, 1, 0)), true);
  std::list<int> aCorners;
  aMesh->Face(aNewFace, aCorners);
  EXPECT_EQ(aCorners.size(), 3u);
}

TEST(HalfEdge_MeshTest, PolygonsInOneGoBuildWhatNodesAndFacesOneByOneBuild)
{
  const Handle(Poly_Triangulation) aSphere = IcoSphere(gp_Pnt(0, 0, 0), 1.0, 2);
  std::vector<gp_XYZ>              aPoints;
  std::vector<int>                 aStarts    = {0}, aCorners;
  Handle(HalfEdge_Mesh)            aMeshes[2] = {new HalfEdge_Mesh(), new HalfEdge_Mesh()};
  EXPECT_EQ(aMeshes[0]->AddNode(gp_Pnt(5, 5, 5)) + aMeshes[1]->AddNode(gp_Pnt(5, 5, 5)), 0);
  for (const gp_Pnt& aNode : Nodes(aSphere))
  {
    aPoints.push_back(aNode.XYZ());
    aMeshes[0]->AddNode(aNode);
  }
  for (const std::array<int, 3>& aTriangle : Triangles(aSphere))
  {
    aCorners.insert(aCorners.end(), {aTriangle[0] - 1, aTriangle[1] - 1, aTriangle[2] - 1});
    aStarts.push_back(static_cast<int>(aCorners.size()));
    aMeshes[0]->AddFace(aTriangle[0], aTriangle[1], aTriangle[2], true);
  }
  ASSERT_EQ(aMeshes[1]->AddPolygons(aPoints, aStarts, aCorners), static_cast<int>(aStarts.size()) - 1);
  EXPECT_EQ(Check(aMeshes[1]), "");
  const auto aList = [](HalfEdge_Mesh::Iterator theIt, const HalfEdge_Mesh::Iterator& theEnd)
  {
    std::vector<std::list<int>> anElements;
    for (; theIt != theEnd; ++theIt)
    {
      anElements.push_back(*theIt);
    }
    return anElements;
  };
  EXPECT_EQ(aList(aMeshes[0]->EdgesBegin(), aMeshes[0]->EdgesEnd()),
            aList(aMeshes[1]->EdgesBegin(), aMeshes[1]->EdgesEnd()));
  EXPECT_EQ(aList(aMeshes[0]->FacesBegin(), aMeshes[0]->FacesEnd()),
            aList(aMeshes[1]->FacesBegin(), aMeshes[1]->FacesEnd()));
  EXPECT_EQ(aMeshes[1]->NodeIndex(gp_Pnt(aPoints[3])), 4);
  // A polygon repeated in the same direction or through a missing point stops the rest.
  const std::vector<gp_XYZ> aFar = {gp_XYZ(9, 9, 9), gp_XYZ(9, 8, 9), gp_XYZ(8, 9, 9)};
  EXPECT_EQ(aMeshes[1]->AddPolygons(aFar, {0, 3, 6, 9}, {0, 1, 2, 0, 1, 2, 2, 1, 0}), 1);
  EXPECT_EQ(aMeshes[1]->AddPolygons({gp_XYZ(9, 9, 7), gp_XYZ(9, 8, 7)}, {0, 3}, {0, 1, 5}), 0);
  EXPECT_THROW(aMeshes[1]->AddPolygons({gp_XYZ(7, 7, 7)}, {0, 2}, {0, 0}), Standard_DimensionMismatch);
}
