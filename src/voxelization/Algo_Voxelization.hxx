#ifndef Algo_Voxelization_HeaderFile
#define Algo_Voxelization_HeaderFile

#include <Algo_Transient.hxx>

#include <Bnd_Box.hxx>
#include <Poly_Triangulation.hxx>

class SVO_Node;
class SVO_Tree;
namespace Trivex
{
class TriangleSet;
}

//! The first stage of the wrapping: builds a sparse voxel octree over a cubic
//! box around the input triangulation, splitting cells level by level, in
//! parallel, as long as the split rule of the concrete voxelization says so.
//! The tree does not depend on the thread count: each new level is sorted.
//!
//! Concrete voxelizations fill in the hooks: init() (once, before the first
//! level; it builds the spatial index with ComputeTriangleSet() and opens the
//! progress scope of the level loop), isSplit() (for every node, from several
//! threads at once) and finalize() (once, after the tree is complete).
class Pellisk_EXPORT Algo_Voxelization : public Algo_Transient
{
  DEFINE_STANDARD_RTTIEXT(Algo_Voxelization, Algo_Transient)
public:
  ~Algo_Voxelization() override;

  //! Builds the tree; false when the input is unusable (reported as messages:
  //! no mesh, a cell size of 0 or less, a box that is not a cube). A void box
  //! is replaced by the bounding cube of the mesh, with a warning.
  bool Perform() override;

  //! The cube a voxelization wraps around theMesh when given no box: as wide
  //! as the largest extent of the mesh's nodes, centred on their box, without
  //! margin. Void for a null mesh or one without nodes.
  static Bnd_Box BoundingCube(const Handle(Poly_Triangulation)& theMesh);

  //! The input triangulation.
  const Handle(Poly_Triangulation)& Triangulation() const { return myTriangulation; }
  //! Sets the input triangulation.
  void SetTriangulation(const Handle(Poly_Triangulation)& theMesh) { myTriangulation = theMesh; }

  //! The cube to voxelize; void until set or computed by Perform().
  const Bnd_Box& Box() const { return myBox; }
  //! Sets the cube to voxelize; a void box lets Perform() compute it.
  void SetBox(const Bnd_Box& theBox) { myBox = theBox; }

  //! The requested cell size (2e100 until set).
  double CellSize() const { return myCellSize; }
  //! Sets the requested cell size.
  void SetCellSize(double theCellSize) { myCellSize = theCellSize; }

  //! The octree built by the last Perform(); null before.
  opencascade::handle<SVO_Tree> GetTree() const;

  //! The spatial index over the input triangles; null before Perform().
  opencascade::handle<Trivex::TriangleSet> GetTriangleSet() const;

protected:
  Algo_Voxelization(const Handle(Poly_Triangulation)&    theMesh,
                    const Handle(Pelk_ProgressNotifier)& theNotifier);
  explicit Algo_Voxelization(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! Checks the cell size, the mesh and the box; every failing check issues
  //! its message. True when the input can be voxelized.
  bool CheckInputData();

  //! Builds the spatial index over the input triangles into myTriangleSet.
  void ComputeTriangleSet();

  //! Called once before the first level.
  virtual void init() = 0;

  //! True when the node is to be split into eight children. Called for every
  //! node of a level from several threads at once; may write only its node.
  virtual bool isSplit(SVO_Node* theNode) = 0;

  //! Called once after the tree is complete.
  virtual void finalize() = 0;

private:
  void buildLevels(unsigned int theNbThreads);

protected:
  Handle(Poly_Triangulation)               myTriangulation;
  opencascade::handle<Trivex::TriangleSet> myTriangleSet;
  Bnd_Box                                  myBox;
  double                                   myCellSize;
  opencascade::handle<SVO_Tree>            myTree;
};

DEFINE_STANDARD_HANDLE(Algo_Voxelization, Algo_Transient)

#endif
