#ifndef HalfEdgeAlgo_CheckMesh_HeaderFile
#define HalfEdgeAlgo_CheckMesh_HeaderFile

#include <HalfEdgeAlgo_Algorithm.hxx>

//! Base of the mesh algorithms that only inspect the mesh and keep what they
//! found; Perform(Mesh&) returns true when something was found. They delete nothing.
class Pellisk_EXPORT HalfEdgeAlgo_CheckMesh : public HalfEdgeAlgo_Algorithm
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_CheckMesh, HalfEdgeAlgo_Algorithm)
protected:
  HalfEdgeAlgo_CheckMesh();
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_CheckMesh, HalfEdgeAlgo_Algorithm)

#endif
