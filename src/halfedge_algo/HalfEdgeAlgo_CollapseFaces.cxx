// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_CollapseFaces.hxx>
#include <HalfEdgeAlgo_FaceSkeleton.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>
#include <HalfEdge_FaceMetrics.hxx>

#include <algorithm>
#include <utility>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_CollapseFaces, HalfEdgeAlgo_ModifyMesh)

namespace
{
typedef Mesh::VertexHandle Node;

bool isLiveNode(const Mesh& theMesh, int theNode)
{
  return theNode >= 0 && theNode < static_cast<int>(theMesh.n_vertices()) &&
         !theMesh.status(Node(theNode)).deleted();
}

bool isLiveFace(const Mesh& theMesh, int theFace)
{
  return theFace >= 0 && theFace < static_cast<int>(theMesh.n_faces()) &&
         !theMesh.status(Mesh::FaceHandle(theFace)).deleted();
}

bool isTriangle(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  return theFace.is_valid() && theMesh.valence(theFace) == 3;
}
} // namespace

HalfEdgeAlgo_CollapseFaces::HalfEdgeAlgo_CollapseFaces() {}

std::string HalfEdgeAlgo_CollapseFaces::Name() const
{
  return "HalfEdgeAlgo_CollapseFaces";
}

bool HalfEdgeAlgo_CollapseFaces::Perform(Mesh& theMesh)
{
  myPlans.clear();
  myPlaces.clear();
  myRepresentatives.clear();
  bool isDone = recordPlans(theMesh);
  // Needles first: their merges may move the base ends of slivers, whose
  // feet are therefore found only when each sliver is flipped.
  collapseNeedles(theMesh);
  for (const auto& [aFace, aPlan] : myPlans)
  {
    if (!aPlan.IsNeedle)
    {
      flipSliver(theMesh, aFace);
    }
  }
  std::array<int, 3> aCorners;
  for (const auto& [aFace, aPlan] : myPlans)
  {
    if (!aPlan.IsNeedle && isPending(theMesh, aFace, aCorners))
    {
      isDone = squashSliver(theMesh, aFace) && isDone;
    }
  }
  collapseNeedles(theMesh);
  for (const auto& [aFace, aPlan] : myPlans)
  {
    if (aPlan.IsNeedle && isPending(theMesh, aFace, aCorners))
    {
      const Mesh::Point aMiddle = (theMesh.point(Node(aCorners[0])) + theMesh.point(Node(aCorners[1]))) / 2.0;
      if (squash(theMesh, aCorners[0], aCorners[1]) || squash(theMesh, aCorners[1], aCorners[0]))
      {
        theMesh.set_point(Node(representative(aCorners[0])), aMiddle);
      }
    }
  }
  isDone = restorePending(theMesh) && isDone;
  myFaces.clear();
  // Once for the run: folding in each flipped face would cost a full pass
  // per flip, since flips do not add faces.
  if (const auto aSkewness = theMesh.GetMetrics("skewness"))
  {
    aSkewness->Compute();
  }
  return isDone;
}

bool HalfEdgeAlgo_CollapseFaces::recordPlans(Mesh& theMesh)
{
  bool                              isDone     = true;
  const std::set<int>               aTriangles = triangles(theMesh, isDone);
  Handle(HalfEdgeAlgo_FaceSkeleton) aSkeleton  = new HalfEdgeAlgo_FaceSkeleton(-1);
  for (const int aFace : aTriangles)
  {
    aSkeleton->SetFace(aFace);
    if (!aSkeleton->Perform(theMesh))
    {
      isDone = false;
      continue;
    }
    const auto& aCorners = aSkeleton->Corners();
    const bool  isNeedle = aSkeleton->Kind() == HalfEdgeAlgo_FaceSkeleton::Shape_Needle;
    for (const auto& aCorner : aCorners)
    {
      myPlaces.emplace(aCorner.Node, aCorner.Place);
    }
    myPlans[aFace] = {{aCorners[0].Node, aCorners[1].Node, aCorners[2].Node},
                      isNeedle,
                      isNeedle ? -1 : aCorners[0].Partner};
  }
  return isDone;
}

bool HalfEdgeAlgo_CollapseFaces::restorePending(Mesh& theMesh) const
{
  bool               isDone = true;
  std::array<int, 3> aCorners;
  // A face that could not be flattened gets its corners back, so that a
  // failure leaves no face flatter than it was.
  for (const auto& [aFace, aPlan] : myPlans)
  {
    if (isPending(theMesh, aFace, aCorners))
    {
      isDone = false;
      for (int k = 0; k < (aPlan.IsNeedle ? 2 : 1); ++k)
      {
        const gp_Pnt& aPlace = myPlaces.at(aPlan.Corners[k]);
        theMesh.set_point(Node(aCorners[k]), Mesh::Point(aPlace.X(), aPlace.Y(), aPlace.Z()));
      }
    }
  }
  return isDone;
}

std::set<int> HalfEdgeAlgo_CollapseFaces::triangles(Mesh& theMesh, bool& theIsDone) const
{
  std::set<int>                    aTriangles;
  Handle(HalfEdgeAlgo_Triangulate) aSplitter;
  for (const int aFace : myFaces)
  {
    if (!isLiveFace(theMesh, aFace))
    {
      continue;
    }
    const int        aFirstNew = static_cast<int>(theMesh.n_faces());
    std::vector<int> aPieces   = {aFace};
    if (theMesh.valence(Mesh::FaceHandle(aFace)) > 3)
    {
      if (aSplitter.IsNull())
      {
        aSplitter = new HalfEdgeAlgo_Triangulate("skewness");
      }
      theIsDone = aSplitter->TriangulateFace(theMesh, aFace) && theIsDone;
      for (int aNew = aFirstNew; aNew < static_cast<int>(theMesh.n_faces()); ++aNew)
      {
        aPieces.push_back(aNew);
      }
    }
    for (const int aPiece : aPieces)
    {
      if (isLiveFace(theMesh, aPiece) && isTriangle(theMesh, Mesh::FaceHandle(aPiece)))
      {
        aTriangles.insert(aPiece);
      }
    }
  }
  return aTriangles;
}

int HalfEdgeAlgo_CollapseFaces::representative(int theNode) const
{
  for (auto aMerged = myRepresentatives.find(theNode); aMerged != myRepresentatives.end();
       aMerged      = myRepresentatives.find(theNode))
  {
    theNode = aMerged->second;
  }
  return theNode;
}

bool HalfEdgeAlgo_CollapseFaces::isPending(const Mesh&         theMesh,
                                           int                 theFace,
                                           std::array<int, 3>& theCorners) const
{
  if (!isLiveFace(theMesh, theFace) || !isTriangle(theMesh, Mesh::FaceHandle(theFace)))
  {
    return false;
  }
  const auto& aPlan = myPlans.at(theFace);
  for (int k = 0; k < 3; ++k)
  {
    theCorners[k] = representative(aPlan.Corners[k]);
  }
  std::array<int, 3> aNow;
  int                k = 0;
  for (auto aCorner = theMesh.cfv_iter(Mesh::FaceHandle(theFace)); aCorner.is_valid(); ++aCorner)
  {
    aNow[k++] = aCorner->idx();
  }
  std::array<int, 3> aPlanned = theCorners;
  std::sort(aNow.begin(), aNow.end());
  std::sort(aPlanned.begin(), aPlanned.end());
  return aNow == aPlanned;
}

bool HalfEdgeAlgo_CollapseFaces::collapseNeedles(Mesh& theMesh)
{
  std::vector<std::pair<int, int>> aPairs;
  std::set<int>                    anEdges;
  std::array<int, 3>               aCorners;
  for (const auto& [aFace, aPlan] : myPlans)
  {
    if (aPlan.IsNeedle && isPending(theMesh, aFace, aCorners))
    {
      aPairs.emplace_back(aCorners[0], aCorners[1]);
      anEdges.insert(theMesh.edge_handle(theMesh.find_halfedge(Node(aCorners[0]), Node(aCorners[1]))).idx());
    }
  }
  if (anEdges.empty())
  {
    return true;
  }
  if (myCollapser.IsNull())
  {
    myCollapser = new HalfEdgeAlgo_CollapseEdges();
  }
  myCollapser->SetEdges(anEdges);
  const bool isDone = myCollapser->Perform(theMesh);
  // Each group of needles left one live node: the others were merged into it,
  // possibly through a node that went too.
  for (bool isChanged = true; isChanged;)
  {
    isChanged = false;
    for (const auto& [aFirst, aSecond] : aPairs)
    {
      const int  a = representative(aFirst), b = representative(aSecond);
      const bool isLiveA = isLiveNode(theMesh, a), isLiveB = isLiveNode(theMesh, b);
      if (a != b && isLiveA != isLiveB)
      {
        myRepresentatives[isLiveA ? b : a] = isLiveA ? a : b;
        isChanged                          = true;
      }
    }
  }
  return isDone;
}

void HalfEdgeAlgo_CollapseFaces::flipSliver(Mesh& theMesh, int theFace)
{
  std::array<int, 3> aCorners;
  if (myPlans.at(theFace).EndsOn >= 0 || !isPending(theMesh, theFace, aCorners))
  {
    return;
  }
  // The foot is taken anew: a needle merged in this run may have moved a base end.
  const Node        anApex(aCorners[0]);
  const Mesh::Point aStart = theMesh.point(Node(aCorners[1])),
                    aBase  = theMesh.point(Node(aCorners[2])) - aStart;
  const double aSqLength   = aBase.sqrnorm();
  const double aParameter =
      aSqLength > 0.0 ? std::clamp((theMesh.point(anApex) - aStart).dot(aBase) / aSqLength, 0.0, 1.0) : 0.0;
  theMesh.set_point(anApex, aStart + aBase * aParameter);
  // With the apex on the base, the flip splits the triangle across the base
  // at the apex: the two new faces cover exactly what the old two did.
  const Mesh::HalfedgeHandle aSide  = theMesh.find_halfedge(Node(aCorners[1]), Node(aCorners[2]));
  const Mesh::EdgeHandle     anEdge = theMesh.edge_handle(aSide);
  if (!theMesh.IsFlipOk(anEdge))
  {
    cutHandle(theMesh, aCorners[0], aCorners[1], aCorners[2]);
  }
  if (theMesh.IsFlipOk(anEdge))
  {
    theMesh.Flip(anEdge);
  }
}

bool HalfEdgeAlgo_CollapseFaces::squashSliver(Mesh& theMesh, int theFace)
{
  std::array<int, 3> aCorners;
  isPending(theMesh, theFace, aCorners);
  const int anApex = aCorners[0], aStart = aCorners[1], anEnd = aCorners[2];
  const int aPlanned = myPlans.at(theFace).EndsOn;
  const int anEndsOn = aPlanned >= 0 ? representative(aPlanned) : -1;
  if (anEndsOn >= 0)
  {
    return squash(theMesh, anApex, anEndsOn);
  }
  // The base cannot be flipped: the corners opposite it are joined already,
  // or it is not between two triangles.
  for (const int aBaseEnd : {aStart, anEnd})
  {
    if (theMesh.valence(Node(aBaseEnd)) == 3 && squash(theMesh, aBaseEnd, anApex))
    {
      return true;
    }
  }
  const Mesh::HalfedgeHandle aSide = theMesh.find_halfedge(Node(anEnd), Node(aStart));
  if (!isTriangle(theMesh, theMesh.face_handle(aSide)))
  {
    const int aFoot = splitBase(theMesh, anApex, aStart, anEnd);
    return aFoot >= 0 && squash(theMesh, aFoot, anApex);
  }
  const Mesh::Point& aPlace = theMesh.point(Node(anApex));
  const bool         isNearStart =
      (theMesh.point(Node(aStart)) - aPlace).sqrnorm() <= (theMesh.point(Node(anEnd)) - aPlace).sqrnorm();
  return squash(theMesh, anApex, isNearStart ? aStart : anEnd);
}

namespace
{
// How far towards the middle of its ring each node of a cut handle moves.
const double THE_PARTING = 0.1;

// The faces around the node theFirst and theLast start from: from the face
// left of theFirst, turning counter-clockwise, up to the face left of
// theLast (excluded); empty when the turn meets a hole first.
std::vector<Mesh::FaceHandle>
fanBetween(const Mesh& theMesh, Mesh::HalfedgeHandle theFirst, Mesh::HalfedgeHandle theLast)
{
  std::vector<Mesh::FaceHandle> aFan;
  for (Mesh::HalfedgeHandle anOut = theFirst; anOut != theLast;
       anOut                      = theMesh.opposite_halfedge_handle(theMesh.prev_halfedge_handle(anOut)))
  {
    if (!theMesh.face_handle(anOut).is_valid() ||
        aFan.size() > theMesh.valence(theMesh.from_vertex_handle(theFirst)))
    {
      return {};
    }
    aFan.push_back(theMesh.face_handle(anOut));
  }
  return aFan;
}
} // namespace

bool HalfEdgeAlgo_CollapseFaces::cutHandle(Mesh& theMesh, int theApex, int theFrom, int theTo) const
{
  const Node                 anApex(theApex), aFrom(theFrom), aTo(theTo);
  const Mesh::HalfedgeHandle aBase      = theMesh.find_halfedge(aFrom, aTo);
  const Mesh::HalfedgeHandle anOpposite = theMesh.opposite_halfedge_handle(aBase);
  if (!aBase.is_valid() || !isTriangle(theMesh, theMesh.face_handle(aBase)) ||
      !isTriangle(theMesh, theMesh.face_handle(anOpposite)))
  {
    return false;
  }
  const Node                 aFar   = theMesh.to_vertex_handle(theMesh.next_halfedge_handle(anOpposite));
  const Mesh::HalfedgeHandle aChord = theMesh.find_halfedge(anApex, aFar);
  if (!aChord.is_valid() || theMesh.is_boundary(theMesh.edge_handle(aChord)))
  {
    return false;
  }
  // The fans that move to the copies: around the apex from its side to the
  // base's end round to the chord, around the far corner from the chord
  // round to its side to that end. Each closes, with one of the two new
  // triangles, round its copy; the rest of each ring closes round the
  // original with the other.
  const std::vector<Mesh::FaceHandle> anApexFan =
      fanBetween(theMesh, theMesh.find_halfedge(anApex, aTo), aChord);
  const std::vector<Mesh::FaceHandle> aFarFan =
      fanBetween(theMesh, theMesh.opposite_halfedge_handle(aChord), theMesh.find_halfedge(aFar, aTo));
  if (anApexFan.empty() || aFarFan.empty())
  {
    return false;
  }
  std::vector<Mesh::FaceHandle> aMoved = anApexFan;
  for (const Mesh::FaceHandle aFace : aFarFan)
  {
    if (std::find(aMoved.begin(), aMoved.end(), aFace) == aMoved.end())
    {
      aMoved.push_back(aFace);
    }
  }
  const auto aCyclesOf = [&theMesh](const std::vector<Mesh::FaceHandle>& theFaces)
  {
    std::vector<std::vector<Node>> aCycles;
    for (const Mesh::FaceHandle aFace : theFaces)
    {
      aCycles.emplace_back(theMesh.fv_begin(aFace), theMesh.fv_end(aFace));
    }
    return aCycles;
  };
  std::vector<Mesh::FaceHandle> anOld = aMoved;
  anOld.push_back(theMesh.face_handle(aBase));
  anOld.push_back(theMesh.face_handle(anOpposite));
  const std::vector<std::vector<Node>> anOldCycles = aCyclesOf(anOld);
  std::vector<std::vector<Node>>       aNewCycles  = aCyclesOf(aMoved);
  const Node                           anApexCopy  = theMesh.add_vertex(Mesh::Point(theMesh.point(anApex)));
  const Node                           aFarCopy    = theMesh.add_vertex(Mesh::Point(theMesh.point(aFar)));
  for (size_t i = 0; i < aMoved.size(); ++i)
  {
    const bool isApexFan = i < anApexFan.size();
    const bool isFarFan  = std::find(aFarFan.begin(), aFarFan.end(), aMoved[i]) != aFarFan.end();
    for (Node& aCorner : aNewCycles[i])
    {
      aCorner = aCorner == anApex && isApexFan ? anApexCopy
                : aCorner == aFar && isFarFan  ? aFarCopy
                                               : aCorner;
    }
  }
  aNewCycles.push_back({anApexCopy, aFarCopy, aTo});
  aNewCycles.push_back({anApex, aFrom, aFar});
  for (const Mesh::FaceHandle aFace : anOld)
  {
    theMesh.delete_face(aFace, false);
  }
  // The kernel refusing a face would mean the fans were not what they seem:
  // the old faces go back then.
  std::vector<Mesh::FaceHandle> anAdded;
  for (const auto& aCycle : aNewCycles)
  {
    anAdded.push_back(theMesh.add_face(aCycle));
    if (!anAdded.back().is_valid())
    {
      anAdded.pop_back();
      for (const Mesh::FaceHandle aFace : anAdded)
      {
        theMesh.delete_face(aFace, false);
      }
      for (const auto& anOldCycle : anOldCycles)
      {
        theMesh.add_face(anOldCycle);
      }
      theMesh.status(anApexCopy).set_deleted(true);
      theMesh.status(aFarCopy).set_deleted(true);
      return false;
    }
  }
  // Each copy sits where its original is; a little way towards the middle
  // of its own ring parts the two, which would otherwise touch.
  for (const Node aNode : {anApex, anApexCopy, aFar, aFarCopy})
  {
    Mesh::Point aSum(0.0, 0.0, 0.0);
    for (const Node aNeighbour : theMesh.vv_range(aNode))
    {
      aSum += theMesh.point(aNeighbour);
    }
    const Mesh::Point aPlace = theMesh.point(aNode);
    theMesh.set_point(aNode, aPlace + (aSum / theMesh.valence(aNode) - aPlace) * THE_PARTING);
  }
  return true;
}

int HalfEdgeAlgo_CollapseFaces::splitBase(Mesh& theMesh, int theApex, int theFrom, int theTo) const
{
  const Node anApex(theApex), aFrom(theFrom);
  // A copy: adding a vertex may move the point array a reference would be into.
  const Mesh::Point anApexPoint = theMesh.point(anApex);
  const Node        aFoot       = theMesh.add_vertex(anApexPoint);
  theMesh.split_edge(theMesh.edge_handle(theMesh.find_halfedge(aFrom, Node(theTo))), aFoot);
  // The sliver is now the loop from, foot, to, apex: its diagonal from the
  // foot to the apex cuts it into two flat triangles.
  const Mesh::HalfedgeHandle aToFoot = theMesh.find_halfedge(aFrom, aFoot);
  const Mesh::HalfedgeHandle aToFrom = theMesh.find_halfedge(anApex, aFrom);
  if (!aToFoot.is_valid() || !aToFrom.is_valid() ||
      theMesh.face_handle(aToFoot) != theMesh.face_handle(aToFrom) ||
      !theMesh.face_handle(aToFoot).is_valid())
  {
    return -1;
  }
  theMesh.insert_edge(aToFoot, aToFrom);
  return aFoot.idx();
}

bool HalfEdgeAlgo_CollapseFaces::squash(Mesh& theMesh, int theRemoved, int theKept)
{
  if (!isLiveNode(theMesh, theRemoved) || !isLiveNode(theMesh, theKept))
  {
    return false;
  }
  const auto isIsolated = [&theMesh](int theNode)
  { return !theMesh.halfedge_handle(Node(theNode)).is_valid(); };
  bool isDone = theRemoved == theKept || isIsolated(theRemoved) || isIsolated(theKept);
  if (!isDone)
  {
    if (mySquasher.IsNull())
    {
      mySquasher = new HalfEdgeAlgo_SquashVertices();
    }
    mySquasher->SetNodes(theRemoved, theKept);
    // A refusal may still have repaired part of the neighbourhood, after
    // which a second try can pass.
    isDone = mySquasher->Perform(theMesh) || mySquasher->Perform(theMesh) || isIsolated(theRemoved);
  }
  if (isDone && theRemoved != theKept)
  {
    myRepresentatives[theRemoved] = theKept;
  }
  return isDone;
}
