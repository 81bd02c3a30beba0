#include <HalfEdgeAlgo_ModifyMesh.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_ModifyMesh, HalfEdgeAlgo_Algorithm)

HalfEdgeAlgo_ModifyMesh::HalfEdgeAlgo_ModifyMesh() = default;
