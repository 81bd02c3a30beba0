#include <SVO_Breadth_Iterator.hxx>
#include <SVO_Depth_Iterator.hxx>

#include "SVOTest_Trees.hxx"

#include <gtest/gtest.h>

#include <functional>
#include <malloc.h>

using namespace SVOTest_Trees;

namespace
{
// The walk, checking that an ended iterator stays ended.
template <typename Iterator, typename TreeRef>
std::vector<SVO_Node*> walk(TreeRef& theTree)
{
  std::vector<SVO_Node*> aNodes;
  Iterator               anIter(theTree);
  for (; anIter.More(); anIter.Next())
  {
    aNodes.push_back(anIter.Current());
  }
  anIter.Next();
  EXPECT_TRUE(!anIter.More() && anIter.Current() == nullptr);
  return aNodes;
}
} // namespace

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
  const SVO_Node aUnit(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1)), aNearGap(gp_XYZ(1 + 5e-8, 0, 0), gp_XYZ(2, 1, 1)),
      aWideGap(gp_XYZ(1 + 2e-7, 0, 0), gp_XYZ(2, 1, 1)), aNext(gp_XYZ(-4e-8, 0, 0), gp_XYZ(1, 1, 1 + 6e-8)),
      aSame(gp_XYZ(4e-8, -4e-8, 4e-8), gp_XYZ(1 - 4e-8, 1 + 4e-8, 1 + 4e-8));
  EXPECT_TRUE(aUnit.IsAdjacent(&aNearGap) && aNearGap.IsAdjacent(&aUnit) &&
              aUnit.IsConnected(&aWideGap, 3e-7));
  EXPECT_FALSE(aUnit.IsAdjacent(&aWideGap) || aUnit.IsConnected(&aWideGap, 1e-7));
  EXPECT_FALSE(aUnit.IsConnected(nullptr, 1.0) || aUnit.IsAdjacent(nullptr));
  EXPECT_TRUE(aUnit == aSame && !(aUnit < aSame) && !(aSame < aUnit));
  EXPECT_TRUE(aUnit < aNext && !(aNext < aUnit) && !(aUnit == aNext));
}

TEST(SVO_TreeTest, RandomTreesAgreeWithExactGeometryAndReferenceWalks)
{
  const Handle(SVO_Tree) aNoTree;
  EXPECT_TRUE(walk<SVO_Breadth_Iterator>(aNoTree).empty() && walk<SVO_Depth_Iterator>(aNoTree).empty());
  std::mt19937                aRandom(7);
  std::bernoulli_distribution aSplit(0.35);
  int                         aNbAdjacent = 0;
  for (int aTrial = 0; aTrial < 12; ++aTrial)
  {
    // From a lone root up to five levels. Boxes of octants, contacts by faces, edges and
    // corners between cells of any sizes, nesting and the order are checked against the
    // boxes on the grid of the finest level; the walks against the nodes level by level,
    // parent by parent, and a recursive walk.
    const gp_XYZ                         aMin  = aTrial < 6 ? gp_XYZ(-3.1, 0.7, 2.2) : gp_XYZ(0, 0, 0);
    const gp_XYZ                         aMax  = aTrial < 6 ? gp_XYZ(6.2, 10.0, 11.5) : gp_XYZ(9.3, 4.1, 6.2);
    const GridTree                       aGrid = BuildTree(aMin, aMax, aTrial % 6,
                                                           [&](SVO_Node* theNode) { return !theNode->Parent || aSplit(aRandom); });
    std::vector<SVO_Node*>               aPreOrder;
    const std::function<void(SVO_Node*)> aVisit = [&](SVO_Node* theNode)
    {
      aPreOrder.push_back(theNode);
      for (int c = 0; theNode->Children[0] != nullptr && c < 8; ++c)
      {
        EXPECT_TRUE(SVO_Node(theNode, c + 8) == *theNode->Children[c]);
        aVisit(theNode->Children[c]);
      }
    };
    aVisit(aGrid.Tree->Root());
    EXPECT_EQ(walk<SVO_Breadth_Iterator>(aGrid.Tree), aGrid.Nodes);
    EXPECT_EQ(walk<SVO_Depth_Iterator>(*aGrid.Tree), aPreOrder);
    const gp_XYZ aStep = (aMax - aMin) / double(aGrid.Size);
    for (SVO_Node* aNode : aGrid.Nodes)
    {
      const GridBox& aBox = aGrid.Boxes.at(aNode);
      for (int k = 0; k < 6; ++k)
      {
        ASSERT_NEAR((k < 3 ? aNode->BoxMin : aNode->BoxMax).Coord(k % 3 + 1),
                    aMin.Coord(k % 3 + 1) + aStep.Coord(k % 3 + 1) * aBox[k], 1e-12);
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
  }
  EXPECT_GT(aNbAdjacent, 1000);
}

TEST(SVO_TreeTest, DeepTreesAreWalkedAndFreedWithoutRecursion)
{
  // A chain split 100000 times below child 0: recursive walks or a recursive
  // destructor would run out of stack long before.
  const size_t     aBefore = mallinfo2().uordblks;
  Handle(SVO_Tree) aTree   = new SVO_Tree();
  SVO_Node*        aTip    = aTree->Root();
  for (int i = 0; i < 800000; ++i, aTip = i % 8 == 0 ? aTip->Children[0] : aTip)
  {
    aTip->Children[i % 8] = new SVO_Node(aTip, i % 8);
  }
  const std::vector<SVO_Node*> aDepth = walk<SVO_Depth_Iterator>(aTree);
  ASSERT_EQ(aDepth.size(), 800001u);
  EXPECT_EQ(aDepth[100000], aTip) << "the chain of first children comes first";
  EXPECT_EQ(aDepth.back(), aTree->Root()->Children[7]);
  EXPECT_EQ(walk<SVO_Breadth_Iterator>(aTree).size(), aDepth.size());
  aTree.Nullify();
  // The nodes take about 100 MB, the walk 6 MB.
  EXPECT_LT(mallinfo2().uordblks, aBefore + (10u << 20)) << "the nodes are freed";
}
