#include <ListOfConnectedComponentsImpl.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <Mesh.hxx>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace
{
using Lists = std::vector<std::list<int>>;

Lists edgeLists(const ListOfConnectedComponentsImpl& theList)
{
  Lists aLists;
  for (const auto& aComponent : theList.Components())
  {
    aLists.emplace_back();
    for (const auto& anEntry : aComponent.Edges)
    {
      aLists.back().push_back(anEntry.Edge);
    }
  }
  return aLists;
}
} // namespace

TEST(ListOfConnectedComponentsTest, ComponentsFollowAdditionsReplacementsDeletionsAndCollapses)
{
  // A row of four quads: nodes 0-4 on y = 0 and 5-9 above them; quad i is
  // split into triangles 2i = (i, i + 1, i + 6) and 2i + 1 = (i, i + 6, i + 5).
  const Handle(HalfEdge_Mesh) aStrip = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(4, 1));
  Mesh* const                 aMesh  = &PelliskTest_Mesh::Storage(aStrip);
  const auto                  edge   = [&](int a, int b) { return aStrip->EdgeIndex(a, b); };
  const int e01 = edge(0, 1), e12 = edge(1, 2), e23 = edge(2, 3), e34 = edge(3, 4), d06 = edge(0, 6);
  const int v16 = edge(1, 6), t67 = edge(6, 7), d17 = edge(1, 7), v39 = edge(3, 9);

  // Bottom edges 0-1 and 3-4 apart, then 1-2 and 2-3 join them; invalid numbers are ignored.
  ListOfConnectedComponentsImpl aList;
  EXPECT_TRUE(aList.IsEmpty());
  aList.AddEdge(*aMesh, e01);
  aList.AddEdge(*aMesh, e34);
  EXPECT_EQ(edgeLists(aList), (Lists{{e01}, {e34}}));
  for (const int anEdge : {e12, -1, 1000})
  {
    aList.AddEdge(*aMesh, anEdge);
  }
  EXPECT_EQ(edgeLists(aList), (Lists{{e01, e12}, {e34}}));
  aList.AddEdge(*aMesh, e23);
  ASSERT_EQ(edgeLists(aList), (Lists{{e01, e12, e34, e23}}));
  EXPECT_EQ(aList.Begin().Nodes(), (std::set<int>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(aList.Contains(e23) && !aList.IsEmpty() && !aList.Contains(edge(5, 6)));

  // A live edge takes the place of one held, unless held already.
  aList.ReplaceEdge(*aMesh, e01, e12);
  aList.ReplaceEdge(*aMesh, e01, d06);
  aList.AddEdge(*aMesh, t67);
  ASSERT_EQ(edgeLists(aList), (Lists{{d06, e12, e34, e23, t67}}));
  EXPECT_EQ(aList.Begin().Nodes(), (std::set<int>{0, 1, 2, 3, 4, 6, 7}));
  // Deleting the second quad deletes 1-2, 1-7 and 6-7 but not 1-6: given a
  // deleted edge held and a live one, the call runs the other way round;
  // given two deleted ones, it does nothing.
  aStrip->DeleteFace(2);
  aStrip->DeleteFace(3);
  aList.ReplaceEdge(*aMesh, v16, e12);
  aList.ReplaceEdge(*aMesh, t67, d17);
  EXPECT_EQ(edgeLists(aList), (Lists{{d06, v16, e34, e23, t67}}));

  // Refreshing drops the deleted edges; the pieces that fell apart take the
  // component's place, in the order of their edges.
  aList.Refresh(*aMesh, d06);
  aList.Refresh(*aMesh, 12345);
  EXPECT_EQ(edgeLists(aList), (Lists{{d06, v16}, {e34, e23}}));
  EXPECT_EQ(aList.Components().front().Nodes, (std::set<int>{0, 1, 6}));
  EXPECT_EQ(aList.Components().back().Nodes, (std::set<int>{2, 3, 4}));

  // Collapsing node 3 into node 4 (halfedge 3 -> 4): the later edges of the
  // component end up live, at node 4 instead of node 3.
  aList.AddEdge(*aMesh, v39);
  aMesh->collapse(aMesh->find_halfedge(Mesh::VertexHandle(3), Mesh::VertexHandle(4)));
  aList.UpdateAfterCollapse(*aMesh, e34, 3, 4);
  std::list<int> anEdges = edgeLists(aList).back();
  ASSERT_EQ(anEdges.size(), 3u);
  std::set<std::set<int>> anEnds;
  for (anEdges.pop_front(); !anEdges.empty(); anEdges.pop_front())
  {
    ASSERT_FALSE(aMesh->status(Mesh::EdgeHandle(anEdges.front())).deleted());
    const auto aSide = aMesh->halfedge_handle(Mesh::EdgeHandle(anEdges.front()), 0);
    anEnds.insert({aMesh->from_vertex_handle(aSide).idx(), aMesh->to_vertex_handle(aSide).idx()});
  }
  EXPECT_EQ(anEnds, (std::set<std::set<int>>{{2, 4}, {4, 9}}));
  EXPECT_EQ(aList.Components().back().Nodes, (std::set<int>{2, 4, 9}));
}

TEST(ListOfConnectedComponentsTest, WalkSkipsDeadEdgesAndRetriesAnEdgeOnlyAfterAChangeInItsComponent)
{
  const Handle(HalfEdge_Mesh)   aStrip = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(4, 1));
  Mesh&                         aMesh  = PelliskTest_Mesh::Storage(aStrip);
  const auto                    edge   = [&](int a, int b) { return aStrip->EdgeIndex(a, b); };
  const int                     e01 = edge(0, 1), e12 = edge(1, 2), e34 = edge(3, 4), t89 = edge(8, 9);
  ListOfConnectedComponentsImpl aList;
  aList.Reset(aMesh);
  for (const int anEdge : {e01, e12, e34, t89, e01})
  {
    aList.AddEdge(aMesh, anEdge);
  }
  ASSERT_EQ(edgeLists(aList), (Lists{{e01, e12}, {e34}, {t89}})) << "an edge is held once";
  aStrip->DeleteFace(2); // the only face of the edge 1-2
  // The edge and start flag the walk must give at each step, then what is done there: 0
  // nothing; 1 marking for a retry, accepted; 2 the same, failing (the edge is dropped);
  // 3 a collapse in the component is told, then a retry is accepted.
  const std::vector<std::tuple<int, bool, int>> aScript = {{e01, true, 1},  {e01, false, 2}, // 1-2 is dead
                                                           {e34, true, 1},  {e34, false, 3},
                                                           {e34, false, 2}, {t89, true, 0}};
  auto                                          anIt    = aList.Begin();
  for (const auto& [anEdge, isStart, anAction] : aScript)
  {
    ASSERT_TRUE(anIt.More());
    EXPECT_EQ(anIt.Edge(), anEdge);
    EXPECT_EQ(anIt.IsComponentStart(), isStart) << anEdge;
    if (anAction == 3)
    {
      aList.UpdateAfterCollapse(aMesh, anEdge, -1, -1);
    }
    if (anAction != 0)
    {
      EXPECT_EQ(anIt.MarkForRetry(), anAction != 2);
    }
    anIt.Next();
  }
  EXPECT_FALSE(anIt.More());
  EXPECT_TRUE(aList.IsEmpty() && !aList.Contains(e01)) << "the walk consumes the list";
}
