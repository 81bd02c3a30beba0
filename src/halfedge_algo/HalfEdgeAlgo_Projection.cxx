// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_Projection.hxx>
#include <Trivex_ProjectPntMesh.hxx>

#include <omp.h>

#include <algorithm>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_Projection, HalfEdgeAlgo_ModifyMesh)

HalfEdgeAlgo_Projection::HalfEdgeAlgo_Projection()
    : myGap(0.0)
{
}

bool HalfEdgeAlgo_Projection::Perform(Mesh& theMesh)
{
  const unsigned int aNbThreads = applyParallelOptions();
  if (myTriangleSet.IsNull() || !myTriangleSet->IsBuilt())
  {
    return true;
  }
  // A negative gap would push nodes through the surface, and divide by zero on it.
  const double                        aGap = std::max(myGap, 0.0);
  std::vector<Trivex::ProjectPntMesh> aQueries(aNbThreads, Trivex::ProjectPntMesh(myTriangleSet));
  const int                           aNbNodes = static_cast<int>(theMesh.n_vertices());
#pragma omp parallel for schedule(dynamic, 1)
  for (int aNode = 0; aNode < aNbNodes; ++aNode)
  {
    const Mesh::VertexHandle aVertex(aNode);
    if (theMesh.status(aVertex).deleted())
    {
      continue;
    }
    const Mesh::Point&      aPoint = theMesh.point(aVertex);
    const gp_XYZ            aFrom(aPoint[0], aPoint[1], aPoint[2]);
    Trivex::ProjectPntMesh& aQuery   = aQueries[static_cast<size_t>(omp_get_thread_num())];
    const gp_XYZ            aClosest = aQuery.Perform(gp_Pnt(aFrom)).XYZ();
    const gp_XYZ            aMove    = aClosest - aFrom;
    const double            aLength  = aMove.Modulus();
    if (aGap >= aLength)
    {
      continue;
    }
    // Measured back from the closest point, so that gap 0 lands on it exactly.
    const gp_XYZ aTo = aClosest - aMove * (aGap / aLength);
    // Each node writes only its own point; the write still goes through the
    // library's one critical section, like every write from a parallel loop.
#pragma omp critical
    theMesh.set_point(aVertex, Mesh::Point(aTo.X(), aTo.Y(), aTo.Z()));
  }
  return true;
}

std::string HalfEdgeAlgo_Projection::Name() const
{
  return "HalfEdgeAlgo_Projection";
}
