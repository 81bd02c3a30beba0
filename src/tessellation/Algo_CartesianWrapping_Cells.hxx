#ifndef Algo_CartesianWrapping_Cells_HeaderFile
#define Algo_CartesianWrapping_Cells_HeaderFile

// Cell geometry shared by the steps of Algo_CartesianWrapping; not installed.

#include <SVO_Node.hxx>
#include <Trivex_BoxSet.hxx>
#include <Trivex_IntersectBoxBox.hxx>

#include <Precision.hxx>

#include <algorithm>
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

//! Sorts cells by box order (SVO_Node::operator<).
inline void SortByBox(std::vector<SVO_Node*>& theCells)
{
  std::sort(theCells.begin(), theCells.end(),
            [](const SVO_Node* theA, const SVO_Node* theB) { return *theA < *theB; });
}

//! True when the box of theCell contains thePoint within theTolerance.
bool ContainsPoint(const SVO_Node& theCell, const gp_XYZ& thePoint, double theTolerance);

//! A built box set over the boxes of the cells, numbered as the list.
Handle(Trivex::BoxSet) BuildBoxSet(const std::vector<SVO_Node*>& theCells, unsigned int theNbThreads);

//! Finds the cells of a list that touch a box: through a box set over the
//! first cells of the list and a plain scan over the cells appended after
//! them. One object per thread; the list must outlive it.
class CellSearch
{
public:
  //! A search over theCells whose first theNbIndexed cells are in theSet, numbered alike.
  CellSearch(const Handle(Trivex::BoxSet)& theSet,
             size_t                        theNbIndexed,
             const std::vector<SVO_Node*>& theCells)
      : myQuery(theSet),
        myNbIndexed(theNbIndexed),
        myCells(&theCells)
  {
  }

  //! Replaces theFound by the ascending numbers of the cells whose boxes touch
  //! or overlap theBox within 1e-7.
  void Touching(const SVO_Node& theBox, std::vector<int>& theFound);

private:
  Trivex::IntersectBoxBox       myQuery;
  size_t                        myNbIndexed;
  const std::vector<SVO_Node*>* myCells;
  std::vector<Trivex::BoxData>  myBoxes;
};
} // namespace Algo_CartesianWrapping_Cells

#endif
