#include <Trivex_IntersectTriMesh.hxx>

#include <Fundra_OMPParallel.hxx>

#include <Trivex_BVH.hxx>
#include <Trivex_BoxVisitor.hxx>
#include <Trivex_Predicates.hxx>

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

namespace
{
// True when the two corner sets coincide within the tolerance, in any order.
bool sameCorners(const gp_XYZ* theA, const gp_XYZ* theB, double theTol2)
{
  bool aUsed[3] = {false, false, false};
  for (int j = 0; j < 3; ++j)
  {
    bool aFound = false;
    for (int i = 0; i < 3 && !aFound; ++i)
    {
      if (!aUsed[i] && (theA[i] - theB[j]).SquareModulus() <= theTol2)
      {
        aUsed[i] = aFound = true;
      }
    }
    if (!aFound)
    {
      return false;
    }
  }
  return true;
}

} // namespace

bool Trivex::IntersectTriMesh::Perform(const TriangleData& theTriangle, std::vector<TriangleData>& theResult)
{
  theResult.clear();
  walk(theTriangle, false);
  std::sort(myIndices.begin(), myIndices.end());
  theResult.reserve(myIndices.size());
  for (int anIndex : myIndices)
  {
    theResult.push_back(mySet->Triangle(anIndex));
  }
  return !myIndices.empty();
}

bool Trivex::IntersectTriMesh::IsCrossing(const TriangleData& theTriangle)
{
  walk(theTriangle, true);
  return !myIndices.empty();
}

void Trivex::IntersectTriMesh::walk(const TriangleData& theTriangle, bool theIsAnyOnly)
{
  myIndices.clear();
  if (mySet.IsNull() || !mySet->IsBuilt())
  {
    return;
  }
  const double aTol  = std::max(myTolerance, 0.0);
  const gp_XYZ aQ[3] = {theTriangle.Point(0).XYZ(), theTriangle.Point(1).XYZ(), theTriangle.Point(2).XYZ()};
  double       aMin[3], aMax[3];
  for (int k = 0; k < 3; ++k)
  {
    const int aCoord = k + 1;
    aMin[k]          = std::min({aQ[0].Coord(aCoord), aQ[1].Coord(aCoord), aQ[2].Coord(aCoord)}) - aTol;
    aMax[k]          = std::max({aQ[0].Coord(aCoord), aQ[1].Coord(aCoord), aQ[2].Coord(aCoord)}) + aTol;
  }
  const std::vector<int>& anOrder = mySet->hierarchy().Order();
  auto                    aTest   = [&](int theLeaf)
  {
    if (crossesLeaf(theLeaf, aQ, theTriangle.FaceIndex(), aMin, aMax, aTol))
    {
      myIndices.push_back(anOrder[static_cast<size_t>(theLeaf)]);
      return !theIsAnyOnly;
    }
    return true;
  };
  BoxVisitor aVisitor(aMin, aMax, aTest);
  mySet->hierarchy().Walk(aVisitor);
}

bool Trivex::IntersectTriMesh::crossesLeaf(int           theLeaf,
                                           const gp_XYZ* theQuery,
                                           int           theFaceIndex,
                                           const double* theMin,
                                           const double* theMax,
                                           double        theTol) const
{
  const double* aC       = mySet->leafCorners(theLeaf);
  const double  aTMin[3] = {std::min({aC[0], aC[3], aC[6]}), std::min({aC[1], aC[4], aC[7]}),
                            std::min({aC[2], aC[5], aC[8]})};
  const double  aTMax[3] = {std::max({aC[0], aC[3], aC[6]}), std::max({aC[1], aC[4], aC[7]}),
                            std::max({aC[2], aC[5], aC[8]})};
  if (!Predicates::BoxesTouch(aTMin, aTMax, theMin, theMax))
  {
    return false;
  }
  const gp_XYZ aT[3] = {gp_XYZ(aC[0], aC[1], aC[2]), gp_XYZ(aC[3], aC[4], aC[5]),
                        gp_XYZ(aC[6], aC[7], aC[8])};
  // Corners first: the record lookup is a cache miss, needed only for the query itself.
  if (sameCorners(theQuery, aT, theTol * theTol) &&
      mySet->Triangle(mySet->hierarchy().Order()[static_cast<size_t>(theLeaf)]).FaceIndex() == theFaceIndex)
  {
    return false;
  }
  return Predicates::TrianglesCross(theQuery, aT, theTol);
}

namespace
{
using Trivex::BVHNode;

// Leaves up to this size have their triangles sorted out by the other leaf's
// box before pairs are made (the builders make no larger ones but from
// triangles of one centre).
constexpr int THE_MAX_LEAF_ITEMS = 16;

// Work items of the self walk: two nodes whose triangles are still to be paired.
struct NodePair
{
  int A;
  int B;
};

// Single-precision bounds of theX: the nearest float at or below it.
float floatBelow(double theX)
{
  const float aF = static_cast<float>(theX);
  return aF > theX ? std::nextafter(aF, -std::numeric_limits<float>::infinity()) : aF;
}

// The test of Perform from either side on two leaf positions, first on
// single-precision boxes rounded outwards (half the memory of the corners'
// boxes, read for every pair of triangles in near leaves), then exactly.
class PairTest
{
public:
  PairTest(const double* theCorners, const int* theFaces, double theTol, double theSlack)
      : myCorners(theCorners),
        myFaces(theFaces),
        myTol(theTol),
        mySlack(theSlack)
  {
  }

  // Makes the single-precision boxes of theNb leaf positions on theNbThreads threads.
  void MakeBoxes(int theNb, int theNbThreads)
  {
    myBoxes.resize(6 * static_cast<size_t>(theNb));
#pragma omp parallel for num_threads(theNbThreads)                                                           \
    schedule(static) if (theNb > Fundra::OMPParallel::MinParallelSize)
    for (int i = 0; i < theNb; ++i)
    {
      double aBox[6];
      exactBox(i, aBox);
      for (int k = 0; k < 3; ++k)
      {
        myBoxes[6 * static_cast<size_t>(i) + k]     = floatBelow(aBox[k]);
        myBoxes[6 * static_cast<size_t>(i) + k + 3] = -floatBelow(-aBox[k + 3]);
      }
    }
  }

  // True when the triangles at leaf positions theP and theQ cross as Perform
  // finds them from either one.
  bool operator()(int theP, int theQ) const
  {
    if (!near(myBoxes.data() + 6 * static_cast<size_t>(theP), myBoxes.data() + 6 * static_cast<size_t>(theQ)))
    {
      return false;
    }
    double aBoxP[6], aBoxQ[6];
    exactBox(theP, aBoxP);
    exactBox(theQ, aBoxQ);
    // Perform widens the query's box, not the other's: the rounding of the
    // widening differs with the side taken, so either side's test lets a pair in.
    if (!touch(aBoxP, aBoxQ) && !touch(aBoxQ, aBoxP))
    {
      return false;
    }
    const double* aP     = myCorners + 9 * static_cast<size_t>(theP);
    const double* aQ     = myCorners + 9 * static_cast<size_t>(theQ);
    const gp_XYZ  aTP[3] = {gp_XYZ(aP[0], aP[1], aP[2]), gp_XYZ(aP[3], aP[4], aP[5]),
                            gp_XYZ(aP[6], aP[7], aP[8])};
    const gp_XYZ  aTQ[3] = {gp_XYZ(aQ[0], aQ[1], aQ[2]), gp_XYZ(aQ[3], aQ[4], aQ[5]),
                            gp_XYZ(aQ[6], aQ[7], aQ[8])};
    if (myFaces[theP] != myFaces[theQ])
    {
      return Trivex::Predicates::TrianglesCrossEither(aTP, aTQ, myTol);
    }
    // Pieces of one face: Perform skips the query itself, seen from each side.
    const double aTol2 = myTol * myTol;
    return (!sameCorners(aTP, aTQ, aTol2) && Trivex::Predicates::TrianglesCross(aTP, aTQ, myTol)) ||
           (!sameCorners(aTQ, aTP, aTol2) && Trivex::Predicates::TrianglesCross(aTQ, aTP, myTol));
  }

  // True when the triangle at leaf position theP may meet a triangle under theNode.
  bool IsNear(int theP, const BVHNode& theNode) const
  {
    const float aBox[6] = {theNode.Min[0], theNode.Min[1], theNode.Min[2],
                           theNode.Max[0], theNode.Max[1], theNode.Max[2]};
    return near(myBoxes.data() + 6 * static_cast<size_t>(theP), aBox);
  }

private:
  // Single-precision boxes (minimum then maximum) within the slack.
  bool near(const float* theA, const float* theB) const
  {
    for (int k = 0; k < 3; ++k)
    {
      if (double(theA[k]) - mySlack > double(theB[k + 3]) || double(theB[k]) - mySlack > double(theA[k + 3]))
      {
        return false;
      }
    }
    return true;
  }

  void exactBox(int theLeaf, double* theBox) const
  {
    const double* aC = myCorners + 9 * static_cast<size_t>(theLeaf);
    for (int k = 0; k < 3; ++k)
    {
      theBox[k]     = std::min({aC[k], aC[k + 3], aC[k + 6]});
      theBox[k + 3] = std::max({aC[k], aC[k + 3], aC[k + 6]});
    }
  }

  // The box test of Perform with theQuery as the query's box.
  bool touch(const double* theBox, const double* theQuery) const
  {
    for (int k = 0; k < 3; ++k)
    {
      if (!(theBox[k] <= theQuery[k + 3] + myTol && theQuery[k] - myTol <= theBox[k + 3]))
      {
        return false;
      }
    }
    return true;
  }

  const double*      myCorners;
  const int*         myFaces;
  std::vector<float> myBoxes;
  double             myTol;
  double             mySlack;
};

// The self walk over node pairs: a node is paired with itself (its children
// with themselves and with each other) and with every node near it.
class SelfWalk
{
public:
  SelfWalk(const std::vector<BVHNode>& theNodes, const PairTest& theTest, double theSlack)
      : myNodes(theNodes.data()),
        myTest(theTest),
        mySlack(theSlack)
  {
  }

  // Replaces a pair (one node twice, or two near nodes) by the near pairs
  // below it (theOut), testing leaf against leaf at once; theFound receives
  // the crossing leaf positions.
  void Expand(const NodePair&                   thePair,
              std::vector<NodePair>&            theOut,
              std::vector<std::pair<int, int>>& theFound) const
  {
    const BVHNode& aA = myNodes[thePair.A];
    const BVHNode& aB = myNodes[thePair.B];
    if (thePair.A == thePair.B)
    {
      if (aA.NbItems > 0)
      {
        for (int p = 0; p < aA.NbItems; ++p)
        {
          for (int q = p + 1; q < aA.NbItems; ++q)
          {
            take(aA.Offset + p, aA.Offset + q, theFound);
          }
        }
        return;
      }
      const int aLeft = thePair.A + 1, aRight = thePair.A + aA.Offset;
      theOut.push_back({aLeft, aLeft});
      theOut.push_back({aRight, aRight});
      pushNear(aLeft, aRight, theOut);
      return;
    }
    if (aA.NbItems > 0 && aB.NbItems > 0)
    {
      // Only the triangles near the other leaf's box are paired: for leaves
      // side by side, those along the border between them.
      int aPs[THE_MAX_LEAF_ITEMS], aQs[THE_MAX_LEAF_ITEMS];
      if (aA.NbItems > THE_MAX_LEAF_ITEMS || aB.NbItems > THE_MAX_LEAF_ITEMS)
      {
        for (int p = aA.Offset; p < aA.Offset + aA.NbItems; ++p)
        {
          for (int q = aB.Offset; q < aB.Offset + aB.NbItems; ++q)
          {
            take(p, q, theFound);
          }
        }
        return;
      }
      const int aNbP = nearItems(aA, aB, aPs), aNbQ = aNbP == 0 ? 0 : nearItems(aB, aA, aQs);
      for (int p = 0; p < aNbP; ++p)
      {
        for (int q = 0; q < aNbQ; ++q)
        {
          take(aPs[p], aQs[q], theFound);
        }
      }
      return;
    }
    // Split the larger inner node.
    const bool isSplitA = aB.NbItems > 0 || (aA.NbItems == 0 && extent(aA) >= extent(aB));
    const int  aSplit = isSplitA ? thePair.A : thePair.B, anOther = isSplitA ? thePair.B : thePair.A;
    pushNear(aSplit + 1, anOther, theOut);
    pushNear(aSplit + myNodes[aSplit].Offset, anOther, theOut);
  }

private:
  void take(int theP, int theQ, std::vector<std::pair<int, int>>& theFound) const
  {
    if (myTest(theP, theQ))
    {
      theFound.emplace_back(theP, theQ);
    }
  }

  // Leaf positions of theLeaf (of at most THE_MAX_LEAF_ITEMS) near theOther, into theItems.
  int nearItems(const BVHNode& theLeaf, const BVHNode& theOther, int* theItems) const
  {
    int aNb = 0;
    for (int p = theLeaf.Offset; p < theLeaf.Offset + theLeaf.NbItems; ++p)
    {
      if (myTest.IsNear(p, theOther))
      {
        theItems[aNb++] = p;
      }
    }
    return aNb;
  }

  // Pairs are tested before they are kept: most are far apart.
  void pushNear(int theA, int theB, std::vector<NodePair>& theOut) const
  {
    if (near(myNodes[theA], myNodes[theB]))
    {
      theOut.push_back({theA, theB});
    }
  }

  bool near(const BVHNode& theA, const BVHNode& theB) const
  {
    for (int k = 0; k < 3; ++k)
    {
      if (double(theA.Min[k]) - mySlack > double(theB.Max[k]) ||
          double(theB.Min[k]) - mySlack > double(theA.Max[k]))
      {
        return false;
      }
    }
    return true;
  }

  static float extent(const BVHNode& theNode)
  {
    return (theNode.Max[0] - theNode.Min[0]) + (theNode.Max[1] - theNode.Min[1]) +
           (theNode.Max[2] - theNode.Min[2]);
  }

  const BVHNode*  myNodes;
  const PairTest& myTest;
  double          mySlack;
};
} // namespace

bool Trivex::IntersectTriMesh::PerformAll(std::vector<std::pair<int, int>>& thePairs,
                                          int                               theNbThreads,
                                          bool                              theIsAnyOnly)
{
  thePairs.clear();
  if (mySet.IsNull() || !mySet->IsBuilt())
  {
    return false;
  }
  const BVH&              aTree      = mySet->hierarchy();
  const std::vector<int>& anOrder    = aTree.Order();
  const int               aNbLeaves  = static_cast<int>(anOrder.size());
  const int               aNbThreads = std::max(theNbThreads, 1);
  const double            aTol       = std::max(myTolerance, 0.0);
  // Nodes and single-precision boxes are compared with room for the rounding
  // of the triangles' own test.
  const Bnd_Box& aBox   = mySet->Box();
  const double   aScale = std::max({std::abs(aBox.CornerMin().X()), std::abs(aBox.CornerMin().Y()),
                                    std::abs(aBox.CornerMin().Z()), std::abs(aBox.CornerMax().X()),
                                    std::abs(aBox.CornerMax().Y()), std::abs(aBox.CornerMax().Z())});
  const double   aSlack = 2.0 * aTol + 1e-14 * aScale;
  PairTest       aTest(mySet->leafCorners(0), mySet->leafFaces(), aTol, aSlack);
  aTest.MakeBoxes(aNbLeaves, aNbThreads);
  const SelfWalk aWalk(aTree.Nodes(), aTest, aSlack);
  // Pairs of the upper levels, expanded until every thread has plenty to take.
  std::vector<std::vector<std::pair<int, int>>> aFound(static_cast<size_t>(aNbThreads));
  std::vector<NodePair>                         aWork = {{0, 0}}, aNext;
  for (size_t aLevel = 0; aLevel < 64 && !aWork.empty() && aWork.size() < 256 * size_t(aNbThreads); ++aLevel)
  {
    aNext.clear();
    for (const NodePair& aPair : aWork)
    {
      aWalk.Expand(aPair, aNext, aFound[0]);
    }
    aWork.swap(aNext);
  }
  std::atomic<bool> isFound(!aFound[0].empty());
  const int         aNbWork = static_cast<int>(aWork.size());
#pragma omp parallel num_threads(aNbThreads) if (aNbLeaves > Fundra::OMPParallel::MinParallelSize)
  {
    std::vector<NodePair>             aStack;
    std::vector<std::pair<int, int>>& aMine = aFound[static_cast<size_t>(omp_get_thread_num())];
#pragma omp for schedule(dynamic, 1)
    for (int w = 0; w < aNbWork; ++w)
    {
      aStack.assign(1, aWork[static_cast<size_t>(w)]);
      while (!aStack.empty() && !(theIsAnyOnly && isFound.load(std::memory_order_relaxed)))
      {
        const NodePair aPair = aStack.back();
        aStack.pop_back();
        const size_t aNbBefore = aMine.size();
        aWalk.Expand(aPair, aStack, aMine);
        if (aMine.size() != aNbBefore)
        {
          isFound.store(true, std::memory_order_relaxed);
        }
      }
    }
  }
  for (const std::vector<std::pair<int, int>>& aList : aFound)
  {
    for (const auto& [aP, aQ] : aList)
    {
      const int aI = anOrder[static_cast<size_t>(aP)], aJ = anOrder[static_cast<size_t>(aQ)];
      thePairs.emplace_back(std::min(aI, aJ), std::max(aI, aJ));
    }
  }
  std::sort(thePairs.begin(), thePairs.end());
  return !thePairs.empty();
}
