// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_CheckSplash.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_CheckSplash, HalfEdgeAlgo_CheckMesh)

namespace
{
//! True when the edges at theVertex are more than 1.5 times as long as the
//! polygon around it. Each edge at the node is seen from its two faces,
//! hence the weight of one half.
bool isSplash(const Mesh& theMesh, Mesh::VertexHandle theVertex)
{
  double aSpokes = 0.0, aRim = 0.0;
  for (const Mesh::FaceHandle aFace : theMesh.vf_range(theVertex))
  {
    for (const Mesh::HalfedgeHandle aHalf : theMesh.fh_range(aFace))
    {
      const double aLength = theMesh.calc_edge_length(aHalf);
      if (theMesh.from_vertex_handle(aHalf) == theVertex || theMesh.to_vertex_handle(aHalf) == theVertex)
      {
        aSpokes += 0.5 * aLength;
      }
      else
      {
        aRim += aLength;
      }
    }
  }
  return aSpokes > 1.5 * aRim;
}
} // namespace

bool HalfEdgeAlgo_CheckSplash::Perform(Mesh& theMesh)
{
  mySplashNodes.clear();
  for (const Mesh::VertexHandle aVertex : theMesh.vertices())
  {
    // A node without faces has no valid outgoing halfedge; one on the boundary stores a faceless one.
    const Mesh::HalfedgeHandle anOut = theMesh.halfedge_handle(aVertex);
    if (anOut.is_valid() && !theMesh.is_boundary(anOut) && isSplash(theMesh, aVertex))
    {
      mySplashNodes.insert(aVertex.idx());
    }
  }
  return !mySplashNodes.empty();
}

std::string HalfEdgeAlgo_CheckSplash::Name() const
{
  return "HalfEdgeAlgo_CheckSplash";
}
