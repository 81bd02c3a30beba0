#include <Mesh.hxx>

#include <HalfEdgeAlgo_SegmentProbe.hxx>
#include <HalfEdgeAlgo_SearchCriterion.hxx>
#include <Trivex_IntersectRayMesh.hxx>

#include <Precision.hxx>

#include <cmath>
#include <vector>

void HalfEdgeAlgo_SegmentProbe::AddFacesAround(const Mesh& theMesh, int theVertex, std::set<int>& theFaces)
{
  if (!HalfEdgeAlgo_SearchCriterion::IsLiveVertex(theMesh, theVertex))
  {
    return;
  }
  for (const Mesh::FaceHandle aFace : theMesh.vf_range(Mesh::VertexHandle(theVertex)))
  {
    theFaces.insert(aFace.idx());
  }
}

bool HalfEdgeAlgo_SegmentProbe::MeetsOtherFace(const Handle(Trivex::TriangleSet)& theSet,
                                               const gp_Pnt&                      theFrom,
                                               const gp_Pnt&                      theTo,
                                               const std::set<int>&               theOwnFaces,
                                               bool                               theIsAcrossOnly)
{
  if (theSet.IsNull() || IsTooShort(theFrom, theTo))
  {
    return false;
  }
  const gp_XYZ             aStep   = theTo.XYZ() - theFrom.XYZ();
  const double             aLength = aStep.Modulus();
  Trivex::IntersectRayMesh aQuery(theSet, Precision::Confusion());
  std::vector<int>         aHits;
  aQuery.Perform(Trivex::Ray(theFrom, gp_Dir(aStep / aLength), false, aLength), aHits);
  for (const int aHit : aHits)
  {
    const Trivex::TriangleData& aTriangle = theSet->Triangle(aHit);
    if (theOwnFaces.count(aTriangle.FaceIndex()) != 0)
    {
      continue;
    }
    // Measured with the whole step, not its direction: the longer the
    // segment, the closer to parallel a plane may be and still count as crossed.
    if (!theIsAcrossOnly || std::abs(aTriangle.Normal().XYZ().Dot(aStep)) >= Precision::Confusion())
    {
      return true;
    }
  }
  return false;
}

bool HalfEdgeAlgo_SegmentProbe::IsTooShort(const gp_Pnt& theFrom, const gp_Pnt& theTo)
{
  return theFrom.SquareDistance(theTo) < Precision::SquareConfusion();
}

gp_Pnt HalfEdgeAlgo_SegmentProbe::Point(const Mesh& theMesh, int theVertex)
{
  const Mesh::Point& aPoint = theMesh.point(Mesh::VertexHandle(theVertex));
  return gp_Pnt(aPoint[0], aPoint[1], aPoint[2]);
}
