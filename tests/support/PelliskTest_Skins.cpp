#include <PelliskTest_Skins.hxx>

#include <Algo_CartesianWrapping.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <HalfEdgeAlgo_CollapseEdges.hxx>
#include <HalfEdgeAlgo_EdgeLengthCriterion.hxx>
#include <HalfEdgeAlgo_FindEdges.hxx>
#include <HalfEdgeAlgo_Projection.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>
#include <Pelk_API.hxx>
#include <PelliskTest_Data.hxx>

#include <gtest/gtest.h>

namespace PelliskTest_Skins
{
Skin Projected(const std::string& theFile,
               int                theNbCells,
               double             theGap,
               bool               theIsTriangulated,
               unsigned int       theNbThreads)
{
  Skin     aSkin;
  Pelk_API anAPI;
  if (!anAPI.ImportSTL(PelliskTest_Data::File(theFile).c_str()))
  {
    ADD_FAILURE() << "cannot read " << theFile;
    return aSkin;
  }
  const Bnd_Box             aCube   = Algo_Voxelization::BoundingCube(anAPI.DirtyMesh());
  Handle(Algo_Voxelization) aVoxels = new Algo_VoxelizationMinSize(anAPI.Notifier());
  aSkin.Cell                        = (aCube.CornerMax().X() - aCube.CornerMin().X()) / theNbCells;
  aVoxels->SetTriangulation(anAPI.DirtyMesh());
  aVoxels->SetCellSize(aSkin.Cell);
  aVoxels->SetNbThreads(theNbThreads);
  if (!aVoxels->Perform())
  {
    ADD_FAILURE() << "no voxels of " << theFile;
    return aSkin;
  }
  Handle(Algo_CartesianWrapping) aWrap = new Algo_CartesianWrapping(anAPI.Notifier());
  aWrap->SetTree(aVoxels->GetTree());
  aWrap->SetTriangleSet(aVoxels->GetTriangleSet());
  if (!aWrap->Perform())
  {
    ADD_FAILURE() << "no skin of " << theFile;
    return aSkin;
  }
  aSkin.Input = aVoxels->GetTriangleSet();
  aSkin.Mesh  = new HalfEdge_Mesh(aWrap->Result());
  if (theGap >= 0.0)
  {
    Handle(HalfEdgeAlgo_Projection) aProjection = new HalfEdgeAlgo_Projection();
    aProjection->SetTriangleSet(aSkin.Input);
    aProjection->SetGap(theGap * aSkin.Cell);
    aProjection->SetNbThreads(theNbThreads);
    aSkin.Mesh->Execute(aProjection, true);
    Handle(HalfEdgeAlgo_FindEdges) aShort = new HalfEdgeAlgo_FindEdges();
    aShort->AddCriterion(new HalfEdgeAlgo_EdgeLengthCriterion(0.0, 0.04 * aSkin.Cell * aSkin.Cell));
    aShort->SetNbThreads(theNbThreads);
    aSkin.Mesh->Execute(aShort, false);
    Handle(HalfEdgeAlgo_CollapseEdges) aCollapse = new HalfEdgeAlgo_CollapseEdges();
    aCollapse->SetEdges(aShort->Found());
    aSkin.Mesh->Execute(aCollapse, true);
  }
  if (theIsTriangulated)
  {
    Handle(HalfEdgeAlgo_Triangulate) aTriangulate = new HalfEdgeAlgo_Triangulate("skewness");
    aTriangulate->SetNbThreads(theNbThreads);
    aSkin.Mesh->Execute(aTriangulate, true);
  }
  return aSkin;
}
} // namespace PelliskTest_Skins
