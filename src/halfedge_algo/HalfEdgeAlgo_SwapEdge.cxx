// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_SwapEdge.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_SubMeshByFaces.hxx>
#include <HalfEdge_FaceMetrics.hxx>
#include <HalfEdge_Skewness.hxx>
#include <Trivex_BoxSet.hxx>
#include <Trivex_IntersectBoxBox.hxx>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_SwapEdge, HalfEdgeAlgo_ModifyMesh)

namespace
{
// Limits below this switch the quality rule off.
constexpr double THE_NO_QUALITY_LIMIT = -1e-7;

double skewness(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  std::vector<gp_Pnt> aCorners;
  aCorners.reserve(3);
  for (Mesh::VertexHandle aVertex : theMesh.fv_range(theFace))
  {
    const Mesh::Point& aPoint = theMesh.point(aVertex);
    aCorners.emplace_back(aPoint[0], aPoint[1], aPoint[2]);
  }
  return HalfEdge_Skewness::Of(aCorners);
}

// Worst first; equal skewness by ascending face number, so that the walk does
// not depend on how the faces happen to be stored.
struct WorstFirst
{
  bool operator()(const std::pair<double, int>& theA, const std::pair<double, int>& theB) const
  {
    return theA.first > theB.first || (theA.first == theB.first && theA.second < theB.second);
  }
};

using Queue = std::set<std::pair<double, int>, WorstFirst>;

// The longest edge of theFace that can be flipped, or an invalid handle.
Mesh::EdgeHandle longestFlippable(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  Mesh::EdgeHandle aLongest;
  double           aLongestLength = -1.0;
  for (Mesh::HalfedgeHandle aHalf : theMesh.fh_range(theFace))
  {
    const double aLength = theMesh.calc_edge_sqr_length(aHalf);
    if (aLength > aLongestLength && theMesh.IsFlipOk(theMesh.edge_handle(aHalf)))
    {
      aLongest       = theMesh.edge_handle(aHalf);
      aLongestLength = aLength;
    }
  }
  return aLongest;
}

// What a flip rewires: the next, end node and face of the six halfedges of
// the two triangles, the first halfedge of both faces and the outgoing
// halfedge of both ends of the edge. A second flip would not undo the first:
// it turns the edge on round, so the two faces would trade their triangles
// and the edge its direction. Putting every handle back leaves the mesh
// exactly as it was, so a refused flip changes nothing later edits could see.
class FlipUndo
{
public:
  FlipUndo(const Mesh& theMesh, Mesh::EdgeHandle theEdge)
  {
    for (int aSide = 0; aSide < 2; ++aSide)
    {
      Mesh::HalfedgeHandle aHalf = theMesh.halfedge_handle(theEdge, aSide);
      myFaces[aSide]             = theMesh.face_handle(aHalf);
      myFaceHalves[aSide]        = theMesh.halfedge_handle(myFaces[aSide]);
      myNodes[aSide]             = theMesh.to_vertex_handle(aHalf);
      myNodeHalves[aSide]        = theMesh.halfedge_handle(myNodes[aSide]);
      for (int i = 0; i < 3; ++i, aHalf = theMesh.next_halfedge_handle(aHalf))
      {
        myHalves[3 * aSide + i] = {aHalf, theMesh.next_halfedge_handle(aHalf),
                                   theMesh.to_vertex_handle(aHalf), theMesh.face_handle(aHalf)};
      }
    }
  }

  Mesh::FaceHandle Face(int theSide) const { return myFaces[theSide]; }

  void Undo(Mesh& theMesh) const
  {
    for (const Half& aHalf : myHalves)
    {
      theMesh.set_next_halfedge_handle(aHalf.Self, aHalf.Next);
      theMesh.set_vertex_handle(aHalf.Self, aHalf.Node);
      theMesh.set_face_handle(aHalf.Self, aHalf.Face);
    }
    for (int aSide = 0; aSide < 2; ++aSide)
    {
      theMesh.set_halfedge_handle(myFaces[aSide], myFaceHalves[aSide]);
      theMesh.set_halfedge_handle(myNodes[aSide], myNodeHalves[aSide]);
    }
  }

private:
  struct Half
  {
    Mesh::HalfedgeHandle Self, Next;
    Mesh::VertexHandle   Node;
    Mesh::FaceHandle     Face;
  };
  Half                 myHalves[6];
  Mesh::FaceHandle     myFaces[2];
  Mesh::VertexHandle   myNodes[2];
  Mesh::HalfedgeHandle myFaceHalves[2];
  Mesh::HalfedgeHandle myNodeHalves[2];
};

// The check of given faces needs the storage of the copy it runs on, which
// the copy hands out only to an algorithm it executes.
class CheckFacesOfCopy : public HalfEdgeAlgo_CheckMesh
{
public:
  CheckFacesOfCopy(const std::set<int>& theFaces, double theTolerance)
      : myFaces(theFaces)
  {
    myTolerance = theTolerance;
  }

  std::string Name() const override { return "HalfEdgeAlgo_SwapEdge::CheckFacesOfCopy"; }

  // The copy holds one small neighbourhood: one thread checks it faster than
  // a parallel region starts.
  bool Perform(Mesh& theMesh) override
  {
    Handle(HalfEdgeAlgo_CheckSelfIntersections) aCheck = new HalfEdgeAlgo_CheckSelfIntersections();
    aCheck->SetTolerance(myTolerance);
    aCheck->SetNbThreads(1);
    return aCheck->Perform(theMesh, myFaces);
  }
  using HalfEdgeAlgo_Algorithm::Perform;

private:
  std::set<int> myFaces;
};
} // namespace

// A face that meets a box has every corner within its longest side of the
// box, so the nodes in the box grown by the longest edge of the mesh lead to
// all the faces that may meet it. No flip moves a node: one hierarchy over the
// nodes serves a whole run, and only the longest edge has to follow the flips.
class HalfEdgeAlgo_SwapEdge::NearFaces
{
public:
  NearFaces(const Mesh& theMesh, unsigned int theNbThreads, double theTolerance)
      : mySet(new Trivex::BoxSet(nodeBoxes(theMesh))),
        myQuery(mySet),
        myTolerance(theTolerance),
        mySquaredLongest(0.0)
  {
    mySet->SetNbBuilderThreads(static_cast<int>(theNbThreads));
    mySet->InitBuilder();
    mySet->Build();
    for (Mesh::EdgeHandle anEdge : theMesh.edges())
    {
      mySquaredLongest = std::max(mySquaredLongest, theMesh.calc_edge_sqr_length(anEdge));
    }
  }

  // Takes in the new edge of a kept flip.
  void AddEdge(const Mesh& theMesh, Mesh::EdgeHandle theEdge)
  {
    mySquaredLongest = std::max(mySquaredLongest, theMesh.calc_edge_sqr_length(theEdge));
  }

  // The live faces whose corner box meets the corner box of theFace0 and
  // theFace1 within the tolerance, the two faces included.
  std::set<int> Around(const Mesh& theMesh, int theFace0, int theFace1)
  {
    gp_XYZ aMin(RealLast(), RealLast(), RealLast()), aMax(-RealLast(), -RealLast(), -RealLast());
    for (const int aFace : {theFace0, theFace1})
    {
      addCorners(theMesh, Mesh::FaceHandle(aFace), aMin, aMax);
    }
    const double  aReach = std::sqrt(mySquaredLongest) + myTolerance;
    const gp_XYZ  aGrowth(aReach, aReach, aReach), aTol(myTolerance, myTolerance, myTolerance);
    std::set<int> aFaces;
    myQuery.Perform(Trivex::BoxData(aMin - aGrowth, aMax + aGrowth), myFound, 0.0);
    for (const int aNode : myQuery.Indices())
    {
      for (Mesh::FaceHandle aFace : theMesh.vf_range(Mesh::VertexHandle(aNode)))
      {
        gp_XYZ aFaceMin(RealLast(), RealLast(), RealLast()), aFaceMax(-RealLast(), -RealLast(), -RealLast());
        addCorners(theMesh, aFace, aFaceMin, aFaceMax);
        if (isInside(aFaceMin, aMax + aTol) && isInside(aMin - aTol, aFaceMax))
        {
          aFaces.insert(aFace.idx());
        }
      }
    }
    return aFaces;
  }

private:
  static std::vector<Trivex::BoxData> nodeBoxes(const Mesh& theMesh)
  {
    std::vector<Trivex::BoxData> aBoxes(theMesh.n_vertices());
    for (Mesh::VertexHandle aNode : theMesh.vertices())
    {
      const Mesh::Point& aPoint = theMesh.point(aNode);
      const gp_XYZ       aXYZ(aPoint[0], aPoint[1], aPoint[2]);
      aBoxes[static_cast<size_t>(aNode.idx())] = Trivex::BoxData(aXYZ, aXYZ, aNode.idx());
    }
    return aBoxes;
  }

  static void addCorners(const Mesh& theMesh, Mesh::FaceHandle theFace, gp_XYZ& theMin, gp_XYZ& theMax)
  {
    for (Mesh::VertexHandle aCorner : theMesh.fv_range(theFace))
    {
      const Mesh::Point& aPoint = theMesh.point(aCorner);
      for (int i = 0; i < 3; ++i)
      {
        theMin.SetCoord(i + 1, std::min(theMin.Coord(i + 1), aPoint[i]));
        theMax.SetCoord(i + 1, std::max(theMax.Coord(i + 1), aPoint[i]));
      }
    }
  }

  // True when theLow is at or below theHigh on every axis.
  static bool isInside(const gp_XYZ& theLow, const gp_XYZ& theHigh)
  {
    return theLow.X() <= theHigh.X() && theLow.Y() <= theHigh.Y() && theLow.Z() <= theHigh.Z();
  }

private:
  Handle(Trivex::BoxSet)       mySet;
  Trivex::IntersectBoxBox      myQuery;
  std::vector<Trivex::BoxData> myFound;
  double                       myTolerance;
  double                       mySquaredLongest;
};

HalfEdgeAlgo_SwapEdge::HalfEdgeAlgo_SwapEdge()
    : myEdge(-1),
      mySkewnessLimit(0.0)
{
}

std::string HalfEdgeAlgo_SwapEdge::Name() const
{
  return "HalfEdgeAlgo_SwapEdge";
}

bool HalfEdgeAlgo_SwapEdge::Perform(Mesh& theMesh)
{
  return myEdge == -1 ? swapAll(theMesh) : trialFlip(theMesh, myEdge, nullptr);
}

bool HalfEdgeAlgo_SwapEdge::trialFlip(Mesh& theMesh, int theEdge, NearFaces* theNear) const
{
  const Mesh::EdgeHandle anEdge(theEdge);
  if (!theMesh.IsFlipOk(anEdge))
  {
    return false;
  }
  const FlipUndo anUndo(theMesh, anEdge);
  const double   aBefore = std::max(skewness(theMesh, anUndo.Face(1)), skewness(theMesh, anUndo.Face(0)));
  theMesh.Flip(anEdge);
  const double anAfter = std::max(skewness(theMesh, anUndo.Face(1)), skewness(theMesh, anUndo.Face(0)));
  if ((mySkewnessLimit >= THE_NO_QUALITY_LIMIT && anAfter > aBefore) ||
      (theNear != nullptr && isCrossing(theMesh, anUndo.Face(0).idx(), anUndo.Face(1).idx(), *theNear)))
  {
    anUndo.Undo(theMesh);
    return false;
  }
  return true;
}

bool HalfEdgeAlgo_SwapEdge::isCrossing(Mesh& theMesh, int theFace0, int theFace1, NearFaces& theNear) const
{
  Handle(HalfEdgeAlgo_SubMeshByFaces) aNearby = new HalfEdgeAlgo_SubMeshByFaces();
  aNearby->SetFaces(theNear.Around(theMesh, theFace0, theFace1));
  aNearby->Perform(theMesh);
  const int aCopy0 = aNearby->SubFace(theFace0), aCopy1 = aNearby->SubFace(theFace1);
  // A copy that could not take the new faces (a non-manifold neighbourhood)
  // proves nothing: the flip counts as crossing and is undone.
  if (aCopy0 < 0 || aCopy1 < 0)
  {
    return true;
  }
  return aNearby->Result()->Execute(new CheckFacesOfCopy({aCopy0, aCopy1}, myTolerance), false);
}

bool HalfEdgeAlgo_SwapEdge::swapAll(Mesh& theMesh) const
{
  Queue aQueue;
  for (Mesh::FaceHandle aFace : theMesh.faces())
  {
    if (theMesh.valence(aFace) != 3)
    {
      continue;
    }
    const double aSkewness = skewness(theMesh, aFace);
    if (aSkewness >= mySkewnessLimit)
    {
      aQueue.emplace(aSkewness, aFace.idx());
    }
  }
  NearFaces aNear(theMesh, applyParallelOptions(), myTolerance);
  bool      isChanged = false;
  // Faces queued again land after the current one or before it; a set keeps
  // its iterators valid through insertions, so the walk meets the former.
  for (auto aCurrent = aQueue.begin(); aCurrent != aQueue.end(); ++aCurrent)
  {
    const Mesh::EdgeHandle anEdge = longestFlippable(theMesh, Mesh::FaceHandle(aCurrent->second));
    if (!anEdge.is_valid() || !trialFlip(theMesh, anEdge.idx(), &aNear))
    {
      continue;
    }
    isChanged = true;
    aNear.AddEdge(theMesh, anEdge);
    for (int aSide = 0; aSide < 2; ++aSide)
    {
      const Mesh::FaceHandle aNew      = theMesh.face_handle(theMesh.halfedge_handle(anEdge, aSide));
      const double           aSkewness = skewness(theMesh, aNew);
      if (aSkewness > mySkewnessLimit)
      {
        aQueue.emplace(aSkewness, aNew.idx());
      }
    }
  }
  if (const std::shared_ptr<HalfEdge_FaceMetrics> aMetric = theMesh.GetMetrics("skewness"))
  {
    aMetric->Compute();
  }
  return isChanged;
}
