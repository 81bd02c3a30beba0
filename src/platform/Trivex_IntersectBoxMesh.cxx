#include <Trivex_IntersectBoxMesh.hxx>

#include <Trivex_BVH.hxx>
#include <Trivex_Predicates.hxx>

#include <algorithm>

bool Trivex::IntersectBoxMesh::Perform(const Bnd_Box& theBox, std::vector<int>& theIndices)
{
  theIndices.clear();
  perform(theBox, &theIndices);
  std::sort(theIndices.begin(), theIndices.end());
  return !theIndices.empty();
}

bool Trivex::IntersectBoxMesh::perform(const Bnd_Box& theBox, std::vector<int>* theIndices) const
{
  if (mySet.IsNull() || !mySet->IsBuilt() || theBox.IsVoid())
  {
    return false;
  }
  double aMin[3], aMax[3];
  theBox.Get(aMin[0], aMin[1], aMin[2], aMax[0], aMax[1], aMax[2]);
  for (int k = 0; k < 3; ++k)
  {
    aMin[k] -= myTolerance;
    aMax[k] += myTolerance;
  }
  const BVH&              aBVH    = mySet->hierarchy();
  const BVHNode*          aNodes  = aBVH.Nodes().data();
  const std::vector<int>& anOrder = aBVH.Order();
  int                     aStack[BVH::THE_MAX_STACK];
  int                     aTop   = 0;
  bool                    aFound = false;
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
      // Every triangle inside the box meets it: no test needed.
      if (theIndices == nullptr)
      {
        return true;
      }
      int aFirst = 0, anEnd = 0;
      aBVH.ItemRange(aNodeIndex, aFirst, anEnd);
      theIndices->insert(theIndices->end(), anOrder.begin() + aFirst, anOrder.begin() + anEnd);
      aFound = true;
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
      const double* aC = mySet->leafCorners(aLeaf);
      if (Predicates::TriangleBox(gp_XYZ(aC[0], aC[1], aC[2]), gp_XYZ(aC[3], aC[4], aC[5]),
                                  gp_XYZ(aC[6], aC[7], aC[8]), aMin, aMax))
      {
        if (theIndices == nullptr)
        {
          return true;
        }
        theIndices->push_back(anOrder[static_cast<size_t>(aLeaf)]);
        aFound = true;
      }
    }
  }
  return aFound;
}
