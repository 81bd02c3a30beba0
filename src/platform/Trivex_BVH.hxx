#ifndef Trivex_BVH_HeaderFile
#define Trivex_BVH_HeaderFile

#include <vector>

namespace Trivex
{
//! One node of a bounding-volume hierarchy, stored in depth-first order: the
//! left child of an inner node follows it, the right child is Offset nodes
//! further. A leaf (NbItems > 0) covers the items Offset .. Offset + NbItems - 1
//! of the leaf order. Bounds are single precision rounded outwards: a node
//! then takes half a cache line, and a wider box only costs a few extra tests
//! (the items themselves are tested in double precision).
struct BVHNode
{
  float Min[3];
  float Max[3];
  int   Offset;
  int   NbItems;
};

//! Defaults of a BVH::Walk visitor: unordered, no node taken whole. A visitor
//! derives from it and hides what it needs.
struct BVHVisitor
{
  static constexpr bool THE_IS_ORDERED = false;

  bool IsFar(double) const { return false; }
  bool Contains(const BVHNode&) const { return false; }
  bool TakeRange(int, int) { return true; }
};

//! A binary bounding-volume hierarchy over boxes, built by binned surface-area
//! splits. The tree depends only on the items, never on the thread count.
class BVH
{
public:
  //! An item to sort into the hierarchy: its bounding box and its number.
  struct Item
  {
    double Min[3];
    double Max[3];
    int    Index;
  };

  //! Builds the hierarchy over theItems (reordered in place) with up to
  //! theNbThreads OpenMP threads. No items give an empty hierarchy.
  void Build(std::vector<Item>& theItems, int theNbThreads);

  //! Builds the hierarchy over theItems (left in their order) by sorting them
  //! along a space-filling curve through their centres and splitting where
  //! the curve's cells part: several times quicker than Build, for a tree
  //! that answers somewhat slower. Also depends only on the items.
  void BuildQuick(std::vector<Item>& theItems, int theNbThreads);

  //! Nodes in depth-first order, the root first; empty when nothing was built.
  const std::vector<BVHNode>& Nodes() const { return myNodes; }

  //! Item numbers in leaf order.
  const std::vector<int>& Order() const { return myOrder; }

  //! Leaf positions [theFirst, theEnd) under node theNode.
  void ItemRange(int theNode, int& theFirst, int& theEnd) const
  {
    int aLeft = theNode, aRight = theNode;
    while (myNodes[aLeft].NbItems == 0)
    {
      ++aLeft;
    }
    while (myNodes[aRight].NbItems == 0)
    {
      aRight += myNodes[aRight].Offset;
    }
    theFirst = myNodes[aLeft].Offset;
    theEnd   = myNodes[aRight].Offset + myNodes[aRight].NbItems;
  }

  //! Walks the hierarchy depth first with an explicit stack, letting theVisitor
  //! decide which nodes are entered, which items are taken and when to stop.
  //! A visitor provides:
  //! - `static constexpr bool THE_IS_ORDERED`: when true, the sibling with the
  //!   smaller key is visited first (the left one on a tie), and a node whose
  //!   key IsFar() by the time it is popped is skipped, since the visitor's
  //!   bound may have shrunk after the node was entered;
  //! - `bool Meets(const BVHNode&, double& theKey)`: whether the node is entered,
  //!   and its key;
  //! - `bool IsFar(double theKey)`: read only when ordered;
  //! - `bool Contains(const BVHNode&)`: whether every item under the node is
  //!   wanted without a test; TakeRange then gets their leaf positions;
  //! - `bool TakeRange(int theFirst, int theEnd)` and `bool Visit(int theLeaf)`:
  //!   take a range of leaf positions, test one; false ends the walk.
  //! Children are tested before they are pushed, so a popped node always meets
  //! the query. The tree depth is bounded by THE_MAX_STACK.
  template <typename Visitor>
  void Walk(Visitor& theVisitor) const
  {
    if (myNodes.empty())
    {
      return;
    }
    constexpr bool isOrdered = Visitor::THE_IS_ORDERED;
    const BVHNode* aNodes    = myNodes.data();
    int            aStack[THE_MAX_STACK];
    double         aKeys[isOrdered ? THE_MAX_STACK : 1];
    int            aTop  = 0;
    auto           aPush = [&](int theNode, double theKey)
    {
      aStack[aTop] = theNode;
      if constexpr (isOrdered)
      {
        aKeys[aTop] = theKey;
      }
      ++aTop;
    };
    double aRootKey = 0.0;
    if (theVisitor.Meets(aNodes[0], aRootKey))
    {
      aPush(0, aRootKey);
    }
    while (aTop > 0)
    {
      --aTop;
      const int aNodeIndex = aStack[aTop];
      if constexpr (isOrdered)
      {
        if (theVisitor.IsFar(aKeys[aTop]))
        {
          continue;
        }
      }
      const BVHNode& aNode = aNodes[aNodeIndex];
      if (theVisitor.Contains(aNode))
      {
        int aFirst = 0, anEnd = 0;
        ItemRange(aNodeIndex, aFirst, anEnd);
        if (!theVisitor.TakeRange(aFirst, anEnd))
        {
          return;
        }
        continue;
      }
      if (aNode.NbItems > 0)
      {
        for (int aLeaf = aNode.Offset; aLeaf < aNode.Offset + aNode.NbItems; ++aLeaf)
        {
          if (!theVisitor.Visit(aLeaf))
          {
            return;
          }
        }
        continue;
      }
      const int  aLeft = aNodeIndex + 1, aRight = aNodeIndex + aNode.Offset;
      double     aKeyL = 0.0, aKeyR = 0.0;
      const bool isLeft  = theVisitor.Meets(aNodes[aLeft], aKeyL);
      const bool isRight = theVisitor.Meets(aNodes[aRight], aKeyR);
      // The nearer child goes on top of the stack.
      const bool isRightFirst = isLeft && isRight && aKeyR < aKeyL;
      if (isLeft && isRightFirst)
      {
        aPush(aLeft, aKeyL);
      }
      if (isRight)
      {
        aPush(aRight, aKeyR);
      }
      if (isLeft && !isRightFirst)
      {
        aPush(aLeft, aKeyL);
      }
    }
  }

  //! Number of levels (1 for a single leaf, 0 when empty).
  int Depth() const { return myDepth; }

  //! Most nodes a depth-first traversal stack can hold at once.
  static constexpr int THE_MAX_STACK = 128;

private:
  std::vector<BVHNode> myNodes;
  std::vector<int>     myOrder;
  int                  myDepth = 0;
};
} // namespace Trivex

#endif
