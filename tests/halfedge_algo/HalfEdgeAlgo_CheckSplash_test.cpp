// Splashes: the check and the fix.
#include <HalfEdgeAlgo_CheckSplash.hxx>
#include <HalfEdgeAlgo_FixSplash.hxx>
#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace
{
// Node 0 at height theZ above four quads (0, a_k, m_k, a_k+1), a_k = (15, 0, -36) and m_k = (12, 12, -40)
// turned by k quarter turns (nodes 2k + 1 and 2k + 2). At theZ = 0 every length is whole: spokes of 39 and
// rim edges of 13, so S = 156 = 1.5 R exactly.
Handle(HalfEdge_Mesh) spike(double theZ)
{
  const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh();
  aMesh->AddNode(gp_Pnt(0.0, 0.0, theZ));
  const double aXY[5][2] = {
      {15, 0}, {12, 12}, {0, 15}, {-12, 12}, {-15, 0}}; // turning by a half turn: -x, -y
  for (int aNode = 0; aNode < 8; ++aNode)
  {
    const double aSign = aNode < 4 ? 1.0 : -1.0;
    aMesh->AddNode(
        gp_Pnt(aSign * aXY[aNode % 4][0], aSign * aXY[aNode % 4][1], aNode % 2 == 0 ? -36.0 : -40.0));
  }
  for (int k = 0; k < 4; ++k)
  {
    EXPECT_GE(aMesh->AddFace({0, 2 * k + 1, 2 * k + 2, (2 * k + 2) % 8 + 1}, true), 0);
  }
  return aMesh;
}
} // namespace

TEST(HalfEdgeAlgo_CheckSplashTest, FindsInnerNodesWhoseEdgesAreLongerThanOneAndAHalfRings)
{
  const Handle(HalfEdge_Mesh) aSpiked =
      new HalfEdge_Mesh(PelliskTest_Meshes::Box(gp_Pnt(), gp_Pnt(1, 1, 1), 2));
  aSpiked->SetNode(aSpiked->NodeIndex(gp_Pnt(0.5, 0.5, 1.0)), gp_Pnt(0.5, 0.5, 2.5));
  const Handle(HalfEdge_Mesh) aSphere = new HalfEdge_Mesh(PelliskTest_Meshes::IcoSphere(gp_Pnt(), 1.0, 2));
  const Handle(HalfEdge_Mesh) aPulled = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(3, 3));
  aPulled->SetNode(0, gp_Pnt(0, 0, 100));
  const std::tuple<const char*, Handle(HalfEdge_Mesh), std::set<int>> aCases[] = {
      {"closed surface without spikes", aSphere, {}},
      {"S exactly 1.5 R", spike(0.0), {}},
      {"S just above 1.5 R", spike(1.0), {0}},
      {"spike on a box", aSpiked, {aSpiked->NodeIndex(gp_Pnt(0.5, 0.5, 2.5))}},
      {"boundary corner pulled far out", aPulled, {}},
      {"no faces", new HalfEdge_Mesh(), {}},
  };
  for (const auto& [aName, aMesh, aSplashes] : aCases)
  {
    SCOPED_TRACE(aName);
    const Handle(HalfEdgeAlgo_CheckSplash) aCheck = new HalfEdgeAlgo_CheckSplash();
    const gp_Pnt                           aSpike = aMesh->Node(0);
    EXPECT_EQ(aMesh->Execute(aCheck, false), !aSplashes.empty());
    EXPECT_EQ(aCheck->SplashNodes(), aSplashes);
    EXPECT_EQ(aMesh->Node(0).Distance(aSpike), 0.0);
  }
}

TEST(HalfEdgeAlgo_FixSplashTest, MovesNodesInNumberOrderToTheAverageOfTheirNeighbourhood)
{
  // The apex's neighbours, the corners a_k, sum to (0, 0, -144): it goes to (0, 0, -28.8). Corner 1 averages
  // itself, the apex (at height z) and middles 2 and 8: (15 + 0 + 12 + 12, 0, -36 + z - 40 - 40) / 4.
  const gp_Pnt anApex(0, 0, 0), aCorner(15, 0, -36), aFixedApex(0, 0, -28.8);
  const std::tuple<std::set<int>, bool, gp_Pnt, gp_Pnt> aCases[] = {
      // nodes, result, apex, corner
      {{}, false, anApex, aCorner},
      {{0}, true, aFixedApex, aCorner},
      {{1}, true, anApex, gp_Pnt(9.75, 0, -29)},
      {{1, 0}, true, aFixedApex, gp_Pnt(9.75, 0, -36.2)},
      {{-1, 0, 1, 9}, false, aFixedApex, gp_Pnt(9.75, 0, -36.2)},
  };
  for (const auto& [aNodes, aResult, anApexAfter, aCornerAfter] : aCases)
  {
    SCOPED_TRACE(testing::PrintToString(aNodes));
    const Handle(HalfEdge_Mesh) aMesh = spike(0.0);
    EXPECT_EQ(aMesh->Execute(new HalfEdgeAlgo_FixSplash(aNodes), false), aResult);
    EXPECT_LT(aMesh->Node(0).Distance(anApexAfter), 1e-12);
    EXPECT_LT(aMesh->Node(1).Distance(aCornerAfter), 1e-12);
  }
}
