// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_SimpleSmooth.hxx>

#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_SimpleSmooth, HalfEdgeAlgo_ModifyMesh)

namespace
{
// A node that moves less than 1e-7 does not count as moved.
constexpr double THE_SQUARED_STILL = 1e-14;

// The area-weighted normal of theNode's faces and the mean length of its
// edges, both in theSnapshot.
void normalAndSpan(const Mesh&                     theMesh,
                   Mesh::VertexHandle              theNode,
                   const std::vector<Mesh::Point>& theSnapshot,
                   Mesh::Point&                    theNormal,
                   double&                         theSpan)
{
  theNormal                  = Mesh::Point(0.0, 0.0, 0.0);
  theSpan                    = 0.0;
  int               aNbEdges = 0;
  const Mesh::Point aCentre  = theSnapshot[static_cast<size_t>(theNode.idx())];
  for (Mesh::HalfedgeHandle anOut : theMesh.voh_range(theNode))
  {
    const Mesh::Point anEnd = theSnapshot[static_cast<size_t>(theMesh.to_vertex_handle(anOut).idx())];
    theSpan += (anEnd - aCentre).norm();
    ++aNbEdges;
    if (theMesh.face_handle(anOut).is_valid())
    {
      // The next corner of this face after the edge's end closes the triangle fan.
      const Mesh::Point aNext = theSnapshot[static_cast<size_t>(
          theMesh.to_vertex_handle(theMesh.next_halfedge_handle(anOut)).idx())];
      theNormal += (anEnd - aCentre) % (aNext - aCentre);
    }
  }
  theSpan              = aNbEdges > 0 ? theSpan / aNbEdges : 0.0;
  const double aLength = theNormal.norm();
  theNormal            = aLength > 1e-300 ? theNormal / aLength : Mesh::Point(0.0, 0.0, 0.0);
}

// One pass: every interior node to the average of its faces' corners in
// theSnapshot, keeping theNormalShare of the move along its normal, then
// (all nodes, or only those of theLifted when it is not empty) theLift times
// its mean edge length along its normal, against it for the nodes of
// thePulled. True when some node moved.
bool averagePass(Mesh&                           theMesh,
                 const std::vector<Mesh::Point>& theSnapshot,
                 double                          theNormalShare,
                 double                          theLift,
                 const std::set<int>&            theLifted,
                 const std::set<int>&            thePulled,
                 const std::set<int>&            theMoved)
{
  bool isMoved = false;
  for (Mesh::VertexHandle aNode : theMesh.vertices())
  {
    if (!theMoved.empty() && theMoved.count(aNode.idx()) == 0)
    {
      continue;
    }
    // Also true for a node whose faces were all deleted: it has no outgoing halfedge.
    if (theMesh.is_boundary(aNode))
    {
      continue;
    }
    Mesh::Point aSum(0.0, 0.0, 0.0);
    int         aCount = 0;
    for (Mesh::FaceHandle aFace : theMesh.vf_range(aNode))
    {
      for (Mesh::VertexHandle aCorner : theMesh.fv_range(aFace))
      {
        aSum += theSnapshot[static_cast<size_t>(aCorner.idx())];
        ++aCount;
      }
    }
    Mesh::Point aTarget  = aSum / static_cast<double>(aCount);
    const bool  isLifted = theLift != 0.0 && (theLifted.empty() || theLifted.count(aNode.idx()) != 0);
    Mesh::Point aNormal(0.0, 0.0, 0.0);
    double      aSpan = 0.0;
    if (isLifted || theNormalShare != 1.0)
    {
      normalAndSpan(theMesh, aNode, theSnapshot, aNormal, aSpan);
    }
    if (theNormalShare != 1.0)
    {
      const Mesh::Point aMove = aTarget - theSnapshot[static_cast<size_t>(aNode.idx())];
      aTarget -= aNormal * ((aMove | aNormal) * (1.0 - theNormalShare));
    }
    if (isLifted)
    {
      const double aLift = thePulled.count(aNode.idx()) != 0 ? -theLift : theLift;
      aTarget += aNormal * (aLift * aSpan);
    }
    isMoved = isMoved || (aTarget - theMesh.point(aNode)).sqrnorm() > THE_SQUARED_STILL;
    theMesh.set_point(aNode, aTarget);
  }
  return isMoved;
}
} // namespace

HalfEdgeAlgo_SimpleSmooth::HalfEdgeAlgo_SimpleSmooth()
    : myNbIterations(5),
      myLift(0.0),
      myNormalShare(1.0)
{
}

std::string HalfEdgeAlgo_SimpleSmooth::Name() const
{
  return "HalfEdgeAlgo_SimpleSmooth";
}

bool HalfEdgeAlgo_SimpleSmooth::Perform(Mesh& theMesh)
{
  std::vector<Mesh::Point> aSnapshot(theMesh.n_vertices());
  for (Mesh::VertexHandle aNode : theMesh.vertices())
  {
    aSnapshot[static_cast<size_t>(aNode.idx())] = theMesh.point(aNode);
  }
  bool isMoved = true;
  for (int aPass = 0; aPass < myNbIterations && isMoved; ++aPass)
  {
    isMoved = averagePass(theMesh, aSnapshot, myNormalShare, myLift, myLifted, myPulled, myMoved);
  }
  return true;
}
