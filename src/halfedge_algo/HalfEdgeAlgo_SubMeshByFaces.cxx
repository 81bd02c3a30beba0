// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_SubMeshByFaces.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_SubMeshByFaces, HalfEdgeAlgo_SubMesh)

bool HalfEdgeAlgo_SubMeshByFaces::Perform(Mesh& theMesh)
{
  if (myFaces.empty())
  {
    return false;
  }
  Copy aCopy(theMesh);
  for (const int aFace : myFaces)
  {
    aCopy.AddFace(aFace);
  }
  setResult(aCopy);
  return true;
}

std::string HalfEdgeAlgo_SubMeshByFaces::Name() const
{
  return "HalfEdgeAlgo_SubMeshByFaces";
}
