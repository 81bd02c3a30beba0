#include <SVO_Node.hxx>

#include "SVOTest_Trees.hxx"

#include <gtest/gtest.h>

using namespace SVOTest_Trees;

TEST(SVO_NodeTest, FreeCellsCellsWithoutBoxAndTolerances)
{
  SVO_Node aFree(gp_XYZ(1, 5, 0), gp_XYZ(3, 2, 4)); // corners in any order per axis
  EXPECT_TRUE(aFree.BoxMin.IsEqual(gp_XYZ(1, 2, 0), 0.0) && aFree.BoxMax.IsEqual(gp_XYZ(3, 5, 4), 0.0));
  EXPECT_TRUE(aFree.Corner(-1).IsEqual(aFree.Corner(7), 0.0)) << "bits above bit 2 are ignored";
  EXPECT_TRUE(aFree.LocalCoordinates(gp_XYZ(1, 2, 8)).IsEqual(gp_XYZ(-1, -1, 3), 1e-12))
      << "linear, -1 at BoxMin";
  for (const SVO_Node& aNoBox : {SVO_Node(), SVO_Node(nullptr, 3), SVO_Node(&aFree, -1)})
  {
    EXPECT_TRUE(aNoBox.BoxMin.IsEqual(gp_XYZ(-2e100, -2e100, -2e100), 0.0) &&
                aNoBox.BoxMax.IsEqual(gp_XYZ(2e100, 2e100, 2e100), 0.0));
  }
  // Gaps and offsets just within and just beyond the identity tolerance 5e-8.
  const SVO_Node aUnit(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1));
  const SVO_Node aNearGap(gp_XYZ(1 + 5e-8, 0, 0), gp_XYZ(2, 1, 1)),
      aWideGap(gp_XYZ(1 + 2e-7, 0, 0), gp_XYZ(2, 1, 1));
  EXPECT_TRUE(aUnit.IsAdjacent(&aNearGap) && aNearGap.IsAdjacent(&aUnit) &&
              aUnit.IsConnected(&aWideGap, 3e-7));
  EXPECT_FALSE(aUnit.IsAdjacent(&aWideGap) || aUnit.IsConnected(&aWideGap, 1e-7));
  EXPECT_FALSE(aUnit.IsConnected(nullptr, 1.0) || aUnit.IsAdjacent(nullptr));
  const SVO_Node aSame(gp_XYZ(4e-8, -4e-8, 4e-8), gp_XYZ(1 - 4e-8, 1 + 4e-8, 1 + 4e-8));
  const SVO_Node aNext(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1 + 6e-8));
  EXPECT_TRUE(aUnit == aSame && !(aUnit < aSame) && !(aSame < aUnit));
  EXPECT_TRUE(aUnit < aNext && !(aNext < aUnit) && !(aUnit == aNext));
}

TEST(SVO_NodeTest, RandomTreesAgreeWithExactGeometry)
{
  // Boxes of octants, contacts by faces, edges and corners between cells of any
  // sizes, nesting, and the order, against the boxes on the grid of the finest level.
  std::mt19937                aRandom(7);
  std::bernoulli_distribution aSplit(0.35);
  const gp_XYZ                aCorners[][2] = {{gp_XYZ(-3.1, 0.7, 2.2), gp_XYZ(6.2, 10.0, 11.5)},
                                               {gp_XYZ(0, 0, 0), gp_XYZ(9.3, 4.1, 6.2)}};
  for (const auto& aCorner : aCorners)
  {
    const GridTree aGrid = BuildTree(aCorner[0], aCorner[1], 5,
                                     [&](SVO_Node* theNode) { return !theNode->Parent || aSplit(aRandom); });
    ASSERT_GT(aGrid.Nodes.size(), 200u);
    const gp_XYZ aStep       = (aCorner[1] - aCorner[0]) / double(aGrid.Size);
    int          aNbAdjacent = 0;
    for (SVO_Node* aNode : aGrid.Nodes)
    {
      const GridBox& aBox = aGrid.Boxes.at(aNode);
      for (int k = 0; k < 6; ++k)
      {
        const double aBound = (k < 3 ? aNode->BoxMin : aNode->BoxMax).Coord(k % 3 + 1);
        ASSERT_NEAR(aBound, aCorner[0].Coord(k % 3 + 1) + aStep.Coord(k % 3 + 1) * aBox[k], 1e-12);
      }
      for (int c = 0; aNode->Children[0] != nullptr && c < 8; ++c)
      {
        EXPECT_TRUE(SVO_Node(aNode, c + 8) == *aNode->Children[c]);
      }
      for (const SVO_Node* anOther : aGrid.Nodes)
      {
        const int aNbTouching = NbTouchingAxes(aBox, aGrid.Boxes.at(anOther));
        aNbAdjacent += aNbTouching == 1 ? 1 : 0;
        ASSERT_EQ(aNode->IsConnected(anOther, 1e-7), aNbTouching >= 0);
        ASSERT_EQ(aNode->IsAdjacent(anOther), aNbTouching == 1);
        ASSERT_EQ(*aNode < *anOther, aBox < aGrid.Boxes.at(anOther));
        ASSERT_EQ(*aNode == *anOther, aBox == aGrid.Boxes.at(anOther));
      }
    }
    EXPECT_GT(aNbAdjacent, 500);
  }
}
