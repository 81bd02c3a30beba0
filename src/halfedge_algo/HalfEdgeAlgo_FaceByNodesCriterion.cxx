#include <Mesh.hxx>

#include <HalfEdgeAlgo_FaceByNodesCriterion.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_FaceByNodesCriterion, HalfEdgeAlgo_SearchFaceCriterion)

HalfEdgeAlgo_FaceByNodesCriterion::HalfEdgeAlgo_FaceByNodesCriterion(const std::set<int>& theNodes)
    : myNodes(theNodes)
{
}

bool HalfEdgeAlgo_FaceByNodesCriterion::TestFace(Mesh& theMesh, int theFace) const
{
  if (!IsLiveFace(theMesh, theFace))
  {
    return false;
  }
  const Mesh::FaceHandle aFace(theFace);
  if (theMesh.valence(aFace) != myNodes.size())
  {
    return false;
  }
  for (const Mesh::VertexHandle aCorner : theMesh.fv_range(aFace))
  {
    if (myNodes.count(aCorner.idx()) == 0)
    {
      return false;
    }
  }
  return true;
}

std::set<int> HalfEdgeAlgo_FaceByNodesCriterion::FaceCandidates(Mesh& theMesh) const
{
  std::set<int> aFaces;
  for (const int aNode : myNodes)
  {
    if (IsLiveVertex(theMesh, aNode))
    {
      for (const Mesh::FaceHandle aFace : theMesh.vf_range(Mesh::VertexHandle(aNode)))
      {
        aFaces.insert(aFace.idx());
      }
    }
  }
  return aFaces;
}
