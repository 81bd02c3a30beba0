#ifndef Algo_CartesianWrapping_Cells_HeaderFile
#define Algo_CartesianWrapping_Cells_HeaderFile

// Cell geometry shared by the steps of Algo_CartesianWrapping; not installed.

#include <SVO_Node.hxx>
#include <Trivex_BoxSet.hxx>
#include <Trivex_IntersectBoxBox.hxx>

#include <Precision.hxx>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace Algo_CartesianWrapping_Cells
{
//! Distance below which boxes touch and points coincide.
const double THE_TOLERANCE = Precision::Confusion();

//! Edge of a (cubic) cell, measured along X.
inline double Extent(const SVO_Node& theCell)
{
  return theCell.BoxMax.X() - theCell.BoxMin.X();
}

//! Where theB lies from theA on each axis: -1 below, +1 above, 0 overlapping
//! (boxes within 1e-7 count as touching, not overlapping).
void CellSide(const SVO_Node& theA, const SVO_Node& theB, int theSide[3]);

//! Number of axes on which the cells are side by side: 1 for cells sharing a
//! face, 2 for cells sharing only an edge, 3 for cells sharing only a corner.
inline int ContactOrder(const int theSide[3])
{
  return (theSide[0] != 0 ? 1 : 0) + (theSide[1] != 0 ? 1 : 0) + (theSide[2] != 0 ? 1 : 0);
}

//! Sorts cells by box order (SVO_Node::operator<). Lists are mostly sorted
//! cells with a few appended: only the unsorted tail is sorted, then merged.
//! Exact coordinates order cells as the box order does except where they
//! differ by mere rounding, and compare much faster: the tail is sorted on
//! them first, which leaves the box order a few neighbours to swap.
inline void SortByBox(std::vector<SVO_Node*>& theCells)
{
  const auto aLess       = [](const SVO_Node* theA, const SVO_Node* theB) { return *theA < *theB; };
  const auto anExactLess = [](const SVO_Node* theA, const SVO_Node* theB)
  {
    const double aKeys[2][6] = {{theA->BoxMin.X(), theA->BoxMin.Y(), theA->BoxMin.Z(), theA->BoxMax.X(),
                                 theA->BoxMax.Y(), theA->BoxMax.Z()},
                                {theB->BoxMin.X(), theB->BoxMin.Y(), theB->BoxMin.Z(), theB->BoxMax.X(),
                                 theB->BoxMax.Y(), theB->BoxMax.Z()}};
    return std::lexicographical_compare(aKeys[0], aKeys[0] + 6, aKeys[1], aKeys[1] + 6);
  };
  const auto aTail = std::is_sorted_until(theCells.begin(), theCells.end(), aLess);
  std::sort(aTail, theCells.end(), anExactLess);
  // Insertion into the box order, while few cells are out of place.
  size_t aNbMoves = 0;
  for (auto aCell = aTail; aCell != theCells.end() && aNbMoves <= theCells.size(); ++aCell)
  {
    for (auto aPlace = aCell; aPlace != aTail && aLess(*aPlace, *(aPlace - 1)); --aPlace, ++aNbMoves)
    {
      std::iter_swap(aPlace, aPlace - 1);
    }
  }
  if (aNbMoves > theCells.size())
  {
    std::sort(aTail, theCells.end(), aLess);
  }
  std::inplace_merge(theCells.begin(), aTail, theCells.end(), aLess);
}

//! True when the box of theCell contains thePoint within theTolerance.
bool ContainsPoint(const SVO_Node& theCell, const gp_XYZ& thePoint, double theTolerance);

//! A built box set over the boxes of the cells, numbered as the list.
Handle(Trivex::BoxSet) BuildBoxSet(const std::vector<SVO_Node*>& theCells, unsigned int theNbThreads);

//! The boxes of a list of cells, kept as they were at construction, indexed
//! for finding the ones that touch a box. Cells of a skin come in few sizes
//! and fill a thin layer: they are hashed into buckets twice the smallest
//! cell's size, which answers in a few lookups what a hierarchy answers in a walk.
//! Cells so unequal that buckets would hold a large cell many times over go
//! into a box set instead. Read-only once built, shared by the threads.
class CellGrid
{
public:
  //! Indexes the boxes of theCells, numbered as the list.
  CellGrid(const std::vector<SVO_Node*>& theCells, unsigned int theNbThreads);

  //! Number of indexed cells.
  size_t NbCells() const { return myMin.size(); }

  //! Lower corner of the indexed cell.
  const gp_XYZ& Min(int theCell) const { return myMin[static_cast<size_t>(theCell)]; }

  //! Upper corner of the indexed cell.
  const gp_XYZ& Max(int theCell) const { return myMax[static_cast<size_t>(theCell)]; }

  //! The box set when the cells are too unequal for buckets; null otherwise.
  const Handle(Trivex::BoxSet)& BoxSet() const { return mySet; }

  //! Appends to theFound the ascending numbers of the cells whose boxes touch
  //! or overlap the box within 1e-7; only without a box set.
  void Touching(const gp_XYZ& theMin, const gp_XYZ& theMax, std::vector<int>& theFound) const;

private:
  struct Slot
  {
    std::uint64_t Key;
    int           First;
    int           End;
  };

  //! A cell in a bucket with a copy of its box: a bucket's candidates are read
  //! in one sweep rather than from all over the box lists.
  struct Entry
  {
    double Min[3];
    double Max[3];
    int    Cell;
  };

  bool          bucketRange(const gp_XYZ& theMin, const gp_XYZ& theMax, int theLow[3], int theHigh[3]) const;
  std::uint64_t key(int theI, int theJ, int theK) const;
  const Slot&   slot(std::uint64_t theKey) const;

private:
  std::vector<gp_XYZ>    myMin;
  std::vector<gp_XYZ>    myMax;
  Handle(Trivex::BoxSet) mySet;
  gp_XYZ                 myOrigin;
  double                 myBucket  = 1.0;
  int                    myLow[3]  = {0, 0, 0};
  int                    myHigh[3] = {-1, -1, -1};
  std::vector<Entry>     myCellsOfBuckets; // cells, bucket after bucket, ascending in each
  std::vector<Slot>      mySlots;          // open addressing from bucket keys to their cells
  int                    myShift = 64;
};

//! Finds the cells of a list that touch a box: through a grid over the first
//! cells of the list and a plain scan over the cells appended after them.
//! One object per thread; the list and the grid must outlive it.
class CellSearch
{
public:
  //! A search over theCells whose first cells are in theGrid, numbered alike.
  CellSearch(const CellGrid& theGrid, const std::vector<SVO_Node*>& theCells)
      : myGrid(&theGrid),
        myQuery(theGrid.BoxSet()),
        myCells(&theCells)
  {
  }

  //! Replaces theFound by the ascending numbers of the cells whose boxes touch
  //! or overlap the box within 1e-7.
  void Touching(const SVO_Node& theBox, std::vector<int>& theFound)
  {
    Touching(theBox.BoxMin, theBox.BoxMax, theFound);
  }

  //! Replaces theFound by the ascending numbers of the cells whose boxes touch
  //! or overlap the box within 1e-7.
  void Touching(const gp_XYZ& theMin, const gp_XYZ& theMax, std::vector<int>& theFound);

private:
  const CellGrid*               myGrid;
  Trivex::IntersectBoxBox       myQuery;
  const std::vector<SVO_Node*>* myCells;
  std::vector<Trivex::BoxData>  myBoxes;
};
//! The cells touching each cell of a list, kept from one search over all of
//! them together with its grid, so that a later step over the same cells and
//! a few added ones searches only around the added ones.
struct NeighbourLists
{
  std::vector<SVO_Node*>          Cells;  //!< the cells searched, in list order
  std::shared_ptr<const CellGrid> Grid;   //!< over Cells
  std::vector<int>                Starts; //!< Lists[Starts[i]] to Lists[Starts[i + 1] - 1] touch cell i
  std::vector<int>                Lists;  //!< ascending numbers in Cells, cell i itself included
};

//! Finds the cells of a list that touch one of them. When theKept holds the
//! list's cells but for some added ones, in the same relative order, its lists
//! are used and only the added cells are searched; otherwise every cell is.
//! Shared by the threads once built; each thread has its own Searcher.
class NeighbourFinder
{
public:
  NeighbourFinder(const std::vector<SVO_Node*>& theCells,
                  const NeighbourLists*         theKept,
                  unsigned int                  theNbThreads);

  //! Per-thread search state.
  class Searcher
  {
  public:
    explicit Searcher(const NeighbourFinder& theFinder);

    //! Replaces theFound by the ascending numbers of the cells that touch the
    //! cell numbered theCell (itself included).
    void Touching(int theCell, std::vector<int>& theFound);

  private:
    const NeighbourFinder&      myFinder;
    std::unique_ptr<CellSearch> myAll;   // without kept lists
    std::unique_ptr<CellSearch> myKept;  // over the kept cells
    std::unique_ptr<CellSearch> myAdded; // over the added cells
    std::vector<int>            myFirst, mySecond;
  };

private:
  const std::vector<SVO_Node*>& myCells;
  const NeighbourLists*         myKept = nullptr;
  std::unique_ptr<CellGrid>     myAllGrid;     // without kept lists
  std::vector<int>              myPlaceOfKept; // place in myCells of each kept cell
  std::vector<int>              myKeptOf; // number among the kept cells of each cell, -1 for an added one
  std::vector<SVO_Node*>        myAdded;
  std::vector<int>              myPlaceOfAdded;
  std::unique_ptr<CellGrid>     myAddedGrid;
};
} // namespace Algo_CartesianWrapping_Cells

#endif
