#include <Mesh.hxx>

#include <HalfEdgeAlgo_EdgeLengthCriterion.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_EdgeLengthCriterion, HalfEdgeAlgo_SearchEdgeCriterion)

HalfEdgeAlgo_EdgeLengthCriterion::HalfEdgeAlgo_EdgeLengthCriterion(double theMinSq, double theMaxSq)
    : myMin(theMinSq),
      myMax(theMaxSq)
{
}

void HalfEdgeAlgo_EdgeLengthCriterion::SetRange(double theMinSq, double theMaxSq)
{
  myMin = theMinSq;
  myMax = theMaxSq;
}

bool HalfEdgeAlgo_EdgeLengthCriterion::TestEdge(Mesh& theMesh, int theEdge) const
{
  if (!IsLiveEdge(theMesh, theEdge))
  {
    return false;
  }
  const Mesh::HalfedgeHandle aHalf = theMesh.halfedge_handle(Mesh::EdgeHandle(theEdge), 0);
  const double               aSqLength =
      (theMesh.point(theMesh.to_vertex_handle(aHalf)) - theMesh.point(theMesh.from_vertex_handle(aHalf)))
          .sqrnorm();
  return myMin <= aSqLength && aSqLength <= myMax;
}
