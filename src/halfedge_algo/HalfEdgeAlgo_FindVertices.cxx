#include <Mesh.hxx>

#include <HalfEdgeAlgo_FindVertices.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_FindVertices, HalfEdgeAlgo_Search)

bool HalfEdgeAlgo_FindVertices::Perform(Mesh& theMesh)
{
  const int aNbVertices = static_cast<int>(theMesh.n_vertices());
  return collect(theMesh, liveElements(theMesh, aNbVertices, &HalfEdgeAlgo_SearchCriterion::IsLiveVertex),
                 &HalfEdgeAlgo_SearchCriterion::TestVertex);
}

std::string HalfEdgeAlgo_FindVertices::Name() const
{
  return "HalfEdgeAlgo_FindVertices";
}
