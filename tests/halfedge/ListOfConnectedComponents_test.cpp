#include <HalfEdge_OpenMeshWrapper.hxx>
#include <ListOfConnectedComponentsImpl.hxx>

#include <gtest/gtest.h>

#include <vector>

namespace
{
using Point = HalfEdge_OpenMeshWrapper::Point;

// A row of theNbX quads split into triangles: nodes i (y = 0) and i + theNbX + 1 (y = 1).
void makeStrip(HalfEdge_OpenMeshWrapper& theMesh, int theNbX)
{
  for (int j = 0; j < 2; ++j)
  {
    for (int i = 0; i <= theNbX; ++i)
    {
      theMesh.AddNode(Point(i, j, 0));
    }
  }
  for (int i = 0; i < theNbX; ++i)
  {
    const int c = i + theNbX + 1;
    theMesh.AddFace({i, i + 1, c + 1});
    theMesh.AddFace({i, c + 1, c});
  }
}

int edge(const HalfEdge_OpenMeshWrapper& theMesh, int theA, int theB)
{
  const auto aHalf = theMesh.find_halfedge(Mesh::VertexHandle(theA), Mesh::VertexHandle(theB));
  return aHalf.is_valid() ? theMesh.edge_handle(aHalf).idx() : -1;
}

std::vector<std::list<int>> edgeLists(const ListOfConnectedComponents& theList)
{
  std::vector<std::list<int>> aLists;
  for (auto anIt = theList.Begin(); anIt.More(); anIt.Next())
  {
    aLists.push_back(anIt.Edges());
  }
  return aLists;
}
} // namespace

TEST(ListOfConnectedComponentsTest, EdgesGroupIntoConnectedPiecesInInsertionOrder)
{
  HalfEdge_OpenMeshWrapper aMesh;
  makeStrip(aMesh, 4);
  std::shared_ptr<ListOfConnectedComponents> aList = std::make_shared<ListOfConnectedComponentsImpl>();
  EXPECT_TRUE(aList->IsEmpty());
  // Bottom row edges 0-1 and 3-4 apart, then 1-2 and 2-3 join them.
  const int e01 = edge(aMesh, 0, 1), e34 = edge(aMesh, 3, 4), e12 = edge(aMesh, 1, 2),
            e23 = edge(aMesh, 2, 3);
  aList->AddEdge(aMesh, e01);
  aList->AddEdge(aMesh, e34);
  EXPECT_EQ(edgeLists(*aList), (std::vector<std::list<int>>{{e01}, {e34}}));
  aList->AddEdge(aMesh, e12);
  aList->AddEdge(aMesh, -1);
  aList->AddEdge(aMesh, 1000);
  EXPECT_EQ(edgeLists(*aList).size(), 2u);
  aList->AddEdge(aMesh, e23);
  ASSERT_EQ(edgeLists(*aList), (std::vector<std::list<int>>{{e01, e12, e34, e23}}));
  EXPECT_EQ(aList->Begin().Nodes(), (std::set<int>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(aList->Contains(e23));
  EXPECT_FALSE(aList->Contains(edge(aMesh, 5, 6)));
  EXPECT_FALSE(aList->IsEmpty());
}

TEST(ListOfConnectedComponentsTest, RefreshSplitsAComponentWhoseEdgesWereDeleted)
{
  HalfEdge_OpenMeshWrapper aMesh;
  makeStrip(aMesh, 4);
  ListOfConnectedComponentsImpl aList;
  std::vector<int>              aRow;
  for (int i = 0; i < 4; ++i)
  {
    aRow.push_back(edge(aMesh, i, i + 1));
    aList.AddEdge(aMesh, aRow.back());
  }
  // Deleting the two triangles of the second quad deletes bottom edge 1-2.
  aMesh.delete_face(Mesh::FaceHandle(2), false);
  aMesh.delete_face(Mesh::FaceHandle(3), false);
  ASSERT_TRUE(aMesh.status(Mesh::EdgeHandle(aRow[1])).deleted());
  aList.Refresh(aMesh, aRow[0]);
  EXPECT_EQ(edgeLists(aList), (std::vector<std::list<int>>{{aRow[0]}, {aRow[2], aRow[3]}}));
  auto anIt = aList.Begin();
  EXPECT_EQ(anIt.Nodes(), (std::set<int>{0, 1}));
  anIt.Next();
  EXPECT_EQ(anIt.Nodes(), (std::set<int>{2, 3, 4}));
  aList.Refresh(aMesh, 12345);
  EXPECT_EQ(edgeLists(aList).size(), 2u);
}

TEST(ListOfConnectedComponentsTest, ReplaceEdgePutsTheLiveEdgeInPlace)
{
  HalfEdge_OpenMeshWrapper aMesh;
  makeStrip(aMesh, 2);
  // Bottom 0-1-2, top 3-4-5; triangles (0 1 4) (0 4 3) (1 2 5) (1 5 4).
  ListOfConnectedComponentsImpl aList;
  const int aBottom = edge(aMesh, 0, 1), aDiagonal = edge(aMesh, 0, 4), aTop = edge(aMesh, 3, 4);
  const int aRight = edge(aMesh, 1, 4);
  aList.AddEdge(aMesh, aBottom);
  aList.AddEdge(aMesh, aDiagonal);
  aList.ReplaceEdge(aMesh, aBottom, aDiagonal);
  EXPECT_EQ(edgeLists(aList), (std::vector<std::list<int>>{{aBottom, aDiagonal}})) << "held already";
  aList.ReplaceEdge(aMesh, aBottom, aTop);
  EXPECT_EQ(edgeLists(aList), (std::vector<std::list<int>>{{aTop, aDiagonal}}));
  EXPECT_EQ(aList.Begin().Nodes(), (std::set<int>{0, 1, 3, 4}));

  // With the left quad gone, the top edge is deleted and the right one live:
  // the call runs the other way round.
  aMesh.delete_face(Mesh::FaceHandle(0), false);
  aMesh.delete_face(Mesh::FaceHandle(1), false);
  ASSERT_TRUE(aMesh.status(Mesh::EdgeHandle(aTop)).deleted());
  ASSERT_FALSE(aMesh.status(Mesh::EdgeHandle(aRight)).deleted());
  aList.ReplaceEdge(aMesh, aRight, aTop);
  EXPECT_EQ(edgeLists(aList), (std::vector<std::list<int>>{{aRight, aDiagonal}}));
  // Both deleted: nothing to do.
  aList.ReplaceEdge(aMesh, aTop, aDiagonal);
  EXPECT_EQ(edgeLists(aList), (std::vector<std::list<int>>{{aRight, aDiagonal}}));
}

TEST(ListOfConnectedComponentsTest, UpdateAfterCollapseFollowsEdgesOntoTheKeptNode)
{
  HalfEdge_OpenMeshWrapper aMesh;
  makeStrip(aMesh, 3);
  // Bottom 0-1-2-3, top 4-5-6-7. Collapse node 1 into node 2 (halfedge 1 -> 2).
  ListOfConnectedComponentsImpl aList;
  const int                     e01 = edge(aMesh, 0, 1), e12 = edge(aMesh, 1, 2), e15 = edge(aMesh, 1, 5);
  aList.AddEdge(aMesh, e12);
  aList.AddEdge(aMesh, e01);
  aList.AddEdge(aMesh, e15);
  const auto aHalf = aMesh.find_halfedge(Mesh::VertexHandle(1), Mesh::VertexHandle(2));
  ASSERT_TRUE(aMesh.is_collapse_ok(aHalf));
  aMesh.collapse(aHalf);
  aList.UpdateAfterCollapse(aMesh, e12, 1, 2);
  const std::list<int> anEdges = aList.Begin().Edges();
  ASSERT_EQ(anEdges.size(), 3u);
  for (auto anIt = std::next(anEdges.begin()); anIt != anEdges.end(); ++anIt)
  {
    ASSERT_FALSE(aMesh.status(Mesh::EdgeHandle(*anIt)).deleted()) << *anIt;
    const auto          aSide  = aMesh.halfedge_handle(Mesh::EdgeHandle(*anIt), 0);
    const std::set<int> anEnds = {aMesh.from_vertex_handle(aSide).idx(), aMesh.to_vertex_handle(aSide).idx()};
    EXPECT_TRUE(anEnds == (std::set<int>{0, 2}) || anEnds == (std::set<int>{2, 5})) << *anIt;
  }
  EXPECT_EQ(aList.Begin().Nodes().count(1), 0u);
  EXPECT_EQ(aList.Begin().Nodes().count(2), 1u);
}
