#include <HalfEdge_OpenMeshWrapper.hxx>
#include <ListOfConnectedComponentsImpl.hxx>

#include <gtest/gtest.h>

#include <vector>

namespace
{
using Lists = std::vector<std::list<int>>;

// A row of theNbX quads split into triangles (i, i + 1, c + 1) and (i, c + 1, c),
// c = i + theNbX + 1: nodes i on y = 0 and i + theNbX + 1 on y = 1.
struct Strip : HalfEdge_OpenMeshWrapper
{
  explicit Strip(int theNbX)
  {
    for (int k = 0; k < 2 * (theNbX + 1); ++k)
    {
      AddNode(Point(k % (theNbX + 1), k / (theNbX + 1), 0));
    }
    for (int i = 0, c = theNbX + 1; i < theNbX; ++i, ++c)
    {
      AddFace({i, i + 1, c + 1});
      AddFace({i, c + 1, c});
    }
  }
  int EdgeOf(int theA, int theB) const
  {
    const auto aHalf = find_halfedge(VertexHandle(theA), VertexHandle(theB));
    return aHalf.is_valid() ? edge_handle(aHalf).idx() : -1;
  }
  bool IsDeleted(int theEdge) const { return status(EdgeHandle(theEdge)).deleted(); }
};

Lists edgeLists(const ListOfConnectedComponents& theList)
{
  Lists aLists;
  for (auto anIt = theList.Begin(); anIt.More(); anIt.Next())
  {
    aLists.push_back(anIt.Edges());
  }
  return aLists;
}
} // namespace

TEST(ListOfConnectedComponentsTest, EdgesGroupIntoConnectedPiecesInInsertionOrder)
{
  const Strip                   aMesh(4);
  ListOfConnectedComponentsImpl aList;
  EXPECT_TRUE(aList.IsEmpty());
  // Bottom row edges 0-1 and 3-4 apart, then 1-2 and 2-3 join them; invalid numbers are ignored.
  const int e01 = aMesh.EdgeOf(0, 1), e34 = aMesh.EdgeOf(3, 4), e12 = aMesh.EdgeOf(1, 2),
            e23 = aMesh.EdgeOf(2, 3);
  aList.AddEdge(aMesh, e01);
  aList.AddEdge(aMesh, e34);
  EXPECT_EQ(edgeLists(aList), (Lists{{e01}, {e34}}));
  aList.AddEdge(aMesh, e12);
  aList.AddEdge(aMesh, -1);
  aList.AddEdge(aMesh, 1000);
  EXPECT_EQ(edgeLists(aList), (Lists{{e01, e12}, {e34}}));
  aList.AddEdge(aMesh, e23);
  ASSERT_EQ(edgeLists(aList), (Lists{{e01, e12, e34, e23}}));
  EXPECT_EQ(aList.Begin().Nodes(), (std::set<int>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(aList.Contains(e23));
  EXPECT_FALSE(aList.Contains(aMesh.EdgeOf(5, 6)));
  EXPECT_FALSE(aList.IsEmpty());
}

TEST(ListOfConnectedComponentsTest, RefreshSplitsAComponentWhoseEdgesWereDeleted)
{
  Strip                         aMesh(4);
  ListOfConnectedComponentsImpl aList;
  std::vector<int>              aRow;
  for (int i = 0; i < 4; ++i)
  {
    aRow.push_back(aMesh.EdgeOf(i, i + 1));
    aList.AddEdge(aMesh, aRow.back());
  }
  // Deleting the two triangles of the second quad deletes bottom edge 1-2.
  aMesh.delete_face(Mesh::FaceHandle(2), false);
  aMesh.delete_face(Mesh::FaceHandle(3), false);
  ASSERT_TRUE(aMesh.IsDeleted(aRow[1]));
  aList.Refresh(aMesh, aRow[0]);
  EXPECT_EQ(edgeLists(aList), (Lists{{aRow[0]}, {aRow[2], aRow[3]}}));
  auto anIt = aList.Begin();
  EXPECT_EQ(anIt.Nodes(), (std::set<int>{0, 1}));
  anIt.Next();
  EXPECT_EQ(anIt.Nodes(), (std::set<int>{2, 3, 4}));
  aList.Refresh(aMesh, 12345);
  EXPECT_EQ(edgeLists(aList).size(), 2u);
}

TEST(ListOfConnectedComponentsTest, ReplaceEdgePutsTheLiveEdgeInPlace)
{
  Strip aMesh(2);
  // Bottom 0-1-2, top 3-4-5; triangles (0 1 4) (0 4 3) (1 2 5) (1 5 4).
  ListOfConnectedComponentsImpl aList;
  const int aBottom = aMesh.EdgeOf(0, 1), aDiagonal = aMesh.EdgeOf(0, 4), aTop = aMesh.EdgeOf(3, 4);
  const int aRight = aMesh.EdgeOf(1, 4);
  aList.AddEdge(aMesh, aBottom);
  aList.AddEdge(aMesh, aDiagonal);
  aList.ReplaceEdge(aMesh, aBottom, aDiagonal);
  EXPECT_EQ(edgeLists(aList), (Lists{{aBottom, aDiagonal}})) << "held already";
  aList.ReplaceEdge(aMesh, aBottom, aTop);
  EXPECT_EQ(edgeLists(aList), (Lists{{aTop, aDiagonal}}));
  EXPECT_EQ(aList.Begin().Nodes(), (std::set<int>{0, 1, 3, 4}));
  // With the left quad gone, the top edge is deleted and the right one live:
  // the call runs the other way round.
  aMesh.delete_face(Mesh::FaceHandle(0), false);
  aMesh.delete_face(Mesh::FaceHandle(1), false);
  ASSERT_TRUE(aMesh.IsDeleted(aTop));
  ASSERT_FALSE(aMesh.IsDeleted(aRight));
  aList.ReplaceEdge(aMesh, aRight, aTop);
  EXPECT_EQ(edgeLists(aList), (Lists{{aRight, aDiagonal}}));
  // Both deleted: nothing to do.
  aList.ReplaceEdge(aMesh, aTop, aDiagonal);
  EXPECT_EQ(edgeLists(aList), (Lists{{aRight, aDiagonal}}));
}

TEST(ListOfConnectedComponentsTest, UpdateAfterCollapseFollowsEdgesOntoTheKeptNode)
{
  Strip aMesh(3);
  // Bottom 0-1-2-3, top 4-5-6-7. Collapse node 1 into node 2 (halfedge 1 -> 2).
  ListOfConnectedComponentsImpl aList;
  const int                     e12 = aMesh.EdgeOf(1, 2);
  for (const int anEdge : {e12, aMesh.EdgeOf(0, 1), aMesh.EdgeOf(1, 5)})
  {
    aList.AddEdge(aMesh, anEdge);
  }
  const auto aHalf = aMesh.find_halfedge(Mesh::VertexHandle(1), Mesh::VertexHandle(2));
  ASSERT_TRUE(aMesh.is_collapse_ok(aHalf));
  aMesh.collapse(aHalf);
  aList.UpdateAfterCollapse(aMesh, e12, 1, 2);
  const std::list<int> anEdges = aList.Begin().Edges();
  ASSERT_EQ(anEdges.size(), 3u);
  for (auto anIt = std::next(anEdges.begin()); anIt != anEdges.end(); ++anIt)
  {
    ASSERT_FALSE(aMesh.IsDeleted(*anIt)) << *anIt;
    const auto          aSide  = aMesh.halfedge_handle(Mesh::EdgeHandle(*anIt), 0);
    const std::set<int> anEnds = {aMesh.from_vertex_handle(aSide).idx(), aMesh.to_vertex_handle(aSide).idx()};
    EXPECT_TRUE(anEnds == (std::set<int>{0, 2}) || anEnds == (std::set<int>{2, 5})) << *anIt;
  }
  EXPECT_EQ(aList.Begin().Nodes().count(1), 0u);
  EXPECT_EQ(aList.Begin().Nodes().count(2), 1u);
}
