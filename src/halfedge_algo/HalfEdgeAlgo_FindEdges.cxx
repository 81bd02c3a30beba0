#include <Mesh.hxx>

#include <HalfEdgeAlgo_FindEdges.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_FindEdges, HalfEdgeAlgo_Search)

bool HalfEdgeAlgo_FindEdges::Perform(Mesh& theMesh)
{
  const int aNbEdges = static_cast<int>(theMesh.n_edges());
  return collect(theMesh, liveElements(theMesh, aNbEdges, &HalfEdgeAlgo_SearchCriterion::IsLiveEdge),
                 &HalfEdgeAlgo_SearchCriterion::TestEdge);
}

std::string HalfEdgeAlgo_FindEdges::Name() const
{
  return "HalfEdgeAlgo_FindEdges";
}
