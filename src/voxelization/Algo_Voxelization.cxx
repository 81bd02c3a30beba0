#include <Algo_Voxelization.hxx>

#include <SVO_Node.hxx>
#include <SVO_Tree.hxx>
#include <Trivex_TriangleSet.hxx>

#include <Precision.hxx>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include <omp.h>

IMPLEMENT_STANDARD_RTTIEXT(Algo_Voxelization, Algo_Transient)

namespace
{
// Two extents of a cube may differ by this much.
const double THE_CUBE_TOLERANCE = Precision::Confusion();
} // namespace

Algo_Voxelization::Algo_Voxelization(const Handle(Poly_Triangulation)&    theMesh,
                                     const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Transient(theNotifier),
      myTriangulation(theMesh),
      myCellSize(Precision::Infinite())
{
}

Algo_Voxelization::Algo_Voxelization(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Voxelization(Handle(Poly_Triangulation)(), theNotifier)
{
}

Algo_Voxelization::~Algo_Voxelization() = default;

Handle(SVO_Tree) Algo_Voxelization::GetTree() const
{
  return myTree;
}

Handle(Trivex::TriangleSet) Algo_Voxelization::GetTriangleSet() const
{
  return myTriangleSet;
}

bool Algo_Voxelization::CheckInputData()
{
  myNotifier->NewScope("Algo_Voxelization::CheckInputData", 0.0, 0.01, 0.01 / 3);
  bool isValid = true;
  if (myCellSize <= std::numeric_limits<double>::min())
  {
    myNotifier->NewMessage(Pelk_Error, "Algo_Voxelization.NegativeOrNullCellSize");
    isValid = false;
  }
  myNotifier->Increment();
  if (myTriangulation.IsNull() || myTriangulation->NbTriangles() == 0)
  {
    myNotifier->NewMessage(Pelk_Error, "Algo_Voxelization.NoMesh");
    isValid = false;
  }
  myNotifier->Increment();
  if (myBox.IsVoid())
  {
    myNotifier->NewMessage(Pelk_Warning, "Algo_Voxelization.NoInputBox");
  }
  else
  {
    const gp_XYZ anExtent = myBox.CornerMax().XYZ() - myBox.CornerMin().XYZ();
    if (std::abs(anExtent.X() - anExtent.Y()) > THE_CUBE_TOLERANCE ||
        std::abs(anExtent.X() - anExtent.Z()) > THE_CUBE_TOLERANCE ||
        std::abs(anExtent.Y() - anExtent.Z()) > THE_CUBE_TOLERANCE)
    {
      myNotifier->NewMessage(Pelk_Error, "Algo_Voxelization.NonCubeBox");
      isValid = false;
    }
  }
  myNotifier->Increment();
  myNotifier->EndScope();
  return isValid;
}

void Algo_Voxelization::ComputeTriangleSet()
{
  myNotifier->NewScope("Algo_Voxelization::ComputeTriangleSet", 0.0, 0.01, 0.005);
  myTriangleSet = new Trivex::TriangleSet(myTriangulation);
  myTriangleSet->SetNbBuilderThreads(static_cast<int>(applyParallelOptions()));
  myTriangleSet->InitBuilder();
  myNotifier->Increment();
  myTriangleSet->Build();
  myNotifier->EndScope();
}

Bnd_Box Algo_Voxelization::BoundingCube(const Handle(Poly_Triangulation)& theMesh)
{
  Bnd_Box aBounds;
  for (int aNode = 1; !theMesh.IsNull() && aNode <= theMesh->NbNodes(); ++aNode)
  {
    aBounds.Add(theMesh->Node(aNode));
  }
  if (aBounds.IsVoid())
  {
    return aBounds;
  }
  const gp_XYZ aMin     = aBounds.CornerMin().XYZ();
  const gp_XYZ aMax     = aBounds.CornerMax().XYZ();
  const gp_XYZ anExtent = aMax - aMin;
  const double aHalf    = std::max({anExtent.X(), anExtent.Y(), anExtent.Z()}) / 2.0;
  const gp_XYZ aCentre  = (aMin + aMax) / 2.0;
  const gp_XYZ aHalfXYZ(aHalf, aHalf, aHalf);
  return Bnd_Box(gp_Pnt(aCentre - aHalfXYZ), gp_Pnt(aCentre + aHalfXYZ));
}

bool Algo_Voxelization::Perform()
{
  if (!CheckInputData())
  {
    return false;
  }
  if (myBox.IsVoid())
  {
    myBox = BoundingCube(myTriangulation);
  }
  myTree                        = new SVO_Tree();
  myTree->Root()->BoxMin        = myBox.CornerMin().XYZ();
  myTree->Root()->BoxMax        = myBox.CornerMax().XYZ();
  const unsigned int aNbThreads = applyParallelOptions();
  init();
  buildLevels(aNbThreads);
  myNotifier->EndScope();
  finalize();
  return true;
}

void Algo_Voxelization::buildLevels(unsigned int theNbThreads)
{
  std::vector<std::vector<SVO_Node*>> aThreadLists(theNbThreads);
  std::vector<SVO_Node*>              aLevel    = {myTree->Root()};
  size_t                              aNbNodes  = 1;
  int                                 aNbLevels = 0;
  while (!aLevel.empty())
  {
    ++aNbLevels;
    const long aLevelSize = static_cast<long>(aLevel.size());
#pragma omp parallel for schedule(dynamic, 1)
    for (long anIndex = 0; anIndex < aLevelSize; ++anIndex)
    {
      SVO_Node* aNode = aLevel[static_cast<size_t>(anIndex)];
      if (isSplit(aNode))
      {
        std::vector<SVO_Node*>& aList = aThreadLists[static_cast<size_t>(omp_get_thread_num())];
        for (int aChild = 0; aChild < 8; ++aChild)
        {
          aNode->Children[aChild] = new SVO_Node(aNode, aChild);
          aList.push_back(aNode->Children[aChild]);
        }
      }
    }
    aLevel.clear();
    for (std::vector<SVO_Node*>& aList : aThreadLists)
    {
      aLevel.insert(aLevel.end(), aList.begin(), aList.end());
      aList.clear();
    }
    // Threads finish their nodes in any order: the sort makes the level, and so
    // the whole tree, the same for every thread count.
    std::sort(aLevel.begin(), aLevel.end(),
              [](const SVO_Node* theA, const SVO_Node* theB) { return *theA < *theB; });
    aNbNodes += aLevel.size();
    myNotifier->Increment();
  }
  myTree->SetNbNodes(aNbNodes);
  myTree->SetDepth(aNbLevels);
}
