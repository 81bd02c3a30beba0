// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_UpdateNodes.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_UpdateNodes, HalfEdgeAlgo_Algorithm)

bool HalfEdgeAlgo_UpdateNodes::Perform(Mesh& theMesh)
{
  for (const auto& [aNode, aPosition] : myNodes)
  {
    if (aNode >= 0 && aNode < static_cast<int>(theMesh.n_vertices()) &&
        !theMesh.status(Mesh::VertexHandle(aNode)).deleted())
    {
      theMesh.set_point(Mesh::VertexHandle(aNode), Mesh::Point(aPosition.X(), aPosition.Y(), aPosition.Z()));
    }
  }
  return true;
}

std::string HalfEdgeAlgo_UpdateNodes::Name() const
{
  return "HalfEdgeAlgo_UpdateNodes";
}
