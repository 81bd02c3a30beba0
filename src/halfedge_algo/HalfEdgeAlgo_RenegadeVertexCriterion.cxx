#include <Mesh.hxx>

#include <HalfEdgeAlgo_RenegadeVertexCriterion.hxx>
#include <HalfEdgeAlgo_SegmentProbe.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_RenegadeVertexCriterion, HalfEdgeAlgo_SearchVertexCriterion)

HalfEdgeAlgo_RenegadeVertexCriterion::HalfEdgeAlgo_RenegadeVertexCriterion(
    const Handle(Trivex::TriangleSet)& theSet)
{
  SetTriangleSet(theSet);
}

void HalfEdgeAlgo_RenegadeVertexCriterion::SetTriangleSet(const Handle(Trivex::TriangleSet)& theSet)
{
  mySet = theSet;
  if (!mySet.IsNull())
  {
    mySet->Build();
  }
}

bool HalfEdgeAlgo_RenegadeVertexCriterion::TestVertex(Mesh& theMesh, int theVertex) const
{
  if (!IsLiveVertex(theMesh, theVertex) || mySet.IsNull() || mySet->NbTriangles() == 0)
  {
    return false;
  }
  const Mesh::VertexHandle aVertex(theVertex);
  if (!theMesh.halfedge_handle(aVertex).is_valid())
  {
    return false;
  }
  std::set<int> aFacesAround;
  HalfEdgeAlgo_SegmentProbe::AddFacesAround(theMesh, theVertex, aFacesAround);
  const gp_Pnt aPoint = HalfEdgeAlgo_SegmentProbe::Point(theMesh, theVertex);
  for (const Mesh::HalfedgeHandle anOut : theMesh.voh_range(aVertex))
  {
    const int    anEnd      = theMesh.to_vertex_handle(anOut).idx();
    const gp_Pnt anEndPoint = HalfEdgeAlgo_SegmentProbe::Point(theMesh, anEnd);
    if (HalfEdgeAlgo_SegmentProbe::IsTooShort(aPoint, anEndPoint))
    {
      return false;
    }
    // Faces at the far end are met where the edge arrives, not crossed.
    std::set<int> anOwnFaces = aFacesAround;
    HalfEdgeAlgo_SegmentProbe::AddFacesAround(theMesh, anEnd, anOwnFaces);
    if (!HalfEdgeAlgo_SegmentProbe::MeetsOtherFace(mySet, aPoint, anEndPoint, anOwnFaces, true))
    {
      return false;
    }
  }
  return true;
}
