// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <HalfEdge_Skewness.hxx>

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

#include <omp.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <memory>
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
// Faces planned together by the threads before the calling thread applies
// their plans: bounds the plans held at once, whose storage is reused.
constexpr size_t THE_BLOCK = 4096;

using Triangle    = std::array<int, 3>;               // corner numbers of one face
using CornerPairs = std::vector<std::pair<int, int>>; // corner numbers, first below second
using FaceMetric  = double (*)(const std::vector<gp_Pnt>& theCorners);

// The face metric called theName, from the corners of a face in boundary
// order: skewness, the one metric a mesh registers (Mesh::RequestMetrics);
// none for any other name.
FaceMetric faceMetric(const std::string& theName)
{
  return theName == "skewness" ? &HalfEdge_Skewness::Of : nullptr;
}

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

// Reads the corners of a face into theCorners, whose storage is reused; none
// when the loop is broken.
// The diagonal of the box of theCorners' points.
void measureCorners(Corners& theCorners)
{
  gp_XYZ aMin = theCorners.Points.front(), aMax = aMin;
  for (const gp_XYZ& aPoint : theCorners.Points)
  {
    aMin.SetCoord(std::min(aMin.X(), aPoint.X()), std::min(aMin.Y(), aPoint.Y()),
                  std::min(aMin.Z(), aPoint.Z()));
    aMax.SetCoord(std::max(aMax.X(), aPoint.X()), std::max(aMax.Y(), aPoint.Y()),
                  std::max(aMax.Z(), aPoint.Z()));
  }
  theCorners.Size = (aMax - aMin).Modulus();
}

void readCorners(const Mesh& theMesh, Mesh::FaceHandle theFace, Corners& theCorners)
{
  theCorners.Nodes.clear();
  theCorners.Points.clear();
  theCorners.Size                   = 0.0;
  const Mesh::HalfedgeHandle aFirst = theMesh.halfedge_handle(theFace);
  Mesh::HalfedgeHandle       aSide  = aFirst;
  while (aSide.is_valid() && theCorners.Nodes.size() <= theMesh.n_halfedges())
  {
    theCorners.Nodes.push_back(theMesh.to_vertex_handle(aSide));
    theCorners.Points.push_back(toXYZ(theMesh.point(theCorners.Nodes.back())));
    aSide = theMesh.next_halfedge_handle(aSide);
    if (aSide == aFirst)
    {
      measureCorners(theCorners);
      return;
    }
  }
  theCorners.Nodes.clear();
  theCorners.Points.clear();
}

Corners corners(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  Corners aCorners;
  readCorners(theMesh, theFace, aCorners);
  return aCorners;
}

// True when a node appears twice around the face: such a face cannot be split
// into triangles of distinct nodes. theSorted is scratch storage.
bool hasRepeatedNode(const std::vector<Mesh::VertexHandle>& theNodes,
                     std::vector<Mesh::VertexHandle>&       theSorted)
{
  theSorted.assign(theNodes.begin(), theNodes.end());
  std::sort(theSorted.begin(), theSorted.end());
  return std::adjacent_find(theSorted.begin(), theSorted.end()) != theSorted.end();
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

// The number of the first corner at theNode, or -1.
int cornerNumber(const std::vector<Mesh::VertexHandle>& theNodes, Mesh::VertexHandle theNode)
{
  const auto aFound = std::find(theNodes.begin(), theNodes.end(), theNode);
  return aFound != theNodes.end() ? static_cast<int>(aFound - theNodes.begin()) : -1;
}

// Fills thePairs with the pairs of corners that are not neighbours around the
// face but already joined by an edge of the mesh: a diagonal between them
// would double that edge.
void joinedCorners(const Mesh&                            theMesh,
                   const std::vector<Mesh::VertexHandle>& theNodes,
                   CornerPairs&                           thePairs)
{
  thePairs.clear();
  const int n = static_cast<int>(theNodes.size());
  // The last two corners have no corner after them that is not a neighbour.
  for (int i = 0; i + 2 < n; ++i)
  {
    const Mesh::HalfedgeHandle aFirst = theMesh.halfedge_handle(theNodes[size_t(i)]);
    Mesh::HalfedgeHandle       anOut  = aFirst;
    while (anOut.is_valid())
    {
      const int j = cornerNumber(theNodes, theMesh.to_vertex_handle(anOut));
      if (i < j && j != i + 1 && !(i == 0 && j == n - 1))
      {
        thePairs.emplace_back(i, j);
      }
      anOut = theMesh.next_halfedge_handle(theMesh.opposite_halfedge_handle(anOut));
      if (anOut == aFirst)
      {
        break;
      }
    }
  }
  std::sort(thePairs.begin(), thePairs.end());
  thePairs.erase(std::unique(thePairs.begin(), thePairs.end()), thePairs.end());
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

// Ear cutting of a planar polygon whose corner k lies at point k, on a few
// arrays: a skin has a million small faces, and building a mesh per face
// would cost far more than cutting it.
//
// Which of two equal cuts wins, the order in which the pieces come out, the
// corner each piece starts at and the rounding of a mean metric follow the
// numbers a mesh holding the polygon as one face gives its elements, so the
// cutting keeps those numbers: side k is halfedge 2k and the face starts at
// its last side; the e-th diagonal is edge e (halfedge 2e on the ear's side,
// 2e + 1 on the rest's) and makes a new face for its ear, and the rest
// starts at the diagonal when the ear took its first side; a trial cut undone
// leaves the rest as the newest face, starting at the side before the trial.
// A face's corners are read from the end of its first side on, a mean metric
// sums its values in face order, and ties go to the smaller halfedge.
class EarCutting
{
public:
  explicit EarCutting(FaceMetric theMetric)
      : myMetric(theMetric)
  {
  }

  FaceMetric Metric() const { return myMetric; }

  // Cuts the whole polygon into theTriangles (corner numbers, in face order);
  // false when at some point no ear may be cut.
  bool Perform(const std::vector<gp_Pnt2d>& thePoints,
               double                       theSize,
               const CornerPairs&           theJoined,
               std::vector<Triangle>&       theTriangles)
  {
    myPoints      = &thePoints;
    myJoined      = &theJoined;
    mySqClearance = THE_SQ_CLEARANCE * theSize * theSize;
    myDoubledArea = THE_DOUBLED_AREA * theSize * theSize;
    myInner       = THE_INNER_TOLERANCE * theSize;
    const int n   = static_cast<int>(thePoints.size());
    myRest.clear();
    for (int k = 0; k < n; ++k)
    {
      myRest.push_back({k, 2 * k});
    }
    myFirst    = myRest.size() - 1;
    myRestFace = 0;
    myNbEdges  = n;
    myNbFaces  = 1;
    myEars.clear();
    mySign = 1.0;
    readRest(myRest.size());
    mySign = loopArea(myLoop) < 0.0 ? -1.0 : 1.0;
    while (myRest.size() > 3)
    {
      if (!cutEar())
      {
        return false;
      }
    }
    theTriangles.clear();
    bool isRestOut = false;
    for (const Ear& anEar : myEars)
    {
      if (!isRestOut && myRestFace < anEar.Face)
      {
        theTriangles.push_back(restTriangle());
        isRestOut = true;
      }
      theTriangles.push_back(anEar.Corners);
    }
    if (!isRestOut)
    {
      theTriangles.push_back(restTriangle());
    }
    return true;
  }

private:
  struct Side
  {
    int From;     // corner number
    int Halfedge; // number of the side
  };

  struct Ear
  {
    int      Face;
    Triangle Corners; // as read from the ear's first side (the diagonal) on
    double   Value;   // of the metric
  };

  // Cuts one ear off the rest; false when none may be cut.
  bool cutEar()
  {
    const size_t m          = myRest.size();
    const size_t aStart     = myFirst;
    size_t       aBest      = m;
    double       aBestScore = 0.0;
    for (size_t k = 0; k < m; ++k)
    {
      const size_t p = (aStart + k) % m;
      if (!isAdmissible(p))
      {
        continue;
      }
      const Triangle anEar = {from(p), from(p + 1), from(p + 2)};
      readRest(p);
      const bool isKept = loopArea(Triangle{anEar[2], anEar[0], anEar[1]}) > myDoubledArea &&
                          loopArea(myLoop) > myDoubledArea;
      if (isKept && myMetric == nullptr)
      {
        commit(p);
        return true;
      }
      if (isKept)
      {
        const double aScore = score(anEar);
        if (aBest == m || aScore < aBestScore - THE_SCORE_TIE ||
            (aScore <= aBestScore + THE_SCORE_TIE && myRest[p].Halfedge < myRest[aBest].Halfedge))
        {
          aBest      = p;
          aBestScore = aScore;
        }
      }
      // Undoing the trial keeps the ear's face for the rest, read from the side before the trial.
      ++myNbEdges;
      myRestFace = myNbFaces++;
      myFirst    = (p + m - 1) % m;
    }
    if (aBest == m)
    {
      return false;
    }
    readRest(aBest);
    commit(aBest);
    return true;
  }

  // Reads into myLoop the corners of the rest, from its first side on, as they
  // are after the ear at thePos is cut (none is cut when thePos is past the
  // sides), and into myLoopSides its sides. The rest keeps its first side
  // unless the ear takes it; then the diagonal is first.
  void readRest(size_t thePos)
  {
    const size_t m      = myRest.size();
    const bool   isCut  = thePos < m;
    const size_t aStart = isCut && (myFirst == thePos || myFirst == (thePos + 1) % m) ? thePos : myFirst;
    myLoop.clear();
    myLoopSides.clear();
    for (size_t k = 0; k < m; ++k)
    {
      const size_t q = (aStart + k) % m;
      if (isCut && q == (thePos + 1) % m)
      {
        continue;
      }
      myLoop.push_back(myRest[q].From);
      myLoopSides.push_back(isCut && q == thePos ? 2 * myNbEdges + 1 : myRest[q].Halfedge);
    }
  }

  // Cuts the ear at thePos for good; myLoop holds the rest as readRest() left it.
  void commit(size_t thePos)
  {
    const Triangle anEar = {from(thePos), from(thePos + 1), from(thePos + 2)};
    myEars.push_back({myNbFaces, anEar, myMetric != nullptr ? value(anEar.data(), 3, 0) : 0.0});
    ++myNbEdges;
    ++myNbFaces;
    myRest.clear();
    for (size_t k = 0; k < myLoop.size(); ++k)
    {
      myRest.push_back({myLoop[k], myLoopSides[k]});
    }
    myFirst = 0;
  }

  // The mean metric over the ears cut so far, the rest in myLoop and theEar,
  // summed in face order (theEar, the newest face, last).
  double score(const Triangle& theEar)
  {
    double        aSum   = 0.0;
    std::uint64_t aCount = 0;
    const auto    anAdd  = [&](double theValue)
    {
      if (theValue >= 0.0)
      {
        aSum += theValue;
        ++aCount;
      }
    };
    const double aRest     = value(myLoop.data(), myLoop.size(), 1);
    bool         isRestOut = false;
    for (const Ear& anEar : myEars)
    {
      if (!isRestOut && myRestFace < anEar.Face)
      {
        anAdd(aRest);
        isRestOut = true;
      }
      anAdd(anEar.Value);
    }
    if (!isRestOut)
    {
      anAdd(aRest);
    }
    anAdd(value(theEar.data(), 3, 0));
    return aCount > 0 ? aSum / static_cast<double>(aCount) : 0.0;
  }

  // The metric of the face with theCount corners, read from theFirst on.
  double value(const int* theCorners, size_t theCount, size_t theFirst)
  {
    myMetricCorners.clear();
    for (size_t k = 0; k < theCount; ++k)
    {
      const gp_Pnt2d& aPoint = point(theCorners[(theFirst + k) % theCount]);
      myMetricCorners.emplace_back(aPoint.X(), aPoint.Y(), 0.0);
    }
    return myMetric(myMetricCorners);
  }

  // The rest as a triangle, read from the end of its first side on.
  Triangle restTriangle() const { return {from(myFirst + 1), from(myFirst + 2), from(myFirst)}; }

  // True when the diagonal that cuts off the corner at the end of the side at
  // thePos joins corners no mesh edge joins, keeps clear of the other sides
  // (all but that side, the next two and the one before) and runs inside.
  bool isAdmissible(size_t thePos) const
  {
    const size_t m = myRest.size();
    const int    a = from(thePos);
    const int    c = from(thePos + 2);
    if (std::binary_search(myJoined->begin(), myJoined->end(),
                           std::make_pair(std::min(a, c), std::max(a, c))))
    {
      return false;
    }
    const gp_Pnt2d& aStart = point(a);
    const gp_Pnt2d& anEnd  = point(c);
    for (size_t k = 3; k + 1 < m; ++k)
    {
      const size_t q = thePos + k;
      if (!(segmentsSqDistance(aStart, anEnd, point(from(q)), point(from(q + 1)), myInner) >= mySqClearance))
      {
        return false;
      }
    }
    return isInside(gp_Pnt2d(0.5 * (aStart.XY() + anEnd.XY())));
  }

  // True when thePoint lies inside the rest (crossing parity, half-open in y)
  // and off its sides.
  bool isInside(const gp_Pnt2d& thePoint) const
  {
    bool isIn = false;
    for (size_t q = 0; q < myRest.size(); ++q)
    {
      const gp_Pnt2d &p = point(from(q)), &r = point(from(q + 1));
      if ((p.Y() > thePoint.Y()) != (r.Y() > thePoint.Y()) &&
          thePoint.X() < p.X() + (thePoint.Y() - p.Y()) * (r.X() - p.X()) / (r.Y() - p.Y()))
      {
        isIn = !isIn;
      }
      if (!(Planora::SqDistance::PntToSeg(thePoint, p, r) > myInner * myInner))
      {
        return false;
      }
    }
    return isIn;
  }

  // Twice the area of the loop of corners, summed from its first side on,
  // positive in the polygon's orientation.
  template <class Loop>
  double loopArea(const Loop& theCorners) const
  {
    const size_t m      = theCorners.size();
    double       anArea = 0.0;
    for (size_t k = 0; k < m; ++k)
    {
      anArea += point(theCorners[k]).XY().Crossed(point(theCorners[(k + 1) % m]).XY());
    }
    return mySign * anArea;
  }

  // The corner at the start of the side at thePos, counted around the rest.
  int from(size_t thePos) const { return myRest[thePos % myRest.size()].From; }

  const gp_Pnt2d& point(int theCorner) const { return (*myPoints)[size_t(theCorner)]; }

private:
  FaceMetric                   myMetric;
  const std::vector<gp_Pnt2d>* myPoints = nullptr;
  const CornerPairs*           myJoined = nullptr;
  std::vector<Side>            myRest;         // sides of the rest in boundary order
  size_t                       myFirst    = 0; // position of the rest's first side
  int                          myRestFace = 0;
  int                          myNbEdges  = 0;
  int                          myNbFaces  = 0;
  std::vector<Ear>             myEars; // in face order
  std::vector<int>             myLoop; // scratch: corners of the rest after a cut
  std::vector<int>             myLoopSides;
  std::vector<gp_Pnt>          myMetricCorners;
  double                       mySign        = 1.0;
  double                       mySqClearance = 0.0;
  double                       myDoubledArea = 0.0;
  double                       myInner       = 0.0;
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

// True when a normal is long enough to give a plane: above theLength, and
// far enough from zero to be normalized.
bool isUsable(const gp_XYZ& theNormal, double theLength)
{
  return theNormal.Modulus() > std::max(theLength, gp::Resolution());
}

// Plans faces one after the other, reusing its storage and the plans' from
// face to face: a skin has a million small faces, whose planning would
// otherwise be mostly memory allocation. One per thread, each on cache lines
// of its own, as every plan rewrites its buffers' bounds.
class alignas(64) FacePlanner
{
public:
  FacePlanner(FaceMetric theMetric, double theTolerance)
      : myCutting(theMetric),
        myTolerance(theTolerance)
  {
  }

  // Plans theFace into thePlan.
  void Plan(const Mesh& theMesh, Mesh::FaceHandle theFace, FacePlan& thePlan)
  {
    readCorners(theMesh, theFace, myCorners);
    planCorners(&theMesh, thePlan);
  }

  // Plans a lone polygon of thePoints, its corners numbered from 0 in order.
  void PlanLone(const std::vector<gp_Pnt>& thePoints, FacePlan& thePlan)
  {
    myCorners.Nodes.clear();
    myCorners.Points.clear();
    for (const gp_Pnt& aPoint : thePoints)
    {
      myCorners.Nodes.emplace_back(static_cast<int>(myCorners.Nodes.size()));
      myCorners.Points.push_back(aPoint.XYZ());
    }
    measureCorners(myCorners);
    planCorners(nullptr, thePlan);
  }

  // True when this planner judges with theMetric and theTolerance.
  bool IsFor(FaceMetric theMetric, double theTolerance) const
  {
    return myCutting.Metric() == theMetric && myTolerance == theTolerance;
  }

  // True when the face is too thin to give a plane.
  bool IsDegenerate(const Mesh& theMesh, Mesh::FaceHandle theFace)
  {
    readCorners(theMesh, theFace, myCorners);
    return !isUsable(newellNormal(myCorners.Points), myTolerance * myCorners.Size * myCorners.Size);
  }

  // True when the pairs of joined corners of thePlan's nodes are still thePlan.Joined.
  bool IsJoinedAsPlanned(const Mesh& theMesh, const FacePlan& thePlan)
  {
    joinedCorners(theMesh, thePlan.Nodes, myJoined);
    return myJoined == thePlan.Joined;
  }

private:
  // Plans the corners read into myCorners; theMesh tells which corners are
  // joined already (a lone polygon has no such pairs).
  void planCorners(const Mesh* theMesh, FacePlan& thePlan)
  {
    thePlan.Result = FacePlan::Unusable;
    thePlan.Joined.clear();
    thePlan.Triangles.clear();
    thePlan.Nodes.assign(myCorners.Nodes.begin(), myCorners.Nodes.end());
    if (myCorners.Nodes.size() < 3 || hasRepeatedNode(myCorners.Nodes, mySortedNodes))
    {
      return;
    }
    if (theMesh != nullptr)
    {
      joinedCorners(*theMesh, myCorners.Nodes, thePlan.Joined);
    }
    const double aSqSize = myCorners.Size * myCorners.Size;
    const gp_XYZ aNewell = newellNormal(myCorners.Points);
    if (!isUsable(aNewell, myTolerance * aSqSize))
    {
      thePlan.Result = FacePlan::Degenerate;
      return;
    }
    thePlan.Result = FacePlan::Cut;
    if (cutInPlane(aNewell, thePlan))
    {
      return;
    }
    const gp_XYZ aCorner = largestCornerNormal(myCorners.Points);
    if (isUsable(aCorner, THE_DOUBLED_AREA * aSqSize) &&
        (aCorner / aCorner.Modulus() - aNewell / aNewell.Modulus()).SquareModulus() > THE_SQ_NORMAL_GAP &&
        cutInPlane(aCorner, thePlan))
    {
      return;
    }
    thePlan.Result = FacePlan::Failed;
  }

  // The ear cutting of the face's corners in the plane through the first
  // corner with the given normal.
  bool cutInPlane(const gp_XYZ& theNormal, FacePlan& thePlan)
  {
    const gp_Pln aPlane(gp_Pnt(myCorners.Points.front()), gp_Dir(theNormal));
    myPoints.resize(myCorners.Points.size());
    for (size_t i = 0; i < myPoints.size(); ++i)
    {
      Planora::Project::PntOnPlane(aPlane, gp_Pnt(myCorners.Points[i]), myPoints[i]);
    }
    return myCutting.Perform(myPoints, myCorners.Size, thePlan.Joined, thePlan.Triangles);
  }

private:
  Corners                         myCorners;
  std::vector<gp_Pnt2d>           myPoints;
  std::vector<Mesh::VertexHandle> mySortedNodes;
  CornerPairs                     myJoined;
  EarCutting                      myCutting;
  double                          myTolerance;
};

// True when the face has more than three sides: three steps around it do not
// lead back. Asked of every face twice, it counts no further.
bool hasMoreThanThreeSides(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  const Mesh::HalfedgeHandle aFirst = theMesh.halfedge_handle(theFace);
  Mesh::HalfedgeHandle       aSide  = aFirst;
  for (int aStep = 0; aStep < 3; ++aStep)
  {
    if (!aSide.is_valid())
    {
      return false;
    }
    aSide = theMesh.next_halfedge_handle(aSide);
    if (aSide == aFirst)
    {
      return false;
    }
  }
  return aSide.is_valid();
}

bool isPolygon(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  return !theMesh.status(theFace).deleted() && hasMoreThanThreeSides(theMesh, theFace);
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

// Splits a polygon into a fan from a corner none of whose diagonals would
// double an edge of the mesh (the kernel's own split fans from the corner the
// face starts at, whatever joins it already); false, the face left as it is,
// when every corner has such a diagonal.
bool fanWithoutDoubling(Mesh& theMesh, Mesh::FaceHandle theFace)
{
  const std::vector<Mesh::HalfedgeHandle> aSides = sides(theMesh, theFace);
  std::vector<Mesh::VertexHandle>         aNodes;
  for (const Mesh::HalfedgeHandle aSide : aSides)
  {
    aNodes.push_back(theMesh.from_vertex_handle(aSide));
  }
  CornerPairs aPairs;
  joinedCorners(theMesh, aNodes, aPairs);
  for (int k = 0; k < static_cast<int>(aSides.size()); ++k)
  {
    const auto isAtK = [k](const std::pair<int, int>& thePair)
    { return thePair.first == k || thePair.second == k; };
    if (std::none_of(aPairs.begin(), aPairs.end(), isAtK))
    {
      theMesh.set_halfedge_handle(theFace, aSides[size_t(k)]);
      theMesh.triangulate(theFace);
      return true;
    }
  }
  return false;
}

// Local repairs of a degenerate face, repeated while one applies; what
// remains a polygon is split into a fan. False when it stays a polygon.
bool repairDegenerate(Mesh& theMesh, Mesh::FaceHandle theFace, double theTolerance)
{
  while (isPolygon(theMesh, theFace))
  {
    const double aDistance = theTolerance * corners(theMesh, theFace).Size;
    if (!collapseShortSide(theMesh, theFace, aDistance) && !dropFlatCorner(theMesh, theFace, aDistance))
    {
      return fanWithoutDoubling(theMesh, theFace);
    }
  }
  return true;
}

// Replaces the face by the planned triangles; when the kernel refuses one,
// the face is put back and split into a fan, and the result is false.
bool replace(Mesh& theMesh, Mesh::FaceHandle theFace, const FacePlan& thePlan)
{
  theMesh.delete_face(theFace, false);
  // Faces are appended: the triangles added so far are the faces from aFirstNew on.
  const int aFirstNew = static_cast<int>(theMesh.n_faces());
  for (const Triangle& aTriangle : thePlan.Triangles)
  {
    const Mesh::FaceHandle aNew =
        theMesh.add_face(thePlan.Nodes[size_t(aTriangle[0])], thePlan.Nodes[size_t(aTriangle[1])],
                         thePlan.Nodes[size_t(aTriangle[2])]);
    if (!aNew.is_valid())
    {
      for (int anAdded = aFirstNew; anAdded < static_cast<int>(theMesh.n_faces()); ++anAdded)
      {
        theMesh.delete_face(Mesh::FaceHandle(anAdded), false);
      }
      const Mesh::FaceHandle aBack = theMesh.add_face(thePlan.Nodes);
      if (aBack.is_valid())
      {
        fanWithoutDoubling(theMesh, aBack);
      }
      return false;
    }
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
    return repairDegenerate(theMesh, theFace, theTolerance);
  case FacePlan::Failed:
    fanWithoutDoubling(theMesh, theFace);
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
  aFaces.reserve(theMesh.n_faces());
  for (const Mesh::FaceHandle aFace : theMesh.faces())
  {
    if (hasMoreThanThreeSides(theMesh, aFace))
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
  FacePlanner            aPlanner(faceMetric(myMetric), myTolerance);
  FacePlan               aPlan;
  aPlanner.Plan(theMesh, aFace, aPlan);
  return applyPlan(theMesh, aFace, aPlan, myTolerance);
}

bool HalfEdgeAlgo_Triangulate::SplitPolygon(const std::vector<gp_Pnt>&       thePoints,
                                            std::vector<std::array<int, 3>>& theTriangles) const
{
  theTriangles.clear();
  // A polygon with a tiny side or without a plane is edited before it is cut.
  for (size_t i = 0; i < thePoints.size(); ++i)
  {
    if (thePoints[i].SquareDistance(thePoints[(i + 1) % thePoints.size()]) <= THE_TINY_SQ_LENGTH)
    {
      return false;
    }
  }
  // The crossing checks split the same few-cornered polygons by the
  // thousand, from every thread: each thread keeps one planner and plan, so
  // that a split costs no allocation.
  thread_local std::unique_ptr<FacePlanner> aPlanner;
  thread_local FacePlan                     aPlan;
  const FaceMetric                          aMetric = faceMetric(myMetric);
  if (!aPlanner || !aPlanner->IsFor(aMetric, myTolerance))
  {
    aPlanner = std::make_unique<FacePlanner>(aMetric, myTolerance);
  }
  aPlanner->PlanLone(thePoints, aPlan);
  if (aPlan.Result != FacePlan::Cut)
  {
    return false;
  }
  theTriangles.assign(aPlan.Triangles.begin(), aPlan.Triangles.end());
  return true;
}

bool HalfEdgeAlgo_Triangulate::Perform(Mesh& theMesh)
{
  bool        isDone = collapseTinyEdges(theMesh, myNbThreads);
  FacePlanner aPlanner(faceMetric(myMetric), myTolerance);
  // Degenerate faces next, whatever the thread count: their repairs move
  // nodes of neighbouring faces, which must not depend on when the
  // neighbours were planned. Until a repair changes the mesh, the faces
  // listed are the polygons.
  std::vector<Mesh::FaceHandle> aFaces     = polygons(theMesh);
  bool                          isRepaired = false;
  for (const Mesh::FaceHandle aFace : aFaces)
  {
    if ((!isRepaired || isPolygon(theMesh, aFace)) && aPlanner.IsDegenerate(theMesh, aFace))
    {
      repairDegenerate(theMesh, aFace, myTolerance);
      isRepaired = true;
    }
  }
  if (isRepaired)
  {
    aFaces = polygons(theMesh);
  }
  if (myNbThreads < 2)
  {
    FacePlan aPlan;
    for (const Mesh::FaceHandle aFace : aFaces)
    {
      if (isPolygon(theMesh, aFace))
      {
        aPlanner.Plan(theMesh, aFace, aPlan);
        isDone = applyPlan(theMesh, aFace, aPlan, myTolerance) && isDone;
      }
    }
    return isDone;
  }
  // Plans read the mesh only; they are applied in face order on this thread,
  // block after block. A plan made before an earlier face changed what it
  // depends on (its corners' places after a repair, the edges joining its
  // corners) is made again.
  std::vector<FacePlan>    aPlans(std::min(aFaces.size(), THE_BLOCK));
  const unsigned int       aNbThreads = applyParallelOptions();
  std::vector<FacePlanner> aPlanners(aNbThreads, aPlanner);
  bool                     isStale = false;
  for (size_t aBlock = 0; aBlock < aFaces.size(); aBlock += THE_BLOCK)
  {
    const long aBegin = static_cast<long>(aBlock);
    const long anEnd  = static_cast<long>(std::min(aFaces.size(), aBlock + THE_BLOCK));
    if (!isStale)
    {
#pragma omp parallel for schedule(dynamic, 16) if (anEnd - aBegin > Fundra::OMPParallel::MinParallelSize / 16)
      for (long i = aBegin; i < anEnd; ++i)
      {
        aPlanners[size_t(omp_get_thread_num())].Plan(theMesh, aFaces[size_t(i)], aPlans[size_t(i - aBegin)]);
      }
    }
    for (long i = aBegin; i < anEnd; ++i)
    {
      const Mesh::FaceHandle aFace = aFaces[size_t(i)];
      FacePlan&              aPlan = aPlans[size_t(i - aBegin)];
      if (!isPolygon(theMesh, aFace))
      {
        continue;
      }
      if (isStale || !aPlanner.IsJoinedAsPlanned(theMesh, aPlan))
      {
        aPlanner.Plan(theMesh, aFace, aPlan);
      }
      isStale = isStale || aPlan.Result == FacePlan::Degenerate;
      isDone  = applyPlan(theMesh, aFace, aPlan, myTolerance) && isDone;
    }
  }
  return isDone;
}
