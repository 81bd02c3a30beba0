#include <Trivex_DistRayMesh.hxx>

#include <Trivex_BVH.hxx>
#include <Trivex_Predicates.hxx>

#include <utility>

double Trivex::DistRayMesh::Perform(const Ray& theRay)
{
  myIndex = -1;
  if (mySet.IsNull() || !mySet->IsBuilt() || !(theRay.MaxParameter() >= myTolerance))
  {
    return THE_NO_HIT;
  }
  const RayTester aRay(theRay.Origin().XYZ(), theRay.Direction().XYZ());
  const BVH&      aBVH   = mySet->hierarchy();
  const BVHNode*  aNodes = aBVH.Nodes().data();
  // Node boxes are widened by the tolerance so that rounding in the slab test
  // never drops a triangle the ray touches.
  const double aTol = std::max(myTolerance, 0.0);
  auto         slab = [&](const BVHNode& theNode, double theTMax, double& theEntry)
  {
    const double aMin[3] = {theNode.Min[0] - aTol, theNode.Min[1] - aTol, theNode.Min[2] - aTol};
    const double aMax[3] = {theNode.Max[0] + aTol, theNode.Max[1] + aTol, theNode.Max[2] + aTol};
    return aRay.Slab(aMin, aMax, 0.0, theTMax, theEntry);
  };
  double                 aBest     = theRay.MaxParameter();
  int                    aBestLeaf = -1;
  std::pair<int, double> aStack[BVH::THE_MAX_STACK];
  int                    aTop    = 0;
  double                 anEntry = 0.0;
  if (slab(aNodes[0], aBest, anEntry))
  {
    aStack[aTop++] = {0, anEntry};
  }
  while (aTop > 0)
  {
    const std::pair<int, double> aCurrent = aStack[--aTop];
    if (aCurrent.second > aBest)
    {
      continue;
    }
    const BVHNode& aNode = aNodes[aCurrent.first];
    if (aNode.NbItems == 0)
    {
      const int  aLeft = aCurrent.first + 1, aRight = aCurrent.first + aNode.Offset;
      double     anEntryL = 0.0, anEntryR = 0.0;
      const bool aHitL = slab(aNodes[aLeft], aBest, anEntryL);
      const bool aHitR = slab(aNodes[aRight], aBest, anEntryR);
      // The nearer child goes on top of the stack.
      if (aHitL && aHitR && anEntryR < anEntryL)
      {
        aStack[aTop++] = {aLeft, anEntryL};
        aStack[aTop++] = {aRight, anEntryR};
        continue;
      }
      if (aHitR)
      {
        aStack[aTop++] = {aRight, anEntryR};
      }
      if (aHitL)
      {
        aStack[aTop++] = {aLeft, anEntryL};
      }
      continue;
    }
    for (int aLeaf = aNode.Offset; aLeaf < aNode.Offset + aNode.NbItems; ++aLeaf)
    {
      const double* aC = mySet->leafCorners(aLeaf);
      double        aT = 0.0, aU = 0.0, aV = 0.0, aW = 0.0;
      if (aRay.Hit(aC, aC + 3, aC + 6, aT, aU, aV, aW) && aT > myTolerance && aT <= aBest)
      {
        if (aT < aBest || aBestLeaf < 0)
        {
          aBest     = aT;
          aBestLeaf = aLeaf;
        }
      }
    }
  }
  if (aBestLeaf < 0)
  {
    return THE_NO_HIT;
  }
  myIndex = aBVH.Order()[static_cast<size_t>(aBestLeaf)];
  return aBest;
}
