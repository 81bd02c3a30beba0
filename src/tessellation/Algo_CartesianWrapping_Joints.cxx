#include <Algo_CartesianWrapping.hxx>

#include <Algo_CartesianWrapping_Cells.hxx>
#include <SVO_NodeState.hxx>

#include <Precision.hxx>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

#include <omp.h>

using namespace Algo_CartesianWrapping_Cells;

// How joints are found and closed.
//
// The skin is the boundary of the union of the cells. That boundary is a
// 2-manifold exactly when, around every point of it, the occupied space and
// the empty space each form one piece. Cells are octree-aligned, so this
// needs checking only at cell corners: a point that is no cell corner lies
// inside a face or along edges of one direction only, where the space around
// it repeats along that direction; a bad stretch there (two cells diagonal
// across an edge) ends at some cell corner, where it shows as well.
//
// At a corner the eight octants around it are looked at, probed at the size
// of the smallest cell meeting there (every cell meeting there is at least
// that large and aligned to that grid, so it fills an octant wholly or not at
// all). The corner is sound when the occupied octants are face-connected and
// so are the empty ones. Testing pairs of cells alone would not do: with six
// octants filled and two opposite ones empty, every pair of cells is
// face-connected, yet the empty space pinches the skin at the corner.
//
// A bad corner is closed with the fewest octants that make it sound, taken
// within the span of its occupied octants (so fillers never grow the union
// beyond the box of the input cells and the passes end), smallest octant
// numbers first. The choice depends on the corner alone, so every cell that
// sees the corner proposes the same fillers and the duplicates collapse. A
// filler is the octant box of the corner's smallest cell, halved while it
// would overlap a smaller cell lying in it, so it is never larger than the
// cells of the joint. Two cells along an edge get one bridge cell, two cells
// at a corner two, forming a face-connected path.
//
// A new cell changes the octants around the corners of the cells it touches,
// so those cells are examined again in the next pass along with the new ones.

namespace
{
// Octants around a corner are numbered like corners: bit k set for the upper
// side along axis k. Octants whose numbers differ in one bit share a face.
int nbComponents(unsigned int theSet)
{
  unsigned int aLeft  = theSet & 0xFFu;
  int          aCount = 0;
  while (aLeft != 0)
  {
    ++aCount;
    unsigned int aPiece = 0;
    unsigned int aFront = aLeft & (~aLeft + 1u);
    while (aFront != 0)
    {
      aPiece |= aFront;
      unsigned int aNext = 0;
      for (int anOctant = 0; anOctant < 8; ++anOctant)
      {
        if ((aFront >> anOctant) & 1u)
        {
          aNext |= (1u << (anOctant ^ 1)) | (1u << (anOctant ^ 2)) | (1u << (anOctant ^ 4));
        }
      }
      aFront = aNext & aLeft & ~aPiece;
    }
    aLeft &= ~aPiece;
  }
  return aCount;
}

bool isSoundCorner(unsigned int theOccupied)
{
  return nbComponents(theOccupied) <= 1 && nbComponents(~theOccupied & 0xFFu) <= 1;
}

// Octants within the bounding box of the given ones.
unsigned int spannedOctants(unsigned int theSet)
{
  unsigned int aResult = 0;
  for (int anOctant = 0; anOctant < 8; ++anOctant)
  {
    bool isInside = true;
    for (int aBit = 1; aBit <= 4; aBit <<= 1)
    {
      bool hasSide[2] = {false, false};
      for (int anOther = 0; anOther < 8; ++anOther)
      {
        if ((theSet >> anOther) & 1u)
        {
          hasSide[(anOther & aBit) != 0 ? 1 : 0] = true;
        }
      }
      isInside = isInside && hasSide[(anOctant & aBit) != 0 ? 1 : 0];
    }
    aResult |= isInside ? (1u << anOctant) : 0u;
  }
  return aResult;
}

int nbBits(unsigned int theSet)
{
  int aCount = 0;
  for (; theSet != 0; theSet &= theSet - 1)
  {
    ++aCount;
  }
  return aCount;
}

// For each set of occupied octants, the octants to fill (none for a sound
// corner): every octant of every smallest fill within the span of the occupied
// ones that makes the corner sound. Taking all of them rather than the first
// keeps the rule free of octant numbering, so that a turned or mirrored input
// gets the same fillers turned or mirrored; their union is sound for every set.
std::array<std::uint8_t, 256> makeFillTable()
{
  std::array<std::uint8_t, 256> aTable{};
  for (unsigned int aSet = 0; aSet < 256; ++aSet)
  {
    if (isSoundCorner(aSet))
    {
      continue;
    }
    const unsigned int aCandidates = spannedOctants(aSet) & ~aSet;
    for (int aSize = 1; aSize <= 8 && aTable[aSet] == 0; ++aSize)
    {
      for (unsigned int aFill = 1; aFill < 256; ++aFill)
      {
        if ((aFill & ~aCandidates) == 0 && nbBits(aFill) == aSize && isSoundCorner(aSet | aFill))
        {
          aTable[aSet] |= static_cast<std::uint8_t>(aFill);
        }
      }
    }
  }
  return aTable;
}

const std::array<std::uint8_t, 256>& fillTable()
{
  static const std::array<std::uint8_t, 256> THE_TABLE = makeFillTable();
  return THE_TABLE;
}

// Corners (or octants) on the low and on the high side of each axis, as bit sets.
const unsigned int THE_SIDES[3][2] = {{0x55u, 0xAAu}, {0x33u, 0xCCu}, {0x0Fu, 0xF0u}};

// Unit step from a corner into an octant.
gp_XYZ octantDirection(int theOctant)
{
  return gp_XYZ((theOctant & 1) != 0 ? 1.0 : -1.0, (theOctant & 2) != 0 ? 1.0 : -1.0,
                (theOctant & 4) != 0 ? 1.0 : -1.0);
}

// Aligned cells overlap by at least the smaller one's extent or not at all.
bool overlapsInside(const SVO_Node& theA, const SVO_Node& theB)
{
  const double aMargin = 0.25 * std::min(Extent(theA), Extent(theB));
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    const double aLow  = std::max(theA.BoxMin.Coord(anAxis), theB.BoxMin.Coord(anAxis));
    const double aHigh = std::min(theA.BoxMax.Coord(anAxis), theB.BoxMax.Coord(anAxis));
    if (aHigh - aLow <= aMargin)
    {
      return false;
    }
  }
  return true;
}

// True when the point is a corner of the cell.
bool isCorner(const SVO_Node& theCell, const gp_XYZ& thePoint)
{
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    if (std::abs(thePoint.Coord(anAxis) - theCell.BoxMin.Coord(anAxis)) > THE_TOLERANCE &&
        std::abs(thePoint.Coord(anAxis) - theCell.BoxMax.Coord(anAxis)) > THE_TOLERANCE)
    {
      return false;
    }
  }
  return true;
}

// Reads the cells around corners and proposes fillers; one per thread.
class CornerInspector
{
public:
  // theIsInWork flags the cells (numbered as theCells) whose corners are
  // inspected; the first theNbSorted cells are in box order.
  CornerInspector(const CellSearch&             theSearch,
                  const std::vector<SVO_Node*>& theCells,
                  const std::vector<char>&      theIsInWork,
                  size_t                        theNbSorted)
      : mySearch(theSearch),
        myCells(theCells),
        myIsInWork(theIsInWork),
        myNbSorted(theNbSorted)
  {
  }

  // Makes Inspect() append the neighbours of each cell to theKept.
  void KeepNeighbours(std::vector<int>* theKept) { myKept = theKept; }

  // Appends the fillers that close the bad corners of the cell numbered
  // theNumber. Each corner is looked at once, by the first inspected cell in
  // box order that has it as a corner.
  void Inspect(int theNumber, std::vector<SVO_Node>& theProposals)
  {
    const SVO_Node& aCell = *myCells[static_cast<size_t>(theNumber)];
    mySearch.Touching(aCell, myNeighbours);
    if (myKept != nullptr)
    {
      myKept->insert(myKept->end(), myNeighbours.begin(), myNeighbours.end());
    }
    cornersOfNeighbours(aCell);
    for (int aCorner = 0; aCorner < 8; ++aCorner)
    {
      const gp_XYZ aPoint = aCell.Corner(aCorner);
      const double aSize  = meetingCells(aCorner);
      const bool   isSeen = isInspectedBefore(theNumber, aPoint);
      unsigned int aFill  = isSeen ? 0u : fillTable()[occupiedOctants(aPoint, aSize)];
      for (int anOctant = 0; aFill != 0; ++anOctant, aFill >>= 1)
      {
        if ((aFill & 1u) != 0)
        {
          theProposals.push_back(freeOctant(aPoint, anOctant, aSize));
        }
      }
    }
  }

private:
  // True when another inspected cell that comes before the cell numbered
  // theNumber in box order has the point as a corner: that cell looks at the point.
  bool isInspectedBefore(int theNumber, const gp_XYZ& thePoint) const
  {
    for (const int aNumber : myMeeting)
    {
      const SVO_Node& anOther = *myCells[static_cast<size_t>(aNumber)];
      if (aNumber != theNumber && myIsInWork[static_cast<size_t>(aNumber)] != 0 &&
          isCorner(anOther, thePoint) && isBefore(aNumber, theNumber))
      {
        return true;
      }
    }
    return false;
  }

  // Box order of two cells; within the sorted part of the list their numbers tell it.
  bool isBefore(int theFirst, int theSecond) const
  {
    if (static_cast<size_t>(std::max(theFirst, theSecond)) < myNbSorted)
    {
      return theFirst < theSecond;
    }
    return *myCells[static_cast<size_t>(theFirst)] < *myCells[static_cast<size_t>(theSecond)];
  }

  // For each neighbour, the corners of the cell that its box contains (bit i for corner i).
  void cornersOfNeighbours(const SVO_Node& theCell)
  {
    myCorners.clear();
    for (const int aNumber : myNeighbours)
    {
      const SVO_Node& anOther = *myCells[static_cast<size_t>(aNumber)];
      unsigned int    aSet    = 0xFFu;
      for (int anAxis = 0; anAxis < 3; ++anAxis)
      {
        const double aLow       = anOther.BoxMin.Coord(anAxis + 1) - THE_TOLERANCE;
        const double aHigh      = anOther.BoxMax.Coord(anAxis + 1) + THE_TOLERANCE;
        const double aBounds[2] = {theCell.BoxMin.Coord(anAxis + 1), theCell.BoxMax.Coord(anAxis + 1)};
        for (int aSide = 0; aSide < 2; ++aSide)
        {
          aSet &= aBounds[aSide] >= aLow && aBounds[aSide] <= aHigh ? 0xFFu : ~THE_SIDES[anAxis][aSide];
        }
      }
      myCorners.push_back(aSet);
    }
  }

  // Collects the cells meeting at the corner; the extent of the smallest.
  double meetingCells(int theCorner)
  {
    myMeeting.clear();
    double aSize = Precision::Infinite();
    for (size_t aPosition = 0; aPosition < myNeighbours.size(); ++aPosition)
    {
      if (((myCorners[aPosition] >> theCorner) & 1u) != 0)
      {
        const int aNumber = myNeighbours[aPosition];
        myMeeting.push_back(aNumber);
        aSize = std::min(aSize, Extent(*myCells[static_cast<size_t>(aNumber)]));
      }
    }
    return aSize;
  }

  // Octants around the point filled by the meeting cells, probed at the given
  // size: a cell fills the octants whose probe points it holds on every axis.
  unsigned int occupiedOctants(const gp_XYZ& thePoint, double theSize)
  {
    const double aHalf      = 0.5 * theSize;
    const double aMargin    = -0.25 * theSize;
    unsigned int anOccupied = 0;
    for (const int aNumber : myMeeting)
    {
      const SVO_Node& aCell = *myCells[static_cast<size_t>(aNumber)];
      unsigned int    aSet  = 0xFFu;
      for (int anAxis = 0; anAxis < 3; ++anAxis)
      {
        const double aLow       = aCell.BoxMin.Coord(anAxis + 1) - aMargin;
        const double aHigh      = aCell.BoxMax.Coord(anAxis + 1) + aMargin;
        const double aProbes[2] = {thePoint.Coord(anAxis + 1) - aHalf, thePoint.Coord(anAxis + 1) + aHalf};
        for (int aSide = 0; aSide < 2; ++aSide)
        {
          aSet &= aProbes[aSide] < aLow || aProbes[aSide] > aHigh ? ~THE_SIDES[anAxis][aSide] : 0xFFu;
        }
      }
      anOccupied |= aSet;
    }
    return anOccupied & 0xFFu;
  }

  // The octant box of the given size at the point, halved while a smaller
  // cell lies in it. An octant that is empty next to the point is free at the
  // smallest cell size, so the halving ends long before its bound.
  SVO_Node freeOctant(const gp_XYZ& thePoint, int theOctant, double theSize)
  {
    const gp_XYZ aDirection = octantDirection(theOctant);
    double       aSize      = theSize;
    for (int aHalving = 0;; ++aHalving)
    {
      SVO_Node aBox(thePoint, thePoint + aDirection * aSize);
      mySearch.Touching(aBox, myInBox);
      const bool isFree =
          std::none_of(myInBox.begin(), myInBox.end(),
                       [&](const int theNumber)
                       { return overlapsInside(aBox, *myCells[static_cast<size_t>(theNumber)]); });
      if (isFree || aHalving == 60)
      {
        return aBox;
      }
      aSize *= 0.5;
    }
  }

private:
  CellSearch                    mySearch;
  const std::vector<SVO_Node*>& myCells;
  const std::vector<char>&      myIsInWork;
  size_t                        myNbSorted;
  std::vector<int>*             myKept = nullptr;
  std::vector<int>              myNeighbours;
  std::vector<unsigned int>     myCorners;
  std::vector<int>              myMeeting;
  std::vector<int>              myInBox;
};

// Keeps one of each box, in box order.
std::vector<SVO_Node> joinProposals(std::vector<std::vector<SVO_Node>>& theLists)
{
  std::vector<SVO_Node> aResult;
  for (std::vector<SVO_Node>& aList : theLists)
  {
    aResult.insert(aResult.end(), aList.begin(), aList.end());
  }
  std::sort(aResult.begin(), aResult.end());
  aResult.erase(std::unique(aResult.begin(), aResult.end()), aResult.end());
  return aResult;
}
} // namespace

bool Algo_CartesianWrapping::CheckJoints()
{
  myNotifier->NewScope("Algo_CartesianWrapping::CheckJoints", 0.0, 0.08, 0.08);
  std::vector<int> aWorkList(myNodes.size());
  for (size_t aPosition = 0; aPosition < myNodes.size(); ++aPosition)
  {
    aWorkList[aPosition] = static_cast<int>(aPosition);
  }
  myNotifier->NewScope("Algo_CartesianWrapping::CheckJointsCycle", 0.0, 0.83, 0.83 / 11.0);
  const unsigned int        aNbThreads = applyParallelOptions();
  std::shared_ptr<CellGrid> aGrid;
  // The first pass searches around every cell: its finds serve the small meshes later.
  myNeighbourLists        = std::make_unique<NeighbourLists>();
  myNeighbourLists->Cells = myNodes;
  // Cells are appended after the sorted ones.
  const auto   aLess = [](const SVO_Node* theA, const SVO_Node* theB) { return *theA < *theB; };
  const size_t aNbSorted =
      static_cast<size_t>(std::is_sorted_until(myNodes.begin(), myNodes.end(), aLess) - myNodes.begin());
  while (!aWorkList.empty())
  {
    // Later passes add few cells: the index is rebuilt only when the cells
    // appended since it was built are no longer few.
    if (!aGrid || (myNodes.size() - aGrid->NbCells()) * 8 > aGrid->NbCells())
    {
      aGrid = std::make_shared<CellGrid>(myNodes, aNbThreads);
    }
    const bool isFirst = !myNeighbourLists->Grid;
    if (isFirst)
    {
      myNeighbourLists->Grid = aGrid;
    }
    if (!jointsPass(aWorkList, CellSearch(*aGrid, myNodes), aNbSorted, aNbThreads,
                    isFirst ? myNeighbourLists.get() : nullptr))
    {
      break;
    }
  }
  myNotifier->EndScope();
  ConvertAdaptiveness();
  SortByBox(myNodes);
  indexNodes();
  myNotifier->EndScope();
  return true;
}

bool Algo_CartesianWrapping::jointsPass(std::vector<int>&                               theWorkList,
                                        const Algo_CartesianWrapping_Cells::CellSearch& theSearch,
                                        size_t                                          theNbSorted,
                                        unsigned int                                    theNbThreads,
                                        NeighbourLists*                                 theKept)
{
  std::vector<std::vector<SVO_Node>> aLists(theNbThreads);
  const long                         aNbWork = static_cast<long>(theWorkList.size());
  std::vector<char>                  isInWork(myNodes.size(), 0);
  for (const int aPosition : theWorkList)
  {
    isInWork[static_cast<size_t>(aPosition)] = 1;
  }
  // Kept neighbours, per thread; a static schedule gives each thread one run
  // of cells, in thread order, so joining them keeps the cell order.
  std::vector<std::vector<int>> aKept(theKept != nullptr ? theNbThreads : 0);
  std::vector<int>              aNbKept(theKept != nullptr ? theWorkList.size() : 0);
#pragma omp parallel
  {
    CornerInspector        anInspector(theSearch, myNodes, isInWork, theNbSorted);
    std::vector<SVO_Node>& aList = aLists[static_cast<size_t>(omp_get_thread_num())];
    std::vector<int>*      aKeptList =
        theKept != nullptr ? &aKept[static_cast<size_t>(omp_get_thread_num())] : nullptr;
    anInspector.KeepNeighbours(aKeptList);
#pragma omp for schedule(static)
    for (long anIndex = 0; anIndex < aNbWork; ++anIndex)
    {
      const size_t aSize = aKeptList != nullptr ? aKeptList->size() : 0;
      anInspector.Inspect(theWorkList[static_cast<size_t>(anIndex)], aList);
      if (aKeptList != nullptr)
      {
        aNbKept[static_cast<size_t>(anIndex)] = static_cast<int>(aKeptList->size() - aSize);
      }
    }
  }
  if (theKept != nullptr)
  {
    theKept->Starts.assign(1, 0);
    for (const int aCount : aNbKept)
    {
      theKept->Starts.push_back(theKept->Starts.back() + aCount);
    }
    for (const std::vector<int>& aList : aKept)
    {
      theKept->Lists.insert(theKept->Lists.end(), aList.begin(), aList.end());
    }
  }
  std::vector<SVO_Node*> aNewCells = newCells(joinProposals(aLists), theNbThreads);
  // The next pass looks at the new cells and at the cells they touch.
  std::vector<int> aNextWork;
  {
    CellSearch       aSearch = theSearch;
    std::vector<int> aTouching;
    for (const SVO_Node* aCell : aNewCells)
    {
      aSearch.Touching(*aCell, aTouching);
      aNextWork.insert(aNextWork.end(), aTouching.begin(), aTouching.end());
    }
  }
  for (SVO_Node* aCell : aNewCells)
  {
    aNextWork.push_back(static_cast<int>(myNodes.size()));
    myNodeIndex.emplace(aCell, static_cast<int>(myNodes.size()));
    myNodes.push_back(aCell);
    myCreatedNodes.push_back(aCell);
  }
  std::sort(aNextWork.begin(), aNextWork.end());
  aNextWork.erase(std::unique(aNextWork.begin(), aNextWork.end()), aNextWork.end());
  theWorkList.swap(aNextWork);
  myNotifier->Increment();
  return !aNewCells.empty();
}

std::vector<SVO_Node*> Algo_CartesianWrapping::newCells(std::vector<SVO_Node> theProposals,
                                                        unsigned int          theNbThreads) const
{
  std::vector<SVO_Node*> aProposalCells;
  for (SVO_Node& aProposal : theProposals)
  {
    aProposalCells.push_back(&aProposal);
  }
  const CellGrid         aProposalGrid(aProposalCells, theNbThreads);
  const long             aNbProposals = static_cast<long>(theProposals.size());
  std::vector<SVO_Node*> aNewCells;
#pragma omp parallel
  {
    CellSearch       aSearch(aProposalGrid, aProposalCells);
    std::vector<int> aFound;
#pragma omp for schedule(dynamic, 1)
    for (long anIndex = 0; anIndex < aNbProposals; ++anIndex)
    {
      SVO_Node& aProposal = theProposals[static_cast<size_t>(anIndex)];
      if (myNodeIndex.count(&aProposal) != 0)
      {
        continue;
      }
      aSearch.Touching(aProposal, aFound);
      const bool isInLarger = std::any_of(aFound.begin(), aFound.end(),
                                          [&](const int theOther)
                                          {
                                            const SVO_Node& anOther =
                                                theProposals[static_cast<size_t>(theOther)];
                                            return Extent(aProposal) / Extent(anOther) <= 0.99 &&
                                                   ContainsPoint(anOther, aProposal.BoxMin, THE_TOLERANCE) &&
                                                   ContainsPoint(anOther, aProposal.BoxMax, THE_TOLERANCE);
                                          });
      if (isInLarger)
      {
        continue;
      }
      SVO_Node* aCell = new SVO_Node(aProposal.BoxMin, aProposal.BoxMax);
      aCell->State    = SVO_Boundary;
#pragma omp critical
      aNewCells.push_back(aCell);
    }
  }
  // Threads append in any order; the box order makes it the same for every thread count.
  SortByBox(aNewCells);
  return aNewCells;
}
