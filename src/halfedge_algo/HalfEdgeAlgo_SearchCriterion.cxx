#include <Mesh.hxx>

#include <HalfEdgeAlgo_SearchCriterion.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_SearchCriterion, Standard_Transient)

bool HalfEdgeAlgo_SearchCriterion::TestVertex(Mesh& /*theMesh*/, int /*theVertex*/) const
{
  return false;
}

bool HalfEdgeAlgo_SearchCriterion::TestFace(Mesh& /*theMesh*/, int /*theFace*/) const
{
  return false;
}

bool HalfEdgeAlgo_SearchCriterion::TestEdge(Mesh& /*theMesh*/, int /*theEdge*/) const
{
  return false;
}

std::set<int> HalfEdgeAlgo_SearchCriterion::FaceCandidates(Mesh& /*theMesh*/) const
{
  return std::set<int>();
}

bool HalfEdgeAlgo_SearchCriterion::IsLiveVertex(const Mesh& theMesh, int theVertex)
{
  return theVertex >= 0 && theVertex < static_cast<int>(theMesh.n_vertices()) &&
         !(theMesh.has_vertex_status() && theMesh.status(Mesh::VertexHandle(theVertex)).deleted());
}

bool HalfEdgeAlgo_SearchCriterion::IsLiveEdge(const Mesh& theMesh, int theEdge)
{
  return theEdge >= 0 && theEdge < static_cast<int>(theMesh.n_edges()) &&
         !(theMesh.has_edge_status() && theMesh.status(Mesh::EdgeHandle(theEdge)).deleted());
}

bool HalfEdgeAlgo_SearchCriterion::IsLiveFace(const Mesh& theMesh, int theFace)
{
  return theFace >= 0 && theFace < static_cast<int>(theMesh.n_faces()) &&
         !(theMesh.has_face_status() && theMesh.status(Mesh::FaceHandle(theFace)).deleted());
}
