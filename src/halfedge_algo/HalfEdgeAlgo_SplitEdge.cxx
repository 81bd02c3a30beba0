// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <HalfEdge_Skewness.hxx>

#include <HalfEdgeAlgo_SplitEdge.hxx>

#include <algorithm>
#include <cmath>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_SplitEdge, HalfEdgeAlgo_ModifyMesh)

namespace
{
// Steps of the search: the bracket shrinks to 0.618^15, about 7e-4 of the edge.
constexpr int THE_NB_STEPS = 15;

gp_Pnt toPnt(const Mesh::Point& thePoint)
{
  return gp_Pnt(thePoint[0], thePoint[1], thePoint[2]);
}

// The worst skewness of the triangles that joining the point at parameter t of
// A-B to each opposite corner would make.
class SplitQuality
{
public:
  SplitQuality(const gp_Pnt& theA, const gp_Pnt& theB, const std::vector<gp_Pnt>& theOpposites)
      : myA(theA),
        myB(theB),
        myOpposites(theOpposites)
  {
  }

  double operator()(double theT) const
  {
    const gp_Pnt aP(myA.XYZ() + theT * (myB.XYZ() - myA.XYZ()));
    double       aWorst = 0.0;
    for (const gp_Pnt& aC : myOpposites)
    {
      aWorst = std::max({aWorst, HalfEdge_Skewness::Of({aP, aC, myA}), HalfEdge_Skewness::Of({aP, aC, myB})});
    }
    return aWorst;
  }

private:
  gp_Pnt              myA;
  gp_Pnt              myB;
  std::vector<gp_Pnt> myOpposites;
};

// Golden-section search for the lowest worst skewness on [0, 1], starting
// from the midpoint, which wins every tie: a symmetric pair stays symmetric.
double bestParameter(const SplitQuality& theQuality)
{
  const double aPhi  = (std::sqrt(5.0) + 1.0) / 2.0;
  double       aLo   = 0.0;
  double       aHi   = 1.0;
  double       aBest = 0.5;
  double       aMin  = theQuality(aBest);
  for (int aStep = 0; aStep < THE_NB_STEPS; ++aStep)
  {
    const double aD  = (aHi - aLo) / aPhi;
    const double aX1 = aHi - aD;
    const double aX2 = aLo + aD;
    const double aG1 = theQuality(aX1);
    const double aG2 = theQuality(aX2);
    // The bracket keeps the better inner point; it is the only candidate.
    const bool   isLeft = aG2 > aG1;
    const double aX     = isLeft ? aX1 : aX2;
    const double aG     = isLeft ? aG1 : aG2;
    if (isLeft)
    {
      aHi = aX2;
    }
    else
    {
      aLo = aX1;
    }
    if (aG < aMin)
    {
      aMin  = aG;
      aBest = aX;
    }
  }
  return aBest;
}

// Where a new node splits theEdge: the midpoint unless every face beside the
// edge is a triangle, whose opposite corners then steer the search.
Mesh::Point splitPoint(const Mesh& theMesh, Mesh::EdgeHandle theEdge)
{
  const Mesh::HalfedgeHandle aHalf = theMesh.halfedge_handle(theEdge, 0);
  const Mesh::Point&         aA    = theMesh.point(theMesh.from_vertex_handle(aHalf));
  const Mesh::Point&         aB    = theMesh.point(theMesh.to_vertex_handle(aHalf));
  std::vector<gp_Pnt>        anOpposites;
  for (const Mesh::HalfedgeHandle aSide : {aHalf, theMesh.opposite_halfedge_handle(aHalf)})
  {
    const Mesh::FaceHandle aFace = theMesh.face_handle(aSide);
    if (!aFace.is_valid())
    {
      continue;
    }
    if (theMesh.valence(aFace) != 3)
    {
      return (aA + aB) * 0.5;
    }
    anOpposites.push_back(
        toPnt(theMesh.point(theMesh.to_vertex_handle(theMesh.next_halfedge_handle(aSide)))));
  }
  if (anOpposites.empty())
  {
    return (aA + aB) * 0.5;
  }
  const double aT = bestParameter(SplitQuality(toPnt(aA), toPnt(aB), anOpposites));
  return aA + (aB - aA) * aT;
}
} // namespace

HalfEdgeAlgo_SplitEdge::HalfEdgeAlgo_SplitEdge(int theEdge)
    : myEdge(theEdge),
      myNode(-1)
{
}

std::string HalfEdgeAlgo_SplitEdge::Name() const
{
  return "HalfEdgeAlgo_SplitEdge";
}

bool HalfEdgeAlgo_SplitEdge::Perform(Mesh& theMesh)
{
  if (myEdge < 0 || myEdge >= static_cast<int>(theMesh.n_edges()) ||
      theMesh.status(Mesh::EdgeHandle(myEdge)).deleted())
  {
    return false;
  }
  const Mesh::EdgeHandle anEdge(myEdge);
  if (myNode == -1)
  {
    const Mesh::VertexHandle aNew = theMesh.add_vertex(splitPoint(theMesh, anEdge));
    theMesh.split_edge(anEdge, aNew);
    return true;
  }
  if (myNode < 0 || myNode >= static_cast<int>(theMesh.n_vertices()) ||
      theMesh.status(Mesh::VertexHandle(myNode)).deleted())
  {
    return false;
  }
  // An end of the edge, or a corner of a face beside it (a face without area
  // lies along its own edges), would become a corner twice over in that face.
  const Mesh::VertexHandle aNode(myNode);
  for (int aSide = 0; aSide < 2; ++aSide)
  {
    const Mesh::HalfedgeHandle aHalf    = theMesh.halfedge_handle(anEdge, aSide);
    const Mesh::FaceHandle     aFace    = theMesh.face_handle(aHalf);
    bool                       isCorner = theMesh.to_vertex_handle(aHalf) == aNode;
    if (aFace.is_valid())
    {
      for (const Mesh::VertexHandle aCorner : theMesh.fv_range(aFace))
      {
        isCorner = isCorner || aCorner == aNode;
      }
    }
    if (isCorner)
    {
      return false;
    }
  }
  theMesh.split_edge(anEdge, aNode);
  return true;
}
