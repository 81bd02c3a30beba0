#include <Trivex_IntersectRayMesh.hxx>

#include <Trivex_BVH.hxx>
#include <Trivex_Predicates.hxx>

#include <algorithm>

bool Trivex::IntersectRayMesh::Perform(const Ray& theRay, std::vector<int>& theIndices)
{
  theIndices.clear();
  const double aTol = std::max(myTolerance, 0.0);
  if (mySet.IsNull() || !mySet->IsBuilt() || !(theRay.MaxParameter() >= -aTol))
  {
    return false;
  }
  const RayTester aRay(theRay.Origin().XYZ(), theRay.Direction().XYZ());
  const double    aTMin = -aTol, aTMax = theRay.MaxParameter() + aTol;
  const BVH&      aBVH   = mySet->hierarchy();
  const BVHNode*  aNodes = aBVH.Nodes().data();
  // Node boxes are widened by the tolerance so that rounding in the slab test
  // never drops a triangle the ray touches.
  auto meets = [&](int theNode)
  {
    const BVHNode& aNode   = aNodes[theNode];
    const double   aMin[3] = {aNode.Min[0] - aTol, aNode.Min[1] - aTol, aNode.Min[2] - aTol};
    const double   aMax[3] = {aNode.Max[0] + aTol, aNode.Max[1] + aTol, aNode.Max[2] + aTol};
    double         anEntry = 0.0;
    return aRay.Slab(aMin, aMax, aTMin, aTMax, anEntry);
  };
  int aStack[BVH::THE_MAX_STACK];
  int aTop = 0;
  if (meets(0))
  {
    aStack[aTop++] = 0;
  }
  // Children are tested before they are pushed: a popped node always meets the ray.
  while (aTop > 0)
  {
    const int      aNodeIndex = aStack[--aTop];
    const BVHNode& aNode      = aNodes[aNodeIndex];
    if (aNode.NbItems == 0)
    {
      if (meets(aNodeIndex + aNode.Offset))
      {
        aStack[aTop++] = aNodeIndex + aNode.Offset;
      }
      if (meets(aNodeIndex + 1))
      {
        aStack[aTop++] = aNodeIndex + 1;
      }
      continue;
    }
    for (int aLeaf = aNode.Offset; aLeaf < aNode.Offset + aNode.NbItems; ++aLeaf)
    {
      const double* aC = mySet->leafCorners(aLeaf);
      double        aT = 0.0, aU = 0.0, aV = 0.0, aW = 0.0;
      if (aRay.Hit(aC, aC + 3, aC + 6, aT, aU, aV, aW) && aT >= aTMin && aT <= aTMax)
      {
        theIndices.push_back(aBVH.Order()[static_cast<size_t>(aLeaf)]);
      }
    }
  }
  std::sort(theIndices.begin(), theIndices.end());
  return !theIndices.empty();
}
