#ifndef HalfEdgeAlgo_ModifyMesh_HeaderFile
#define HalfEdgeAlgo_ModifyMesh_HeaderFile

#include <HalfEdgeAlgo_Algorithm.hxx>

//! Base of the mesh algorithms that edit the mesh; Perform(Mesh&) returns
//! true when the edit was done.
class Pellisk_EXPORT HalfEdgeAlgo_ModifyMesh : public HalfEdgeAlgo_Algorithm
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_ModifyMesh, HalfEdgeAlgo_Algorithm)
protected:
  HalfEdgeAlgo_ModifyMesh();
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_ModifyMesh, HalfEdgeAlgo_Algorithm)

#endif
