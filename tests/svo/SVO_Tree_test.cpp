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

TEST(SVO_TreeTest, IteratorsMatchReferenceWalks)
{
  const Handle(SVO_Tree) aNoTree;
  EXPECT_TRUE(walk<SVO_Breadth_Iterator>(aNoTree).empty() && walk<SVO_Depth_Iterator>(aNoTree).empty());
  std::mt19937                aRandom(3);
  std::bernoulli_distribution aSplit(0.3);
  for (int aTrial = 0; aTrial < 12; ++aTrial)
  {
    // From a lone root up to five levels; the nodes come level by level, parent by parent.
    const GridTree                       aGrid = BuildTree(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1), aTrial % 6,
                                                           [&](SVO_Node* theNode) { return !theNode->Parent || aSplit(aRandom); });
    std::vector<SVO_Node*>               aPreOrder;
    const std::function<void(SVO_Node*)> aVisit = [&](SVO_Node* theNode)
    {
      aPreOrder.push_back(theNode);
      for (int c = 0; theNode->Children[0] != nullptr && c < 8; ++c)
      {
        aVisit(theNode->Children[c]);
      }
    };
    aVisit(aGrid.Tree->Root());
    EXPECT_EQ(walk<SVO_Breadth_Iterator>(aGrid.Tree), aGrid.Nodes);
    EXPECT_EQ(walk<SVO_Depth_Iterator>(*aGrid.Tree), aPreOrder);
  }
}

TEST(SVO_TreeTest, DeepTreesAreWalkedAndFreedWithoutRecursion)
{
  // A chain split 100000 times below child 0: recursive walks or a recursive
  // destructor would run out of stack long before.
  const size_t     aBefore = mallinfo2().uordblks;
  Handle(SVO_Tree) aTree   = new SVO_Tree();
  SVO_Node*        aTip    = aTree->Root();
  for (int aLevel = 0; aLevel < 100000; ++aLevel, aTip = aTip->Children[0])
  {
    Split(aTip);
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
