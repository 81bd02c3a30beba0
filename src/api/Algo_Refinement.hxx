#ifndef Algo_Refinement_HeaderFile
#define Algo_Refinement_HeaderFile

#include <Algo_Transient.hxx>

class HalfEdge_Mesh;
class HalfEdgeAlgo_Algorithm;

//! Base of the refinement steps: each edits Mesh() in place and, on success,
//! makes Result() that same mesh, which the driver hands to the next step.
class Pellisk_EXPORT Algo_Refinement : public Algo_Transient
{
  DEFINE_STANDARD_RTTIEXT(Algo_Refinement, Algo_Transient)
public:
  ~Algo_Refinement() override;

  //! The mesh to refine.
  const opencascade::handle<HalfEdge_Mesh>& Mesh() const;
  //! Sets the mesh to refine (edited in place).
  void SetMesh(const opencascade::handle<HalfEdge_Mesh>& theMesh);

  //! The refined mesh: the input mesh itself after a successful Perform().
  const opencascade::handle<HalfEdge_Mesh>& Result() const;
  //! Replaces the refined mesh.
  void SetResult(const opencascade::handle<HalfEdge_Mesh>& theResult);

  //! True when the input mesh held only triangles at the start of the last run.
  bool WasTriangular() const { return myWasTriangular; }

protected:
  explicit Algo_Refinement(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! Records whether the input mesh holds only triangles and whether it is
  //! closed, so that the step can give back such a mesh when it was given
  //! one. Always true.
  bool CheckInputData();

  //! Gives back a triangle mesh when the step was given one: when the input
  //! held only triangles, splits the polygons the step left in Result() by
  //! skewness. True when the mesh is then all triangles (or was not given so)
  //! and, when the input was closed, is still closed with faces. Run after
  //! the work, once Result() is set.
  bool RestoreTriangles();

  //! Runs a mesh algorithm on Mesh() with this step's thread count, tidying
  //! the mesh afterwards when theWithGC; the algorithm's result.
  bool execute(const opencascade::handle<HalfEdgeAlgo_Algorithm>& theAlgo, bool theWithGC = true);

protected:
  opencascade::handle<HalfEdge_Mesh> myMesh;
  opencascade::handle<HalfEdge_Mesh> myResult;
  bool                               myWasTriangular;
  bool                               myWasClosed;
};

DEFINE_STANDARD_HANDLE(Algo_Refinement, Algo_Transient)

#endif
