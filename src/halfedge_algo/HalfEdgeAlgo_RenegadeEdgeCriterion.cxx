#include <Mesh.hxx>

#include <HalfEdgeAlgo_RenegadeEdgeCriterion.hxx>
#include <HalfEdgeAlgo_SegmentProbe.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_RenegadeEdgeCriterion, HalfEdgeAlgo_SearchEdgeCriterion)

HalfEdgeAlgo_RenegadeEdgeCriterion::HalfEdgeAlgo_RenegadeEdgeCriterion(
    const Handle(Trivex::TriangleSet)& theSet)
{
  SetTriangleSet(theSet);
}

void HalfEdgeAlgo_RenegadeEdgeCriterion::SetTriangleSet(const Handle(Trivex::TriangleSet)& theSet)
{
  mySet = theSet;
  if (!mySet.IsNull())
  {
    mySet->Build();
  }
}

namespace
{
// The faces around both nodes.
std::set<int> facesAround(const Mesh& theMesh, int theNode1, int theNode2)
{
  std::set<int> aFaces;
  HalfEdgeAlgo_SegmentProbe::AddFacesAround(theMesh, theNode1, aFaces);
  HalfEdgeAlgo_SegmentProbe::AddFacesAround(theMesh, theNode2, aFaces);
  return aFaces;
}
} // namespace

bool HalfEdgeAlgo_RenegadeEdgeCriterion::TestEdge(Mesh& theMesh, int theEdge) const
{
  if (!IsLiveEdge(theMesh, theEdge) || mySet.IsNull() || mySet->NbTriangles() == 0 ||
      theMesh.is_boundary(Mesh::EdgeHandle(theEdge)))
  {
    return false;
  }
  const Mesh::HalfedgeHandle aHalf1     = theMesh.halfedge_handle(Mesh::EdgeHandle(theEdge), 0);
  const Mesh::HalfedgeHandle aHalf2     = theMesh.halfedge_handle(Mesh::EdgeHandle(theEdge), 1);
  const int                  aFrom      = theMesh.from_vertex_handle(aHalf1).idx();
  const int                  aTo        = theMesh.to_vertex_handle(aHalf1).idx();
  const gp_Pnt               aFromPoint = HalfEdgeAlgo_SegmentProbe::Point(theMesh, aFrom);
  const gp_Pnt               aToPoint   = HalfEdgeAlgo_SegmentProbe::Point(theMesh, aTo);
  if (HalfEdgeAlgo_SegmentProbe::IsTooShort(aFromPoint, aToPoint) ||
      !HalfEdgeAlgo_SegmentProbe::MeetsOtherFace(mySet, aFromPoint, aToPoint,
                                                 facesAround(theMesh, aFrom, aTo), true))
  {
    return false;
  }
  // The swapped edge would join the corners facing this edge on either side.
  const int    aCorner1      = theMesh.to_vertex_handle(theMesh.next_halfedge_handle(aHalf1)).idx();
  const int    aCorner2      = theMesh.to_vertex_handle(theMesh.next_halfedge_handle(aHalf2)).idx();
  const gp_Pnt aCorner1Point = HalfEdgeAlgo_SegmentProbe::Point(theMesh, aCorner1);
  const gp_Pnt aCorner2Point = HalfEdgeAlgo_SegmentProbe::Point(theMesh, aCorner2);
  return !HalfEdgeAlgo_SegmentProbe::IsTooShort(aCorner1Point, aCorner2Point) &&
         !HalfEdgeAlgo_SegmentProbe::MeetsOtherFace(mySet, aCorner1Point, aCorner2Point,
                                                    facesAround(theMesh, aCorner1, aCorner2), false);
}
