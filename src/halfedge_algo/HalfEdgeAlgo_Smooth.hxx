#ifndef HalfEdgeAlgo_Smooth_HeaderFile
#define HalfEdgeAlgo_Smooth_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>

//! Relaxes the whole mesh with the mesh kernel's Jacobi Laplace smoother at
//! continuity C1, moving nodes only along the surface (component 0), across
//! it (1) or both (2); connectivity is never touched. At C1 the boundary
//! nodes and their neighbours stay where they are.
class HalfEdgeAlgo_Smooth : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_Smooth, HalfEdgeAlgo_ModifyMesh)
public:
  //! Five iterations in both directions.
  HalfEdgeAlgo_Smooth();

  //! "HalfEdgeAlgo_Smooth".
  std::string Name() const override;

  //! Runs the iterations (none for a count of 0 or less); always true.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! Number of smoothing iterations.
  int NbIterations() const { return myNbIterations; }

  //! Sets the number of smoothing iterations.
  void SetNbIterations(int theNbIterations) { myNbIterations = theNbIterations; }

  //! 0 along the surface, 1 across it, 2 both.
  int Component() const { return myComponent; }

  //! Sets the direction of the moves (0, 1 or 2; other values count as 2).
  void SetComponent(int theComponent) { myComponent = theComponent; }

protected:
  int myNbIterations;
  int myComponent;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_Smooth, HalfEdgeAlgo_ModifyMesh)

#endif
