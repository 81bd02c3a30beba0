#include <SVO_Breadth_Iterator.hxx>
#include <SVO_Depth_Iterator.hxx>
#include <SVO_Tree.hxx>

#include "SVOTest_Trees.hxx"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

using namespace SVOTest_Trees;

// Live blocks of the global allocator, to see that a tree frees all it owns.
// Nodes are the only objects the tree allocates with new (the tree itself comes
// from the kernel's allocator).
namespace
{
std::atomic<long long> THE_LIVE_BLOCKS{0};
}

void* operator new(std::size_t theSize)
{
  void* aBlock = std::malloc(theSize == 0 ? 1 : theSize);
  if (aBlock == nullptr)
  {
    throw std::bad_alloc();
  }
  ++THE_LIVE_BLOCKS;
  return aBlock;
}

void operator delete(void* theBlock) noexcept
{
  if (theBlock != nullptr)
  {
    --THE_LIVE_BLOCKS;
    std::free(theBlock);
  }
}

void operator delete(void* theBlock, std::size_t) noexcept
{
  operator delete(theBlock);
}

namespace
{
template <typename Iterator, typename TreeRef>
std::vector<SVO_Node*> walk(TreeRef& theTree)
{
  std::vector<SVO_Node*> aNodes;
  for (Iterator anIter(theTree); anIter.More(); anIter.Next())
  {
    aNodes.push_back(anIter.Current());
  }
  return aNodes;
}

std::vector<SVO_Node*> childrenOf(SVO_Node* theNode)
{
  return std::vector<SVO_Node*>(theNode->Children, theNode->Children + 8);
}

std::vector<SVO_Node*> concat(std::initializer_list<std::vector<SVO_Node*>> theParts)
{
  std::vector<SVO_Node*> aResult;
  for (const std::vector<SVO_Node*>& aPart : theParts)
  {
    aResult.insert(aResult.end(), aPart.begin(), aPart.end());
  }
  return aResult;
}

void preOrder(SVO_Node* theNode, std::vector<SVO_Node*>& theOut)
{
  theOut.push_back(theNode);
  if (theNode->Children[0] != nullptr)
  {
    for (SVO_Node* aChild : theNode->Children)
    {
      preOrder(aChild, theOut);
    }
  }
}

// Splits at random below the node; returns the number of nodes created.
size_t growRandomly(SVO_Node* theNode, std::mt19937& theRandom, int theLevelsLeft)
{
  if (theLevelsLeft == 0 || !std::bernoulli_distribution(0.6)(theRandom))
  {
    return 0;
  }
  Split(theNode);
  size_t aNbCreated = 8;
  for (SVO_Node* aChild : theNode->Children)
  {
    aNbCreated += growRandomly(aChild, theRandom, theLevelsLeft - 1);
  }
  return aNbCreated;
}
} // namespace

TEST(SVO_TreeTest, NewTreeIsOneRootWithoutBoxAndCountsAreTheBuilders)
{
  Handle(SVO_Tree) aTree = new SVO_Tree();
  SVO_Node*        aRoot = aTree->Root();
  ASSERT_NE(aRoot, nullptr);
  EXPECT_EQ(aTree->Depth(), 1);
  EXPECT_EQ(aTree->NbNodes(), 1u);
  EXPECT_EQ(aRoot->Parent, nullptr);
  EXPECT_EQ(aRoot->Children[0], nullptr);
  EXPECT_EQ(aRoot->State, SVO_Unclassified);
  EXPECT_EQ(aRoot->BoxMin.X(), -2e100);
  EXPECT_EQ(aRoot->BoxMax.Z(), 2e100);

  // The counters are whatever the builder says, not what the tree holds.
  Split(aRoot);
  EXPECT_EQ(aTree->NbNodes(), 1u);
  aTree->SetDepth(7);
  aTree->SetNbNodes(size_t(1) << 40);
  EXPECT_EQ(aTree->Depth(), 7);
  EXPECT_EQ(aTree->NbNodes(), size_t(1) << 40);
  EXPECT_TRUE(aTree->IsKind(STANDARD_TYPE(Standard_Transient)));
  EXPECT_STREQ(aTree->DynamicType()->Name(), "SVO_Tree");
}

TEST(SVO_TreeTest, IteratorsVisitARootOnceAndStayEndedAfterwards)
{
  Handle(SVO_Tree) aTree = new SVO_Tree();
  EXPECT_EQ(walk<SVO_Breadth_Iterator>(aTree), std::vector<SVO_Node*>{aTree->Root()});
  EXPECT_EQ(walk<SVO_Depth_Iterator>(*aTree), std::vector<SVO_Node*>{aTree->Root()});

  SVO_Breadth_Iterator aBreadth(*aTree);
  SVO_Depth_Iterator   aDepth(aTree);
  for (SVO_Iterator* anIter : std::initializer_list<SVO_Iterator*>{&aBreadth, &aDepth})
  {
    anIter->Next();
    EXPECT_FALSE(anIter->More());
    EXPECT_EQ(anIter->Current(), nullptr);
    anIter->Next();
    EXPECT_FALSE(anIter->More());
  }

  // A null handle is an empty walk rather than a crash.
  const Handle(SVO_Tree) aNoTree;
  EXPECT_TRUE(walk<SVO_Breadth_Iterator>(aNoTree).empty());
  EXPECT_TRUE(walk<SVO_Depth_Iterator>(aNoTree).empty());
}

TEST(SVO_TreeTest, BreadthGoesLevelByLevelAndDepthFinishesEachSubtreeFirst)
{
  Handle(SVO_Tree) aTree = new SVO_Tree();
  SVO_Node*        aRoot = aTree->Root();
  Split(aRoot);
  const std::vector<SVO_Node*> aLevel1 = concat({{aRoot}, childrenOf(aRoot)});
  EXPECT_EQ(walk<SVO_Breadth_Iterator>(aTree), aLevel1);
  EXPECT_EQ(walk<SVO_Depth_Iterator>(aTree), aLevel1);

  SVO_Node* aFirst = aRoot->Children[0];
  Split(aFirst);
  const std::vector<SVO_Node*> aSiblings(aRoot->Children + 1, aRoot->Children + 8);
  EXPECT_EQ(walk<SVO_Breadth_Iterator>(aTree), concat({aLevel1, childrenOf(aFirst)}));
  EXPECT_EQ(walk<SVO_Depth_Iterator>(aTree), concat({{aRoot, aFirst}, childrenOf(aFirst), aSiblings}));
}

TEST(SVO_TreeTest, IteratorsMatchReferenceWalksOnRandomTrees)
{
  std::mt19937 aRandom(3);
  for (int aTrial = 0; aTrial < 8; ++aTrial)
  {
    GridTree aGrid = RandomTree(aRandom, gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1), 5, 0.3);

    // Breadth-first: each level is the children of the previous level, parent by parent.
    std::vector<SVO_Node*> aBreadth, aLevel(1, aGrid.Tree->Root());
    while (!aLevel.empty())
    {
      aBreadth.insert(aBreadth.end(), aLevel.begin(), aLevel.end());
      std::vector<SVO_Node*> aNext;
      for (SVO_Node* aNode : aLevel)
      {
        if (aNode->Children[0] != nullptr)
        {
          aNext.insert(aNext.end(), aNode->Children, aNode->Children + 8);
        }
      }
      aLevel.swap(aNext);
    }
    std::vector<SVO_Node*> aDepth;
    preOrder(aGrid.Tree->Root(), aDepth);

    ASSERT_EQ(aDepth.size(), aGrid.Nodes.size());
    EXPECT_EQ(walk<SVO_Breadth_Iterator>(aGrid.Tree), aBreadth);
    EXPECT_EQ(walk<SVO_Depth_Iterator>(aGrid.Tree), aDepth);
  }
}

TEST(SVO_TreeTest, DestroyingATreeFreesEveryNodeOnce)
{
  std::mt19937 aRandom(5);
  for (int aTrial = 0; aTrial < 4; ++aTrial)
  {
    const long long aBefore = THE_LIVE_BLOCKS;
    long long       aHeld   = 0;
    size_t          aNbNodes;
    {
      Handle(SVO_Tree) aTree = new SVO_Tree();
      aTree->Root()->BoxMax  = gp_XYZ(1, 1, 1);
      Split(aTree->Root());
      aNbNodes = 9;
      for (SVO_Node* aChild : aTree->Root()->Children)
      {
        aNbNodes += growRandomly(aChild, aRandom, 4);
      }
      aHeld = THE_LIVE_BLOCKS - aBefore;
    }
    EXPECT_EQ(aHeld, static_cast<long long>(aNbNodes));
    EXPECT_EQ(THE_LIVE_BLOCKS - aBefore, 0);
  }
}

TEST(SVO_TreeTest, DeepTreesAreWalkedAndFreedWithoutRecursion)
{
  // A chain split 100000 times below child 0: recursive walks or a recursive
  // destructor would run out of stack long before.
  const int        aNbLevels = 100000;
  const long long  aBefore   = THE_LIVE_BLOCKS;
  Handle(SVO_Tree) aTree     = new SVO_Tree();
  aTree->Root()->BoxMin      = gp_XYZ(0, 0, 0);
  aTree->Root()->BoxMax      = gp_XYZ(1, 1, 1);
  SVO_Node* aTip             = aTree->Root();
  for (int aLevel = 0; aLevel < aNbLevels; ++aLevel)
  {
    Split(aTip);
    aTip = aTip->Children[0];
  }
  const size_t aNbNodes = 1 + 8 * static_cast<size_t>(aNbLevels);

  // Depth-first runs down the chain of first children before any sibling.
  size_t    aCount    = 0;
  SVO_Node* aPrevious = nullptr;
  for (SVO_Depth_Iterator anIter(aTree); anIter.More(); anIter.Next(), ++aCount)
  {
    if (aCount > 0 && aCount <= static_cast<size_t>(aNbLevels))
    {
      ASSERT_EQ(anIter.Current(), aPrevious->Children[0]);
    }
    aPrevious = anIter.Current();
  }
  EXPECT_EQ(aCount, aNbNodes);
  EXPECT_EQ(aPrevious, aTree->Root()->Children[7]);
  EXPECT_EQ(walk<SVO_Breadth_Iterator>(aTree).size(), aNbNodes);

  aTree.Nullify();
  EXPECT_EQ(THE_LIVE_BLOCKS - aBefore, 0);
}
