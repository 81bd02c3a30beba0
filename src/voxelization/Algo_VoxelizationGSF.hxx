#ifndef Algo_VoxelizationGSF_HeaderFile
#define Algo_VoxelizationGSF_HeaderFile

#include <Algo_Voxelization.hxx>

#include <vector>

//! Adaptive voxelization: a cell that meets the input mesh is split, down to
//! twice the cell size, only where the surface bends by more than the feature
//! angle or comes close to another part of the surface (a grid size function
//! per triangle: the distance along its normal to the mesh). Elsewhere
//! boundary cells stay larger. After the tree is built, boundary leaves are
//! split until no boundary leaf touches a leaf more than about twice smaller.
class Pellisk_EXPORT Algo_VoxelizationGSF : public Algo_Voxelization
{
  DEFINE_STANDARD_RTTIEXT(Algo_VoxelizationGSF, Algo_Voxelization)
public:
  explicit Algo_VoxelizationGSF(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! "Algo_VoxelizationGSF".
  std::string Name() const override;

  //! Angle in degrees between nearby normals above which a cell is split (10 by default).
  double FeatureAngle() const { return myFeatureAngle; }
  //! Sets the feature angle in degrees.
  void SetFeatureAngle(double theAngle) { myFeatureAngle = theAngle; }

  //! Per triangle of the triangle set, the shortest distance from its corners
  //! along its normal to the mesh (2e100 when no ray hits); empty before Perform().
  const std::vector<double>& TriangleGridSize() const { return myTriangleGridSize; }

protected:
  //! Builds the spatial index and the grid size function, and opens the
  //! progress scopes of the tree construction and of the level loop.
  void init() override;

  //! Marks a cell that meets the mesh as boundary and splits it, while its
  //! edge is at least twice the cell size, when the surface near its corners
  //! and centre bends or is thin compared with the cell.
  bool isSplit(SVO_Node* theNode) override;

  //! Closes the construction scope and balances the boundary leaves.
  void finalize() override;

private:
  void computeTriangleGridSize();
  bool isFeature(const std::vector<gp_Dir>& theNormals) const;
  void balance();

private:
  double              myFeatureAngle;
  std::vector<double> myTriangleGridSize;
};

DEFINE_STANDARD_HANDLE(Algo_VoxelizationGSF, Algo_Voxelization)

#endif
