#include <Mesh.hxx>

#include <HalfEdgeAlgo_EdgesOnFacesCriterion.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_EdgesOnFacesCriterion, HalfEdgeAlgo_SearchEdgeCriterion)

HalfEdgeAlgo_EdgesOnFacesCriterion::HalfEdgeAlgo_EdgesOnFacesCriterion(const std::set<int>& theFaces)
    : myCache(HalfEdgeAlgo_FaceElementCache::Kind::Edges)
{
  myCache.SetFaces(theFaces);
}

bool HalfEdgeAlgo_EdgesOnFacesCriterion::TestEdge(Mesh& theMesh, int theEdge) const
{
  return IsLiveEdge(theMesh, theEdge) && myCache.Contains(theMesh, theEdge);
}
