#include <HalfEdgeAlgo_CollapseRepairs.hxx>

#include <set>

namespace
{
typedef Mesh::HalfedgeHandle Half;
typedef Mesh::VertexHandle   Node;
typedef Mesh::FaceHandle     Face;
typedef std::vector<Node>    Cycle;

// The largest pocket filled. The pockets that collapses leave behind are
// folds of a few faces (mostly 2 to 9); a larger disc behind a cycle of
// three edges is a feature of the surface, whose loss would be worse than a
// refused collapse.
constexpr size_t THE_MAX_POCKET_FACES = 16;

// Each repair removes a node or a shared neighbour, so the rounds end; the
// bound is a safeguard.
constexpr int THE_MAX_ROUNDS = 64;

Cycle cornersOf(const Mesh& theMesh, Face theFace)
{
  Cycle aCorners;
  for (auto aCorner = theMesh.cfv_iter(theFace); aCorner.is_valid(); ++aCorner)
  {
    aCorners.push_back(*aCorner);
  }
  return aCorners;
}

bool isTriangle(const Mesh& theMesh, Face theFace)
{
  return theFace.is_valid() && theMesh.valence(theFace) == 3;
}

// True when the node has faces all around it, all triangles.
bool isInnerNodeOfTriangles(const Mesh& theMesh, Node theNode)
{
  if (!theMesh.halfedge_handle(theNode).is_valid() || theMesh.is_boundary(theNode))
  {
    return false;
  }
  for (auto aFace = theMesh.cvf_iter(theNode); aFace.is_valid(); ++aFace)
  {
    if (theMesh.valence(*aFace) != 3)
    {
      return false;
    }
  }
  return true;
}

// True when theNode is the third corner of a triangle beside the edge of theHalf.
bool isCornerBeside(const Mesh& theMesh, Half theHalf, Node theNode)
{
  for (const Half aSide : {theHalf, theMesh.opposite_halfedge_handle(theHalf)})
  {
    if (isTriangle(theMesh, theMesh.face_handle(aSide)) &&
        theMesh.to_vertex_handle(theMesh.next_halfedge_handle(aSide)) == theNode)
    {
      return true;
    }
  }
  return false;
}

// Deletes theOld and adds theNew in their place. The callers check that the
// new faces fill exactly the hole the old ones leave, with distinct corners,
// so the kernel accepts them; should it refuse one all the same, the old faces
// are put back into their own hole. Refused when a side of the hole has no
// face beyond it: its edge would go with the old faces and come back under
// another number.
bool replaceFaces(Mesh& theMesh, const std::vector<Face>& theOld, const std::vector<Cycle>& theNew)
{
  std::vector<Cycle> anOldCycles;
  for (const Face aFace : theOld)
  {
    for (auto aHalf = theMesh.cfh_iter(aFace); aHalf.is_valid(); ++aHalf)
    {
      const Face aBeyond = theMesh.opposite_face_handle(*aHalf);
      if (!aBeyond.is_valid())
      {
        return false;
      }
    }
    anOldCycles.push_back(cornersOf(theMesh, aFace));
  }
  for (const Face aFace : theOld)
  {
    theMesh.delete_face(aFace, false);
  }
  std::vector<Face> anAdded;
  for (const Cycle& aCycle : theNew)
  {
    const Face aFace = theMesh.add_face(aCycle);
    if (!aFace.is_valid())
    {
      for (const Face anOther : anAdded)
      {
        theMesh.delete_face(anOther, false);
      }
      for (const Cycle& anOld : anOldCycles)
      {
        theMesh.add_face(anOld);
      }
      return false;
    }
    anAdded.push_back(aFace);
  }
  return true;
}

// Marks deleted the nodes of theNodes that the replaced faces left without edges.
void deleteLoneNodes(Mesh& theMesh, const std::set<int>& theNodes)
{
  for (const int aNode : theNodes)
  {
    if (!theMesh.halfedge_handle(Node(aNode)).is_valid())
    {
      theMesh.status(Node(aNode)).set_deleted(true);
    }
  }
}

Mesh::Point normalOf(const Mesh& theMesh, Node theA, Node theB, Node theC)
{
  return (theMesh.point(theB) - theMesh.point(theA)) % (theMesh.point(theC) - theMesh.point(theA));
}
} // namespace

HalfEdgeAlgo_CollapseRepairs::HalfEdgeAlgo_CollapseRepairs(Mesh&                           theMesh,
                                                           const std::function<bool(int)>& theIsHeld)
    : myMesh(theMesh),
      myIsHeld(theIsHeld)
{
}

bool HalfEdgeAlgo_CollapseRepairs::IsLegal(Mesh& theMesh, Half theHalf)
{
  if (!theMesh.is_collapse_ok(theHalf))
  {
    return false;
  }
  // The kernel looks at neighbours only: a polygon with both ends as corners
  // that are not neighbours in it would keep the merged node twice.
  const Node aTo    = theMesh.to_vertex_handle(theHalf);
  const Face aLeft  = theMesh.face_handle(theHalf);
  const Face aRight = theMesh.opposite_face_handle(theHalf);
  for (auto aFace = theMesh.cvf_iter(theMesh.from_vertex_handle(theHalf)); aFace.is_valid(); ++aFace)
  {
    if (*aFace == aLeft || *aFace == aRight)
    {
      continue;
    }
    for (auto aCorner = theMesh.cfv_iter(*aFace); aCorner.is_valid(); ++aCorner)
    {
      if (*aCorner == aTo)
      {
        return false;
      }
    }
  }
  return true;
}

bool HalfEdgeAlgo_CollapseRepairs::IsBackToBackPocket(const Mesh& theMesh, Half theHalf)
{
  const Half anOpposite = theMesh.opposite_halfedge_handle(theHalf);
  if (theMesh.is_boundary(theHalf) || theMesh.is_boundary(anOpposite))
  {
    return false;
  }
  // One loop forwards, the other backwards, corner by corner.
  Half aForward  = theHalf;
  Half aBackward = anOpposite;
  do
  {
    if (theMesh.to_vertex_handle(aForward) != theMesh.from_vertex_handle(aBackward))
    {
      return false;
    }
    aForward  = theMesh.next_halfedge_handle(aForward);
    aBackward = theMesh.prev_halfedge_handle(aBackward);
  } while (aForward != theHalf && aBackward != anOpposite);
  return aForward == theHalf && aBackward == anOpposite;
}

bool HalfEdgeAlgo_CollapseRepairs::Run(Half theHalf)
{
  for (int aRound = 0; aRound < THE_MAX_ROUNDS; ++aRound)
  {
    if (!removeValenceThreeCorner(theHalf) && !fillSharedNeighbourPocket(theHalf) &&
        !cutSharedNeighbourEdge(theHalf, &HalfEdgeAlgo_CollapseRepairs::flip) &&
        !cutSharedNeighbourEdge(theHalf, &HalfEdgeAlgo_CollapseRepairs::dissolve))
    {
      return false;
    }
    if (IsLegal(myMesh, theHalf))
    {
      return true;
    }
  }
  return false;
}

// Around a corner c of valence 3 beside the edge (a, b), the triangles
// (a, b, c), (b, x, c), (x, a, c) cover exactly the triangle (a, b, x): its
// sides are edges of the fan, run in the same direction as in the fan. So the
// one triangle (a, b, x) fills the hole the three leave, with the orientation
// of its neighbours across those sides; c, inside the hole, goes away, and
// so do its three edges. Afterwards x, which was a neighbour of both a and b,
// is the corner beside the edge on that side.
bool HalfEdgeAlgo_CollapseRepairs::removeValenceThreeCorner(Half theHalf)
{
  for (const Half aSide : {theHalf, myMesh.opposite_halfedge_handle(theHalf)})
  {
    if (!isTriangle(myMesh, myMesh.face_handle(aSide)))
    {
      continue;
    }
    const Node aFrom   = myMesh.from_vertex_handle(aSide);
    const Node aTo     = myMesh.to_vertex_handle(aSide);
    const Node aCorner = myMesh.to_vertex_handle(myMesh.next_halfedge_handle(aSide));
    if (myMesh.valence(aCorner) != 3 || !isInnerNodeOfTriangles(myMesh, aCorner))
    {
      continue;
    }
    std::vector<Face> aFan;
    Node              aThird;
    for (auto anOut = myMesh.cvoh_iter(aCorner); anOut.is_valid(); ++anOut)
    {
      aFan.push_back(myMesh.face_handle(*anOut));
      const Node aNeighbour = myMesh.to_vertex_handle(*anOut);
      aThird                = aNeighbour != aFrom && aNeighbour != aTo ? aNeighbour : aThird;
    }
    if (aThird.is_valid() && replaceFaces(myMesh, aFan, {{aFrom, aTo, aThird}}))
    {
      deleteLoneNodes(myMesh, {aCorner.idx()});
      return true;
    }
  }
  return false;
}

// A shared neighbour w closes the cycle a, b, w of three edges, which is no
// face: the collapse would pinch the surface there. When on one side of the
// edge the cycle bounds a small disc of faces (a pocket, typically a fold left
// by earlier collapses), the disc is replaced by the one triangle (a, b, w):
// it has the same boundary, run the same way, so the faces outside meet it as
// they met the disc, and the mesh stays manifold and oriented; the nodes inside
// the disc disappear. Afterwards w is the corner beside the edge on that side.
// On a small closed mesh both sides may be discs: the smaller one goes.
bool HalfEdgeAlgo_CollapseRepairs::fillSharedNeighbourPocket(Half theHalf)
{
  for (const Node aShared : sharedNeighbours(theHalf))
  {
    Half              aSide         = theHalf;
    std::vector<Face> aPocket       = pocket(aSide, aShared);
    const Half        anOther       = myMesh.opposite_halfedge_handle(theHalf);
    std::vector<Face> anOtherPocket = pocket(anOther, aShared);
    if (aPocket.empty() || (!anOtherPocket.empty() && anOtherPocket.size() < aPocket.size()))
    {
      aSide = anOther;
      aPocket.swap(anOtherPocket);
    }
    if (aPocket.empty())
    {
      continue;
    }
    std::set<int> aNodes;
    for (const Face aFace : aPocket)
    {
      for (auto aCorner = myMesh.cfv_iter(aFace); aCorner.is_valid(); ++aCorner)
      {
        aNodes.insert(aCorner->idx());
      }
    }
    if (replaceFaces(myMesh, aPocket,
                     {{myMesh.from_vertex_handle(aSide), myMesh.to_vertex_handle(aSide), aShared}}))
    {
      deleteLoneNodes(myMesh, aNodes);
      return true;
    }
  }
  return false;
}

std::vector<Face> HalfEdgeAlgo_CollapseRepairs::pocket(Half theSide, Node theShared) const
{
  const Node aFrom     = myMesh.from_vertex_handle(theSide);
  const Node aTo       = myMesh.to_vertex_handle(theSide);
  const Half aSides[3] = {theSide, myMesh.find_halfedge(aTo, theShared),
                          myMesh.find_halfedge(theShared, aFrom)};
  if (!myMesh.face_handle(theSide).is_valid() || !aSides[1].is_valid() || !aSides[2].is_valid())
  {
    return {};
  }
  std::set<int> aCycle;
  for (const Half aSide : aSides)
  {
    aCycle.insert(myMesh.edge_handle(aSide).idx());
  }
  // The faces reached from the side's face without crossing the cycle; the
  // mesh boundary is no way out of a pocket.
  std::vector<Face> aPocket = {myMesh.face_handle(theSide)};
  std::set<Face>    aSeen   = {aPocket.front()};
  for (size_t aNext = 0; aNext < aPocket.size(); ++aNext)
  {
    for (auto aHalf = myMesh.cfh_iter(aPocket[aNext]); aHalf.is_valid(); ++aHalf)
    {
      const Face aBeyond = myMesh.opposite_face_handle(*aHalf);
      if (aCycle.count(myMesh.edge_handle(*aHalf).idx()) != 0)
      {
        continue;
      }
      if (!aBeyond.is_valid())
      {
        return {};
      }
      if (aSeen.insert(aBeyond).second)
      {
        aPocket.push_back(aBeyond);
      }
    }
    if (aPocket.size() > THE_MAX_POCKET_FACES)
    {
      return {};
    }
  }
  // A disc bounded by the cycle, run as theSide runs: each side of the cycle
  // has its face inside and the opposite one outside, and V - E + F = 1.
  for (const Half aSide : aSides)
  {
    if (aSeen.count(myMesh.face_handle(aSide)) == 0 || aSeen.count(myMesh.opposite_face_handle(aSide)) != 0)
    {
      return {};
    }
  }
  std::set<int> aNodes;
  std::set<int> anEdges;
  for (const Face aFace : aPocket)
  {
    for (auto aHalf = myMesh.cfh_iter(aFace); aHalf.is_valid(); ++aHalf)
    {
      aNodes.insert(myMesh.to_vertex_handle(*aHalf).idx());
      anEdges.insert(myMesh.edge_handle(*aHalf).idx());
    }
  }
  if (aNodes.size() + aPocket.size() != anEdges.size() + 1)
  {
    return {};
  }
  return aPocket;
}

bool HalfEdgeAlgo_CollapseRepairs::cutSharedNeighbourEdge(Half theHalf,
                                                          bool (HalfEdgeAlgo_CollapseRepairs::*theCut)(Half))
{
  for (const Half anEdge : edgesToSharedNeighbours(theHalf))
  {
    if ((this->*theCut)(anEdge))
    {
      return true;
    }
  }
  return false;
}

// The two triangles (a, w, p) and (w, a, q) on both sides of the edge (a, w)
// become (a, q, p) and (q, w, p): the same quadrilateral a, q, w, p cut by the
// other diagonal, run the same way, so the mesh outside is untouched and stays
// manifold and oriented, and a is no neighbour of w any more. Refused when the
// diagonal p, q is an edge already (it would be doubled), or when a new
// triangle would turn against the old pair (a fold); a flat new triangle
// passes, since nodes of a group being collapsed share one place.
bool HalfEdgeAlgo_CollapseRepairs::flip(Half theHalf)
{
  const Half anOpposite = myMesh.opposite_halfedge_handle(theHalf);
  const Face aLeft      = myMesh.face_handle(theHalf);
  const Face aRight     = myMesh.face_handle(anOpposite);
  if (!isTriangle(myMesh, aLeft) || !isTriangle(myMesh, aRight) || !isRemovable(theHalf))
  {
    return false;
  }
  const Node aFrom = myMesh.from_vertex_handle(theHalf);
  const Node aTo   = myMesh.to_vertex_handle(theHalf);
  const Node aP    = myMesh.to_vertex_handle(myMesh.next_halfedge_handle(theHalf));
  const Node aQ    = myMesh.to_vertex_handle(myMesh.next_halfedge_handle(anOpposite));
  if (aP == aQ || myMesh.find_halfedge(aP, aQ).is_valid())
  {
    return false;
  }
  const Mesh::Point aBefore = normalOf(myMesh, aFrom, aTo, aP) + normalOf(myMesh, aTo, aFrom, aQ);
  if ((normalOf(myMesh, aFrom, aQ, aP) | aBefore) < 0.0 || (normalOf(myMesh, aQ, aTo, aP) | aBefore) < 0.0)
  {
    return false;
  }
  return replaceFaces(myMesh, {aLeft, aRight}, {{aFrom, aQ, aP}, {aQ, aTo, aP}});
}

// Where a face beside the edge (a, w) is a polygon there is no flip; the two
// faces (a, w, x...) and (w, a, y...) become the one face (a, y..., w, x...),
// whose boundary is theirs without the edge, run the same way. Allowed only
// when the two faces share no other corner, so that the new face has each
// corner once: the mesh stays manifold and oriented, and a is no neighbour of
// w any more. Two triangles are flipped instead, which keeps triangles.
bool HalfEdgeAlgo_CollapseRepairs::dissolve(Half theHalf)
{
  const Half anOpposite = myMesh.opposite_halfedge_handle(theHalf);
  const Face aLeft      = myMesh.face_handle(theHalf);
  const Face aRight     = myMesh.face_handle(anOpposite);
  if (!isRemovable(theHalf) || aLeft == aRight || (isTriangle(myMesh, aLeft) && isTriangle(myMesh, aRight)))
  {
    return false;
  }
  Cycle aMerged;
  for (const Half aStart : {anOpposite, theHalf})
  {
    for (Half aHalf = myMesh.next_halfedge_handle(aStart); aHalf != aStart;
         aHalf      = myMesh.next_halfedge_handle(aHalf))
    {
      aMerged.push_back(myMesh.from_vertex_handle(aHalf));
    }
  }
  if (std::set<Node>(aMerged.begin(), aMerged.end()).size() != aMerged.size())
  {
    return false;
  }
  return replaceFaces(myMesh, {aLeft, aRight}, {aMerged});
}

std::vector<Node> HalfEdgeAlgo_CollapseRepairs::sharedNeighbours(Half theHalf) const
{
  std::set<int> aNeighbours;
  for (auto aNode = myMesh.cvv_iter(myMesh.from_vertex_handle(theHalf)); aNode.is_valid(); ++aNode)
  {
    aNeighbours.insert(aNode->idx());
  }
  std::vector<Node> aShared;
  for (auto aNode = myMesh.cvv_iter(myMesh.to_vertex_handle(theHalf)); aNode.is_valid(); ++aNode)
  {
    if (aNeighbours.count(aNode->idx()) != 0 && !isCornerBeside(myMesh, theHalf, *aNode))
    {
      aShared.push_back(*aNode);
    }
  }
  return aShared;
}

std::vector<Half> HalfEdgeAlgo_CollapseRepairs::edgesToSharedNeighbours(Half theHalf) const
{
  std::vector<Half> anEdges;
  for (const Node aShared : sharedNeighbours(theHalf))
  {
    for (const Node anEnd : {myMesh.from_vertex_handle(theHalf), myMesh.to_vertex_handle(theHalf)})
    {
      anEdges.push_back(myMesh.find_halfedge(anEnd, aShared));
    }
  }
  return anEdges;
}

bool HalfEdgeAlgo_CollapseRepairs::isRemovable(Half theHalf) const
{
  return theHalf.is_valid() && !myMesh.is_boundary(myMesh.edge_handle(theHalf)) &&
         !myIsHeld(myMesh.edge_handle(theHalf).idx()) &&
         myMesh.valence(myMesh.from_vertex_handle(theHalf)) > 3 &&
         myMesh.valence(myMesh.to_vertex_handle(theHalf)) > 3;
}
