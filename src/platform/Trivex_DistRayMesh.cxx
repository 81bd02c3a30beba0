#include <Trivex_DistRayMesh.hxx>

#include <Trivex_BVH.hxx>
#include <Trivex_Predicates.hxx>

#include <utility>

namespace
{
// Slab test of a node widened by theTol, so that rounding never drops a
// triangle the ray touches.
bool slab(const Trivex::RayTester& theRay,
          const Trivex::BVHNode&   theNode,
          double                   theTol,
          double                   theTMax,
          double&                  theEntry)
{
  const double aMin[3] = {theNode.Min[0] - theTol, theNode.Min[1] - theTol, theNode.Min[2] - theTol};
  const double aMax[3] = {theNode.Max[0] + theTol, theNode.Max[1] + theTol, theNode.Max[2] + theTol};
  return theRay.Slab(aMin, aMax, 0.0, theTMax, theEntry);
}
} // namespace

double Trivex::DistRayMesh::Perform(const Ray& theRay)
{
  myIndex = -1;
  if (mySet.IsNull() || !mySet->IsBuilt() || !(theRay.MaxParameter() >= myTolerance))
  {
    return THE_NO_HIT;
  }
  int          aBestLeaf = -1;
  const double aBest =
      search(RayTester(theRay.Origin().XYZ(), theRay.Direction().XYZ()), theRay.MaxParameter(), aBestLeaf);
  if (aBestLeaf < 0)
  {
    return THE_NO_HIT;
  }
  myIndex = mySet->hierarchy().Order()[static_cast<size_t>(aBestLeaf)];
  return aBest;
}

// Front-to-back descent: the child the ray enters first is visited first, and
// subtrees entered beyond the best hit are skipped.
double Trivex::DistRayMesh::search(const RayTester& theRay, double theTMax, int& theBestLeaf) const
{
  const BVHNode*         aNodes = mySet->hierarchy().Nodes().data();
  const double           aTol   = std::max(myTolerance, 0.0);
  double                 aBest  = theTMax;
  std::pair<int, double> aStack[BVH::THE_MAX_STACK];
  int                    aTop    = 0;
  double                 anEntry = 0.0;
  if (slab(theRay, aNodes[0], aTol, aBest, anEntry))
  {
    aStack[aTop++] = {0, anEntry};
  }
  while (aTop > 0)
  {
    const std::pair<int, double> aCurrent = aStack[--aTop];
    const BVHNode&               aNode    = aNodes[aCurrent.first];
    if (aCurrent.second > aBest)
    {
      continue;
    }
    if (aNode.NbItems > 0)
    {
      for (int aLeaf = aNode.Offset; aLeaf < aNode.Offset + aNode.NbItems; ++aLeaf)
      {
        const double* aC = mySet->leafCorners(aLeaf);
        double        aT = 0.0, aU = 0.0, aV = 0.0, aW = 0.0;
        if (theRay.Hit(aC, aC + 3, aC + 6, aT, aU, aV, aW) && aT > myTolerance &&
            (aT < aBest || (aT == aBest && theBestLeaf < 0)))
        {
          aBest       = aT;
          theBestLeaf = aLeaf;
        }
      }
      continue;
    }
    const int  aLeft = aCurrent.first + 1, aRight = aCurrent.first + aNode.Offset;
    double     anEntryL = 0.0, anEntryR = 0.0;
    const bool aHitL = slab(theRay, aNodes[aLeft], aTol, aBest, anEntryL);
    const bool aHitR = slab(theRay, aNodes[aRight], aTol, aBest, anEntryR);
    // The nearer child goes on top of the stack.
    const bool aRightFirst = aHitL && aHitR && anEntryR < anEntryL;
    if (aHitL && aRightFirst)
    {
      aStack[aTop++] = {aLeft, anEntryL};
    }
    if (aHitR)
    {
      aStack[aTop++] = {aRight, anEntryR};
    }
    if (aHitL && !aRightFirst)
    {
      aStack[aTop++] = {aLeft, anEntryL};
    }
  }
  return aBest;
}
