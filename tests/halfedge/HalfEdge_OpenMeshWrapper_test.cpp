#include <HalfEdge_OpenMeshWrapper.hxx>

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace
{
using Point = HalfEdge_OpenMeshWrapper::Point;

// Nodes at the points, then the faces; fails the test when a face is refused.
void make(HalfEdge_OpenMeshWrapper&          theMesh,
          const std::vector<Point>&          thePoints,
          const std::vector<std::list<int>>& theFaces)
{
  for (const Point& aPoint : thePoints)
  {
    theMesh.AddNode(aPoint);
  }
  for (const std::list<int>& aFace : theFaces)
  {
    ASSERT_GE(theMesh.AddFace(aFace), 0);
  }
}

// A strip of two triangles (0 1 2) and (1 3 2) on four nodes.
void makeStrip(HalfEdge_OpenMeshWrapper& theMesh)
{
  make(theMesh, {Point(0, 0, 0), Point(1, 0, 0), Point(0, 1, 0), Point(1, 1, 0)}, {{0, 1, 2}, {1, 3, 2}});
}

// Every live node is found at its own point, and only those are indexed.
void expectIndexFollowsNodes(const HalfEdge_OpenMeshWrapper& theMesh)
{
  int aNbLive = 0;
  for (int aNode = 0; aNode < static_cast<int>(theMesh.n_vertices()); ++aNode)
  {
    if (theMesh.VertexHandleOf(aNode).is_valid())
    {
      ++aNbLive;
      EXPECT_EQ(theMesh.NodeIndex(theMesh.Node(aNode)), aNode);
    }
  }
  EXPECT_EQ(theMesh.NbIndexedNodes(), aNbLive);
}

std::set<std::set<int>> faceSets(const HalfEdge_OpenMeshWrapper& theMesh)
{
  std::set<std::set<int>> aFaces;
  for (const auto aFace : theMesh.faces())
  {
    const std::vector<int> aNodes = theMesh.FaceNodes(aFace.idx());
    aFaces.insert(std::set<int>(aNodes.begin(), aNodes.end()));
  }
  return aFaces;
}
} // namespace

TEST(HalfEdge_OpenMeshWrapperTest, NodesCloserThanTheToleranceInEveryCoordinateAreOne)
{
  HalfEdge_OpenMeshWrapper aMesh;
  const int                anOrigin = aMesh.AddNode(Point(0, 0, 0));
  for (int aDim = 0; aDim < 3; ++aDim)
  {
    Point aNear(0, 0, 0), aFar(0, 0, 0), aBelow(0, 0, 0);
    aNear[aDim]  = 5e-8;
    aFar[aDim]   = 1e-7;
    aBelow[aDim] = -9.9e-8;
    EXPECT_EQ(aMesh.AddNode(aNear), anOrigin) << aDim;
    EXPECT_EQ(aMesh.AddNode(aBelow), anOrigin) << aDim;
    EXPECT_NE(aMesh.AddNode(aFar), anOrigin) << aDim;
    EXPECT_EQ(aMesh.NodeIndex(aNear), anOrigin) << aDim;
  }
  EXPECT_EQ(aMesh.n_vertices(), 4u);
  // Within the tolerance in x and y but not in z: a different node.
  EXPECT_NE(aMesh.AddNode(Point(5e-8, 5e-8, 2e-7)), anOrigin);
  EXPECT_EQ(aMesh.NodeIndex(Point(0.5, 0.5, 0.5)), -1);
  // The stored point is the first one added, not the one looked up.
  EXPECT_EQ(aMesh.Node(anOrigin), Point(0, 0, 0));

  // A jittered lattice: one node per lattice point, whatever the order of arrival.
  std::mt19937                           aRandom(7);
  std::uniform_int_distribution<int>     aCell(0, 9);
  std::uniform_real_distribution<double> aJitter(-4e-8, 4e-8);
  HalfEdge_OpenMeshWrapper               aLattice;
  std::map<std::array<int, 3>, int>      aNodeOfCell;
  std::set<int>                          aDistinct;
  for (int aTry = 0; aTry < 5000; ++aTry)
  {
    const std::array<int, 3> aKey = {aCell(aRandom), aCell(aRandom), aCell(aRandom)};
    const int                aNode =
        aLattice.AddNode(Point(aKey[0] * 1e-3 + aJitter(aRandom), aKey[1] * 1e-3 + aJitter(aRandom),
                               aKey[2] * 1e-3 + aJitter(aRandom)));
    ASSERT_EQ(aNodeOfCell.emplace(aKey, aNode).first->second, aNode) << "two nodes for one lattice point";
    aDistinct.insert(aNode);
  }
  EXPECT_EQ(aLattice.n_vertices(), aNodeOfCell.size());
  EXPECT_EQ(aDistinct.size(), aNodeOfCell.size()) << "one node for two lattice points";
}

TEST(HalfEdge_OpenMeshWrapperTest, RepeatedInvalidAndDeletedNodesAreSkippedOrRefused)
{
  HalfEdge_OpenMeshWrapper aMesh;
  make(aMesh, {Point(0, 0, 0), Point(1, 1, 0), Point(2, 4, 0), Point(3, 9, 0), Point(4, 16, 0)}, {});
  for (const std::list<int>& aFace : {std::list<int>{0, 1, 0}, {0, 0, 0}, {0, 1, 5}, {0, 1, -1}, {}})
  {
    EXPECT_EQ(aMesh.AddFace(aFace), -1) << aFace.size();
  }
  ASSERT_EQ(aMesh.AddFace({0, 1, 0, 2}), 0);
  EXPECT_EQ(aMesh.FaceNodes(0).size(), 3u);
  // The directed edge 0 -> 1 is taken: the same orientation again is refused.
  EXPECT_EQ(aMesh.AddFace({0, 1, 3}), -1);
  EXPECT_EQ(aMesh.AddFace({1, 0, 3}), 1);
  // A deleted node can no longer be used, nor found; its stale index entry gives way to a new node.
  aMesh.status(Mesh::VertexHandle(4)).set_deleted(true);
  EXPECT_EQ(aMesh.AddFace({1, 3, 4}), -1);
  EXPECT_EQ(aMesh.n_faces(), 2u);
  EXPECT_EQ(aMesh.Node(4), Point(0, 0, 0));
  EXPECT_EQ(aMesh.NodeIndex(Point(4, 16, 0)), -1);
  EXPECT_EQ(aMesh.AddNode(Point(4, 16, 0)), 5);
  EXPECT_EQ(aMesh.NodeIndex(Point(4, 16, 0)), 5);

  // Invalid numbers answer nothing.
  HalfEdge_OpenMeshWrapper aStrip;
  makeStrip(aStrip);
  aStrip.delete_face(Mesh::FaceHandle(1), false);
  for (const int aNumber : {-1, 4, 1000})
  {
    EXPECT_EQ(aStrip.Node(aNumber), Point(0, 0, 0));
    EXPECT_FALSE(aStrip.VertexHandleOf(aNumber).is_valid());
    EXPECT_FALSE(aStrip.EdgeHandleOf(aNumber).is_valid());
    EXPECT_FALSE(aStrip.MergeNodes(0, aNumber));
    EXPECT_FALSE(aStrip.MergeNodes(aNumber, 0));
    EXPECT_TRUE(aStrip.FaceNodes(aNumber).empty());
    aStrip.SetNode(aNumber, Point(9, 9, 9));
  }
  EXPECT_FALSE(aStrip.EdgeHandleOf(3).is_valid()) << "edge 1-3 went with its only face";
  EXPECT_TRUE(aStrip.FaceNodes(1).empty());
  EXPECT_FALSE(aStrip.FaceHandleOf(1).is_valid());
  EXPECT_EQ(aStrip.NodeIndex(Point(9, 9, 9)), -1);
}

TEST(HalfEdge_OpenMeshWrapperTest, MovingANodeOntoAnotherMergesThemAndDropsFacesThatLoseACorner)
{
  HalfEdge_OpenMeshWrapper aMesh;
  makeStrip(aMesh);
  aMesh.SetNode(3, Point(2, 2, 0));
  EXPECT_EQ(aMesh.NodeIndex(Point(2, 2, 0)), 3);
  EXPECT_EQ(aMesh.NodeIndex(Point(1, 1, 0)), -1);
  expectIndexFollowsNodes(aMesh);
  // Moving node 3 onto node 0 turns face (1 3 2) into (1 0 2), which is face
  // (0 1 2) reversed: the two cancel, and both faces are gone.
  aMesh.SetNode(3, Point(0, 0, 0));
  EXPECT_EQ(aMesh.NodeIndex(Point(0, 0, 0)), 0);
  EXPECT_TRUE(faceSets(aMesh).empty());
  aMesh.GarbageCollection();
  EXPECT_EQ(aMesh.n_vertices(), 0u);

  // A fan of four triangles around centre 0 on a square 1 2 3 4. Centre onto
  // corner 1: the two triangles on edge 0-1 vanish, the other two are
  // re-attached to node 1.
  HalfEdge_OpenMeshWrapper aFan;
  make(aFan, {Point(0, 0, 0), Point(1, 0, 0), Point(0, 1, 0), Point(-1, 0, 0), Point(0, -1, 0)},
       {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}});
  ASSERT_TRUE(aFan.MergeNodes(1, 0));
  EXPECT_EQ(faceSets(aFan), (std::set<std::set<int>>{{1, 2, 3}, {1, 3, 4}}));
  EXPECT_FALSE(aFan.halfedge_handle(Mesh::VertexHandle(0)).is_valid());
  EXPECT_TRUE(aFan.MergeNodes(1, 1));
}

TEST(HalfEdge_OpenMeshWrapperTest, GarbageCollectionRenumbersDenselyAndRebuildsTheIndex)
{
  // A grid of 6 x 5 quads without its first row and column.
  HalfEdge_OpenMeshWrapper aMesh;
  for (int j = 0; j <= 5; ++j)
  {
    for (int i = 0; i <= 6; ++i)
    {
      aMesh.AddNode(Point(i, j, 0));
    }
  }
  for (int f = 0; f < 30; ++f)
  {
    const int a = f / 6 * 7 + f % 6;
    ASSERT_EQ(aMesh.AddFace({a, a + 1, a + 8, a + 7}), f);
  }
  for (int f = 0; f < 30; ++f)
  {
    if (f < 6 || f % 6 == 0)
    {
      aMesh.delete_face(Mesh::FaceHandle(f), false);
    }
  }
  aMesh.GarbageCollection();
  EXPECT_EQ(aMesh.n_faces(), 20u);
  ASSERT_EQ(aMesh.n_vertices(), 30u);
  for (int aNode = 0; aNode < 30; ++aNode)
  {
    EXPECT_TRUE(aMesh.Node(aNode)[0] >= 1 && aMesh.Node(aNode)[1] >= 1) << aNode;
  }
  expectIndexFollowsNodes(aMesh);
  for (int f = 0; f < 20; ++f)
  {
    EXPECT_EQ(aMesh.FaceNodes(f).size(), 4u);
  }

  // Every vertex but one is isolated, the last one still pointing at a
  // halfedge: it cannot carry a face and goes too.
  HalfEdge_OpenMeshWrapper aStrip;
  makeStrip(aStrip);
  aStrip.delete_face(Mesh::FaceHandle(0), false);
  aStrip.delete_face(Mesh::FaceHandle(1), false);
  aStrip.set_halfedge_handle(Mesh::VertexHandle(2), Mesh::HalfedgeHandle(0));
  aStrip.GarbageCollection();
  EXPECT_EQ(aStrip.n_vertices(), 0u);
  EXPECT_EQ(aStrip.NbIndexedNodes(), 0);

  // Isolated nodes go as well; nodes of faces stay.
  makeStrip(aStrip);
  aStrip.AddNode(Point(5, 5, 5));
  aStrip.GarbageCollection();
  EXPECT_EQ(aStrip.n_vertices(), 4u);
  EXPECT_EQ(aStrip.NodeIndex(Point(5, 5, 5)), -1);
  // Two live nodes at one point (moved by an algorithm): the later one is indexed.
  aStrip.set_point(Mesh::VertexHandle(1), Point(0, 1, 0));
  aStrip.GarbageCollection();
  EXPECT_EQ(aStrip.NodeIndex(Point(0, 1, 0)), 2);
  EXPECT_EQ(aStrip.NodeIndex(Point(1, 0, 0)), -1);
}

TEST(HalfEdge_OpenMeshWrapperTest, CopiesAreIndependentClearEmptiesAndTrianglesAreNumberedByLivePosition)
{
  HalfEdge_OpenMeshWrapper aMesh;
  makeStrip(aMesh);
  HalfEdge_OpenMeshWrapper aCopy(aMesh);
  aCopy.SetNode(3, Point(3, 3, 3));
  EXPECT_EQ(aMesh.NodeIndex(Point(1, 1, 0)), 3);
  EXPECT_EQ(aCopy.NodeIndex(Point(3, 3, 3)), 3);
  expectIndexFollowsNodes(aCopy);
  aMesh.Clear();
  EXPECT_EQ(aMesh.n_vertices() + aMesh.n_edges() + aMesh.n_faces(), 0u);
  EXPECT_EQ(aMesh.NodeIndex(Point(0, 0, 0)), -1);
  EXPECT_EQ(aCopy.n_faces(), 2u);

  // Behind a deleted first node, positions shift by one.
  make(aMesh, {Point(7, 7, 7), Point(0, 0, 0), Point(1, 0, 0), Point(0, 1, 0), Point(1, 1, 0)},
       {{1, 2, 3}, {2, 4, 3}});
  aMesh.status(Mesh::VertexHandle(0)).set_deleted(true);
  std::vector<Point>              aPoints;
  std::vector<std::array<int, 3>> aTriangles;
  aMesh.CollectTriangles(aPoints, aTriangles);
  ASSERT_EQ(aPoints.size(), 4u);
  ASSERT_EQ(aTriangles.size(), 2u);
  for (int t = 0; t < 2; ++t)
  {
    const std::vector<int> aNodes = aMesh.FaceNodes(t);
    for (int i = 0; i < 3; ++i)
    {
      EXPECT_EQ(aPoints[aTriangles[t][i]], aMesh.Node(aNodes[i]));
    }
  }
}
