#include <HalfEdge_OpenMeshWrapper.hxx>

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace
{
using Point = HalfEdge_OpenMeshWrapper::Point;

// A strip of two triangles (0 1 2) and (1 3 2) on four nodes.
void makeStrip(HalfEdge_OpenMeshWrapper& theMesh)
{
  const int a = theMesh.AddNode(Point(0, 0, 0));
  const int b = theMesh.AddNode(Point(1, 0, 0));
  const int c = theMesh.AddNode(Point(0, 1, 0));
  const int d = theMesh.AddNode(Point(1, 1, 0));
  ASSERT_GE(theMesh.AddFace({a, b, c}), 0);
  ASSERT_GE(theMesh.AddFace({b, d, c}), 0);
}

// Every live node is found at its own point.
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
}

TEST(HalfEdge_OpenMeshWrapperTest, JitteredLatticeMergesIntoItsLatticePoints)
{
  std::mt19937                           aRandom(7);
  std::uniform_int_distribution<int>     aCell(0, 9);
  std::uniform_real_distribution<double> aJitter(-4e-8, 4e-8);
  HalfEdge_OpenMeshWrapper               aMesh;
  std::map<std::array<int, 3>, int>      aNodeOfCell;
  for (int aTry = 0; aTry < 5000; ++aTry)
  {
    const std::array<int, 3> aKey = {aCell(aRandom), aCell(aRandom), aCell(aRandom)};
    const Point              aPoint(aKey[0] * 1e-3 + aJitter(aRandom), aKey[1] * 1e-3 + aJitter(aRandom),
                                    aKey[2] * 1e-3 + aJitter(aRandom));
    const int                aNode  = aMesh.AddNode(aPoint);
    const auto               aFound = aNodeOfCell.emplace(aKey, aNode);
    ASSERT_EQ(aFound.first->second, aNode) << "two nodes for one lattice point, or one for two";
  }
  EXPECT_EQ(aMesh.n_vertices(), aNodeOfCell.size());
  std::set<int> aDistinct;
  for (const auto& anEntry : aNodeOfCell)
  {
    aDistinct.insert(anEntry.second);
  }
  EXPECT_EQ(aDistinct.size(), aNodeOfCell.size());
}

TEST(HalfEdge_OpenMeshWrapperTest, AddFaceSkipsRepeatsAndRefusesWhatTheKernelWouldAssertOn)
{
  HalfEdge_OpenMeshWrapper aMesh;
  for (int i = 0; i < 5; ++i)
  {
    aMesh.AddNode(Point(i, i * i, 0));
  }
  EXPECT_EQ(aMesh.AddFace({0, 1, 0}), -1);
  EXPECT_EQ(aMesh.AddFace({0, 0, 0}), -1);
  EXPECT_EQ(aMesh.AddFace({0, 1, 5}), -1);
  EXPECT_EQ(aMesh.AddFace({0, 1, -1}), -1);
  EXPECT_EQ(aMesh.AddFace({}), -1);
  const int aFace = aMesh.AddFace({0, 1, 0, 2});
  ASSERT_EQ(aFace, 0);
  EXPECT_EQ(aMesh.FaceNodes(aFace).size(), 3u);
  // The directed edge 0 -> 1 is taken: the same orientation again is refused.
  EXPECT_EQ(aMesh.AddFace({0, 1, 3}), -1);
  EXPECT_EQ(aMesh.AddFace({1, 0, 3}), 1);
  // A deleted node can no longer be used.
  aMesh.status(Mesh::VertexHandle(4)).set_deleted(true);
  EXPECT_EQ(aMesh.AddFace({1, 3, 4}), -1);
  EXPECT_EQ(aMesh.n_faces(), 2u);
  EXPECT_EQ(aMesh.Node(4), Point(0, 0, 0));
  EXPECT_EQ(aMesh.NodeIndex(Point(4, 16, 0)), -1) << "the index entry of a deleted node is stale";
  EXPECT_EQ(aMesh.AddNode(Point(4, 16, 0)), 5) << "a stale entry gives way to a new node";
  EXPECT_EQ(aMesh.NodeIndex(Point(4, 16, 0)), 5);
}

TEST(HalfEdge_OpenMeshWrapperTest, InvalidNumbersAnswerNothing)
{
  HalfEdge_OpenMeshWrapper aMesh;
  makeStrip(aMesh);
  aMesh.delete_face(Mesh::FaceHandle(1), false);
  for (const int aNumber : {-1, 4, 1000})
  {
    EXPECT_EQ(aMesh.Node(aNumber), Point(0, 0, 0));
    EXPECT_FALSE(aMesh.VertexHandleOf(aNumber).is_valid());
    EXPECT_FALSE(aMesh.MergeNodes(0, aNumber));
    EXPECT_FALSE(aMesh.MergeNodes(aNumber, 0));
    aMesh.SetNode(aNumber, Point(9, 9, 9));
  }
  EXPECT_FALSE(aMesh.EdgeHandleOf(-1).is_valid());
  EXPECT_FALSE(aMesh.EdgeHandleOf(1000).is_valid());
  EXPECT_FALSE(aMesh.EdgeHandleOf(3).is_valid()) << "edge 1-3 went with its only face";
  EXPECT_TRUE(aMesh.FaceNodes(1).empty());
  EXPECT_FALSE(aMesh.FaceHandleOf(1).is_valid());
  EXPECT_TRUE(aMesh.FaceNodes(-3).empty());
  EXPECT_EQ(aMesh.NodeIndex(Point(9, 9, 9)), -1);
}

TEST(HalfEdge_OpenMeshWrapperTest, SetNodeMovesTheIndexEntryOrMergesIntoANodeThere)
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
  int aNbLive = 0;
  for (const auto aFace : aMesh.faces())
  {
    (void)aFace;
    ++aNbLive;
  }
  EXPECT_EQ(aNbLive, 0);
  aMesh.GarbageCollection();
  EXPECT_EQ(aMesh.n_vertices(), 0u);
}

TEST(HalfEdge_OpenMeshWrapperTest, MergeNodesDropsFacesThatLoseACornerAndKeepsTheRest)
{
  // A fan of four triangles around centre 0 on a square 1 2 3 4.
  HalfEdge_OpenMeshWrapper aMesh;
  for (const Point& aPoint :
       {Point(0, 0, 0), Point(1, 0, 0), Point(0, 1, 0), Point(-1, 0, 0), Point(0, -1, 0)})
  {
    aMesh.AddNode(aPoint);
  }
  for (const std::list<int>& aFace : {std::list<int>{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}})
  {
    ASSERT_GE(aMesh.AddFace(aFace), 0);
  }
  // Centre onto corner 1: the two triangles on edge 0-1 vanish, the other two
  // are re-attached to node 1.
  ASSERT_TRUE(aMesh.MergeNodes(1, 0));
  std::set<std::set<int>> aFaces;
  for (const auto aFace : aMesh.faces())
  {
    const std::vector<int> aNodes = aMesh.FaceNodes(aFace.idx());
    aFaces.insert(std::set<int>(aNodes.begin(), aNodes.end()));
  }
  EXPECT_EQ(aFaces, (std::set<std::set<int>>{{1, 2, 3}, {1, 3, 4}}));
  EXPECT_FALSE(aMesh.halfedge_handle(Mesh::VertexHandle(0)).is_valid());
  EXPECT_TRUE(aMesh.MergeNodes(1, 1));
}

TEST(HalfEdge_OpenMeshWrapperTest, GarbageCollectionRenumbersDenselyAndRebuildsTheIndex)
{
  HalfEdge_OpenMeshWrapper aMesh;
  const int                aNbX = 6, aNbY = 5;
  for (int j = 0; j <= aNbY; ++j)
  {
    for (int i = 0; i <= aNbX; ++i)
    {
      aMesh.AddNode(Point(i, j, 0));
    }
  }
  for (int j = 0; j < aNbY; ++j)
  {
    for (int i = 0; i < aNbX; ++i)
    {
      const int a = j * (aNbX + 1) + i;
      ASSERT_GE(aMesh.AddFace({a, a + 1, a + aNbX + 2, a + aNbX + 1}), 0);
    }
  }
  // Delete the quads of the first row and of the first column.
  std::set<std::array<double, 3>> aSurvivors;
  for (int f = 0; f < aNbX * aNbY; ++f)
  {
    if (f < aNbX || f % aNbX == 0)
    {
      aMesh.delete_face(Mesh::FaceHandle(f), false);
    }
  }
  for (const auto aVertex : aMesh.vertices())
  {
    const Point& aPoint = aMesh.point(aVertex);
    if (aPoint[0] >= 1 && aPoint[1] >= 1)
    {
      aSurvivors.insert({aPoint[0], aPoint[1], aPoint[2]});
    }
  }
  aMesh.GarbageCollection();
  EXPECT_EQ(aMesh.n_faces(), static_cast<size_t>((aNbX - 1) * (aNbY - 1)));
  ASSERT_EQ(aMesh.n_vertices(), aSurvivors.size());
  for (int aNode = 0; aNode < static_cast<int>(aMesh.n_vertices()); ++aNode)
  {
    const Point& aPoint = aMesh.Node(aNode);
    EXPECT_EQ(aSurvivors.count({aPoint[0], aPoint[1], aPoint[2]}), 1u);
  }
  expectIndexFollowsNodes(aMesh);
  for (int f = 0; f < static_cast<int>(aMesh.n_faces()); ++f)
  {
    EXPECT_EQ(aMesh.FaceNodes(f).size(), 4u);
  }
}

TEST(HalfEdge_OpenMeshWrapperTest, GarbageCollectionRemovesALoneSurvivor)
{
  HalfEdge_OpenMeshWrapper aMesh;
  makeStrip(aMesh);
  aMesh.delete_face(Mesh::FaceHandle(0), false);
  aMesh.delete_face(Mesh::FaceHandle(1), false);
  // Every vertex but one is isolated: the last one still points at a halfedge.
  for (const auto aVertex : aMesh.vertices())
  {
    EXPECT_FALSE(aMesh.halfedge_handle(aVertex).is_valid());
  }
  aMesh.set_halfedge_handle(Mesh::VertexHandle(2), Mesh::HalfedgeHandle(0));
  aMesh.GarbageCollection();
  EXPECT_EQ(aMesh.n_vertices(), 0u);
  EXPECT_EQ(aMesh.NbIndexedNodes(), 0);

  // Isolated nodes without any halfedge go as well; nodes of faces stay.
  HalfEdge_OpenMeshWrapper aStrip;
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

TEST(HalfEdge_OpenMeshWrapperTest, CopyIsIndependentAndClearEmptiesEverything)
{
  HalfEdge_OpenMeshWrapper aMesh;
  makeStrip(aMesh);
  HalfEdge_OpenMeshWrapper aCopy(aMesh);
  aCopy.SetNode(3, Point(3, 3, 3));
  EXPECT_EQ(aMesh.NodeIndex(Point(1, 1, 0)), 3);
  EXPECT_EQ(aCopy.NodeIndex(Point(3, 3, 3)), 3);
  EXPECT_EQ(aCopy.Tolerance(), 1e-7);
  expectIndexFollowsNodes(aCopy);

  aMesh.Clear();
  EXPECT_EQ(aMesh.n_vertices() + aMesh.n_edges() + aMesh.n_faces(), 0u);
  EXPECT_EQ(aMesh.NodeIndex(Point(0, 0, 0)), -1);
  EXPECT_TRUE(aMesh.has_vertex_status() && aMesh.has_face_status());
  makeStrip(aMesh);
  EXPECT_EQ(aCopy.n_faces(), 2u);
}

TEST(HalfEdge_OpenMeshWrapperTest, CollectTrianglesNumbersByLivePosition)
{
  HalfEdge_OpenMeshWrapper aMesh;
  aMesh.AddNode(Point(7, 7, 7));
  makeStrip(aMesh);
  aMesh.status(Mesh::VertexHandle(0)).set_deleted(true);
  std::vector<Point>              aPoints;
  std::vector<std::array<int, 3>> aTriangles;
  aMesh.CollectTriangles(aPoints, aTriangles);
  ASSERT_EQ(aPoints.size(), 4u);
  ASSERT_EQ(aTriangles.size(), 2u);
  for (const auto& aTriangle : aTriangles)
  {
    const std::vector<int> aNodes = aMesh.FaceNodes(static_cast<int>(&aTriangle - aTriangles.data()));
    for (int i = 0; i < 3; ++i)
    {
      EXPECT_EQ(aPoints[aTriangle[i]], aMesh.Node(aNodes[i]));
    }
  }
}
