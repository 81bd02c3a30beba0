#include <HalfEdge_Skewness.hxx>

#include <HalfEdgeAlgo_AspectRatioCriterion.hxx>
#include <HalfEdge_Mesh.hxx>

#include <Standard_Failure.hxx>

#include <algorithm>
#include <cmath>

namespace
{
// Rounding takes a perfect face a little below 0 (an equilateral triangle to
// -9e-16), where it would count as a face without a value and drop out of the
// statistics; a nearly flat one may land a little above 1.
double clamped(double theSkewness)
{
  return std::min(std::max(theSkewness, 0.0), 1.0);
}
} // namespace

HalfEdge_Skewness::HalfEdge_Skewness(Mesh& theMesh)
    : HalfEdge_FaceMetrics(theMesh, "skewness")
{
  Compute();
}

double HalfEdge_Skewness::Of(const std::vector<gp_Pnt>& theCorners)
{
  if (theCorners.size() != 3)
  {
    try
    {
      const double anAspect = HalfEdgeAlgo_AspectRatioCriterion::AspectRatio(theCorners);
      return clamped(1.0 - std::sqrt(2.0 / (anAspect * anAspect + 1.0)));
    }
    catch (const Standard_Failure&)
    {
      // Corners that are not numbers have no principal axes: as bad as a face gets.
      return 1.0;
    }
  }
  const double aSide1 = theCorners[0].Distance(theCorners[2]);
  const double aSide2 = theCorners[1].Distance(theCorners[0]);
  const double aSide3 = theCorners[2].Distance(theCorners[1]);
  // A side of no length would give 0 times infinity; the limit is the flat value.
  if (!(aSide1 > 0.0 && aSide2 > 0.0 && aSide3 > 0.0))
  {
    return 1.0;
  }
  const double aPerimeter = aSide1 + aSide2 + aSide3;
  return clamped(1.0 -
                 (aPerimeter / aSide1 - 2.0) * (aPerimeter / aSide2 - 2.0) * (aPerimeter / aSide3 - 2.0));
}

double HalfEdge_Skewness::faceValue(Mesh::FaceHandle theFace) const
{
  const Mesh&         aMesh = getMesh();
  std::vector<gp_Pnt> aCorners;
  for (Mesh::VertexHandle aVertex : aMesh.fv_range(theFace))
  {
    const Mesh::Point& aPoint = aMesh.point(aVertex);
    aCorners.emplace_back(aPoint[0], aPoint[1], aPoint[2]);
  }
  return Of(aCorners);
}

double HalfEdge_Skewness::WorstOf(const HalfEdge_Mesh& theMesh)
{
  double              aMax = -1.0;
  std::vector<gp_Pnt> aCorners;
  for (auto aFace = theMesh.FacesBegin(); aFace != theMesh.FacesEnd(); ++aFace)
  {
    aCorners.clear();
    for (const int aNode : *aFace)
    {
      aCorners.push_back(theMesh.Node(aNode));
    }
    aMax = std::max(aMax, Of(aCorners));
  }
  return aMax;
}
