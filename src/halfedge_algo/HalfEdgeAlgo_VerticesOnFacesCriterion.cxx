#include <Mesh.hxx>

#include <HalfEdgeAlgo_VerticesOnFacesCriterion.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_VerticesOnFacesCriterion, HalfEdgeAlgo_SearchVertexCriterion)

HalfEdgeAlgo_VerticesOnFacesCriterion::HalfEdgeAlgo_VerticesOnFacesCriterion(const std::set<int>& theFaces)
    : myCache(HalfEdgeAlgo_FaceElementCache::Kind::Vertices)
{
  myCache.SetFaces(theFaces);
}

bool HalfEdgeAlgo_VerticesOnFacesCriterion::TestVertex(Mesh& theMesh, int theVertex) const
{
  return IsLiveVertex(theMesh, theVertex) && myCache.Contains(theMesh, theVertex);
}
