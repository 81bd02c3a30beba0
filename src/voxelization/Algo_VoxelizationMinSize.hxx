#ifndef Algo_VoxelizationMinSize_HeaderFile
#define Algo_VoxelizationMinSize_HeaderFile

#include <Algo_Voxelization.hxx>

//! Uniform voxelization: every cell that meets the input mesh is split down to
//! the cell size (its leaves have an edge in [cell size, 2 x cell size) when
//! the cube is at least that large) and marked as boundary; cells that do not
//! meet the mesh stay unsplit and unclassified at the level they were made.
class Pellisk_EXPORT Algo_VoxelizationMinSize : public Algo_Voxelization
{
  DEFINE_STANDARD_RTTIEXT(Algo_VoxelizationMinSize, Algo_Voxelization)
public:
  explicit Algo_VoxelizationMinSize(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! "Algo_VoxelizationMinSize".
  std::string Name() const override;

protected:
  //! Builds the spatial index and opens the progress scope of the level loop.
  void init() override;

  //! Marks a cell that meets the mesh as boundary and splits it while its edge
  //! is at least twice the cell size.
  bool isSplit(SVO_Node* theNode) override;

  //! Nothing to do.
  void finalize() override;
};

DEFINE_STANDARD_HANDLE(Algo_VoxelizationMinSize, Algo_Voxelization)

#endif
