#include <Algo_CartesianWrapping_Cells.hxx>

#include <array>
#include <cmath>

void Algo_CartesianWrapping_Cells::CellSide(const SVO_Node& theA, const SVO_Node& theB, int theSide[3])
{
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    int& aSide = theSide[anAxis - 1];
    if (theA.BoxMin.Coord(anAxis) + THE_TOLERANCE > theB.BoxMax.Coord(anAxis))
    {
      aSide = -1;
    }
    else if (theB.BoxMin.Coord(anAxis) > theA.BoxMax.Coord(anAxis) - THE_TOLERANCE)
    {
      aSide = 1;
    }
    else
    {
      aSide = 0;
    }
  }
}

bool Algo_CartesianWrapping_Cells::ContainsPoint(const SVO_Node& theCell,
                                                 const gp_XYZ&   thePoint,
                                                 double          theTolerance)
{
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    const double aValue = thePoint.Coord(anAxis);
    if (aValue < theCell.BoxMin.Coord(anAxis) - theTolerance ||
        aValue > theCell.BoxMax.Coord(anAxis) + theTolerance)
    {
      return false;
    }
  }
  return true;
}

Handle(Trivex::BoxSet) Algo_CartesianWrapping_Cells::BuildBoxSet(const std::vector<SVO_Node*>& theCells,
                                                                 unsigned int                  theNbThreads)
{
  std::vector<Trivex::BoxData> aBoxes;
  aBoxes.reserve(theCells.size());
  for (size_t anIndex = 0; anIndex < theCells.size(); ++anIndex)
  {
    aBoxes.emplace_back(theCells[anIndex]->BoxMin, theCells[anIndex]->BoxMax, static_cast<int>(anIndex));
  }
  Handle(Trivex::BoxSet) aSet = new Trivex::BoxSet(aBoxes);
  aSet->SetNbBuilderThreads(static_cast<int>(theNbThreads));
  aSet->InitBuilder();
  aSet->Build();
  return aSet;
}

namespace
{
// Cells are hashed with a margin of this share of a bucket inside their
// boxes, and queries look this much further out (plus the tolerance), so that
// rounding never hides a touching cell.
const double THE_INNER_MARGIN = 1e-3;
const double THE_OUTER_MARGIN = 2e-3;

// Buckets along an axis are numbered in 21 bits of the key.
const int THE_MAX_BUCKETS = 1 << 21;

// Multiplier of the key hash (Fibonacci hashing), and the mark of an empty slot.
const std::uint64_t THE_HASH   = 0x9E3779B97F4A7C15ull;
const std::uint64_t THE_NO_KEY = ~std::uint64_t(0);

// Bucket numbers of a span along one axis, in bucket units from the origin.
void spanBuckets(double theLow, double theHigh, double theMargin, int& theFirst, int& theLast)
{
  theFirst = static_cast<int>(std::floor(theLow + theMargin));
  theLast  = static_cast<int>(std::floor(theHigh - theMargin));
}
} // namespace

Algo_CartesianWrapping_Cells::CellGrid::CellGrid(const std::vector<SVO_Node*>& theCells,
                                                 unsigned int                  theNbThreads)
{
  myMin.reserve(theCells.size());
  myMax.reserve(theCells.size());
  for (const SVO_Node* aCell : theCells)
  {
    myMin.push_back(aCell->BoxMin);
    myMax.push_back(aCell->BoxMax);
    if (myMin.size() == 1 || Extent(*aCell) < myBucket)
    {
      myBucket = Extent(*aCell);
      myOrigin = aCell->BoxMin;
    }
  }
  if (theCells.empty())
  {
    return;
  }
  // Buckets two smallest cells wide hold up to eight of them, each wholly: the
  // neighbours of a smallest cell lie in two buckets along each axis, not three.
  myBucket *= 2.0;
  // Bucket ranges of the cells; a cell more than a few buckets wide makes the set the better index.
  std::vector<std::pair<std::uint64_t, int>> aKeys;
  std::vector<std::array<int, 6>>            aRanges(theCells.size());
  size_t                                     aNbEntries = 0;
  bool                                       isGrid     = myBucket > 0.0;
  for (size_t aCell = 0; aCell < theCells.size() && isGrid; ++aCell)
  {
    std::array<int, 6>& aRange  = aRanges[aCell];
    size_t              aVolume = 1;
    for (int anAxis = 0; anAxis < 3 && isGrid; ++anAxis)
    {
      const double aLow  = (myMin[aCell].Coord(anAxis + 1) - myOrigin.Coord(anAxis + 1)) / myBucket;
      const double aHigh = (myMax[aCell].Coord(anAxis + 1) - myOrigin.Coord(anAxis + 1)) / myBucket;
      isGrid             = std::abs(aLow) < THE_MAX_BUCKETS / 2 && std::abs(aHigh) < THE_MAX_BUCKETS / 2;
      spanBuckets(aLow, aHigh, THE_INNER_MARGIN, aRange[anAxis], aRange[anAxis + 3]);
      aVolume *= static_cast<size_t>(std::max(aRange[anAxis + 3] - aRange[anAxis] + 1, 1));
      myLow[anAxis]  = aCell == 0 ? aRange[anAxis] : std::min(myLow[anAxis], aRange[anAxis]);
      myHigh[anAxis] = aCell == 0 ? aRange[anAxis + 3] : std::max(myHigh[anAxis], aRange[anAxis + 3]);
    }
    aNbEntries += aVolume;
    isGrid = isGrid && aNbEntries <= 8 * theCells.size() + 1024;
  }
  if (!isGrid)
  {
    mySet = BuildBoxSet(theCells, theNbThreads);
    return;
  }
  aKeys.reserve(aNbEntries);
  for (size_t aCell = 0; aCell < theCells.size(); ++aCell)
  {
    const std::array<int, 6>& aRange = aRanges[aCell];
    for (int anI = aRange[0]; anI <= aRange[3]; ++anI)
    {
      for (int aJ = aRange[1]; aJ <= aRange[4]; ++aJ)
      {
        for (int aK = aRange[2]; aK <= aRange[5]; ++aK)
        {
          aKeys.emplace_back(key(anI, aJ, aK), static_cast<int>(aCell));
        }
      }
    }
  }
  std::sort(aKeys.begin(), aKeys.end());
  size_t aNbSlots = 16;
  for (myShift = 60; aNbSlots < 2 * aKeys.size(); aNbSlots *= 2, --myShift)
  {
  }
  mySlots.assign(aNbSlots, Slot{THE_NO_KEY, 0, 0});
  myCellsOfBuckets.reserve(aKeys.size());
  size_t aSlot = 0;
  for (size_t aPosition = 0; aPosition < aKeys.size(); ++aPosition)
  {
    const std::uint64_t aKey = aKeys[aPosition].first;
    if (aPosition == 0 || aKeys[aPosition - 1].first != aKey)
    {
      aSlot = static_cast<size_t>((aKey * THE_HASH) >> myShift);
      while (mySlots[aSlot].Key != THE_NO_KEY)
      {
        aSlot = (aSlot + 1) & (aNbSlots - 1);
      }
      mySlots[aSlot] = Slot{aKey, static_cast<int>(aPosition), static_cast<int>(aPosition)};
    }
    const size_t aCell = static_cast<size_t>(aKeys[aPosition].second);
    myCellsOfBuckets.push_back(Entry{{myMin[aCell].X(), myMin[aCell].Y(), myMin[aCell].Z()},
                                     {myMax[aCell].X(), myMax[aCell].Y(), myMax[aCell].Z()},
                                     aKeys[aPosition].second});
    ++mySlots[aSlot].End;
  }
}

std::uint64_t Algo_CartesianWrapping_Cells::CellGrid::key(int theI, int theJ, int theK) const
{
  return (static_cast<std::uint64_t>(theI - myLow[0]) << 42) |
         (static_cast<std::uint64_t>(theJ - myLow[1]) << 21) | static_cast<std::uint64_t>(theK - myLow[2]);
}

const Algo_CartesianWrapping_Cells::CellGrid::Slot&
Algo_CartesianWrapping_Cells::CellGrid::slot(std::uint64_t theKey) const
{
  size_t aSlot = static_cast<size_t>((theKey * THE_HASH) >> myShift);
  while (mySlots[aSlot].Key != theKey && mySlots[aSlot].Key != THE_NO_KEY)
  {
    aSlot = (aSlot + 1) & (mySlots.size() - 1);
  }
  return mySlots[aSlot];
}

bool Algo_CartesianWrapping_Cells::CellGrid::bucketRange(const gp_XYZ& theMin,
                                                         const gp_XYZ& theMax,
                                                         int           theLow[3],
                                                         int           theHigh[3]) const
{
  for (int anAxis = 0; anAxis < 3; ++anAxis)
  {
    const double aLow    = (theMin.Coord(anAxis + 1) - myOrigin.Coord(anAxis + 1)) / myBucket;
    const double aHigh   = (theMax.Coord(anAxis + 1) - myOrigin.Coord(anAxis + 1)) / myBucket;
    const double aMargin = THE_OUTER_MARGIN + THE_TOLERANCE / myBucket;
    // Far outside the cells no bucket is filled; clamping first keeps the numbers in range.
    if (aHigh + aMargin < myLow[anAxis] || aLow - aMargin > myHigh[anAxis] + 1)
    {
      return false;
    }
    spanBuckets(std::max(aLow, myLow[anAxis] - 1.0), std::min(aHigh, myHigh[anAxis] + 1.0), -aMargin,
                theLow[anAxis], theHigh[anAxis]);
    theLow[anAxis]  = std::max(theLow[anAxis], myLow[anAxis]);
    theHigh[anAxis] = std::min(theHigh[anAxis], myHigh[anAxis]);
  }
  return true;
}

void Algo_CartesianWrapping_Cells::CellGrid::Touching(const gp_XYZ&     theMin,
                                                      const gp_XYZ&     theMax,
                                                      std::vector<int>& theFound) const
{
  int aLow[3], aHigh[3];
  if (myMin.empty() || !bucketRange(theMin, theMax, aLow, aHigh))
  {
    return;
  }
  // The box grown by the tolerance, computed as the box set's query computes it.
  const gp_XYZ aMin(theMin.X() - THE_TOLERANCE, theMin.Y() - THE_TOLERANCE, theMin.Z() - THE_TOLERANCE);
  const gp_XYZ aMax(theMax.X() + THE_TOLERANCE, theMax.Y() + THE_TOLERANCE, theMax.Z() + THE_TOLERANCE);
  const size_t aStart = theFound.size();
  for (int anI = aLow[0]; anI <= aHigh[0]; ++anI)
  {
    for (int aJ = aLow[1]; aJ <= aHigh[1]; ++aJ)
    {
      for (int aK = aLow[2]; aK <= aHigh[2]; ++aK)
      {
        const Slot& aSlot = slot(key(anI, aJ, aK));
        for (int aPosition = aSlot.First; aPosition < aSlot.End; ++aPosition)
        {
          const Entry& anEntry = myCellsOfBuckets[static_cast<size_t>(aPosition)];
          if (anEntry.Min[0] <= aMax.X() && anEntry.Min[1] <= aMax.Y() && anEntry.Min[2] <= aMax.Z() &&
              aMin.X() <= anEntry.Max[0] && aMin.Y() <= anEntry.Max[1] && aMin.Z() <= anEntry.Max[2])
          {
            theFound.push_back(anEntry.Cell);
          }
        }
      }
    }
  }
  // A cell wider than a bucket is found once per bucket.
  std::sort(theFound.begin() + static_cast<long>(aStart), theFound.end());
  theFound.erase(std::unique(theFound.begin() + static_cast<long>(aStart), theFound.end()), theFound.end());
}

void Algo_CartesianWrapping_Cells::CellSearch::Touching(const gp_XYZ&     theMin,
                                                        const gp_XYZ&     theMax,
                                                        std::vector<int>& theFound)
{
  theFound.clear();
  if (!myGrid->BoxSet().IsNull())
  {
    if (myQuery.Perform(Trivex::BoxData(theMin, theMax), myBoxes, THE_TOLERANCE))
    {
      theFound = myQuery.Indices();
    }
  }
  else
  {
    myGrid->Touching(theMin, theMax, theFound);
  }
  for (size_t aPosition = myGrid->NbCells(); aPosition < myCells->size(); ++aPosition)
  {
    const SVO_Node& aCell      = *(*myCells)[aPosition];
    bool            isTouching = true;
    for (int anAxis = 1; anAxis <= 3 && isTouching; ++anAxis)
    {
      isTouching = aCell.BoxMin.Coord(anAxis) <= theMax.Coord(anAxis) + THE_TOLERANCE &&
                   theMin.Coord(anAxis) - THE_TOLERANCE <= aCell.BoxMax.Coord(anAxis);
    }
    if (isTouching)
    {
      theFound.push_back(static_cast<int>(aPosition));
    }
  }
}

Algo_CartesianWrapping_Cells::NeighbourFinder::NeighbourFinder(const std::vector<SVO_Node*>& theCells,
                                                               const NeighbourLists*         theKept,
                                                               unsigned int                  theNbThreads)
    : myCells(theCells)
{
  // The kept cells must come in the list in their own order, the others between them.
  if (theKept != nullptr && theKept->Grid && theKept->Cells.size() <= theCells.size())
  {
    myPlaceOfKept.reserve(theKept->Cells.size());
    myKeptOf.assign(theCells.size(), -1);
    for (size_t aPlace = 0; aPlace < theCells.size(); ++aPlace)
    {
      if (myPlaceOfKept.size() < theKept->Cells.size() &&
          theCells[aPlace] == theKept->Cells[myPlaceOfKept.size()])
      {
        myKeptOf[aPlace] = static_cast<int>(myPlaceOfKept.size());
        myPlaceOfKept.push_back(static_cast<int>(aPlace));
      }
      else
      {
        myAdded.push_back(theCells[aPlace]);
        myPlaceOfAdded.push_back(static_cast<int>(aPlace));
      }
    }
    if (myPlaceOfKept.size() == theKept->Cells.size())
    {
      myKept      = theKept;
      myAddedGrid = std::make_unique<CellGrid>(myAdded, theNbThreads);
      return;
    }
  }
  myAllGrid = std::make_unique<CellGrid>(theCells, theNbThreads);
}

Algo_CartesianWrapping_Cells::NeighbourFinder::Searcher::Searcher(const NeighbourFinder& theFinder)
    : myFinder(theFinder)
{
  if (theFinder.myKept == nullptr)
  {
    myAll = std::make_unique<CellSearch>(*theFinder.myAllGrid, theFinder.myCells);
  }
  else
  {
    myKept  = std::make_unique<CellSearch>(*theFinder.myKept->Grid, theFinder.myKept->Cells);
    myAdded = std::make_unique<CellSearch>(*theFinder.myAddedGrid, theFinder.myAdded);
  }
}

void Algo_CartesianWrapping_Cells::NeighbourFinder::Searcher::Touching(int               theCell,
                                                                       std::vector<int>& theFound)
{
  const SVO_Node& aCell = *myFinder.myCells[static_cast<size_t>(theCell)];
  if (myAll)
  {
    myAll->Touching(aCell, theFound);
    return;
  }
  // Places in the list grow with the numbers among the kept and among the
  // added cells alike: both parts stay ascending and merge into one.
  const int aKept = myFinder.myKeptOf[static_cast<size_t>(theCell)];
  myFirst.clear();
  if (aKept >= 0)
  {
    const NeighbourLists& aLists = *myFinder.myKept;
    for (int anEntry = aLists.Starts[static_cast<size_t>(aKept)];
         anEntry < aLists.Starts[static_cast<size_t>(aKept) + 1]; ++anEntry)
    {
      myFirst.push_back(
          myFinder.myPlaceOfKept[static_cast<size_t>(aLists.Lists[static_cast<size_t>(anEntry)])]);
    }
  }
  else
  {
    myKept->Touching(aCell, myFirst);
    for (int& aNumber : myFirst)
    {
      aNumber = myFinder.myPlaceOfKept[static_cast<size_t>(aNumber)];
    }
  }
  myAdded->Touching(aCell, mySecond);
  for (int& aNumber : mySecond)
  {
    aNumber = myFinder.myPlaceOfAdded[static_cast<size_t>(aNumber)];
  }
  theFound.resize(myFirst.size() + mySecond.size());
  std::merge(myFirst.begin(), myFirst.end(), mySecond.begin(), mySecond.end(), theFound.begin());
}
