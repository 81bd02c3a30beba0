#include <Algo_VoxelizationMinSize.hxx>

#include <SVO_Node.hxx>
#include <SVO_NodeState.hxx>
#include <Trivex_IntersectBoxMesh.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Algo_VoxelizationMinSize, Algo_Voxelization)

Algo_VoxelizationMinSize::Algo_VoxelizationMinSize(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Voxelization(theNotifier)
{
}

std::string Algo_VoxelizationMinSize::Name() const
{
  return get_type_name();
}

void Algo_VoxelizationMinSize::init()
{
  ComputeTriangleSet();
  myNotifier->NewScope("Algo_Voxelization::PerformCycle", 0.0, 0.02, 0.002);
}

bool Algo_VoxelizationMinSize::isSplit(SVO_Node* theNode)
{
  Trivex::IntersectBoxMesh aQuery(myTriangleSet);
  if (!aQuery.Perform(Bnd_Box(theNode->BoxMin, theNode->BoxMax)))
  {
    return false;
  }
  theNode->State = SVO_Boundary;
  return theNode->BoxMax.X() - theNode->BoxMin.X() >= 2.0 * myCellSize;
}

void Algo_VoxelizationMinSize::finalize() {}
