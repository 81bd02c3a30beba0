// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_SimpleSmooth.hxx>

#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_SimpleSmooth, HalfEdgeAlgo_ModifyMesh)

namespace
{
// A node that moves less than 1e-7 does not count as moved.
constexpr double THE_SQUARED_STILL = 1e-14;

// One pass: every interior node to the average of its faces' corners in
// theSnapshot. True when some node moved.
bool averagePass(Mesh& theMesh, const std::vector<Mesh::Point>& theSnapshot)
{
  bool isMoved = false;
  for (Mesh::VertexHandle aNode : theMesh.vertices())
  {
    // Also true for a node whose faces were all deleted: it has no outgoing halfedge.
    if (theMesh.is_boundary(aNode))
    {
      continue;
    }
    Mesh::Point aSum(0.0, 0.0, 0.0);
    int         aCount = 0;
    for (Mesh::FaceHandle aFace : theMesh.vf_range(aNode))
    {
      for (Mesh::VertexHandle aCorner : theMesh.fv_range(aFace))
      {
        aSum += theSnapshot[static_cast<size_t>(aCorner.idx())];
        ++aCount;
      }
    }
    const Mesh::Point anAverage = aSum / static_cast<double>(aCount);
    isMoved                     = isMoved || (anAverage - theMesh.point(aNode)).sqrnorm() > THE_SQUARED_STILL;
    theMesh.set_point(aNode, anAverage);
  }
  return isMoved;
}
} // namespace

HalfEdgeAlgo_SimpleSmooth::HalfEdgeAlgo_SimpleSmooth()
    : myNbIterations(5)
{
}

std::string HalfEdgeAlgo_SimpleSmooth::Name() const
{
  return "HalfEdgeAlgo_SimpleSmooth";
}

bool HalfEdgeAlgo_SimpleSmooth::Perform(Mesh& theMesh)
{
  std::vector<Mesh::Point> aSnapshot(theMesh.n_vertices());
  for (Mesh::VertexHandle aNode : theMesh.vertices())
  {
    aSnapshot[static_cast<size_t>(aNode.idx())] = theMesh.point(aNode);
  }
  bool isMoved = true;
  for (int aPass = 0; aPass < myNbIterations && isMoved; ++aPass)
  {
    isMoved = averagePass(theMesh, aSnapshot);
  }
  return true;
}
