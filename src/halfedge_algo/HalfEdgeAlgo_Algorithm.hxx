#ifndef HalfEdgeAlgo_Algorithm_HeaderFile
#define HalfEdgeAlgo_Algorithm_HeaderFile

#include <Algo_Interface.hxx>
#include <Pellisk_Export.hxx>

#include <Standard_Transient.hxx>

class Mesh;

//! Base of every mesh algorithm: an edit, search or check of a mesh, run by
//! HalfEdge_Mesh::Execute(), which hands Perform() the mesh storage and, on
//! request, garbage-collects afterwards.
//!
//! The caller sets the parameters, executes the object on one mesh or many,
//! and reads its results afterwards; each Perform() first clears the previous
//! results. Perform() works on live elements only, and element numbers kept
//! in results are those of the mesh as Perform() leaves it. Parallel loops use
//! the thread count set with SetNbThreads(). Mesh algorithms issue no messages.
//!
//! A host writes its own algorithm by deriving from HalfEdgeAlgo_ModifyMesh or
//! HalfEdgeAlgo_CheckMesh and including Mesh.hxx in its source for the
//! complete Mesh type.
class Pellisk_EXPORT HalfEdgeAlgo_Algorithm : public Standard_Transient, public Algo_Interface
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_Algorithm, Standard_Transient)
public:
  //! Runs the algorithm on theMesh. For an edit, true when it was done; for a
  //! check, true when something was found.
  virtual bool Perform(Mesh& theMesh) = 0;

  //! Mesh algorithms run only through HalfEdge_Mesh::Execute(): always false.
  bool Perform() override;

  //! Geometric tolerance of the algorithm (1e-7 by default).
  double Tolerance() const { return myTolerance; }

  //! Sets the geometric tolerance of the algorithm.
  void SetTolerance(double theTolerance) { myTolerance = theTolerance; }

protected:
  //! Reports to the dummy notifier, thread count 0, tolerance 1e-7.
  HalfEdgeAlgo_Algorithm();

protected:
  double myTolerance;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_Algorithm, Standard_Transient)

#endif
