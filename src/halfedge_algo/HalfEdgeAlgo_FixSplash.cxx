// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_FixSplash.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_FixSplash, HalfEdgeAlgo_ModifyMesh)

HalfEdgeAlgo_FixSplash::HalfEdgeAlgo_FixSplash(const std::set<int>& theNodes)
    : myNodes(theNodes)
{
}

bool HalfEdgeAlgo_FixSplash::Perform(Mesh& theMesh)
{
  if (myNodes.empty())
  {
    return false;
  }
  bool isDone = true;
  for (const int aNode : myNodes)
  {
    const Mesh::VertexHandle aVertex(aNode);
    if (aNode < 0 || aNode >= static_cast<int>(theMesh.n_vertices()) || theMesh.status(aVertex).deleted())
    {
      isDone = false;
      continue;
    }
    Mesh::Point aSum   = theMesh.point(aVertex);
    int         aCount = 1;
    for (const Mesh::VertexHandle aNeighbour : theMesh.vv_range(aVertex))
    {
      aSum += theMesh.point(aNeighbour);
      ++aCount;
    }
    theMesh.set_point(aVertex, aSum / static_cast<double>(aCount));
  }
  return isDone;
}

std::string HalfEdgeAlgo_FixSplash::Name() const
{
  return "HalfEdgeAlgo_FixSplash";
}
