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
