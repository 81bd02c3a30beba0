#ifndef Algo_Tessellation_HeaderFile
#define Algo_Tessellation_HeaderFile

#include <Algo_Transient.hxx>

class SVO_Tree;
class HalfEdge_Mesh;
namespace Trivex
{
class TriangleSet;
}

//! Base of the tessellation stage: turns the boundary cells of the
//! voxelization's octree into a closed surface mesh. The driver hands it the
//! octree, the spatial index of the input triangles, the cell size and the
//! inner-mode flag, runs Perform() and takes Result().
class Pellisk_EXPORT Algo_Tessellation : public Algo_Transient
{
  DEFINE_STANDARD_RTTIEXT(Algo_Tessellation, Algo_Transient)
public:
  ~Algo_Tessellation() override;

  //! The voxelization's octree, whose boundary leaves are tessellated.
  const opencascade::handle<SVO_Tree>& Tree() const;
  //! Sets the octree to tessellate.
  void SetTree(const opencascade::handle<SVO_Tree>& theTree);

  //! The spatial index over the input triangles.
  const opencascade::handle<Trivex::TriangleSet>& TriangleSet() const;
  //! Sets the spatial index over the input triangles.
  void SetTriangleSet(const opencascade::handle<Trivex::TriangleSet>& theSet);

  //! The extracted surface; null before Perform().
  const opencascade::handle<HalfEdge_Mesh>& Result() const;
  //! Replaces the extracted surface.
  void SetResult(const opencascade::handle<HalfEdge_Mesh>& theResult);

  //! Called by the driver on the mesh the refinements made of Result(), to
  //! bring back what they moved away from the input, and tidy the faces they
  //! left, where the tessellation keeps its surface on the input. Nothing by
  //! default.
  virtual void FinishRefined(const opencascade::handle<HalfEdge_Mesh>& theMesh);

  //! Cell size of the voxelization (0.1 until set).
  double CellSize() const { return myCellSize; }
  //! Sets the cell size of the voxelization.
  void SetCellSize(double theCellSize) { myCellSize = theCellSize; }

  //! True when the skin inside the outermost one is wanted.
  bool InnerMode() const { return myInnerMode; }
  //! Chooses the outer skin (false) or the next one inside (true).
  void SetInnerMode(bool theInnerMode) { myInnerMode = theInnerMode; }

protected:
  explicit Algo_Tessellation(const Handle(Pelk_ProgressNotifier)& theNotifier);

protected:
  opencascade::handle<SVO_Tree>            myTree;
  opencascade::handle<Trivex::TriangleSet> myTriangleSet;
  opencascade::handle<HalfEdge_Mesh>       myResult;
  double                                   myCellSize;
  bool                                     myInnerMode;
};

DEFINE_STANDARD_HANDLE(Algo_Tessellation, Algo_Transient)

#endif
