#include <HalfEdgeAlgo_CheckMesh.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_CheckMesh, HalfEdgeAlgo_Algorithm)

HalfEdgeAlgo_CheckMesh::HalfEdgeAlgo_CheckMesh() = default;
