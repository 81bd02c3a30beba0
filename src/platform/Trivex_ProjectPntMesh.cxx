#include <Trivex_ProjectPntMesh.hxx>

#include <Trivex_BVH.hxx>
#include <Trivex_Predicates.hxx>

#include <algorithm>
#include <cmath>
#include <utility>

gp_Pnt Trivex::ProjectPntMesh::Perform(const gp_Pnt& thePoint)
{
  return perform(thePoint, 0.0, nullptr);
}

gp_Pnt
Trivex::ProjectPntMesh::Perform(const gp_Pnt& thePoint, double theTolerance, std::vector<int>& theIndices)
{
  theIndices.clear();
  return perform(thePoint, std::max(theTolerance, 0.0), &theIndices);
}

namespace
{
// Tests the triangles of one leaf (corners from theCorners, nine per leaf
// position) against theP: keeps the nearest, and when theNear is given, every
// triangle within the widened bound at the time it is met.
void visitLeaf(const Trivex::BVHNode&               theLeaf,
               const double*                        theCorners,
               const gp_XYZ&                        theP,
               double                               theTolerance,
               Trivex::ProjectPntMesh::Nearest&     theBest,
               std::vector<std::pair<int, double>>* theNear)
{
  for (int aLeaf = theLeaf.Offset; aLeaf < theLeaf.Offset + theLeaf.NbItems; ++aLeaf)
  {
    const double* aC = theCorners + 9 * static_cast<size_t>(aLeaf);
    const gp_XYZ  aQ = Trivex::Predicates::ClosestPointTriangle(
         theP, gp_XYZ(aC[0], aC[1], aC[2]), gp_XYZ(aC[3], aC[4], aC[5]), gp_XYZ(aC[6], aC[7], aC[8]));
    const double aD2 = (aQ - theP).SquareModulus();
    // The first finite or overflowing distance is taken even when it squares to
    // infinity (coordinates beyond 1e154); a distance that is not a number never is.
    if (aD2 < theBest.Best2 || (theBest.Leaf < 0 && aD2 <= theBest.Best2))
    {
      theBest.Best2       = aD2;
      theBest.Point       = aQ;
      theBest.Leaf        = aLeaf;
      const double aBound = std::sqrt(aD2) + theTolerance;
      theBest.Bound2      = theNear == nullptr ? aD2 : aBound * aBound;
    }
    if (theNear != nullptr && aD2 <= theBest.Bound2)
    {
      theNear->emplace_back(aLeaf, aD2);
    }
  }
}
} // namespace

gp_Pnt
Trivex::ProjectPntMesh::perform(const gp_Pnt& thePoint, double theTolerance, std::vector<int>* theIndices)
{
  myDistance = 0.0;
  myIndex    = -1;
  if (mySet.IsNull() || !mySet->IsBuilt())
  {
    return thePoint;
  }
  myNear.clear();
  const Nearest aBest = search(thePoint.XYZ(), theTolerance, theIndices != nullptr);
  if (aBest.Leaf < 0)
  {
    return thePoint;
  }
  const std::vector<int>& anOrder = mySet->hierarchy().Order();
  myIndex                         = anOrder[static_cast<size_t>(aBest.Leaf)];
  myDistance                      = std::sqrt(aBest.Best2);
  if (theIndices != nullptr)
  {
    // Candidates were kept against the bound of their time; the final one decides.
    const double aLimit = myDistance + theTolerance;
    for (const std::pair<int, double>& aCandidate : myNear)
    {
      if (std::sqrt(aCandidate.second) <= aLimit)
      {
        theIndices->push_back(anOrder[static_cast<size_t>(aCandidate.first)]);
      }
    }
    std::sort(theIndices->begin(), theIndices->end());
  }
  return gp_Pnt(aBest.Point);
}

// Nearest-first descent: the nearer child is visited first, and subtrees whose
// box lies farther than the best distance (plus the tolerance when all near
// triangles are wanted) are skipped.
Trivex::ProjectPntMesh::Nearest
Trivex::ProjectPntMesh::search(const gp_XYZ& theP, double theTolerance, bool theIsAllNear)
{
  const BVHNode*         aNodes   = mySet->hierarchy().Nodes().data();
  const double*          aCorners = mySet->leafCorners(0);
  std::pair<int, double> aStack[BVH::THE_MAX_STACK];
  int                    aTop = 0;
  aStack[aTop++]              = {0, Predicates::PointBoxSqDistance(theP, aNodes[0].Min, aNodes[0].Max)};
  Nearest aBest;
  while (aTop > 0)
  {
    const std::pair<int, double> anEntry = aStack[--aTop];
    if (anEntry.second > aBest.Bound2)
    {
      continue;
    }
    const BVHNode& aNode = aNodes[anEntry.first];
    if (aNode.NbItems > 0)
    {
      visitLeaf(aNode, aCorners, theP, theTolerance, aBest, theIsAllNear ? &myNear : nullptr);
      continue;
    }
    const int    aLeft = anEntry.first + 1, aRight = anEntry.first + aNode.Offset;
    const double aDL = Predicates::PointBoxSqDistance(theP, aNodes[aLeft].Min, aNodes[aLeft].Max);
    const double aDR = Predicates::PointBoxSqDistance(theP, aNodes[aRight].Min, aNodes[aRight].Max);
    // The nearer child goes on top of the stack.
    if (aDL <= aDR)
    {
      aStack[aTop++] = {aRight, aDR};
      aStack[aTop++] = {aLeft, aDL};
    }
    else
    {
      aStack[aTop++] = {aLeft, aDL};
      aStack[aTop++] = {aRight, aDR};
    }
  }
  return aBest;
}
