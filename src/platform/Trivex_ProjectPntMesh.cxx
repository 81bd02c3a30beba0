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

// Nearest-first descent: the nearer child is visited first, and subtrees whose
// box lies farther than the best distance (plus the tolerance when all near
// triangles are wanted) are skipped.
gp_Pnt
Trivex::ProjectPntMesh::perform(const gp_Pnt& thePoint, double theTolerance, std::vector<int>* theIndices)
{
  myDistance = 0.0;
  myIndex    = -1;
  if (mySet.IsNull() || !mySet->IsBuilt())
  {
    return thePoint;
  }
  const gp_XYZ           aP     = thePoint.XYZ();
  const BVH&             aBVH   = mySet->hierarchy();
  const BVHNode*         aNodes = aBVH.Nodes().data();
  std::pair<int, double> aStack[BVH::THE_MAX_STACK];
  int                    aTop = 0;
  aStack[aTop++]              = {0, Predicates::PointBoxSqDistance(aP, aNodes[0].Min, aNodes[0].Max)};
  double aBest2 = 1e308, aBound2 = 1e308;
  gp_XYZ aBestPoint;
  int    aBestLeaf = -1;
  // Candidates within the widened bound when they were met: (leaf, squared distance).
  std::vector<std::pair<int, double>>& aNear = myNear;
  aNear.clear();
  while (aTop > 0)
  {
    const std::pair<int, double> anEntry = aStack[--aTop];
    if (anEntry.second > aBound2)
    {
      continue;
    }
    const BVHNode& aNode = aNodes[anEntry.first];
    if (aNode.NbItems == 0)
    {
      const int    aLeft = anEntry.first + 1, aRight = anEntry.first + aNode.Offset;
      const double aDL = Predicates::PointBoxSqDistance(aP, aNodes[aLeft].Min, aNodes[aLeft].Max);
      const double aDR = Predicates::PointBoxSqDistance(aP, aNodes[aRight].Min, aNodes[aRight].Max);
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
      continue;
    }
    for (int aLeaf = aNode.Offset; aLeaf < aNode.Offset + aNode.NbItems; ++aLeaf)
    {
      const double* aC = mySet->leafCorners(aLeaf);
      const gp_XYZ  aQ = Predicates::ClosestPointTriangle(
           aP, gp_XYZ(aC[0], aC[1], aC[2]), gp_XYZ(aC[3], aC[4], aC[5]), gp_XYZ(aC[6], aC[7], aC[8]));
      const double aD2 = (aQ - aP).SquareModulus();
      if (aD2 < aBest2)
      {
        aBest2              = aD2;
        aBestPoint          = aQ;
        aBestLeaf           = aLeaf;
        const double aBound = std::sqrt(aD2) + theTolerance;
        aBound2             = theIndices == nullptr ? aD2 : aBound * aBound;
      }
      if (theIndices != nullptr && aD2 <= aBound2)
      {
        aNear.emplace_back(aLeaf, aD2);
      }
    }
  }
  if (aBestLeaf < 0)
  {
    return thePoint;
  }
  const std::vector<int>& anOrder = aBVH.Order();
  myIndex                         = anOrder[static_cast<size_t>(aBestLeaf)];
  myDistance                      = std::sqrt(aBest2);
  if (theIndices != nullptr)
  {
    const double aLimit = myDistance + theTolerance;
    for (const std::pair<int, double>& aCandidate : aNear)
    {
      if (std::sqrt(aCandidate.second) <= aLimit)
      {
        theIndices->push_back(anOrder[static_cast<size_t>(aCandidate.first)]);
      }
    }
    std::sort(theIndices->begin(), theIndices->end());
  }
  return gp_Pnt(aBestPoint);
}
