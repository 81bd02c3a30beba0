// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_Sewing.hxx>
#include <HalfEdgeAlgo_SplitEdge.hxx>

#include <algorithm>
#include <map>
#include <set>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_Sewing, HalfEdgeAlgo_ModifyMesh)

namespace
{
// Node to the nodes it is joined to by boundary edges, both ordered so that
// the sewing does not depend on how the mesh stores its halfedges.
using BoundaryMap = std::map<int, std::set<int>>;

BoundaryMap boundaryMap(const Mesh& theMesh)
{
  BoundaryMap aMap;
  for (const Mesh::HalfedgeHandle aHalf : theMesh.halfedges())
  {
    if (theMesh.is_boundary(aHalf))
    {
      const int aFrom = theMesh.from_vertex_handle(aHalf).idx();
      const int aTo   = theMesh.to_vertex_handle(aHalf).idx();
      aMap[aFrom].insert(aTo);
      aMap[aTo].insert(aFrom);
    }
  }
  return aMap;
}

// Squared distance from theP to the segment theA-theB.
double sqDistanceToSegment(const Mesh::Point& theP, const Mesh::Point& theA, const Mesh::Point& theB)
{
  const Mesh::Point aSide     = theB - theA;
  const double      aSqLength = aSide.sqrnorm();
  if (aSqLength > 0.0)
  {
    const double aT = (theP - theA).dot(aSide) / aSqLength;
    if (aT >= 0.0 && aT <= 1.0)
    {
      return (theP - (theA + aSide * aT)).sqrnorm();
    }
  }
  return std::min((theP - theA).sqrnorm(), (theP - theB).sqrnorm());
}

// The first edge theK-theX of theNeighbours with another neighbour theY on
// it, the neighbours taken in ascending pairs; false when there is none.
bool findPair(const Mesh&          theMesh,
              int                  theK,
              const std::set<int>& theNeighbours,
              double               theSqTolerance,
              int&                 theX,
              int&                 theY)
{
  const auto aPoint = [&theMesh](int theNode) { return theMesh.point(Mesh::VertexHandle(theNode)); };
  for (auto anA = theNeighbours.begin(); anA != theNeighbours.end(); ++anA)
  {
    for (auto aB = std::next(anA); aB != theNeighbours.end(); ++aB)
    {
      if (sqDistanceToSegment(aPoint(*aB), aPoint(theK), aPoint(*anA)) < theSqTolerance)
      {
        theX = *anA;
        theY = *aB;
        return true;
      }
      if (sqDistanceToSegment(aPoint(*anA), aPoint(theK), aPoint(*aB)) < theSqTolerance)
      {
        theX = *aB;
        theY = *anA;
        return true;
      }
    }
  }
  return false;
}

bool isLive(const Mesh& theMesh, int theNode)
{
  return theNode >= 0 && theNode < static_cast<int>(theMesh.n_vertices()) &&
         !theMesh.status(Mesh::VertexHandle(theNode)).deleted();
}

// The edge joining two nodes in either direction; invalid when there is none.
Mesh::EdgeHandle edgeBetween(const Mesh& theMesh, int theA, int theB)
{
  if (!isLive(theMesh, theA) || !isLive(theMesh, theB))
  {
    return Mesh::EdgeHandle();
  }
  const Mesh::VertexHandle aA(theA), aB(theB);
  Mesh::HalfedgeHandle     aHalf = theMesh.find_halfedge(aA, aB);
  if (!aHalf.is_valid())
  {
    aHalf = theMesh.find_halfedge(aB, aA);
  }
  return aHalf.is_valid() ? theMesh.edge_handle(aHalf) : Mesh::EdgeHandle();
}

// The halfedge of theEdge on the side without a face; invalid unless exactly
// one side has a face.
Mesh::HalfedgeHandle freeSide(const Mesh& theMesh, Mesh::EdgeHandle theEdge)
{
  const Mesh::HalfedgeHandle aFirst      = theMesh.halfedge_handle(theEdge, 0);
  const Mesh::HalfedgeHandle aSecond     = theMesh.halfedge_handle(theEdge, 1);
  const bool                 isFirstFree = !theMesh.face_handle(aFirst).is_valid();
  if (isFirstFree == !theMesh.face_handle(aSecond).is_valid())
  {
    return Mesh::HalfedgeHandle();
  }
  return isFirstFree ? aFirst : aSecond;
}

// Makes theKept and theTwin, two boundary edges between the same nodes with
// their faces on opposite sides, one interior edge: the twin's face takes the
// kept edge's free halfedge, the boundary loops close up around the pair and
// the twin is deleted. Inserting a node that already has faces into an edge
// leaves it two fans and the edge doubled; this stitches the fans back into
// one. False, changing nothing, when the edges do not match that way.
bool joinTwins(Mesh& theMesh, Mesh::EdgeHandle theKept, Mesh::EdgeHandle theTwin)
{
  if (theKept == theTwin || theMesh.status(theTwin).deleted())
  {
    return false;
  }
  const Mesh::HalfedgeHandle aFree     = freeSide(theMesh, theKept); // u -> w, no face
  const Mesh::HalfedgeHandle aTwinFree = freeSide(theMesh, theTwin); // w -> u, no face
  if (!aFree.is_valid() || !aTwinFree.is_valid() ||
      theMesh.from_vertex_handle(aFree) != theMesh.to_vertex_handle(aTwinFree) ||
      theMesh.to_vertex_handle(aFree) != theMesh.from_vertex_handle(aTwinFree))
  {
    return false;
  }
  const Mesh::HalfedgeHandle aTwinFaced = theMesh.opposite_halfedge_handle(aTwinFree); // u -> w
  const Mesh::FaceHandle     aFace      = theMesh.face_handle(aTwinFaced);
  const Mesh::VertexHandle   aU         = theMesh.from_vertex_handle(aFree);
  const Mesh::VertexHandle   aW         = theMesh.to_vertex_handle(aFree);
  const Mesh::HalfedgeHandle aPrevFree  = theMesh.prev_halfedge_handle(aFree);
  const Mesh::HalfedgeHandle aNextFree  = theMesh.next_halfedge_handle(aFree);
  const Mesh::HalfedgeHandle aPrevTwin  = theMesh.prev_halfedge_handle(aTwinFree);
  const Mesh::HalfedgeHandle aNextTwin  = theMesh.next_halfedge_handle(aTwinFree);
  const Mesh::HalfedgeHandle aPrevFaced = theMesh.prev_halfedge_handle(aTwinFaced);
  const Mesh::HalfedgeHandle aNextFaced = theMesh.next_halfedge_handle(aTwinFaced);
  // Boundary loops: at u the loop that came in before aFree goes on after
  // aTwinFree, and at w the other way round; a gap the pair closes drops out.
  if (aNextTwin != aFree)
  {
    theMesh.set_next_halfedge_handle(aPrevFree, aNextTwin);
  }
  if (aNextFree != aTwinFree)
  {
    theMesh.set_next_halfedge_handle(aPrevTwin, aNextFree);
  }
  theMesh.set_next_halfedge_handle(aPrevFaced, aFree);
  theMesh.set_next_halfedge_handle(aFree, aNextFaced);
  theMesh.set_face_handle(aFree, aFace);
  if (theMesh.halfedge_handle(aFace) == aTwinFaced)
  {
    theMesh.set_halfedge_handle(aFace, aFree);
  }
  if (theMesh.halfedge_handle(aU) == aTwinFaced)
  {
    theMesh.set_halfedge_handle(aU, aFree);
  }
  if (theMesh.halfedge_handle(aW) == aTwinFree)
  {
    theMesh.set_halfedge_handle(aW, theMesh.opposite_halfedge_handle(aFree));
  }
  theMesh.status(theTwin).set_deleted(true);
  theMesh.status(aTwinFree).set_deleted(true);
  theMesh.status(aTwinFaced).set_deleted(true);
  theMesh.adjust_outgoing_halfedge(aU);
  theMesh.adjust_outgoing_halfedge(aW);
  return true;
}

// Number of gaps in the fans around theNode: boundary halfedges leaving it.
int nbGaps(const Mesh& theMesh, Mesh::VertexHandle theNode)
{
  int aNbGaps = 0;
  for (const Mesh::HalfedgeHandle anOut : theMesh.voh_range(theNode))
  {
    aNbGaps += theMesh.is_boundary(anOut) ? 1 : 0;
  }
  return aNbGaps;
}

// The boundary halfedge coming into the node that theOut, a boundary
// halfedge, leaves: the other side of the same fan.
Mesh::HalfedgeHandle fanEnd(const Mesh& theMesh, Mesh::HalfedgeHandle theOut)
{
  Mesh::HalfedgeHandle anOut = theOut;
  for (size_t aStep = 0; aStep < theMesh.n_halfedges(); ++aStep)
  {
    anOut = theMesh.next_halfedge_handle(theMesh.opposite_halfedge_handle(anOut));
    if (theMesh.is_boundary(theMesh.opposite_halfedge_handle(anOut)))
    {
      return theMesh.opposite_halfedge_handle(anOut);
    }
  }
  return Mesh::HalfedgeHandle();
}

// True when joining the gap between theIn and theOut, boundary halfedges into
// and out of one node, would break the ring of fans around it: the join
// closes one fan while another remains, or splices a ring of three fans or
// more, which can fall apart into two rings, some faces then no longer found
// from the node. Joining the two fans of a ring of two is fine.
bool isJoinBreakingRing(const Mesh& theMesh, Mesh::HalfedgeHandle theIn, Mesh::HalfedgeHandle theOut)
{
  if (!theIn.is_valid() || !theOut.is_valid())
  {
    return false;
  }
  const int aNbGaps = nbGaps(theMesh, theMesh.from_vertex_handle(theOut));
  return aNbGaps > 2 || (aNbGaps == 2 && fanEnd(theMesh, theOut) == theIn);
}

// False when splitting theEdge at theY and joining the halves with their
// twins would break the mesh: a half whose twin runs the same way round
// (another face has that halfedge already) cannot be joined, and no join may
// break the ring of fans around a node.
bool isSplitJoinable(const Mesh& theMesh, Mesh::EdgeHandle theEdge, int theY)
{
  if (!theEdge.is_valid() || !isLive(theMesh, theY))
  {
    return true; // the split itself refuses
  }
  // An edge that earlier joins left between two faces is no crack any more.
  const Mesh::HalfedgeHandle aFree = freeSide(theMesh, theEdge);
  if (!aFree.is_valid())
  {
    return false;
  }
  // The face runs a -> b; after the split it runs a -> y -> b.
  const Mesh::VertexHandle aA = theMesh.to_vertex_handle(aFree), aB = theMesh.from_vertex_handle(aFree),
                           aY(theY);
  const Mesh::HalfedgeHandle aToY = theMesh.find_halfedge(aA, aY), aFromY = theMesh.find_halfedge(aY, aB);
  for (const Mesh::HalfedgeHandle aHalf : {aToY, aFromY})
  {
    if (aHalf.is_valid() && theMesh.face_handle(aHalf).is_valid())
    {
      return false;
    }
  }
  // The split gives a node y that has faces a fan of its own (the face's),
  // outside the ring of its other fans until a join merges them: y needs a
  // twin, and one gap only to begin with.
  const bool hasTwin  = aToY.is_valid() || aFromY.is_valid();
  const bool hasFaces = theMesh.halfedge_handle(aY).is_valid();
  return !isJoinBreakingRing(theMesh, aFree, aToY) && !isJoinBreakingRing(theMesh, aFromY, aFree) &&
         !(hasFaces && (!hasTwin || nbGaps(theMesh, aY) != 1));
}

// Splits the edge theK-theX at the existing node theY, and joins each half
// with the edge from the other side of the crack that it now doubles (k-y,
// and y-x where the crack closes there); true when both halves are then in place.
bool splitAt(Mesh& theMesh, int theK, int theX, int theY)
{
  const Mesh::EdgeHandle anEdge = edgeBetween(theMesh, theK, theX);
  if (!isSplitJoinable(theMesh, anEdge, theY))
  {
    return false;
  }
  // Looked up before the split, while theY has one fan to search.
  const Mesh::EdgeHandle aTwins[2] = {edgeBetween(theMesh, theK, theY), edgeBetween(theMesh, theY, theX)};
  Handle(HalfEdgeAlgo_SplitEdge) aSplit = new HalfEdgeAlgo_SplitEdge(anEdge.idx());
  aSplit->SetNode(theY);
  if (!aSplit->Perform(theMesh))
  {
    return false;
  }
  bool isJoined = true;
  for (const Mesh::EdgeHandle aHalf : {anEdge, Mesh::EdgeHandle(static_cast<int>(theMesh.n_edges()) - 1)})
  {
    const Mesh::HalfedgeHandle aSide = theMesh.halfedge_handle(aHalf, 0);
    const bool                 isAtK =
        theMesh.from_vertex_handle(aSide).idx() == theK || theMesh.to_vertex_handle(aSide).idx() == theK;
    const Mesh::EdgeHandle aTwin = aTwins[isAtK ? 0 : 1];
    if (aTwin.is_valid())
    {
      isJoined = joinTwins(theMesh, aHalf, aTwin) && isJoined;
    }
  }
  return isJoined && edgeBetween(theMesh, theK, theY).is_valid() &&
         edgeBetween(theMesh, theY, theX).is_valid();
}

void replace(BoundaryMap& theMap, int theNode, int theOld, int theNew)
{
  const auto anEntry = theMap.find(theNode);
  if (anEntry != theMap.end())
  {
    anEntry->second.erase(theOld);
    anEntry->second.insert(theNew);
  }
}
} // namespace

HalfEdgeAlgo_Sewing::HalfEdgeAlgo_Sewing(double theSewingTolerance)
    : mySewingTolerance(theSewingTolerance)
{
}

std::string HalfEdgeAlgo_Sewing::Name() const
{
  return "HalfEdgeAlgo_Sewing";
}

bool HalfEdgeAlgo_Sewing::Perform(Mesh& theMesh)
{
  BoundaryMap  aMap          = boundaryMap(theMesh);
  const double aSqTolerance  = mySewingTolerance * mySewingTolerance;
  bool         isDone        = true;
  bool         isSplitInPass = true;
  while (isSplitInPass)
  {
    isSplitInPass = false;
    for (auto& [aK, aNeighbours] : aMap)
    {
      int aX = -1, aY = -1;
      if (!findPair(theMesh, aK, aNeighbours, aSqTolerance, aX, aY))
      {
        continue;
      }
      isDone = splitAt(theMesh, aK, aX, aY) && isDone;
      // The map follows the sewing even when the split failed: each update
      // drops two entries of k, so the passes end.
      aNeighbours.erase(aX);
      aNeighbours.erase(aY);
      replace(aMap, aY, aK, aX);
      replace(aMap, aX, aK, aY);
      isSplitInPass = true;
    }
  }
  return isDone;
}
