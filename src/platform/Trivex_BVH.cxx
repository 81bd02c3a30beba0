#include <Trivex_BVH.hxx>

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <limits>

namespace
{
using Item = Trivex::BVH::Item;
using Node = Trivex::BVHNode;

// Leaves hold at most this many items unless they cannot be split.
constexpr int THE_MAX_LEAF = 4;
// Leaves of the quick build: pairs of leaves are compared item by item.
constexpr int THE_MAX_QUICK_LEAF = 8;
// Items of identical centroids are split by position beyond this count.
constexpr int THE_MAX_FLAT_LEAF = 16;
constexpr int THE_NB_BINS       = 16;
// Ranges larger than this are built as separate OpenMP tasks.
constexpr int THE_TASK_SIZE = 8192;
// Below this many items the quick build sorts by comparison, above by radix.
constexpr size_t THE_RADIX_SIZE = 16384;
// Below this depth splits follow the surface-area heuristic; deeper ranges are
// halved at the median so that the depth (and a traversal stack) stays bounded.
constexpr int THE_MAX_SAH_DEPTH = 48;

// Nearest float at or below (above) theX; beyond the float range, an infinity.
float roundDown(double theX)
{
  if (theX > 3.0e38)
  {
    return 3.0e38f;
  }
  if (!(theX >= -3.0e38))
  {
    return -std::numeric_limits<float>::infinity();
  }
  const float aF = static_cast<float>(theX);
  return aF > theX ? std::nextafter(aF, -std::numeric_limits<float>::infinity()) : aF;
}

float roundUp(double theX)
{
  return -roundDown(-theX);
}

struct Bounds
{
  double Min[3] = {1e308, 1e308, 1e308};
  double Max[3] = {-1e308, -1e308, -1e308};

  // Written on copies so that the compiler need not fear aliasing and emits
  // branch-free minimum and maximum instructions: this is the builder's inner loop.
  void Add(const double* theMin, const double* theMax)
  {
    const double aMin0 = theMin[0], aMin1 = theMin[1], aMin2 = theMin[2];
    const double aMax0 = theMax[0], aMax1 = theMax[1], aMax2 = theMax[2];
    Min[0] = aMin0 < Min[0] ? aMin0 : Min[0];
    Min[1] = aMin1 < Min[1] ? aMin1 : Min[1];
    Min[2] = aMin2 < Min[2] ? aMin2 : Min[2];
    Max[0] = aMax0 > Max[0] ? aMax0 : Max[0];
    Max[1] = aMax1 > Max[1] ? aMax1 : Max[1];
    Max[2] = aMax2 > Max[2] ? aMax2 : Max[2];
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
  Bounds Centroids;
  int    Count = 0;
};

// Bounds of a range: of its items' boxes and of their (doubled) centroids.
struct RangeBounds
{
  Bounds Box;
  Bounds Centroids;
};

// Centroids are compared doubled (Min + Max): the factor changes no decision.
inline double centroid2(const Item& theItem, int theAxis)
{
  return theItem.Min[theAxis] + theItem.Max[theAxis];
}

// Bin boundary of least surface-area cost (left part = bins below it), or -1
// when every boundary leaves a side empty. theCost receives the cost.
int bestBoundary(const Bin* theBins, double& theCost)
{
  // Sweep from the right, then from the left.
  double aRightCost[THE_NB_BINS];
  Bounds aRight;
  int    aRightCount = 0;
  for (int b = THE_NB_BINS - 1; b > 0; --b)
  {
    aRight.Add(theBins[b].Box.Min, theBins[b].Box.Max);
    aRightCount += theBins[b].Count;
    aRightCost[b] = aRightCount == 0 ? -1.0 : aRight.HalfArea() * aRightCount;
  }
  Bounds aLeft;
  int    aLeftCount = 0, aBest = -1;
  theCost = 1e308;
  for (int b = 1; b < THE_NB_BINS; ++b)
  {
    aLeft.Add(theBins[b - 1].Box.Min, theBins[b - 1].Box.Max);
    aLeftCount += theBins[b - 1].Count;
    if (aLeftCount == 0 || aRightCost[b] < 0.0)
    {
      continue;
    }
    const double aCost = aLeft.HalfArea() * aLeftCount + aRightCost[b];
    if (aCost < theCost)
    {
      theCost = aCost;
      aBest   = b;
    }
  }
  return aBest;
}

class Builder
{
public:
  explicit Builder(std::vector<Item>& theItems)
      : myItems(theItems.data())
  {
  }

  // Appends the subtree over items [theBegin, theEnd), whose bounds are theBounds,
  // to theOut in depth-first order. Returns the depth of the subtree.
  int BuildRange(int                theBegin,
                 int                theEnd,
                 int                theDepth,
                 const RangeBounds& theBounds,
                 std::vector<Node>& theOut,
                 bool               theIsParallel);

  // Bounds of the items [theBegin, theEnd), by one pass over them.
  RangeBounds Measure(int theBegin, int theEnd) const;

private:
  // Splits [theBegin, theEnd) and returns the first item of the right part (or
  // -1 for a leaf), with the bounds of both parts.
  int  split(int theBegin, int theEnd, int theDepth, const RangeBounds& theBounds, RangeBounds* theParts);
  int  medianSplit(int theBegin, int theEnd, const Bounds& theCentroids);
  int  sahSplit(int theBegin, int theEnd, const RangeBounds& theBounds, RangeBounds* theParts);
  void makeLeaf(Node& theNode, int theBegin, int theEnd) const
  {
    theNode.Offset  = theBegin;
    theNode.NbItems = theEnd - theBegin;
  }

  Item* myItems;
};

RangeBounds Builder::Measure(int theBegin, int theEnd) const
{
  RangeBounds aBounds;
  for (int i = theBegin; i < theEnd; ++i)
  {
    const Item& anItem = myItems[i];
    aBounds.Box.Add(anItem.Min, anItem.Max);
    const double aC[3] = {centroid2(anItem, 0), centroid2(anItem, 1), centroid2(anItem, 2)};
    aBounds.Centroids.Add(aC, aC);
  }
  return aBounds;
}

int Builder::BuildRange(int                theBegin,
                        int                theEnd,
                        int                theDepth,
                        const RangeBounds& theBounds,
                        std::vector<Node>& theOut,
                        bool               theIsParallel)
{
  const size_t aNodeIndex = theOut.size();
  Node         aNode;
  for (int k = 0; k < 3; ++k)
  {
    aNode.Min[k] = roundDown(theBounds.Box.Min[k]);
    aNode.Max[k] = roundUp(theBounds.Box.Max[k]);
  }
  aNode.Offset  = 0;
  aNode.NbItems = 0;
  RangeBounds aParts[2];
  const int   aMid =
      theEnd - theBegin <= THE_MAX_LEAF ? -1 : split(theBegin, theEnd, theDepth, theBounds, aParts);
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
#pragma omp task shared(aLeft, aDepthL, aParts)
    aDepthL = BuildRange(theBegin, aMid, theDepth + 1, aParts[0], aLeft, true);
#pragma omp task shared(aRight, aDepthR, aParts)
    aDepthR = BuildRange(aMid, theEnd, theDepth + 1, aParts[1], aRight, true);
#pragma omp taskwait
    theOut[aNodeIndex].Offset = static_cast<int>(1 + aLeft.size());
    theOut.insert(theOut.end(), aLeft.begin(), aLeft.end());
    theOut.insert(theOut.end(), aRight.begin(), aRight.end());
  }
  else
  {
    aDepthL                   = BuildRange(theBegin, aMid, theDepth + 1, aParts[0], theOut, theIsParallel);
    theOut[aNodeIndex].Offset = static_cast<int>(theOut.size() - aNodeIndex);
    aDepthR                   = BuildRange(aMid, theEnd, theDepth + 1, aParts[1], theOut, theIsParallel);
  }
  return 1 + std::max(aDepthL, aDepthR);
}

// Returns the first item of the right child, or -1 to make a leaf.
int Builder::split(
    int theBegin, int theEnd, int theDepth, const RangeBounds& theBounds, RangeBounds* theParts)
{
  const int     aCount   = theEnd - theBegin;
  const Bounds& aC       = theBounds.Centroids;
  const double  anExtent = std::max({aC.Max[0] - aC.Min[0], aC.Max[1] - aC.Min[1], aC.Max[2] - aC.Min[2]});
  int           aMid     = -2;
  if (!(anExtent > 0.0))
  {
    // Identical centroids cannot be told apart by position.
    if (aCount <= THE_MAX_FLAT_LEAF)
    {
      return -1;
    }
    aMid = theBegin + aCount / 2;
  }
  else if (theDepth < THE_MAX_SAH_DEPTH)
  {
    aMid = sahSplit(theBegin, theEnd, theBounds, theParts);
    if (aMid != -2)
    {
      return aMid;
    }
  }
  if (aMid == -2)
  {
    aMid = medianSplit(theBegin, theEnd, aC);
  }
  theParts[0] = Measure(theBegin, aMid);
  theParts[1] = Measure(aMid, theEnd);
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
// Returns -1 for a leaf and -2 when no bin boundary separates the items; the
// bins give the bounds of both parts, which spares the children a pass.
int Builder::sahSplit(int theBegin, int theEnd, const RangeBounds& theBounds, RangeBounds* theParts)
{
  const Bounds& aC     = theBounds.Centroids;
  int           anAxis = 0;
  for (int k = 1; k < 3; ++k)
  {
    if (aC.Max[k] - aC.Min[k] > aC.Max[anAxis] - aC.Min[anAxis])
    {
      anAxis = k;
    }
  }
  const double aMin   = aC.Min[anAxis];
  const double aScale = THE_NB_BINS / (aC.Max[anAxis] - aMin);
  auto         binOf  = [&](const Item& theItem)
  {
    const int aBin = static_cast<int>((centroid2(theItem, anAxis) - aMin) * aScale);
    return std::min(std::max(aBin, 0), THE_NB_BINS - 1);
  };
  Bin aBins[THE_NB_BINS];
  for (int i = theBegin; i < theEnd; ++i)
  {
    const Item&  anItem       = myItems[i];
    Bin&         aBin         = aBins[binOf(anItem)];
    const double aCentroid[3] = {centroid2(anItem, 0), centroid2(anItem, 1), centroid2(anItem, 2)};
    aBin.Box.Add(anItem.Min, anItem.Max);
    aBin.Centroids.Add(aCentroid, aCentroid);
    ++aBin.Count;
  }
  double    aBestCost = 1e308;
  const int aBest     = bestBoundary(aBins, aBestCost);
  if (aBest < 0)
  {
    return -2;
  }
  const int    aCount      = theEnd - theBegin;
  const double aParentArea = theBounds.Box.HalfArea();
  // Traversal of a node costs about as much as one item test.
  if (aCount <= 2 * THE_MAX_LEAF && aParentArea > 0.0 && aBestCost / aParentArea + 1.0 >= aCount)
  {
    return -1;
  }
  for (int b = 0; b < THE_NB_BINS; ++b)
  {
    RangeBounds& aPart = theParts[b < aBest ? 0 : 1];
    aPart.Box.Add(aBins[b].Box.Min, aBins[b].Box.Max);
    aPart.Centroids.Add(aBins[b].Centroids.Min, aBins[b].Centroids.Max);
  }
  Item* aSplit = std::partition(myItems + theBegin, myItems + theEnd,
                                [&](const Item& theItem) { return binOf(theItem) < aBest; });
  return static_cast<int>(aSplit - myItems);
}
// Spreads the low 21 bits of theX to every third bit.
uint64_t spreadBits(uint64_t theX)
{
  theX &= 0x1fffff;
  theX = (theX | theX << 32) & 0x1f00000000ffffULL;
  theX = (theX | theX << 16) & 0x1f0000ff0000ffULL;
  theX = (theX | theX << 8) & 0x100f00f00f00f00fULL;
  theX = (theX | theX << 4) & 0x10c30c30c30c30c3ULL;
  theX = (theX | theX << 2) & 0x1249249249249249ULL;
  return theX;
}

// An item's code on the curve, and its number in the items.
using Key = std::pair<uint64_t, int>;

// Sorts theKeys by code, keys of equal codes staying in their order.
void sortByCode(std::vector<Key>& theKeys)
{
  if (theKeys.size() < THE_RADIX_SIZE)
  {
    // The radix sort's table of counts would cost more than a few thousand keys.
    std::stable_sort(theKeys.begin(), theKeys.end(),
                     [](const Key& theA, const Key& theB) { return theA.first < theB.first; });
    return;
  }
  // Stable radix sort, 16 bits at a time from the lowest.
  std::vector<Key>    aSorted(theKeys.size());
  std::vector<size_t> aCount(65537);
  for (int aShift = 0; aShift < 64; aShift += 16)
  {
    std::fill(aCount.begin(), aCount.end(), size_t(0));
    for (const Key& aKey : theKeys)
    {
      ++aCount[(aKey.first >> aShift & 0xffff) + 1];
    }
    if (aCount[1 + (theKeys[0].first >> aShift & 0xffff)] == theKeys.size())
    {
      continue; // every code has these bits
    }
    for (size_t b = 0; b < 65536; ++b)
    {
      aCount[b + 1] += aCount[b];
    }
    for (const Key& aKey : theKeys)
    {
      aSorted[aCount[aKey.first >> aShift & 0xffff]++] = aKey;
    }
    theKeys.swap(aSorted);
  }
}

// The quick builder: items sorted by the interleaved bits of their centres
// (a Morton curve), a node split where the highest bit of the codes changes.
// Items stay where they are; the sorted keys point at them.
class CodeBuilder
{
public:
  CodeBuilder(const std::vector<Item>& theItems, const std::vector<Key>& theKeys)
      : myItems(theItems.data()),
        myKeys(theKeys.data())
  {
  }

  // Appends the subtree over the sorted keys [theBegin, theEnd) to theOut;
  // returns its bounds and, in theDepth, its depth. Large ranges are split
  // into OpenMP tasks when theIsParallel (inside a parallel region).
  Bounds
  BuildRange(int theBegin, int theEnd, std::vector<Node>& theOut, int& theDepth, bool theIsParallel) const
  {
    const size_t aNodeIndex = theOut.size();
    theOut.push_back(Node());
    Bounds aBounds;
    if (theEnd - theBegin <= THE_MAX_QUICK_LEAF)
    {
      for (int i = theBegin; i < theEnd; ++i)
      {
        const Item& anItem = myItems[myKeys[i].second];
        aBounds.Add(anItem.Min, anItem.Max);
      }
      theOut[aNodeIndex].Offset  = theBegin;
      theOut[aNodeIndex].NbItems = theEnd - theBegin;
      theDepth                   = 1;
    }
    else
    {
      const int aMid    = split(theBegin, theEnd);
      int       aDepthL = 0, aDepthR = 0;
      Bounds    aRight;
      theOut[aNodeIndex].NbItems = 0;
      if (theIsParallel && theEnd - theBegin > THE_TASK_SIZE)
      {
        // As in Builder::BuildRange: subtrees in vectors of their own, appended in order.
        std::vector<Node> aLeftNodes, aRightNodes;
#pragma omp task shared(aLeftNodes, aBounds, aDepthL)
        aBounds = BuildRange(theBegin, aMid, aLeftNodes, aDepthL, true);
#pragma omp task shared(aRightNodes, aRight, aDepthR)
        aRight = BuildRange(aMid, theEnd, aRightNodes, aDepthR, true);
#pragma omp taskwait
        theOut[aNodeIndex].Offset = static_cast<int>(1 + aLeftNodes.size());
        theOut.insert(theOut.end(), aLeftNodes.begin(), aLeftNodes.end());
        theOut.insert(theOut.end(), aRightNodes.begin(), aRightNodes.end());
      }
      else
      {
        aBounds                   = BuildRange(theBegin, aMid, theOut, aDepthL, theIsParallel);
        theOut[aNodeIndex].Offset = static_cast<int>(theOut.size() - aNodeIndex);
        aRight                    = BuildRange(aMid, theEnd, theOut, aDepthR, theIsParallel);
      }
      aBounds.Add(aRight.Min, aRight.Max);
      theDepth = 1 + std::max(aDepthL, aDepthR);
    }
    for (int k = 0; k < 3; ++k)
    {
      theOut[aNodeIndex].Min[k] = roundDown(aBounds.Min[k]);
      theOut[aNodeIndex].Max[k] = roundUp(aBounds.Max[k]);
    }
    return aBounds;
  }

private:
  // First key whose code has the highest bit in which the range's codes
  // differ; the middle when they are all equal.
  int split(int theBegin, int theEnd) const
  {
    const uint64_t aFirst = myKeys[theBegin].first, aLast = myKeys[theEnd - 1].first;
    if (aFirst == aLast)
    {
      return theBegin + (theEnd - theBegin) / 2;
    }
    int aBit = 63;
    while (((aFirst ^ aLast) >> aBit & 1) == 0)
    {
      --aBit;
    }
    const uint64_t aSplit = aLast & ~((uint64_t(1) << aBit) - 1);
    return static_cast<int>(std::lower_bound(myKeys + theBegin, myKeys + theEnd, aSplit,
                                             [](const Key& theKey, uint64_t theCode)
                                             { return theKey.first < theCode; }) -
                            myKeys);
  }

  const Item* myItems;
  const Key*  myKeys;
};
} // namespace

void Trivex::BVH::BuildQuick(std::vector<Item>& theItems, int theNbThreads)
{
  myNodes.clear();
  myOrder.clear();
  myDepth = 0;
  if (theItems.empty())
  {
    return;
  }
  const int aNbItems = static_cast<int>(theItems.size());
  // Centres on a grid of 2^21 cells per axis over their bounds.
  Bounds aCentres;
  for (const Item& anItem : theItems)
  {
    const double aC[3] = {centroid2(anItem, 0), centroid2(anItem, 1), centroid2(anItem, 2)};
    aCentres.Add(aC, aC);
  }
  double aScale[3];
  for (int k = 0; k < 3; ++k)
  {
    const double anExtent = aCentres.Max[k] - aCentres.Min[k];
    aScale[k]             = anExtent > 0.0 ? 2097151.0 / anExtent : 0.0;
  }
  std::vector<Key> aKeys(theItems.size());
#pragma omp          parallel for num_threads(theNbThreads) schedule(static) if (aNbItems > THE_TASK_SIZE)
  for (int i = 0; i < aNbItems; ++i)
  {
             uint64_t aCode = 0;
             for (int k = 0; k < 3; ++k)
             {
               const double aCell = (centroid2(theItems[i], k) - aCentres.Min[k]) * aScale[k];
               aCode |= spreadBits(static_cast<uint64_t>(std::min(std::max(aCell, 0.0), 2097151.0))) << k;
    }
             aKeys[i] = {aCode, i};
  }
  sortByCode(aKeys);
  myNodes.reserve(theItems.size() / 2 + 1);
  const CodeBuilder aBuilder(theItems, aKeys);
  if (theNbThreads > 1 && aNbItems > THE_TASK_SIZE)
  {
#pragma omp parallel num_threads(theNbThreads)
#pragma omp          single
    aBuilder.BuildRange(0, aNbItems, myNodes, myDepth, true);
  }
  else
  {
    aBuilder.BuildRange(0, aNbItems, myNodes, myDepth, false);
  }
  myOrder.resize(theItems.size());
  for (size_t i = 0; i < theItems.size(); ++i)
  {
    myOrder[i] = theItems[static_cast<size_t>(aKeys[i].second)].Index;
  }
}

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
  Builder           aBuilder(theItems);
  const int         aNbItems = static_cast<int>(theItems.size());
  const RangeBounds aRoot    = aBuilder.Measure(0, aNbItems);
  if (theNbThreads > 1 && aNbItems > THE_TASK_SIZE)
  {
#pragma omp parallel num_threads(theNbThreads)
#pragma omp          single
    myDepth = aBuilder.BuildRange(0, aNbItems, 0, aRoot, myNodes, true);
  }
  else
  {
    myDepth = aBuilder.BuildRange(0, aNbItems, 0, aRoot, myNodes, false);
  }
  myNodes.shrink_to_fit();
  myOrder.resize(theItems.size());
  for (size_t i = 0; i < theItems.size(); ++i)
  {
    myOrder[i] = theItems[i].Index;
  }
}
