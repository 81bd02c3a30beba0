#include <Algo_CartesianWrapping.hxx>

#include <Algo_CartesianWrapping_Cells.hxx>
#include <HalfEdge_Mesh.hxx>
#include <SVO_Depth_Iterator.hxx>
#include <SVO_NodeState.hxx>
#include <SVO_Tree.hxx>

#include <algorithm>

#include <omp.h>

IMPLEMENT_STANDARD_RTTIEXT(Algo_CartesianWrapping, Algo_Tessellation)

using namespace Algo_CartesianWrapping_Cells;

namespace
{
// A cell is split when it is more than this many times larger than a neighbour.
const double THE_MAX_RATIO = 2.01;
} // namespace

Algo_CartesianWrapping::Algo_CartesianWrapping(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Tessellation(theNotifier)
{
}

Algo_CartesianWrapping::~Algo_CartesianWrapping()
{
  deleteCreatedNodes();
}

std::string Algo_CartesianWrapping::Name() const
{
  return get_type_name();
}

bool Algo_CartesianWrapping::Perform()
{
  // Cells of a run that a user break stopped before Clear() are still ours.
  deleteCreatedNodes();
  myNodes.clear();
  myNodeIndex.clear();
  myNeighbourLists.reset();
  myResult.Nullify();
  ExtactNodes();
  if (myNotifier->UserBreak())
  {
    return false;
  }
  CheckJoints();
  if (myNotifier->UserBreak() || !ConvertIntoTriangles() || myNotifier->UserBreak())
  {
    return false;
  }
  Clear();
  if (myNotifier->UserBreak())
  {
    return false;
  }
  return !myResult.IsNull() && myResult->NbNodes() > 0 && myResult->NbFaces() > 0;
}

bool Algo_CartesianWrapping::ExtactNodes()
{
  myNotifier->NewScope("Algo_CartesianWrapping::ExtactNodes", 0.0, 0.02, 0.02);
  if (!myTree.IsNull())
  {
    applyParallelOptions();
#pragma omp parallel
    {
      const size_t aThread    = static_cast<size_t>(omp_get_thread_num());
      const size_t aNbThreads = static_cast<size_t>(omp_get_num_threads());
      size_t       aPosition  = 0;
      for (SVO_Depth_Iterator anIter(myTree); anIter.More(); anIter.Next(), ++aPosition)
      {
        SVO_Node* aNode = anIter.Current();
        if (aPosition % aNbThreads == aThread && aNode->Children[0] == nullptr &&
            aNode->State == SVO_Boundary)
        {
#pragma omp critical
          myNodes.push_back(aNode);
        }
      }
    }
  }
  // The threads append in any order; the box order makes the list the same for every thread count.
  SortByBox(myNodes);
  indexNodes();
  myNotifier->Increment();
  myNotifier->EndScope();
  return true;
}

bool Algo_CartesianWrapping::ConvertAdaptiveness()
{
  myNotifier->NewScope("Algo_CartesianWrapping::ConvertAdaptiveness", 0.0, 0.06, 0.015);
  if (!myNodes.empty())
  {
    double aMinExtent = Extent(*myNodes.front());
    for (const SVO_Node* aNode : myNodes)
    {
      aMinExtent = std::min(aMinExtent, Extent(*aNode));
    }
    const unsigned int aNbThreads = applyParallelOptions();
    while (adaptivenessPass(aMinExtent, aNbThreads))
    {
    }
  }
  myNotifier->EndScope();
  return true;
}

bool Algo_CartesianWrapping::adaptivenessPass(double theMinExtent, unsigned int theNbThreads)
{
  // Cells of one size, the usual case, have nothing to split: no neighbour search then.
  if (std::none_of(myNodes.begin(), myNodes.end(),
                   [&](const SVO_Node* theCell) { return Extent(*theCell) >= THE_MAX_RATIO * theMinExtent; }))
  {
    myNotifier->Increment();
    return false;
  }
  const CellGrid         aGrid(myNodes, theNbThreads);
  const long             aNbCells = static_cast<long>(myNodes.size());
  std::vector<SVO_Node*> anOctants;
  std::vector<SVO_Node*> aCreated;
  bool                   isSplit = false;
#pragma omp parallel
  {
    CellSearch       aSearch(aGrid, myNodes);
    std::vector<int> aNeighbours;
#pragma omp for schedule(static)
    for (long anIndex = 0; anIndex < aNbCells; ++anIndex)
    {
      // The grid keeps the boxes as they were when the pass started, while
      // myNodes[anIndex] may already hold an octant: read the grid only.
      const int     aNumber  = static_cast<int>(anIndex);
      const gp_XYZ& aMin     = aGrid.Min(aNumber);
      const gp_XYZ& aMax     = aGrid.Max(aNumber);
      const double  anExtent = aMax.X() - aMin.X();
      if (anExtent < THE_MAX_RATIO * theMinExtent)
      {
        continue;
      }
      aSearch.Touching(aMin, aMax, aNeighbours);
      const bool hasSmall =
          std::any_of(aNeighbours.begin(), aNeighbours.end(),
                      [&](const int theOther) {
                        return anExtent / (aGrid.Max(theOther).X() - aGrid.Min(theOther).X()) > THE_MAX_RATIO;
                      });
      if (!hasSmall)
      {
        continue;
      }
      const SVO_Node aCell(aMin, aMax);
      const gp_XYZ   aCentre = (aMin + aMax) / 2.0;
      SVO_Node*      aParts[8];
      for (int aCorner = 0; aCorner < 8; ++aCorner)
      {
        aParts[aCorner] = new SVO_Node(aCentre, aCell.Corner(aCorner));
      }
      myNodes[static_cast<size_t>(anIndex)] = aParts[7];
#pragma omp critical
      {
        anOctants.insert(anOctants.end(), aParts, aParts + 7);
        aCreated.insert(aCreated.end(), aParts, aParts + 8);
        isSplit = true;
      }
    }
  }
  // Threads append in any order; sorting keeps the lists independent of the thread count.
  SortByBox(anOctants);
  SortByBox(aCreated);
  myNodes.insert(myNodes.end(), anOctants.begin(), anOctants.end());
  myCreatedNodes.insert(myCreatedNodes.end(), aCreated.begin(), aCreated.end());
  myNotifier->Increment();
  return isSplit;
}

bool Algo_CartesianWrapping::Clear()
{
  myNotifier->NewScope("Algo_CartesianWrapping::Clear", 0.0, 0.02,
                       0.02 / (static_cast<double>(myCreatedNodes.size()) + 1.0));
  for (SVO_Node* aNode : myCreatedNodes)
  {
    delete aNode;
    myNotifier->Increment();
  }
  myCreatedNodes.clear();
  // The lists would otherwise point at deleted cells.
  myNodes.clear();
  myNodeIndex.clear();
  myNeighbourLists.reset();
  myNotifier->EndScope();
  return true;
}

void Algo_CartesianWrapping::deleteCreatedNodes()
{
  for (SVO_Node* aNode : myCreatedNodes)
  {
    delete aNode;
  }
  myCreatedNodes.clear();
}

void Algo_CartesianWrapping::indexNodes()
{
  // The list is sorted. When the map holds the same cells, as after joints
  // closed without splits, the map's order is the list's: only the positions change.
  bool isSameCells = myNodeIndex.size() == myNodes.size();
  auto anEntry     = myNodeIndex.begin();
  for (size_t anIndex = 0; isSameCells && anIndex < myNodes.size(); ++anIndex, ++anEntry)
  {
    isSameCells = anEntry->first == myNodes[anIndex];
  }
  if (isSameCells)
  {
    int aPosition = 0;
    for (auto& aCell : myNodeIndex)
    {
      aCell.second = aPosition++;
    }
    return;
  }
  // Each cell goes to the end of the map.
  myNodeIndex.clear();
  for (size_t anIndex = 0; anIndex < myNodes.size(); ++anIndex)
  {
    myNodeIndex.emplace_hint(myNodeIndex.end(), myNodes[anIndex], static_cast<int>(anIndex));
  }
}
