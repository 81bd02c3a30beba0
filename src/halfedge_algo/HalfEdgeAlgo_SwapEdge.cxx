// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_SwapEdge.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_SubMeshByFaces.hxx>
#include <HalfEdge_FaceMetrics.hxx>
#include <HalfEdge_Skewness.hxx>

#include <algorithm>
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

  // The copy holds a few dozen faces: one thread does it faster than the
  // start of a parallel region.
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
  return myEdge == -1 ? swapAll(theMesh) : trialFlip(theMesh, myEdge, false);
}

bool HalfEdgeAlgo_SwapEdge::trialFlip(Mesh& theMesh, int theEdge, bool theIsChecked) const
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
      (theIsChecked && isCrossing(theMesh, anUndo.Face(0).idx(), anUndo.Face(1).idx())))
  {
    anUndo.Undo(theMesh);
    return false;
  }
  return true;
}

bool HalfEdgeAlgo_SwapEdge::isCrossing(Mesh& theMesh, int theFace0, int theFace1) const
{
  Handle(HalfEdgeAlgo_SubMeshByFaces) aRing = new HalfEdgeAlgo_SubMeshByFaces();
  for (const int aFace : {theFace0, theFace1})
  {
    for (Mesh::VertexHandle aCorner : theMesh.fv_range(Mesh::FaceHandle(aFace)))
    {
      for (Mesh::FaceHandle aNear : theMesh.vf_range(aCorner))
      {
        aRing->Faces().insert(aNear.idx());
      }
    }
  }
  aRing->Perform(theMesh);
  const int aCopy0 = aRing->SubFace(theFace0), aCopy1 = aRing->SubFace(theFace1);
  // A copy that could not take the new faces (a non-manifold neighbourhood)
  // proves nothing: the flip counts as crossing and is undone.
  if (aCopy0 < 0 || aCopy1 < 0)
  {
    return true;
  }
  return aRing->Result()->Execute(new CheckFacesOfCopy({aCopy0, aCopy1}, myTolerance), false);
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
  bool isChanged = false;
  // Faces queued again land after the current one or before it; a set keeps
  // its iterators valid through insertions, so the walk meets the former.
  for (auto aCurrent = aQueue.begin(); aCurrent != aQueue.end(); ++aCurrent)
  {
    const Mesh::EdgeHandle anEdge = longestFlippable(theMesh, Mesh::FaceHandle(aCurrent->second));
    if (!anEdge.is_valid() || !trialFlip(theMesh, anEdge.idx(), true))
    {
      continue;
    }
    isChanged = true;
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
