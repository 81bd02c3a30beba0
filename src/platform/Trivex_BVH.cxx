#include <Trivex_BVH.hxx>

#include <algorithm>
#include <cmath>

namespace
{
using Item = Trivex::BVH::Item;
using Node = Trivex::BVHNode;

// Leaves hold at most this many items unless they cannot be split.
constexpr int THE_MAX_LEAF = 4;
// Items of identical centroids are split by position beyond this count.
constexpr int THE_MAX_FLAT_LEAF = 16;
constexpr int THE_NB_BINS       = 16;
// Ranges larger than this are built as separate OpenMP tasks.
constexpr int THE_TASK_SIZE = 8192;
// Below this depth splits follow the surface-area heuristic; deeper ranges are
// halved at the median so that the depth (and a traversal stack) stays bounded.
constexpr int THE_MAX_SAH_DEPTH = 48;

struct Bounds
{
  double Min[3] = {1e308, 1e308, 1e308};
  double Max[3] = {-1e308, -1e308, -1e308};

  void Add(const double* theMin, const double* theMax)
  {
    for (int k = 0; k < 3; ++k)
    {
      Min[k] = std::min(Min[k], theMin[k]);
      Max[k] = std::max(Max[k], theMax[k]);
    }
  }

  // Half the surface area; 0 for an empty box.
  double HalfArea() const
  {
    const double dx = Max[0] - Min[0], dy = Max[1] - Min[1], dz = Max[2] - Min[2];
    return dx < 0.0 ? 0.0 : dx * dy + dy * dz + dz * dx;
  }
};

struct Bin
{
  Bounds Box;
  int    Count = 0;
};

// Centroids are compared doubled (Min + Max): the factor changes no decision.
inline double centroid2(const Item& theItem, int theAxis)
{
  return theItem.Min[theAxis] + theItem.Max[theAxis];
}

class Builder
{
public:
  explicit Builder(std::vector<Item>& theItems)
      : myItems(theItems.data())
  {
  }

  // Appends the subtree over items [theBegin, theEnd) to theOut in depth-first order.
  // Returns the depth of the subtree.
  int BuildRange(int theBegin, int theEnd, int theDepth, std::vector<Node>& theOut, bool theIsParallel);

private:
  int  split(int theBegin, int theEnd, int theDepth, const Bounds& theBox, const Bounds& theCentroids);
  int  medianSplit(int theBegin, int theEnd, const Bounds& theCentroids);
  int  sahSplit(int theBegin, int theEnd, const Bounds& theCentroids, double theParentArea);
  void makeLeaf(Node& theNode, int theBegin, int theEnd) const
  {
    theNode.Offset  = theBegin;
    theNode.NbItems = theEnd - theBegin;
  }

  Item* myItems;
};

int Builder::BuildRange(int theBegin, int theEnd, int theDepth, std::vector<Node>& theOut, bool theIsParallel)
{
  Bounds aBox, aCentroids;
  for (int i = theBegin; i < theEnd; ++i)
  {
    const Item& anItem = myItems[i];
    aBox.Add(anItem.Min, anItem.Max);
    const double aC[3] = {centroid2(anItem, 0), centroid2(anItem, 1), centroid2(anItem, 2)};
    aCentroids.Add(aC, aC);
  }
  const size_t aNodeIndex = theOut.size();
  Node         aNode;
  std::copy(aBox.Min, aBox.Min + 3, aNode.Min);
  std::copy(aBox.Max, aBox.Max + 3, aNode.Max);
  aNode.Offset  = 0;
  aNode.NbItems = 0;
  const int aMid =
      theEnd - theBegin <= THE_MAX_LEAF ? -1 : split(theBegin, theEnd, theDepth, aBox, aCentroids);
  if (aMid < 0)
  {
    makeLeaf(aNode, theBegin, theEnd);
    theOut.push_back(aNode);
    return 1;
  }
  theOut.push_back(aNode);
  int aDepthL = 0, aDepthR = 0;
  if (theIsParallel && theEnd - theBegin > THE_TASK_SIZE)
  {
    // Children are built into their own vectors and appended in order, so the
    // layout is the same whichever thread builds them. Offsets are relative,
    // which makes an appended subtree valid as it is.
    std::vector<Node> aLeft, aRight;
#pragma omp task shared(aLeft, aDepthL)
    aDepthL = BuildRange(theBegin, aMid, theDepth + 1, aLeft, true);
#pragma omp task shared(aRight, aDepthR)
    aDepthR = BuildRange(aMid, theEnd, theDepth + 1, aRight, true);
#pragma omp taskwait
    theOut[aNodeIndex].Offset = static_cast<int>(1 + aLeft.size());
    theOut.insert(theOut.end(), aLeft.begin(), aLeft.end());
    theOut.insert(theOut.end(), aRight.begin(), aRight.end());
  }
  else
  {
    aDepthL                   = BuildRange(theBegin, aMid, theDepth + 1, theOut, theIsParallel);
    theOut[aNodeIndex].Offset = static_cast<int>(theOut.size() - aNodeIndex);
    aDepthR                   = BuildRange(aMid, theEnd, theDepth + 1, theOut, theIsParallel);
  }
  return 1 + std::max(aDepthL, aDepthR);
}

// Returns the first item of the right child, or -1 to make a leaf.
int Builder::split(int theBegin, int theEnd, int theDepth, const Bounds& theBox, const Bounds& theCentroids)
{
  const int    aCount = theEnd - theBegin;
  const double anExtent =
      std::max({theCentroids.Max[0] - theCentroids.Min[0], theCentroids.Max[1] - theCentroids.Min[1],
                theCentroids.Max[2] - theCentroids.Min[2]});
  if (!(anExtent > 0.0))
  {
    // Identical centroids cannot be told apart by position.
    return aCount <= THE_MAX_FLAT_LEAF ? -1 : theBegin + aCount / 2;
  }
  if (theDepth >= THE_MAX_SAH_DEPTH)
  {
    return medianSplit(theBegin, theEnd, theCentroids);
  }
  const int aMid = sahSplit(theBegin, theEnd, theCentroids, theBox.HalfArea());
  if (aMid == -2)
  {
    return medianSplit(theBegin, theEnd, theCentroids);
  }
  return aMid;
}

int Builder::medianSplit(int theBegin, int theEnd, const Bounds& theCentroids)
{
  int anAxis = 0;
  for (int k = 1; k < 3; ++k)
  {
    if (theCentroids.Max[k] - theCentroids.Min[k] > theCentroids.Max[anAxis] - theCentroids.Min[anAxis])
    {
      anAxis = k;
    }
  }
  const int aMid = theBegin + (theEnd - theBegin) / 2;
  std::nth_element(myItems + theBegin, myItems + aMid, myItems + theEnd,
                   [anAxis](const Item& theA, const Item& theB)
                   {
                     const double aA = centroid2(theA, anAxis), aB = centroid2(theB, anAxis);
                     return aA < aB || (aA == aB && theA.Index < theB.Index);
                   });
  return aMid;
}

// Binned surface-area split along the axis of largest centroid spread.
// Returns -1 for a leaf and -2 when no bin boundary separates the items.
int Builder::sahSplit(int theBegin, int theEnd, const Bounds& theCentroids, double theParentArea)
{
  int anAxis = 0;
  for (int k = 1; k < 3; ++k)
  {
    if (theCentroids.Max[k] - theCentroids.Min[k] > theCentroids.Max[anAxis] - theCentroids.Min[anAxis])
    {
      anAxis = k;
    }
  }
  const double aMin   = theCentroids.Min[anAxis];
  const double aScale = THE_NB_BINS / (theCentroids.Max[anAxis] - aMin);
  auto         binOf  = [&](const Item& theItem)
  {
    const int aBin = static_cast<int>((centroid2(theItem, anAxis) - aMin) * aScale);
    return std::min(std::max(aBin, 0), THE_NB_BINS - 1);
  };
  Bin aBins[THE_NB_BINS];
  for (int i = theBegin; i < theEnd; ++i)
  {
    Bin& aBin = aBins[binOf(myItems[i])];
    aBin.Box.Add(myItems[i].Min, myItems[i].Max);
    ++aBin.Count;
  }
  // Sweep from the right, then from the left: cost of each boundary b (left = bins < b).
  double aRightCost[THE_NB_BINS];
  Bounds aRight;
  int    aRightCount = 0;
  for (int b = THE_NB_BINS - 1; b > 0; --b)
  {
    aRight.Add(aBins[b].Box.Min, aBins[b].Box.Max);
    aRightCount += aBins[b].Count;
    aRightCost[b] = aRightCount == 0 ? -1.0 : aRight.HalfArea() * aRightCount;
  }
  Bounds aLeft;
  int    aLeftCount = 0, aBest = -1;
  double aBestCost = 1e308;
  for (int b = 1; b < THE_NB_BINS; ++b)
  {
    aLeft.Add(aBins[b - 1].Box.Min, aBins[b - 1].Box.Max);
    aLeftCount += aBins[b - 1].Count;
    if (aLeftCount == 0 || aRightCost[b] < 0.0)
    {
      continue;
    }
    const double aCost = aLeft.HalfArea() * aLeftCount + aRightCost[b];
    if (aCost < aBestCost)
    {
      aBestCost = aCost;
      aBest     = b;
    }
  }
  if (aBest < 0)
  {
    return -2;
  }
  const int aCount = theEnd - theBegin;
  // Traversal of a node costs about as much as one item test.
  if (aCount <= 2 * THE_MAX_LEAF && theParentArea > 0.0 && aBestCost / theParentArea + 1.0 >= aCount)
  {
    return -1;
  }
  Item* aSplit = std::partition(myItems + theBegin, myItems + theEnd,
                                [&](const Item& theItem) { return binOf(theItem) < aBest; });
  return static_cast<int>(aSplit - myItems);
}
} // namespace

void Trivex::BVH::Build(std::vector<Item>& theItems, int theNbThreads)
{
  myNodes.clear();
  myOrder.clear();
  myDepth = 0;
  if (theItems.empty())
  {
    return;
  }
  myNodes.reserve(theItems.size());
  Builder   aBuilder(theItems);
  const int aNbItems = static_cast<int>(theItems.size());
  if (theNbThreads > 1 && aNbItems > THE_TASK_SIZE)
  {
#pragma omp parallel num_threads(theNbThreads)
#pragma omp          single
    myDepth = aBuilder.BuildRange(0, aNbItems, 0, myNodes, true);
  }
  else
  {
    myDepth = aBuilder.BuildRange(0, aNbItems, 0, myNodes, false);
  }
  myNodes.shrink_to_fit();
  myOrder.resize(theItems.size());
  for (size_t i = 0; i < theItems.size(); ++i)
  {
    myOrder[i] = theItems[i].Index;
  }
}
