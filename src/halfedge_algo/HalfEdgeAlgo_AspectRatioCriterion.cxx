#include <Mesh.hxx>

#include <HalfEdgeAlgo_AspectRatioCriterion.hxx>

#include <GProp_PGProps.hxx>
#include <GProp_PrincipalProps.hxx>
#include <Standard_Failure.hxx>
#include <gp_Dir.hxx>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_AspectRatioCriterion, HalfEdgeAlgo_SearchFaceCriterion)

namespace
{
// Ratio of a face without width.
constexpr double THE_FLAT_RATIO = std::numeric_limits<double>::max();
// Widths below this count as none.
constexpr double THE_ZERO_WIDTH = 9.999999999999997e-19;
// Feet of perpendiculars closer than this (in side parameter) to an end snap to that end.
constexpr double THE_END_SNAP = 1e-7;

// Extent of the points along theAxis.
double extent(const std::vector<gp_Pnt>& thePoints, const gp_Pnt& theCentre, const gp_Dir& theAxis)
{
  double aMin = std::numeric_limits<double>::max(), aMax = -std::numeric_limits<double>::max();
  for (const gp_Pnt& aPoint : thePoints)
  {
    const double aCoord = theAxis.XYZ().Dot(aPoint.XYZ() - theCentre.XYZ());
    aMin                = std::min(aMin, aCoord);
    aMax                = std::max(aMax, aCoord);
  }
  return aMax - aMin;
}

// Squared distance from thePoint to the side theA-theB.
double sqDistanceToSide(const gp_XYZ& thePoint, const gp_XYZ& theA, const gp_XYZ& theB)
{
  const gp_XYZ aSide = theB - theA;
  const double aT    = (thePoint - theA).Dot(aSide) / aSide.SquareModulus();
  if (aT >= THE_END_SNAP && aT <= 1.0 - THE_END_SNAP)
  {
    return (thePoint - (theA + aSide * aT)).SquareModulus();
  }
  return (thePoint - (aT < THE_END_SNAP ? theA : theB)).SquareModulus();
}

// The largest, over the corners, of the distance to the nearest side that does not end there.
double largestHeight(const std::vector<gp_Pnt>& theLoop)
{
  const size_t aNb      = theLoop.size();
  double       aLargest = 0.0;
  for (size_t aCorner = 0; aCorner < aNb; ++aCorner)
  {
    double aNearest = std::numeric_limits<double>::max();
    for (size_t aSide = 0; aSide < aNb; ++aSide)
    {
      const size_t anEnd = (aSide + 1) % aNb;
      if (aSide != aCorner && anEnd != aCorner)
      {
        aNearest = std::min(
            aNearest, sqDistanceToSide(theLoop[aCorner].XYZ(), theLoop[aSide].XYZ(), theLoop[anEnd].XYZ()));
      }
    }
    aLargest = std::max(aLargest, aNearest);
  }
  return std::sqrt(aLargest);
}
} // namespace

HalfEdgeAlgo_AspectRatioCriterion::HalfEdgeAlgo_AspectRatioCriterion(double theMin, double theMax)
    : myMin(theMin),
      myMax(theMax)
{
}

void HalfEdgeAlgo_AspectRatioCriterion::SetRange(double theMin, double theMax)
{
  myMin = theMin;
  myMax = theMax;
  myAnswers.clear();
}

std::set<int> HalfEdgeAlgo_AspectRatioCriterion::FaceCandidates(Mesh& theMesh) const
{
  myAnswers.resize(theMesh.n_faces());
  return std::set<int>();
}

double HalfEdgeAlgo_AspectRatioCriterion::AspectRatio(const std::vector<gp_Pnt>& theLoop)
{
  if (theLoop.size() < 3)
  {
    return THE_FLAT_RATIO;
  }
  GProp_PGProps aCloud;
  for (const gp_Pnt& aCorner : theLoop)
  {
    aCloud.AddPoint(aCorner);
  }
  const gp_Pnt               aCentre = aCloud.CentreOfMass();
  const GProp_PrincipalProps anAxes  = aCloud.PrincipalProperties();
  const gp_Dir               aLengthAxis(anAxes.ThirdAxisOfInertia());
  const gp_Dir               aWidthAxis(anAxes.SecondAxisOfInertia());
  const double               aLength = extent(theLoop, aCentre, aLengthAxis);
  // The extent across misses the narrowness of a slanted face; the heights see it.
  const double aWidth = std::min(extent(theLoop, aCentre, aWidthAxis), largestHeight(theLoop));
  return std::abs(aWidth) < THE_ZERO_WIDTH ? THE_FLAT_RATIO : aLength / aWidth;
}

bool HalfEdgeAlgo_AspectRatioCriterion::TestFace(Mesh& theMesh, int theFace) const
{
  if (!IsLiveFace(theMesh, theFace))
  {
    return false;
  }
  std::vector<gp_Pnt> aLoop;
  for (const Mesh::VertexHandle aVertex : theMesh.fv_range(Mesh::FaceHandle(theFace)))
  {
    const Mesh::Point& aPoint = theMesh.point(aVertex);
    aLoop.emplace_back(aPoint[0], aPoint[1], aPoint[2]);
  }
  if (static_cast<size_t>(theFace) >= myAnswers.size() || aLoop.size() > 4)
  {
    return isPassed(aLoop);
  }
  // The answer depends on the corners alone: the same bits give the same answer.
  Answer&   anAnswer   = myAnswers[static_cast<size_t>(theFace)];
  const int aNbCorners = static_cast<int>(aLoop.size());
  double    aCorners[12];
  for (int i = 0; i < aNbCorners; ++i)
  {
    std::copy(aLoop[size_t(i)].XYZ().GetData(), aLoop[size_t(i)].XYZ().GetData() + 3, aCorners + 3 * i);
  }
  if (anAnswer.NbCorners != aNbCorners ||
      std::memcmp(anAnswer.Corners, aCorners, sizeof(double) * 3 * size_t(aNbCorners)) != 0)
  {
    std::copy(aCorners, aCorners + 3 * aNbCorners, anAnswer.Corners);
    anAnswer.NbCorners = aNbCorners;
    anAnswer.IsPassed  = isPassed(aLoop);
  }
  return anAnswer.IsPassed;
}

bool HalfEdgeAlgo_AspectRatioCriterion::isPassed(const std::vector<gp_Pnt>& theLoop) const
{
  try
  {
    const double aRatio = AspectRatio(theLoop);
    return myMin <= aRatio && aRatio <= myMax;
  }
  catch (const Standard_Failure&)
  {
    // Searches test from several threads, where an exception must not escape.
    return false;
  }
}

bool HalfEdgeAlgo_AspectRatioCriterion::TestEdge(Mesh& theMesh, int theEdge) const
{
  if (!IsLiveEdge(theMesh, theEdge))
  {
    return false;
  }
  const Mesh::EdgeHandle anEdge(theEdge);
  Mesh::FaceHandle       aFace = theMesh.face_handle(theMesh.halfedge_handle(anEdge, 0));
  if (!aFace.is_valid())
  {
    aFace = theMesh.face_handle(theMesh.halfedge_handle(anEdge, 1));
  }
  if (!aFace.is_valid() || !IsLiveFace(theMesh, aFace.idx()))
  {
    return false;
  }
  // Not through the remembered answers: two edges of one face may be tested
  // at once on two threads.
  std::vector<gp_Pnt> aLoop;
  for (const Mesh::VertexHandle aVertex : theMesh.fv_range(aFace))
  {
    const Mesh::Point& aPoint = theMesh.point(aVertex);
    aLoop.emplace_back(aPoint[0], aPoint[1], aPoint[2]);
  }
  return isPassed(aLoop);
}
