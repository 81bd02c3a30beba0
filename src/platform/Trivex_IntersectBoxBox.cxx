#include <Trivex_IntersectBoxBox.hxx>

#include <Trivex_BVH.hxx>
#include <Trivex_Predicates.hxx>

#include <algorithm>

bool Trivex::IntersectBoxBox::Perform(const BoxData&        theBox,
                                      std::vector<BoxData>& theResult,
                                      double                theTolerance)
{
  theResult.clear();
  myIndices.clear();
  myFound.clear();
  if (mySet.IsNull() || !mySet->IsBuilt() || theBox.IsVoid())
  {
    return false;
  }
  const double   aTol    = std::max(theTolerance, 0.0);
  const double   aMin[3] = {theBox.Min().X() - aTol, theBox.Min().Y() - aTol, theBox.Min().Z() - aTol};
  const double   aMax[3] = {theBox.Max().X() + aTol, theBox.Max().Y() + aTol, theBox.Max().Z() + aTol};
  const BVH&     aBVH    = mySet->hierarchy();
  const BVHNode* aNodes  = aBVH.Nodes().data();
  const std::vector<int>& anOrder = aBVH.Order();
  int                     aStack[BVH::THE_MAX_STACK];
  int                     aTop = 0;
  if (Predicates::BoxesTouch(aNodes[0].Min, aNodes[0].Max, aMin, aMax))
  {
    aStack[aTop++] = 0;
  }
  // Children are tested before they are pushed: a popped node always meets the box.
  while (aTop > 0)
  {
    const int      aNodeIndex = aStack[--aTop];
    const BVHNode& aNode      = aNodes[aNodeIndex];
    if (Predicates::BoxInside(aNode.Min, aNode.Max, aMin, aMax))
    {
      int aFirst = 0, anEnd = 0;
      aBVH.ItemRange(aNodeIndex, aFirst, anEnd);
      for (int aLeaf = aFirst; aLeaf < anEnd; ++aLeaf)
      {
        myFound.emplace_back(anOrder[static_cast<size_t>(aLeaf)], aLeaf);
      }
      continue;
    }
    if (aNode.NbItems == 0)
    {
      const int aRight = aNodeIndex + aNode.Offset, aLeft = aNodeIndex + 1;
      if (Predicates::BoxesTouch(aNodes[aRight].Min, aNodes[aRight].Max, aMin, aMax))
      {
        aStack[aTop++] = aRight;
      }
      if (Predicates::BoxesTouch(aNodes[aLeft].Min, aNodes[aLeft].Max, aMin, aMax))
      {
        aStack[aTop++] = aLeft;
      }
      continue;
    }
    for (int aLeaf = aNode.Offset; aLeaf < aNode.Offset + aNode.NbItems; ++aLeaf)
    {
      const BoxData& aB = mySet->leafBox(aLeaf);
      if (Predicates::BoxesTouch(aB.Min().GetData(), aB.Max().GetData(), aMin, aMax))
      {
        myFound.emplace_back(anOrder[static_cast<size_t>(aLeaf)], aLeaf);
      }
    }
  }
  // Results come from the leaf copies, which the search has just read.
  std::sort(myFound.begin(), myFound.end());
  theResult.reserve(myFound.size());
  myIndices.reserve(myFound.size());
  for (const std::pair<int, int>& aFound : myFound)
  {
    myIndices.push_back(aFound.first);
    theResult.push_back(mySet->leafBox(aFound.second));
  }
  return !myFound.empty();
}
