// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_SubMeshByNodes.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_SubMeshByNodes, HalfEdgeAlgo_SubMesh)

bool HalfEdgeAlgo_SubMeshByNodes::Perform(Mesh& theMesh)
{
  if (myNodes.empty())
  {
    return false;
  }
  Copy aCopy(theMesh);
  for (const int aNode : myNodes)
  {
    // The node itself first, so that it keeps its place in the copy's
    // numbering whichever of its faces comes first.
    if (aCopy.AddNode(aNode) < 0 || !theMesh.halfedge_handle(Mesh::VertexHandle(aNode)).is_valid())
    {
      continue;
    }
    for (auto aFace = theMesh.cvf_iter(Mesh::VertexHandle(aNode)); aFace.is_valid(); ++aFace)
    {
      aCopy.AddFace(aFace->idx());
    }
  }
  setResult(aCopy);
  return true;
}

std::string HalfEdgeAlgo_SubMeshByNodes::Name() const
{
  return "HalfEdgeAlgo_SubMeshByNodes";
}
