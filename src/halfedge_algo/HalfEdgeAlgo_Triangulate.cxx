// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <HalfEdge_FaceMetrics.hxx>

#include <HalfEdgeAlgo_CollapseEdges.hxx>
#include <HalfEdgeAlgo_EdgeLengthCriterion.hxx>
#include <HalfEdgeAlgo_FindEdges.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>
#include <Planora_Intersect.hxx>
#include <Planora_Project.hxx>
#include <Planora_SqDistance.hxx>

#include <gp.hxx>
#include <gp_Dir.hxx>
#include <gp_Pln.hxx>
#include <gp_Pnt2d.hxx>
#include <gp_XYZ.hxx>

#include <algorithm>
#include <array>
#include <memory>
#include <utility>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_Triangulate, HalfEdgeAlgo_ModifyMesh)

namespace
{
// Limits for a face whose corner box has a unit diagonal D: distances scale
// with D, squared distances and doubled areas with D^2.

// Squared distance a diagonal keeps from the polygon's other sides.
constexpr double THE_SQ_CLEARANCE = 1e-14;
// Doubled area each part of a cut keeps (a normal of squared length 1e-14).
constexpr double THE_DOUBLED_AREA = 1e-7;
// Crossing tests of a diagonal, and how far its midpoint stays off the sides.
constexpr double THE_INNER_TOLERANCE = 1e-9;
// Squared distance between two unit normals that makes them different planes.
constexpr double THE_SQ_NORMAL_GAP = 1e-14;
// Mean metric values closer than this tie.
constexpr double THE_SCORE_TIE = 1e-9;
// Squared length up to which an edge is collapsed before any face is cut, in
// model units: corners a millionth apart make no usable sides whatever the size.
constexpr double THE_TINY_SQ_LENGTH = 1e-12;

using Triangle    = std::array<int, 3>;               // corner numbers of one face
using CornerPairs = std::vector<std::pair<int, int>>; // corner numbers, first below second

gp_XYZ toXYZ(const Mesh::Point& thePoint)
{
  return gp_XYZ(thePoint[0], thePoint[1], thePoint[2]);
}

// The halfedges of a face, from its stored halfedge on; none when the loop is broken.
std::vector<Mesh::HalfedgeHandle> sides(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  std::vector<Mesh::HalfedgeHandle> aSides;
  const Mesh::HalfedgeHandle        aFirst = theMesh.halfedge_handle(theFace);
  Mesh::HalfedgeHandle              aSide  = aFirst;
  while (aSide.is_valid() && aSides.size() <= theMesh.n_halfedges())
  {
    aSides.push_back(aSide);
    aSide = theMesh.next_halfedge_handle(aSide);
    if (aSide == aFirst)
    {
      return aSides;
    }
  }
  return {};
}

// Corners of a face in boundary order (the to-node of each side), with the
// diagonal of their box.
struct Corners
{
  std::vector<Mesh::VertexHandle> Nodes;
  std::vector<gp_XYZ>             Points;
  double                          Size = 0.0;
};

Corners corners(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  Corners aCorners;
  for (const Mesh::HalfedgeHandle aSide : sides(theMesh, theFace))
  {
    aCorners.Nodes.push_back(theMesh.to_vertex_handle(aSide));
    aCorners.Points.push_back(toXYZ(theMesh.point(aCorners.Nodes.back())));
  }
  if (!aCorners.Points.empty())
  {
    gp_XYZ aMin = aCorners.Points.front(), aMax = aMin;
    for (const gp_XYZ& aPoint : aCorners.Points)
    {
      aMin.SetCoord(std::min(aMin.X(), aPoint.X()), std::min(aMin.Y(), aPoint.Y()),
                    std::min(aMin.Z(), aPoint.Z()));
      aMax.SetCoord(std::max(aMax.X(), aPoint.X()), std::max(aMax.Y(), aPoint.Y()),
                    std::max(aMax.Z(), aPoint.Z()));
    }
    aCorners.Size = (aMax - aMin).Modulus();
  }
  return aCorners;
}

// True when a node appears twice around the face: such a face cannot be split
// into triangles of distinct nodes.
bool hasRepeatedNode(std::vector<Mesh::VertexHandle> theNodes)
{
  std::sort(theNodes.begin(), theNodes.end());
  return std::adjacent_find(theNodes.begin(), theNodes.end()) != theNodes.end();
}

// Newell's normal: the sum of the edge cross products, i.e. twice the area
// vector of the corner loop; the best plane of a face that is not flat.
gp_XYZ newellNormal(const std::vector<gp_XYZ>& thePoints)
{
  gp_XYZ aNormal(0.0, 0.0, 0.0);
  for (size_t i = 1; i + 1 < thePoints.size(); ++i)
  {
    aNormal += (thePoints[i] - thePoints[0]).Crossed(thePoints[i + 1] - thePoints[0]);
  }
  return aNormal;
}

// The normal of the corner triangle of largest area: a plane that a face
// twisted out of its Newell plane may still unfold in.
gp_XYZ largestCornerNormal(const std::vector<gp_XYZ>& thePoints)
{
  const size_t n = thePoints.size();
  gp_XYZ       aBest(0.0, 0.0, 0.0);
  for (size_t i = 0; i < n; ++i)
  {
    const gp_XYZ& aPrev   = thePoints[(i + n - 1) % n];
    const gp_XYZ  aNormal = (thePoints[i] - aPrev).Crossed(thePoints[(i + 1) % n] - aPrev);
    if (aNormal.SquareModulus() > aBest.SquareModulus())
    {
      aBest = aNormal;
    }
  }
  return aBest;
}

// Pairs of corners that are not neighbours around the face but already joined
// by an edge of the mesh: a diagonal between them would double that edge.
CornerPairs joinedCorners(const Mesh& theMesh, const std::vector<Mesh::VertexHandle>& theNodes)
{
  std::vector<std::pair<Mesh::VertexHandle, int>> aNumbers;
  for (size_t i = 0; i < theNodes.size(); ++i)
  {
    aNumbers.emplace_back(theNodes[i], static_cast<int>(i));
  }
  std::sort(aNumbers.begin(), aNumbers.end());
  const int   n = static_cast<int>(theNodes.size());
  CornerPairs aPairs;
  for (int i = 0; i < n; ++i)
  {
    for (auto anOut = theMesh.cvoh_iter(theNodes[size_t(i)]); anOut.is_valid(); ++anOut)
    {
      const auto aFound = std::lower_bound(aNumbers.begin(), aNumbers.end(),
                                           std::make_pair(theMesh.to_vertex_handle(*anOut), -1));
      if (aFound == aNumbers.end() || aFound->first != theMesh.to_vertex_handle(*anOut))
      {
        continue;
      }
      const int j = aFound->second;
      if (i < j && j != i + 1 && !(i == 0 && j == n - 1))
      {
        aPairs.emplace_back(i, j);
      }
    }
  }
  std::sort(aPairs.begin(), aPairs.end());
  aPairs.erase(std::unique(aPairs.begin(), aPairs.end()), aPairs.end());
  return aPairs;
}

// Squared distance between two planar segments; 0 when they cross within theTolerance.
double segmentsSqDistance(const gp_Pnt2d& theA1,
                          const gp_Pnt2d& theB1,
                          const gp_Pnt2d& theA2,
                          const gp_Pnt2d& theB2,
                          double          theTolerance)
{
  if (Planora::Intersect::SegSeg(theA1, theB1, theA2, theB2, theTolerance) == Planora::IntType_Cross)
  {
    return 0.0;
  }
  return std::min({Planora::SqDistance::PntToSeg(theA1, theA2, theB2),
                   Planora::SqDistance::PntToSeg(theB1, theA2, theB2),
                   Planora::SqDistance::PntToSeg(theA2, theA1, theB1),
                   Planora::SqDistance::PntToSeg(theB2, theA1, theB1)});
}

// Ear cutting of a planar polygon on a scratch mesh that holds it as one face
// (corner k is scratch node k). Cutting an ear splits the face in two; a trial
// cut is undone by removing its diagonal again, which merges the two faces.
class EarCutting
{
public:
  EarCutting(const std::vector<gp_Pnt2d>& thePoints,
             double                       theSize,
             const CornerPairs&           theJoined,
             const std::string&           theMetric)
      : myPoints(thePoints),
        myJoined(theJoined),
        mySign(1.0),
        mySqClearance(THE_SQ_CLEARANCE * theSize * theSize),
        myDoubledArea(THE_DOUBLED_AREA * theSize * theSize),
        myInner(THE_INNER_TOLERANCE * theSize)
  {
    if (!theMetric.empty())
    {
      myScratch.RequestMetrics(theMetric);
      myMetric = myScratch.GetMetrics(theMetric);
    }
  }

  // Cuts the whole polygon; false when at some point no ear may be cut.
  bool Perform(std::vector<Triangle>& theTriangles)
  {
    std::vector<Mesh::VertexHandle> aNodes;
    for (const gp_Pnt2d& aPoint : myPoints)
    {
      aNodes.push_back(myScratch.add_vertex(Mesh::Point(aPoint.X(), aPoint.Y(), 0.0)));
    }
    Mesh::FaceHandle aFace = myScratch.add_face(aNodes);
    if (!aFace.is_valid())
    {
      return false;
    }
    mySign = doubledArea(aFace) < 0.0 ? -1.0 : 1.0;
    while (myScratch.valence(aFace) > 3)
    {
      if (!cutEar(aFace))
      {
        return false;
      }
    }
    theTriangles.clear();
    for (const Mesh::FaceHandle aTriangle : myScratch.faces())
    {
      const Mesh::HalfedgeHandle aSide = myScratch.halfedge_handle(aTriangle);
      const Mesh::HalfedgeHandle aNext = myScratch.next_halfedge_handle(aSide);
      theTriangles.push_back({myScratch.to_vertex_handle(aSide).idx(),
                              myScratch.to_vertex_handle(aNext).idx(),
                              myScratch.to_vertex_handle(myScratch.next_halfedge_handle(aNext)).idx()});
    }
    return true;
  }

private:
  // Cuts one ear off theFace, which becomes the rest; false when none may be cut.
  bool cutEar(Mesh::FaceHandle& theFace)
  {
    Mesh::HalfedgeHandle aBest;
    double               aBestScore = 0.0;
    for (const Mesh::HalfedgeHandle aSide : sides(myScratch, theFace))
    {
      if (!isAdmissible(theFace, aSide))
      {
        continue;
      }
      const Mesh::HalfedgeHandle aDiagonal =
          myScratch.insert_edge(myScratch.next_halfedge_handle(aSide), aSide);
      const Mesh::FaceHandle aRest = myScratch.face_handle(myScratch.opposite_halfedge_handle(aDiagonal));
      const bool             isKept =
          doubledArea(myScratch.face_handle(aDiagonal)) > myDoubledArea && doubledArea(aRest) > myDoubledArea;
      if (isKept && !myMetric)
      {
        theFace = aRest;
        return true;
      }
      if (isKept)
      {
        myMetric->Compute();
        const double aScore = myMetric->Mean();
        if (!aBest.is_valid() || aScore < aBestScore - THE_SCORE_TIE ||
            (aScore <= aBestScore + THE_SCORE_TIE && aSide.idx() < aBest.idx()))
        {
          aBest      = aSide;
          aBestScore = aScore;
        }
      }
      theFace = myScratch.remove_edge(myScratch.edge_handle(aDiagonal));
    }
    if (!aBest.is_valid())
    {
      return false;
    }
    const Mesh::HalfedgeHandle aDiagonal =
        myScratch.insert_edge(myScratch.next_halfedge_handle(aBest), aBest);
    theFace = myScratch.face_handle(myScratch.opposite_halfedge_handle(aDiagonal));
    return true;
  }

  // True when the diagonal that cuts off the corner at the end of theSide
  // joins corners no mesh edge joins, keeps clear of the other sides and runs inside.
  bool isAdmissible(Mesh::FaceHandle theFace, Mesh::HalfedgeHandle theSide) const
  {
    const Mesh::HalfedgeHandle aNext  = myScratch.next_halfedge_handle(theSide);
    const Mesh::HalfedgeHandle anAway = myScratch.next_halfedge_handle(aNext);
    const Mesh::HalfedgeHandle aPrev  = myScratch.prev_halfedge_handle(theSide);
    const int                  a      = myScratch.from_vertex_handle(theSide).idx();
    const int                  c      = myScratch.to_vertex_handle(aNext).idx();
    if (std::binary_search(myJoined.begin(), myJoined.end(), std::make_pair(std::min(a, c), std::max(a, c))))
    {
      return false;
    }
    const gp_Pnt2d& aStart  = myPoints[size_t(a)];
    const gp_Pnt2d& anEnd   = myPoints[size_t(c)];
    const bool      isClear = everySide(
             theFace,
             [&](Mesh::HalfedgeHandle theOther)
             {
          return theOther == theSide || theOther == aNext || theOther == anAway || theOther == aPrev ||
                 segmentsSqDistance(aStart, anEnd, from(theOther), to(theOther), myInner) >= mySqClearance;
        });
    return isClear && isInside(theFace, gp_Pnt2d(0.5 * (aStart.XY() + anEnd.XY())));
  }

  // True when thePoint lies inside the face (crossing parity, half-open in y)
  // and off its sides.
  bool isInside(Mesh::FaceHandle theFace, const gp_Pnt2d& thePoint) const
  {
    bool       isIn = false;
    const bool isOff =
        everySide(theFace,
                  [&](Mesh::HalfedgeHandle theSide)
                  {
                    const gp_Pnt2d &p = from(theSide), &q = to(theSide);
                    if ((p.Y() > thePoint.Y()) != (q.Y() > thePoint.Y()) &&
                        thePoint.X() < p.X() + (thePoint.Y() - p.Y()) * (q.X() - p.X()) / (q.Y() - p.Y()))
                    {
                      isIn = !isIn;
                    }
                    return Planora::SqDistance::PntToSeg(thePoint, p, q) > myInner * myInner;
                  });
    return isOff && isIn;
  }

  // Twice the area of a face, positive in the polygon's orientation.
  double doubledArea(Mesh::FaceHandle theFace) const
  {
    double anArea = 0.0;
    everySide(theFace,
              [&](Mesh::HalfedgeHandle theSide)
              {
                anArea += from(theSide).XY().Crossed(to(theSide).XY());
                return true;
              });
    return mySign * anArea;
  }

  // True when theTest holds for every side of a face of the scratch mesh, in
  // boundary order, stopping at the first that fails. Walks the sides without
  // copying them: the tests run for every side of every candidate ear.
  template <class Test>
  bool everySide(Mesh::FaceHandle theFace, Test theTest) const
  {
    const Mesh::HalfedgeHandle aFirst = myScratch.halfedge_handle(theFace);
    Mesh::HalfedgeHandle       aSide  = aFirst;
    do
    {
      if (!theTest(aSide))
      {
        return false;
      }
      aSide = myScratch.next_halfedge_handle(aSide);
    } while (aSide != aFirst);
    return true;
  }

  const gp_Pnt2d& from(Mesh::HalfedgeHandle theSide) const
  {
    return myPoints[size_t(myScratch.from_vertex_handle(theSide).idx())];
  }

  const gp_Pnt2d& to(Mesh::HalfedgeHandle theSide) const
  {
    return myPoints[size_t(myScratch.to_vertex_handle(theSide).idx())];
  }

private:
  Mesh                                  myScratch;
  std::vector<gp_Pnt2d>                 myPoints;
  const CornerPairs&                    myJoined;
  std::shared_ptr<HalfEdge_FaceMetrics> myMetric;
  double                                mySign;
  double                                mySqClearance;
  double                                myDoubledArea;
  double                                myInner;
};

// How one face is to be split, worked out without changing the mesh.
struct FacePlan
{
  enum Kind
  {
    Cut,        //!< into Triangles
    Degenerate, //!< too thin for a plane: repaired on the mesh
    Failed,     //!< no cut in either plane: fan
    Unusable    //!< a node repeated around the face: left alone
  };

  Kind                            Result = Unusable;
  std::vector<Mesh::VertexHandle> Nodes;
  CornerPairs                     Joined; //!< as when planned
  std::vector<Triangle>           Triangles;
};

// The ear cutting of the face's corners in the plane through the first corner
// with the given normal.
bool cutInPlane(const Corners&         theCorners,
                const gp_XYZ&          theNormal,
                const FacePlan&        thePlan,
                const std::string&     theMetric,
                std::vector<Triangle>& theTriangles)
{
  const gp_Pln          aPlane(gp_Pnt(theCorners.Points.front()), gp_Dir(theNormal));
  std::vector<gp_Pnt2d> aPoints(theCorners.Points.size());
  for (size_t i = 0; i < aPoints.size(); ++i)
  {
    Planora::Project::PntOnPlane(aPlane, gp_Pnt(theCorners.Points[i]), aPoints[i]);
  }
  EarCutting aCutting(aPoints, theCorners.Size, thePlan.Joined, theMetric);
  return aCutting.Perform(theTriangles);
}

// True when a normal is long enough to give a plane: above theLength, and
// far enough from zero to be normalized.
bool isUsable(const gp_XYZ& theNormal, double theLength)
{
  return theNormal.Modulus() > std::max(theLength, gp::Resolution());
}

FacePlan
planFace(const Mesh& theMesh, Mesh::FaceHandle theFace, const std::string& theMetric, double theTolerance)
{
  FacePlan      aPlan;
  const Corners aCorners = corners(theMesh, theFace);
  aPlan.Nodes            = aCorners.Nodes;
  if (aCorners.Nodes.size() < 3 || hasRepeatedNode(aCorners.Nodes))
  {
    return aPlan;
  }
  aPlan.Joined         = joinedCorners(theMesh, aCorners.Nodes);
  const double aSqSize = aCorners.Size * aCorners.Size;
  const gp_XYZ aNewell = newellNormal(aCorners.Points);
  if (!isUsable(aNewell, theTolerance * aSqSize))
  {
    aPlan.Result = FacePlan::Degenerate;
    return aPlan;
  }
  aPlan.Result = FacePlan::Cut;
  if (cutInPlane(aCorners, aNewell, aPlan, theMetric, aPlan.Triangles))
  {
    return aPlan;
  }
  const gp_XYZ aCorner = largestCornerNormal(aCorners.Points);
  if (isUsable(aCorner, THE_DOUBLED_AREA * aSqSize) &&
      (aCorner / aCorner.Modulus() - aNewell / aNewell.Modulus()).SquareModulus() > THE_SQ_NORMAL_GAP &&
      cutInPlane(aCorners, aCorner, aPlan, theMetric, aPlan.Triangles))
  {
    return aPlan;
  }
  aPlan.Result = FacePlan::Failed;
  return aPlan;
}

bool isPolygon(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  return !theMesh.status(theFace).deleted() && theMesh.valence(theFace) > 3;
}

bool isDegenerate(const Mesh& theMesh, Mesh::FaceHandle theFace, double theTolerance)
{
  const Corners aCorners = corners(theMesh, theFace);
  return !isUsable(newellNormal(aCorners.Points), theTolerance * aCorners.Size * aCorners.Size);
}

// Collapses a side of the face not longer than theLength, in either direction the kernel allows.
bool collapseShortSide(Mesh& theMesh, Mesh::FaceHandle theFace, double theLength)
{
  for (const Mesh::HalfedgeHandle aSide : sides(theMesh, theFace))
  {
    if (theMesh.calc_edge_length(aSide) > theLength)
    {
      continue;
    }
    for (const Mesh::HalfedgeHandle aWay : {aSide, theMesh.opposite_halfedge_handle(aSide)})
    {
      if (theMesh.is_collapse_ok(aWay))
      {
        theMesh.collapse(aWay);
        return true;
      }
    }
  }
  return false;
}

// Removes a corner within theDistance of the segment joining its neighbours
// that has two edges only (the face across holds the same two sides), by
// collapsing it into its nearer neighbour: no other face moves.
bool dropFlatCorner(Mesh& theMesh, Mesh::FaceHandle theFace, double theDistance)
{
  for (const Mesh::HalfedgeHandle aSide : sides(theMesh, theFace))
  {
    const Mesh::HalfedgeHandle aNext   = theMesh.next_halfedge_handle(aSide);
    const Mesh::VertexHandle   aCorner = theMesh.to_vertex_handle(aSide);
    if (theMesh.valence(aCorner) != 2)
    {
      continue;
    }
    const gp_Pnt a(toXYZ(theMesh.point(theMesh.from_vertex_handle(aSide))));
    const gp_Pnt b(toXYZ(theMesh.point(aCorner)));
    const gp_Pnt c(toXYZ(theMesh.point(theMesh.to_vertex_handle(aNext))));
    if (Planora::Project::PntOnSeg(b, a, c).Distance(b) > theDistance)
    {
      continue;
    }
    const Mesh::HalfedgeHandle aWay =
        b.SquareDistance(a) <= b.SquareDistance(c) ? theMesh.opposite_halfedge_handle(aSide) : aNext;
    if (theMesh.is_collapse_ok(aWay))
    {
      theMesh.collapse(aWay);
      return true;
    }
  }
  return false;
}

// Local repairs of a degenerate face, repeated while one applies; what
// remains a polygon is split into a fan.
void repairDegenerate(Mesh& theMesh, Mesh::FaceHandle theFace, double theTolerance)
{
  while (isPolygon(theMesh, theFace))
  {
    const double aDistance = theTolerance * corners(theMesh, theFace).Size;
    if (!collapseShortSide(theMesh, theFace, aDistance) && !dropFlatCorner(theMesh, theFace, aDistance))
    {
      theMesh.triangulate(theFace);
      return;
    }
  }
}

// Replaces the face by the planned triangles; when the kernel refuses one,
// the face is put back and split into a fan, and the result is false.
bool replace(Mesh& theMesh, Mesh::FaceHandle theFace, const FacePlan& thePlan)
{
  theMesh.delete_face(theFace, false);
  std::vector<Mesh::FaceHandle> anAdded;
  for (const Triangle& aTriangle : thePlan.Triangles)
  {
    const Mesh::FaceHandle aNew =
        theMesh.add_face(thePlan.Nodes[size_t(aTriangle[0])], thePlan.Nodes[size_t(aTriangle[1])],
                         thePlan.Nodes[size_t(aTriangle[2])]);
    if (!aNew.is_valid())
    {
      for (const Mesh::FaceHandle aFace : anAdded)
      {
        theMesh.delete_face(aFace, false);
      }
      const Mesh::FaceHandle aBack = theMesh.add_face(thePlan.Nodes);
      if (aBack.is_valid())
      {
        theMesh.triangulate(aBack);
      }
      return false;
    }
    anAdded.push_back(aNew);
  }
  return true;
}

bool applyPlan(Mesh& theMesh, Mesh::FaceHandle theFace, const FacePlan& thePlan, double theTolerance)
{
  switch (thePlan.Result)
  {
  case FacePlan::Cut:
    return replace(theMesh, theFace, thePlan);
  case FacePlan::Degenerate:
    repairDegenerate(theMesh, theFace, theTolerance);
    return true;
  case FacePlan::Failed:
    theMesh.triangulate(theFace);
    return false;
  case FacePlan::Unusable:
    break;
  }
  return false;
}

// Collapses the edges of squared length up to THE_TINY_SQ_LENGTH; true when
// there were none or all of them went.
bool collapseTinyEdges(Mesh& theMesh, unsigned int theNbThreads)
{
  Handle(HalfEdgeAlgo_FindEdges) aFind = new HalfEdgeAlgo_FindEdges();
  aFind->AddCriterion(new HalfEdgeAlgo_EdgeLengthCriterion(0.0, THE_TINY_SQ_LENGTH));
  aFind->SetNbThreads(theNbThreads);
  if (!aFind->Perform(theMesh))
  {
    return true;
  }
  Handle(HalfEdgeAlgo_CollapseEdges) aCollapse = new HalfEdgeAlgo_CollapseEdges();
  aCollapse->SetNbThreads(theNbThreads);
  aCollapse->SetEdges(aFind->Found());
  return aCollapse->Perform(theMesh);
}

// The live faces with more than three corners, in number order.
std::vector<Mesh::FaceHandle> polygons(const Mesh& theMesh)
{
  std::vector<Mesh::FaceHandle> aFaces;
  for (const Mesh::FaceHandle aFace : theMesh.faces())
  {
    if (theMesh.valence(aFace) > 3)
    {
      aFaces.push_back(aFace);
    }
  }
  return aFaces;
}
} // namespace

HalfEdgeAlgo_Triangulate::HalfEdgeAlgo_Triangulate(const std::string& theMetric)
    : myMetric(theMetric)
{
}

std::string HalfEdgeAlgo_Triangulate::Name() const
{
  return "HalfEdgeAlgo_Triangulate";
}

bool HalfEdgeAlgo_Triangulate::TriangulateFace(Mesh& theMesh, int theFace)
{
  if (theFace < 0 || theFace >= static_cast<int>(theMesh.n_faces()) ||
      !isPolygon(theMesh, Mesh::FaceHandle(theFace)))
  {
    return true;
  }
  const Mesh::FaceHandle aFace(theFace);
  return applyPlan(theMesh, aFace, planFace(theMesh, aFace, myMetric, myTolerance), myTolerance);
}

bool HalfEdgeAlgo_Triangulate::Perform(Mesh& theMesh)
{
  bool isDone = collapseTinyEdges(theMesh, myNbThreads);
  // Degenerate faces next, whatever the thread count: their repairs move
  // nodes of neighbouring faces, which must not depend on when the
  // neighbours were planned.
  std::vector<Mesh::FaceHandle> aFaces = polygons(theMesh);
  for (const Mesh::FaceHandle aFace : aFaces)
  {
    if (isPolygon(theMesh, aFace) && isDegenerate(theMesh, aFace, myTolerance))
    {
      repairDegenerate(theMesh, aFace, myTolerance);
    }
  }
  aFaces = polygons(theMesh);
  if (myNbThreads < 2)
  {
    for (const Mesh::FaceHandle aFace : aFaces)
    {
      isDone = TriangulateFace(theMesh, aFace.idx()) && isDone;
    }
    return isDone;
  }
  // Plans read the mesh only; they are applied in face order on this thread.
  // A plan made before an earlier face changed what it depends on (its
  // corners' places after a repair, the edges joining its corners) is made again.
  std::vector<FacePlan> aPlans(aFaces.size());
  const long            aNbFaces = static_cast<long>(aFaces.size());
  applyParallelOptions();
#pragma omp parallel for schedule(dynamic, 16)
  for (long i = 0; i < aNbFaces; ++i)
  {
    aPlans[size_t(i)] = planFace(theMesh, aFaces[size_t(i)], myMetric, myTolerance);
  }
  bool isStale = false;
  for (size_t i = 0; i < aFaces.size(); ++i)
  {
    if (!isPolygon(theMesh, aFaces[i]))
    {
      continue;
    }
    if (isStale || aPlans[i].Joined != joinedCorners(theMesh, aPlans[i].Nodes))
    {
      aPlans[i] = planFace(theMesh, aFaces[i], myMetric, myTolerance);
    }
    isStale = isStale || aPlans[i].Result == FacePlan::Degenerate;
    isDone  = applyPlan(theMesh, aFaces[i], aPlans[i], myTolerance) && isDone;
  }
  return isDone;
}
