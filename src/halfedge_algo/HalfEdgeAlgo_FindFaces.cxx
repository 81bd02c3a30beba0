#include <Mesh.hxx>

#include <HalfEdgeAlgo_FindFaces.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_FindFaces, HalfEdgeAlgo_Search)

bool HalfEdgeAlgo_FindFaces::Perform(Mesh& theMesh)
{
  // A criterion that knows where its faces are (the faces around some nodes)
  // spares the test of every other face.
  const std::set<int> aCandidates =
      myCriteria.empty() ? std::set<int>() : myCriteria.front()->FaceCandidates(theMesh);
  if (aCandidates.empty())
  {
    return collect(
        theMesh,
        liveElements(theMesh, static_cast<int>(theMesh.n_faces()), &HalfEdgeAlgo_SearchCriterion::IsLiveFace),
        &HalfEdgeAlgo_SearchCriterion::TestFace);
  }
  std::vector<int> aFaces;
  for (const int aFace : aCandidates)
  {
    if (HalfEdgeAlgo_SearchCriterion::IsLiveFace(theMesh, aFace))
    {
      aFaces.push_back(aFace);
    }
  }
  return collect(theMesh, aFaces, &HalfEdgeAlgo_SearchCriterion::TestFace);
}

std::string HalfEdgeAlgo_FindFaces::Name() const
{
  return "HalfEdgeAlgo_FindFaces";
}
