// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_FaceSkeleton.hxx>

#include <gp_Lin.hxx>

#include <algorithm>
#include <array>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_FaceSkeleton, HalfEdgeAlgo_Algorithm)

namespace
{
gp_Pnt toPnt(const Mesh::Point& thePoint)
{
  return gp_Pnt(thePoint[0], thePoint[1], thePoint[2]);
}
} // namespace

HalfEdgeAlgo_FaceSkeleton::HalfEdgeAlgo_FaceSkeleton(int theFace)
    : myFace(theFace),
      myShape(Shape_None)
{
}

void HalfEdgeAlgo_FaceSkeleton::SetFace(int theFace)
{
  myFace = theFace;
  clear();
}

std::string HalfEdgeAlgo_FaceSkeleton::Name() const
{
  return "HalfEdgeAlgo_FaceSkeleton";
}

void HalfEdgeAlgo_FaceSkeleton::clear()
{
  myShape = Shape_None;
  myCorners.clear();
}

bool HalfEdgeAlgo_FaceSkeleton::Perform(Mesh& theMesh)
{
  clear();
  if (myFace < 0 || myFace >= static_cast<int>(theMesh.n_faces()) ||
      theMesh.status(Mesh::FaceHandle(myFace)).deleted() || theMesh.valence(Mesh::FaceHandle(myFace)) != 3)
  {
    return false;
  }
  std::array<int, 3>    aNodes;
  std::array<gp_Pnt, 3> aPoints;
  Mesh::HalfedgeHandle  aSide = theMesh.halfedge_handle(Mesh::FaceHandle(myFace));
  for (int i = 0; i < 3; ++i, aSide = theMesh.next_halfedge_handle(aSide))
  {
    aNodes[i]  = theMesh.from_vertex_handle(aSide).idx();
    aPoints[i] = toPnt(theMesh.point(theMesh.from_vertex_handle(aSide)));
  }
  // Side k joins corners k and k + 1.
  std::array<double, 3> aLengths;
  for (int k = 0; k < 3; ++k)
  {
    aLengths[k] = aPoints[k].Distance(aPoints[(k + 1) % 3]);
  }
  const int     aShortest  = int(std::min_element(aLengths.begin(), aLengths.end()) - aLengths.begin());
  const int     aLongest   = int(std::max_element(aLengths.begin(), aLengths.end()) - aLengths.begin());
  const int     anApex     = (aLongest + 2) % 3;
  const gp_Pnt& aBaseStart = aPoints[aLongest];
  const gp_Pnt& aBaseEnd   = aPoints[(aLongest + 1) % 3];
  const double  aHeight =
      aLengths[aLongest] > 0.0
           ? gp_Lin(aBaseStart, gp_Dir(aBaseEnd.XYZ() - aBaseStart.XYZ())).Distance(aPoints[anApex])
           : 0.0;
  const bool isNeedle = 0.5 * aLengths[aShortest] <= aHeight;
  const int  aFirst   = isNeedle ? aShortest : anApex;
  for (int k = 0; k < 3; ++k)
  {
    const int j = (aFirst + k) % 3;
    myCorners.push_back({aNodes[j], aPoints[j], aPoints[j], -1});
  }
  if (isNeedle)
  {
    const gp_Pnt aMiddle((aPoints[aFirst].XYZ() + aPoints[(aFirst + 1) % 3].XYZ()) / 2.0);
    for (const int k : {0, 1})
    {
      myCorners[k].Target  = aMiddle;
      myCorners[k].Partner = myCorners[1 - k].Node;
    }
    myShape = Shape_Needle;
    return true;
  }
  // The apex faces the longest side, so its foot lies on the base.
  const gp_XYZ aBase = aBaseEnd.XYZ() - aBaseStart.XYZ();
  const double aParameter =
      std::clamp((aPoints[anApex].XYZ() - aBaseStart.XYZ()).Dot(aBase) / aBase.SquareModulus(), 0.0, 1.0);
  myCorners[0].Target = gp_Pnt(aBaseStart.XYZ() + aParameter * aBase);
  for (const int k : {1, 2})
  {
    if (myCorners[0].Target.Distance(myCorners[k].Place) <= myTolerance)
    {
      myCorners[0].Partner = myCorners[k].Node;
      break;
    }
  }
  myShape = Shape_Sliver;
  return true;
}
