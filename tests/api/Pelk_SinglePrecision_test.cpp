// Rounding a wrap to single precision: two boxes that rounding glues together
// are repaired, and a wrap the repair fails on is given back as it was.
#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <Pelk_SinglePrecision.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <array>

namespace
{
bool isCrossing(const Handle(HalfEdge_Mesh)& theMesh)
{
  Handle(HalfEdgeAlgo_CheckSelfIntersections) aCheck = new HalfEdgeAlgo_CheckSelfIntersections();
  return theMesh->Execute(aCheck, false);
}

bool isSingle(const Handle(HalfEdge_Mesh)& theMesh)
{
  for (int aNode = 0; aNode < theMesh->NbNodes(); ++aNode)
  {
    for (int k = 1; k <= 3; ++k)
    {
      const double aValue = theMesh->Node(aNode).Coord(k);
      if (aValue != static_cast<double>(static_cast<float>(aValue)))
      {
        return false;
      }
    }
  }
  return true;
}

std::vector<std::array<double, 3>> nodes(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::vector<std::array<double, 3>> aNodes;
  for (int aNode = 0; aNode < theMesh->NbNodes(); ++aNode)
  {
    const gp_Pnt aPoint = theMesh->Node(aNode);
    aNodes.push_back({aPoint.X(), aPoint.Y(), aPoint.Z()});
  }
  return aNodes;
}

// Two boxes near x = 300, where floats lie 3e-5 apart, facing each other
// across theGap; each rounds its near side to the same float.
Handle(HalfEdge_Mesh) twoBoxes(double theGap)
{
  const double aSide = 300.0 + 3e-6;
  return new HalfEdge_Mesh(PelliskTest_Meshes::Append(
      PelliskTest_Meshes::Box(gp_Pnt(299.0, 0.0, 0.0), gp_Pnt(aSide, 1.0, 1.0), 3),
      PelliskTest_Meshes::Box(gp_Pnt(aSide + theGap, 0.2, 0.2), gp_Pnt(301.0, 0.8, 0.8), 3)));
}
} // namespace

TEST(Pelk_SinglePrecisionTest, RoundingThatMakesFacesCrossIsRepaired)
{
  Handle(HalfEdge_Mesh) aMesh = twoBoxes(5e-6);
  ASSERT_FALSE(isCrossing(aMesh));
  const Handle(HalfEdge_Mesh) aRounded = new HalfEdge_Mesh(aMesh);
  Pelk_SinglePrecision::RoundNodes(aRounded);
  ASSERT_TRUE(isCrossing(aRounded)) << "the boxes must meet once rounded";
  EXPECT_TRUE(isSingle(aRounded));

  Handle(Algo_FixSelfIntersections) aRepair = new Algo_FixSelfIntersections(new Pelk_DummyProgressNotifier());
  aRepair->SetNbThreads(2);
  Pelk_SinglePrecision aRounding;
  aRounding.SetRepair(aRepair);
  EXPECT_TRUE(aRounding.Perform(aMesh));
  EXPECT_GE(aRounding.NbRepairs(), 1);
  EXPECT_TRUE(isSingle(aMesh));
  EXPECT_FALSE(isCrossing(aMesh));
  EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(*aMesh));

  // Without a repair step, rounding alone.
  Handle(HalfEdge_Mesh) aPlain = twoBoxes(5e-6);
  EXPECT_TRUE(Pelk_SinglePrecision().Perform(aPlain));
  EXPECT_EQ(nodes(aPlain), nodes(aRounded));
}

TEST(Pelk_SinglePrecisionTest, WrapTheRepairFailsOnIsGivenBackAsItWas)
{
  Handle(HalfEdge_Mesh)                    aMesh   = twoBoxes(5e-6);
  const std::vector<std::array<double, 3>> aBefore = nodes(aMesh);
  // A repair whose host has cancelled stops at once and fails.
  const Handle(Pelk_ProgressNotifier) aCancelled = new Pelk_DummyProgressNotifier();
  aCancelled->Cancel();
  Pelk_SinglePrecision aRounding;
  aRounding.SetRepair(new Algo_FixSelfIntersections(aCancelled));
  EXPECT_FALSE(aRounding.Perform(aMesh));
  EXPECT_EQ(nodes(aMesh), aBefore);
  EXPECT_EQ(aRounding.NbRepairs(), 0);
}
