#include <Algo_FixSelfIntersections.hxx>

#include <Algo_GroupCrossings.hxx>

#include <HalfEdgeAlgo_AABBClipping.hxx>
#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_EdgesOnFacesCriterion.hxx>
#include <HalfEdgeAlgo_FindEdges.hxx>
#include <HalfEdgeAlgo_FindVertices.hxx>
#include <HalfEdgeAlgo_FixSplash.hxx>
#include <HalfEdgeAlgo_RemoveStickingFaces.hxx>
#include <HalfEdgeAlgo_RenegadeEdgeCriterion.hxx>
#include <HalfEdgeAlgo_RenegadeVertexCriterion.hxx>
#include <HalfEdgeAlgo_SimpleSmooth.hxx>
#include <HalfEdgeAlgo_SwapEdge.hxx>
#include <HalfEdgeAlgo_UpdateNodes.hxx>
#include <HalfEdgeAlgo_VerticesOnFacesCriterion.hxx>
#include <HalfEdge_Mesh.hxx>

#include <algorithm>
#include <cmath>
#include <list>
#include <map>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(Algo_FixSelfIntersections, Algo_Refinement)

namespace
{
//! A progress scope closed on every way out, cancellation included, so that
//! the host's position stays consistent after an early return.
class ProgressScope
{
public:
  ProgressScope(const Handle(Pelk_ProgressNotifier)& theNotifier,
                const char*                          theName,
                double                               theMax,
                double                               theStep)
      : myNotifier(theNotifier)
  {
    myNotifier->NewScope(theName, 0.0, theMax, theStep);
  }

  ~ProgressScope() { myNotifier->EndScope(); }

  ProgressScope(const ProgressScope&)            = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

private:
  Handle(Pelk_ProgressNotifier) myNotifier;
};

//! Drops the clippings and the crossings of a round on every way out of
//! Perform, so that nothing of a surface outlives the run.
class RoundReset
{
public:
  RoundReset(Handle(HalfEdgeAlgo_AABBClipping)& theClipping,
             Handle(HalfEdgeAlgo_AABBClipping)& theWidening,
             Algo_GroupCrossings&               theCrossings)
      : myClipping(theClipping),
        myWidening(theWidening),
        myCrossings(theCrossings)
  {
  }

  ~RoundReset()
  {
    myClipping.Nullify();
    myWidening.Nullify();
    myCrossings.ClearRound();
  }

  RoundReset(const RoundReset&)            = delete;
  RoundReset& operator=(const RoundReset&) = delete;

private:
  Handle(HalfEdgeAlgo_AABBClipping)& myClipping;
  Handle(HalfEdgeAlgo_AABBClipping)& myWidening;
  Algo_GroupCrossings&               myCrossings;
};

// The repair's smoothing pushes crossing corners along their normals from
// this cycle on, by this share of their mean edge length.
const int    THE_FIRST_PUSHING_CYCLE = 2;
const double THE_PUSH                = 0.05;

// The repair's smoothing moves the corners of crossing faces and the nodes
// this many faces away from them. Averaging a whole copy would shrink it:
// where the groups of crossing faces are large, as where two sheets lie on
// both sides of an open input, the copy is most of the surface, and the
// wrap would leave the input by half a cell.
const int THE_SMOOTHED_RINGS = 1;

// The repair's smoothing keeps this share of each node's averaging move
// across the surface: untangling needs the moves along it, while the moves
// across it take the wrap off the input (by a tenth of a cell on average
// where the outside leaks into an open input, with the whole move).
const double THE_NORMAL_SHARE = 0.5;

//! Centre and unit normal (Newell's, zero when degenerate) of a face.
void faceFrame(const Handle(HalfEdge_Mesh)& theMesh, int theFace, gp_XYZ& theCentre, gp_XYZ& theNormal)
{
  std::list<int> aCorners;
  theMesh->Face(theFace, aCorners);
  std::vector<gp_XYZ> aPoints;
  for (const int aNode : aCorners)
  {
    aPoints.push_back(theMesh->Node(aNode).XYZ());
  }
  theCentre = gp_XYZ(0.0, 0.0, 0.0);
  theNormal = gp_XYZ(0.0, 0.0, 0.0);
  for (size_t i = 0; i < aPoints.size(); ++i)
  {
    theCentre += aPoints[i];
    theNormal += aPoints[i].Crossed(aPoints[(i + 1) % aPoints.size()]);
  }
  theCentre /= std::max<double>(1.0, static_cast<double>(aPoints.size()));
  const double aLength = theNormal.Modulus();
  theNormal            = aLength > 0.0 ? theNormal / aLength : gp_XYZ(0.0, 0.0, 0.0);
}

//! +1 when lifting theFace along its own normal takes it further to the side
//! of theOther's plane where its centre lies, -1 when lifting against it
//! does, 0 when neither tells.
int liftSide(const gp_XYZ& theCentre,
             const gp_XYZ& theNormal,
             const gp_XYZ& theOtherCentre,
             const gp_XYZ& theOtherNormal)
{
  const double aSide    = theOtherNormal.Dot(theCentre - theOtherCentre);
  const double aTowards = theNormal.Dot(theOtherNormal) * aSide;
  return aTowards > 0.0 ? 1 : (aTowards < 0.0 ? -1 : 0);
}

//! Splits the corners of the crossing faces of thePairs into those to lift
//! along their normals and those to lift against them. Each face of a pair
//! votes for its corners: the way that takes it further to the side of the
//! other face where most of it lies. Two sheets back to back are pushed
//! apart, two sheets facing each other (the sides of a fold) pulled apart.
void chooseLiftSides(const Handle(HalfEdge_Mesh)&            theMesh,
                     const std::vector<std::pair<int, int>>& thePairs,
                     std::set<int>&                          theLifted,
                     std::set<int>&                          thePulled)
{
  std::map<int, int> aVotes;
  std::list<int>     aCorners;
  for (const auto& [aFace, anOther] : thePairs)
  {
    gp_XYZ aCentre, aNormal, anOtherCentre, anOtherNormal;
    faceFrame(theMesh, aFace, aCentre, aNormal);
    faceFrame(theMesh, anOther, anOtherCentre, anOtherNormal);
    const int aVote[2]  = {liftSide(aCentre, aNormal, anOtherCentre, anOtherNormal),
                           liftSide(anOtherCentre, anOtherNormal, aCentre, aNormal)};
    const int aFaces[2] = {aFace, anOther};
    for (int k = 0; k < 2; ++k)
    {
      theMesh->Face(aFaces[k], aCorners);
      for (const int aNode : aCorners)
      {
        aVotes[aNode] += aVote[k];
      }
    }
  }
  for (const auto& [aNode, aVote] : aVotes)
  {
    theLifted.insert(aNode);
    if (aVote < 0)
    {
      thePulled.insert(aNode);
    }
  }
}

//! The corners of theFaces.
std::set<int> cornersOf(const Handle(HalfEdge_Mesh)& theMesh, const std::set<int>& theFaces)
{
  std::set<int>  aNodes;
  std::list<int> aCorners;
  for (const int aFace : theFaces)
  {
    theMesh->Face(aFace, aCorners);
    aNodes.insert(aCorners.begin(), aCorners.end());
  }
  return aNodes;
}

//! The faces with a corner among theNodes.
std::set<int> facesAround(const Handle(HalfEdge_Mesh)& theMesh, const std::set<int>& theNodes)
{
  std::set<int>  aFaces;
  std::list<int> aFan;
  for (const int aNode : theNodes)
  {
    theMesh->FacesForNode(aNode, aFan);
    aFaces.insert(aFan.begin(), aFan.end());
  }
  return aFaces;
}

//! Steps the current scope and tells whether the host asked to stop.
bool stepAndCheckBreak(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  theNotifier->Increment();
  return theNotifier->UserBreak();
}
} // namespace

Algo_FixSelfIntersections::Algo_FixSelfIntersections(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Refinement(theNotifier),
      myParameter(1e-7),
      myNbIterations(2),
      myCrossings(new Algo_GroupCrossings())
{
}

Algo_FixSelfIntersections::~Algo_FixSelfIntersections() = default;

std::string Algo_FixSelfIntersections::Name() const
{
  return "Algo_FixSelfIntersections";
}

bool Algo_FixSelfIntersections::Perform()
{
  if (myMesh.IsNull())
  {
    return false;
  }
  const int     aNbRounds = std::max(myNbIterations, 0);
  ProgressScope aScope(myNotifier, "Algo_FixSelfIntersections::Perform", 0.11, 0.11 / (aNbRounds + 1));
  CheckInputData();

  Handle(HalfEdgeAlgo_RemoveStickingFaces) aRemove = new HalfEdgeAlgo_RemoveStickingFaces();
  aRemove->SetNbThreads(NbThreads());
  bool isOk = myMesh->Execute(aRemove, true);
  if (stepAndCheckBreak(myNotifier))
  {
    return false;
  }

  Handle(HalfEdgeAlgo_CheckSelfIntersections) aCheck = new HalfEdgeAlgo_CheckSelfIntersections();
  aCheck->SetCollectGroups(true);
  aCheck->SetTolerance(myParameter);
  aCheck->SetNbThreads(NbThreads());
  RoundReset aReset(myRoundClipping, myRoundWidening, *myCrossings);
  for (int aRound = 1; aRound <= aNbRounds; ++aRound)
  {
    isOk = true;
    // Collecting here is safe: the groups are read after it.
    if (!myMesh->Execute(aCheck, true))
    {
      myNotifier->Increment();
      break;
    }
    const std::list<std::set<int>> aGroups = aCheck->Groups();
    myCrossings->SetRound(myMesh, *aCheck);
    // The check collected the surface: numbers changed, so a round files the
    // faces anew.
    myIsLastRound   = aRound == aNbRounds;
    myRoundClipping = new HalfEdgeAlgo_AABBClipping();
    myRoundClipping->SetIndexed(true);
    myRoundWidening = new HalfEdgeAlgo_AABBClipping();
    myRoundWidening->SetIndexed(true);
    const double  aWidth = 0.9 / aNbRounds;
    ProgressScope aRoundScope(myNotifier, "Iteration", aWidth,
                              aWidth / (static_cast<double>(aGroups.size()) + 1));
    myGroupPlace = 0;
    for (const std::set<int>& aGroup : aGroups)
    {
      // Every group is tried, whatever became of the ones before it.
      isOk = FixSelfIntersectedGroup(aGroup) && isOk;
      ++myGroupPlace;
      if (myNotifier->UserBreak())
      {
        return false;
      }
    }
  }
  // Repairs of the last round are trusted without a further check: a round
  // whose groups all ended free of crossings counts as a success.
  if (!isOk)
  {
    myNotifier->NewMessage(Pelk_Error, "Algo_ShrinkWrapping.FixSelfIntersectionsFailed");
    return false;
  }
  myResult = myMesh;
  return RestoreTriangles();
}

bool Algo_FixSelfIntersections::FixSelfIntersectedGroup(const std::set<int>& theGroup)
{
  if (myMesh.IsNull())
  {
    return false;
  }
  ProgressScope aScope(myNotifier, "Algo_FixSelfIntersections::FixSelfIntersectedGroup", 0.9, 0.15);

  Handle(HalfEdgeAlgo_AABBClipping) aClipping =
      myRoundClipping.IsNull() ? new HalfEdgeAlgo_AABBClipping() : myRoundClipping;
  Handle(HalfEdgeAlgo_CheckSelfIntersections) aCheck = new HalfEdgeAlgo_CheckSelfIntersections();
  aCheck->SetCollectGroups(true);
  aCheck->SetNbThreads(NbThreads());
  aCheck->SetSplitsRemembered(true);
  Handle(HalfEdgeAlgo_VerticesOnFacesCriterion) aVerticesOnFaces =
      new HalfEdgeAlgo_VerticesOnFacesCriterion();
  Handle(HalfEdgeAlgo_RenegadeVertexCriterion) aRenegadeVertex = new HalfEdgeAlgo_RenegadeVertexCriterion();
  Handle(HalfEdgeAlgo_FindVertices)            aFindVertices   = new HalfEdgeAlgo_FindVertices();
  aFindVertices->AddCriterion(aVerticesOnFaces);
  aFindVertices->AddCriterion(aRenegadeVertex);
  aFindVertices->SetNbThreads(NbThreads());
  Handle(HalfEdgeAlgo_EdgesOnFacesCriterion) anEdgesOnFaces = new HalfEdgeAlgo_EdgesOnFacesCriterion();
  Handle(HalfEdgeAlgo_RenegadeEdgeCriterion) aRenegadeEdge  = new HalfEdgeAlgo_RenegadeEdgeCriterion();
  Handle(HalfEdgeAlgo_FindEdges)             aFindEdges     = new HalfEdgeAlgo_FindEdges();
  aFindEdges->AddCriterion(anEdgesOnFaces);
  aFindEdges->AddCriterion(aRenegadeEdge);
  aFindEdges->SetNbThreads(NbThreads());

  const Bnd_Box aBox = GroupBox(theGroup);
  if (aBox.IsVoid())
  {
    // Earlier repairs removed the whole group: nothing is left to cross.
    return true;
  }
  aClipping->SetBox(EnlargeBox(aBox, 0.1));
  if (!myMesh->Execute(aClipping, false))
  {
    return false;
  }
  Handle(HalfEdge_Mesh) aSub = aClipping->Result();
  // The copy may hold crossings of neighbouring groups, which their own
  // repair parts: only the group's count.
  Algo_GroupCrossings& aCrossings = *myCrossings;
  aCrossings.StartGroup(myGroupPlace, myMesh, theGroup);
  const bool isFirstCrossing = aSub->Execute(aCheck, false) && aCrossings.Perform(aSub, *aClipping, *aCheck);
  bool       isCrossing      = isFirstCrossing;
  if (stepAndCheckBreak(myNotifier))
  {
    return false;
  }

  std::set<int> aSubFaces;
  for (const int aFace : theGroup)
  {
    const int aSubFace = aClipping->SubFace(aFace);
    if (aSubFace >= 0)
    {
      aSubFaces.insert(aSubFace);
    }
  }

  aVerticesOnFaces->SetFaces(aSubFaces);
  aRenegadeVertex->SetTriangleSet(aCheck->TriangleSet());
  if (aSub->Execute(aFindVertices, false))
  {
    VertexHammering(aSub, aFindVertices->Found(), aClipping);
    aCrossings.TouchNodes(aFindVertices->Found(), *aClipping);
    isCrossing = aSub->Execute(aCheck, false) && aCrossings.Perform(aSub, *aClipping, *aCheck);
  }
  if (stepAndCheckBreak(myNotifier))
  {
    return false;
  }

  if (isCrossing)
  {
    anEdgesOnFaces->SetFaces(aSubFaces);
    aRenegadeEdge->SetTriangleSet(aCheck->TriangleSet());
    if (aSub->Execute(aFindEdges, false))
    {
      EdgeSwapping(aSub, aFindEdges->Found(), aClipping);
      isCrossing = aSub->Execute(aCheck, false) && aCrossings.Perform(aSub, *aClipping, *aCheck);
    }
    else
    {
      isCrossing = isFirstCrossing;
    }
  }
  if (stepAndCheckBreak(myNotifier))
  {
    return false;
  }

  // The moves and flips above stay within the nodes of the copy: the
  // round's clippings file the faces around them anew. The smoothing tells
  // them of the nodes it moves.
  MarkEdited(*aClipping);
  Handle(HalfEdgeAlgo_SubMesh) aClip = aClipping;
  std::map<int, gp_Pnt>        aStart;
  bool isDone = !isCrossing || Smoothing(aSub, aClip, false, aStart, aCrossings, true);
  // Pushing along the normals parts two sheets back to back, but drives the
  // two sides of a fold, which face each other, into each other. A group
  // still crossing in the last round is smoothed again from where the
  // smoothing began, each node lifted the way that parts its faces from
  // those they cross. Earlier rounds do without: most of their groups part
  // in the next round, and the sided lift strays further from the input.
  if (!isDone && myIsLastRound && !myNotifier->UserBreak())
  {
    isDone = SmoothingAgain(aSub, aClip, aClipping, aStart, aCrossings);
  }
  return isDone;
}

bool Algo_FixSelfIntersections::SmoothingAgain(Handle(HalfEdge_Mesh)&              theSub,
                                               Handle(HalfEdgeAlgo_SubMesh)&       theClip,
                                               const Handle(HalfEdgeAlgo_SubMesh)& theFirstClip,
                                               std::map<int, gp_Pnt>&              theStart,
                                               Algo_GroupCrossings&                theCrossings)
{
  Handle(HalfEdgeAlgo_UpdateNodes) aRestore = new HalfEdgeAlgo_UpdateNodes();
  std::vector<int>                 aRestored;
  for (const auto& aStart : theStart)
  {
    aRestored.push_back(aStart.first);
  }
  aRestore->Nodes().swap(theStart);
  myMesh->Execute(aRestore, false);
  MarkEdited(aRestored);
  aRestore->Nodes().clear();
  theClip = theFirstClip;
  theSub  = theFirstClip->Result();
  for (int aNode = 0; aNode < theSub->NbNodes(); ++aNode)
  {
    const int aSource = theFirstClip->SourceNode(aNode);
    if (aSource >= 0)
    {
      aRestore->Nodes()[aNode] = myMesh->Node(aSource);
    }
  }
  theSub->Execute(aRestore, false);
  return Smoothing(theSub, theClip, true, theStart, theCrossings, false);
}

void Algo_FixSelfIntersections::VertexHammering(const Handle(HalfEdge_Mesh)&        theSub,
                                                const std::set<int>&                theVertices,
                                                const Handle(HalfEdgeAlgo_SubMesh)& theClip)
{
  ProgressScope                  aScope(myNotifier, "Algo_FixSelfIntersections::VertexHammering", 0.01, 0.01);
  Handle(HalfEdgeAlgo_FixSplash) aFix = new HalfEdgeAlgo_FixSplash(theVertices);
  if (theSub->Execute(aFix, false))
  {
    theClip->UpdateSource(myMesh);
  }
}

void Algo_FixSelfIntersections::EdgeSwapping(const Handle(HalfEdge_Mesh)&        theSub,
                                             const std::set<int>&                theEdges,
                                             const Handle(HalfEdgeAlgo_SubMesh)& theClip)
{
  ProgressScope aScope(myNotifier, "Algo_FixSelfIntersections::EdgeSwapping", 0.02,
                       0.02 / (static_cast<double>(theEdges.size()) + 1));
  // The flip is wanted for the crossing it removes, whatever the shape of
  // the new triangles: the quality rule is off.
  Handle(HalfEdgeAlgo_SwapEdge) aSwap = new HalfEdgeAlgo_SwapEdge();
  aSwap->SetSkewnessLimit(-1.0);
  for (const int anEdge : theEdges)
  {
    int aNodes[2] = {-1, -1};
    theSub->Edge(anEdge, aNodes);
    aSwap->SetEdge(anEdge);
    if (theSub->Execute(aSwap, false))
    {
      const int aSourceEdge =
          myMesh->EdgeIndex(theClip->SourceNode(aNodes[0]), theClip->SourceNode(aNodes[1]));
      // Edge -1 would ask the swap to walk the whole surface: only a found
      // edge is flipped. When the surface refuses the flip (the new diagonal
      // exists there outside the copy), the copy is flipped back, so that it
      // keeps describing the surface.
      aSwap->SetEdge(aSourceEdge);
      if (aSourceEdge < 0 || !myMesh->Execute(aSwap, false))
      {
        aSwap->SetEdge(anEdge);
        theSub->Execute(aSwap, false);
      }
    }
    myNotifier->Increment();
  }
}

bool Algo_FixSelfIntersections::Smoothing(Handle(HalfEdge_Mesh)&        theSub,
                                          Handle(HalfEdgeAlgo_SubMesh)& theClip,
                                          bool                          theIsSided,
                                          std::map<int, gp_Pnt>&        theStart,
                                          Algo_GroupCrossings&          theCrossings,
                                          bool                          theIsChecked)
{
  ProgressScope                     aScope(myNotifier, "Algo_FixSelfIntersections::Smoothing", 0.46, 1.092);
  Handle(HalfEdgeAlgo_SimpleSmooth) aSmooth          = new HalfEdgeAlgo_SimpleSmooth();
  Handle(HalfEdgeAlgo_CheckSelfIntersections) aCheck = new HalfEdgeAlgo_CheckSelfIntersections();
  aCheck->SetNbThreads(NbThreads());
  aCheck->SetCollectGroups(true);
  aCheck->SetSplitsRemembered(true);
  aSmooth->SetNormalShare(THE_NORMAL_SHARE);
  // The group's crossings tell which nodes the next smoothing moves: the
  // corners of the group's crossing faces and a ring around them; before a
  // smoothing that pushes, also which nodes to push: only those corners, so
  // that the surface around them stays where it was.
  const auto plan = [&aSmooth, &theSub, &theCrossings, theIsSided](int theCycle)
  {
    std::set<int> aCorners = cornersOf(theSub, theCrossings.OwnFaces());
    // Each ring: the corners of the faces around the nodes so far.
    aSmooth->MovedNodes() = aCorners;
    for (int aRing = 0; aRing < THE_SMOOTHED_RINGS; ++aRing)
    {
      aSmooth->MovedNodes() = cornersOf(theSub, facesAround(theSub, aSmooth->MovedNodes()));
    }
    aSmooth->LiftedNodes().clear();
    aSmooth->PulledNodes().clear();
    if (theCycle < THE_FIRST_PUSHING_CYCLE)
    {
      return;
    }
    if (theIsSided)
    {
      chooseLiftSides(theSub, theCrossings.OwnPairs(), aSmooth->LiftedNodes(), aSmooth->PulledNodes());
      return;
    }
    aSmooth->LiftedNodes().swap(aCorners);
  };
  // Checks whether the copy still crosses where the group answers for it,
  // and plans the next smoothing.
  const auto isCrossingBefore =
      [&aSmooth, &aCheck, &theSub, &theClip, &theCrossings, &plan](int theCycle, bool theIsAfterPass)
  {
    // After a pass, faces none of whose corners moved cross nothing they did
    // not cross before, and they crossed nothing of the group's (their
    // corners would have moved): only the faces around moved nodes can
    // cross. Where those are most of the copy, one walk over all pairs is
    // quicker than their queries.
    if (theIsAfterPass)
    {
      theCrossings.TouchNodes(aSmooth->MovedNodes(), *theClip);
      aCheck->TestedFaces() = facesAround(theSub, aSmooth->MovedNodes());
    }
    else
    {
      aCheck->TestedFaces() = theCrossings.TouchedFaces(theSub, *theClip);
    }
    if (2 * aCheck->TestedFaces().size() > static_cast<size_t>(theSub->NbFaces()))
    {
      aCheck->TestedFaces().clear();
    }
    const bool isFound = theSub->Execute(aCheck, false) && theCrossings.Perform(theSub, *theClip, *aCheck);
    plan(theCycle);
    return isFound;
  };
  bool isOk       = true;
  bool isCrossing = true;
  if (theIsChecked)
  {
    plan(0);
  }
  else
  {
    isCrossing = isCrossingBefore(0, false);
  }
  for (int aCycle = 0; aCycle < 5 && isCrossing && isOk; ++aCycle)
  {
    // Averaging alone keeps two sheets pressed back to back onto a thin part
    // of the input in their common plane, glued; a small push of each node to
    // the side its faces look at parts them. The push comes only in the later
    // cycles: pushed early, the corners of groups that averaging would have
    // freed crowd together into faces too small for the crossing check to see.
    aSmooth->SetLift(aCycle >= THE_FIRST_PUSHING_CYCLE ? THE_PUSH : 0.0);
    for (int aPass = 0; aPass < 5; ++aPass)
    {
      isOk = theSub->Execute(aSmooth, false);
      if (!isOk)
      {
        break;
      }
      isCrossing = isCrossingBefore(aCycle, true);
      if (!isCrossing)
      {
        break;
      }
    }
    if (isOk)
    {
      // The copy's border stays put while smoothing; the next cycle works on
      // every face that meets the copy's box, so that the border may move
      // too, and so that the check sees any face the moved nodes now cross,
      // near in space but far along the surface, such as the other sheet
      // where the surface lies on both sides of a thin part of the input.
      Bnd_Box          aBox;
      std::vector<int> aMoved;
      for (int aNode = 0; aNode < theSub->NbNodes(); ++aNode)
      {
        const int aSource = theClip->SourceNode(aNode);
        if (aSource >= 0)
        {
          theStart.emplace(aSource, myMesh->Node(aSource));
          aBox.Add(theSub->Node(aNode));
          if (!theSub->Node(aNode).IsEqual(myMesh->Node(aSource), 0.0))
          {
            aMoved.push_back(aSource);
          }
        }
      }
      theClip->UpdateSource(myMesh);
      MarkEdited(aMoved);
      Handle(HalfEdgeAlgo_AABBClipping) aWidening =
          myRoundWidening.IsNull() ? new HalfEdgeAlgo_AABBClipping() : myRoundWidening;
      aWidening->SetBox(aBox);
      isOk = myMesh->Execute(aWidening, false);
      if (isOk)
      {
        theSub     = aWidening->Result();
        theClip    = aWidening;
        isCrossing = isCrossingBefore(aCycle + 1, false);
      }
    }
    if (stepAndCheckBreak(myNotifier))
    {
      return false;
    }
  }
  return isOk && !isCrossing;
}

void Algo_FixSelfIntersections::MarkEdited(const HalfEdgeAlgo_SubMesh& theSub) const
{
  std::vector<int> aNodes;
  for (const auto& anEntry : theSub.SourceNodeMap())
  {
    aNodes.push_back(anEntry.first);
  }
  MarkEdited(aNodes);
}

void Algo_FixSelfIntersections::MarkEdited(const std::vector<int>& theNodes) const
{
  for (const Handle(HalfEdgeAlgo_AABBClipping)& aClipping : {myRoundClipping, myRoundWidening})
  {
    if (!aClipping.IsNull())
    {
      aClipping->MarkEdited(theNodes);
    }
  }
}

Bnd_Box Algo_FixSelfIntersections::GroupBox(const std::set<int>& theGroup) const
{
  Bnd_Box        aBox;
  std::list<int> aCorners;
  for (const int aFace : theGroup)
  {
    myMesh->Face(aFace, aCorners);
    for (const int aNode : aCorners)
    {
      aBox.Add(myMesh->Node(aNode));
    }
  }
  return aBox;
}

Bnd_Box Algo_FixSelfIntersections::EnlargeBox(const Bnd_Box& theBox, double theRatio)
{
  if (theBox.IsVoid())
  {
    return theBox;
  }
  double aMin[3], aMax[3];
  theBox.Get(aMin[0], aMin[1], aMin[2], aMax[0], aMax[1], aMax[2]);
  double anExtent[3];
  for (int anAxis = 0; anAxis < 3; ++anAxis)
  {
    anExtent[anAxis] = aMax[anAxis] - aMin[anAxis];
  }
  const double aLargest = std::max({anExtent[0], anExtent[1], anExtent[2]});
  for (int anAxis = 0; anAxis < 3; ++anAxis)
  {
    if (std::abs(anExtent[anAxis]) < 1e-7)
    {
      anExtent[anAxis] = aLargest;
    }
    aMin[anAxis] -= theRatio * anExtent[anAxis];
    aMax[anAxis] += theRatio * anExtent[anAxis];
  }
  // Bnd_Box::Update only grows a box: the new bounds make a new one.
  return Bnd_Box(gp_Pnt(aMin[0], aMin[1], aMin[2]), gp_Pnt(aMax[0], aMax[1], aMax[2]));
}
