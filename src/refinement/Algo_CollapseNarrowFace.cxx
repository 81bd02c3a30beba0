#include <Algo_CollapseNarrowFace.hxx>

#include <HalfEdgeAlgo_AspectRatioCriterion.hxx>
#include <HalfEdgeAlgo_CollapseEdges.hxx>
#include <HalfEdgeAlgo_CollapseFaces.hxx>
#include <HalfEdgeAlgo_EdgeLengthCriterion.hxx>
#include <HalfEdgeAlgo_FindEdges.hxx>
#include <HalfEdgeAlgo_FindFaces.hxx>
#include <HalfEdgeAlgo_RemoveStickingFaces.hxx>
#include <HalfEdge_Mesh.hxx>

#include <algorithm>
#include <limits>

IMPLEMENT_STANDARD_RTTIEXT(Algo_CollapseNarrowFace, Algo_Refinement)

namespace
{
// Edges this short are degenerate; a face collapse can leave them behind.
const double THE_DEGENERATE_LENGTH = 1e-7;

// Rounds in a row without fewer narrow faces than ever before that make the
// collapse count as failed.
const int THE_MAX_STALLED_ROUNDS = 3;
} // namespace

Algo_CollapseNarrowFace::Algo_CollapseNarrowFace(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Refinement(theNotifier),
      myParameter(10.0)
{
}

std::string Algo_CollapseNarrowFace::Name() const
{
  return get_type_name();
}

bool Algo_CollapseNarrowFace::Perform()
{
  myResult.Nullify();
  if (myMesh.IsNull())
  {
    return false;
  }
  CheckInputData();
  myNotifier->NewScope("Algo_CollapseNarrowFace::Perform", 0.0, 0.02, 0.02);
  Handle(HalfEdgeAlgo_FindFaces) aNarrowFaces = new HalfEdgeAlgo_FindFaces();
  aNarrowFaces->AddCriterion(
      new HalfEdgeAlgo_AspectRatioCriterion(myParameter, std::numeric_limits<double>::max()));
  Handle(HalfEdgeAlgo_FindEdges) aDegenerateEdges = new HalfEdgeAlgo_FindEdges();
  aDegenerateEdges->AddCriterion(
      new HalfEdgeAlgo_EdgeLengthCriterion(0.0, THE_DEGENERATE_LENGTH * THE_DEGENERATE_LENGTH));
  bool isDone = performCycle(aNarrowFaces, aDegenerateEdges);
  if (isDone)
  {
    myResult = myMesh;
    isDone   = RestoreTriangles();
  }
  myNotifier->EndScope();
  return isDone;
}

bool Algo_CollapseNarrowFace::performCycle(const Handle(HalfEdgeAlgo_FindFaces)& theNarrowFaces,
                                           const Handle(HalfEdgeAlgo_FindEdges)& theDegenerateEdges)
{
  myNotifier->NewScope("Algo_CollapseNarrowFace::PerformCycle", 0.0, 0.9, 0.075);
  // The searches leave the mesh untidy: their numbers go straight to the
  // collapses, which tidy it. A face collapse that fails is often blocked by
  // faces stuck back to back; they are removed once, and a second failure
  // means the narrow faces left cannot be flattened.
  // Flattening a face can make a neighbour narrow, so narrow faces may keep
  // coming back. Rounds that never bring their number below the fewest seen
  // count as a failed collapse, which bounds the cycle.
  bool   isDone            = true;
  bool   isStickingRemoved = false;
  size_t aFewest           = std::numeric_limits<size_t>::max();
  int    aNbStalled        = 0;
  for (;;)
  {
    isDone = true;
    if (execute(theDegenerateEdges, false))
    {
      Handle(HalfEdgeAlgo_CollapseEdges) aCollapse = new HalfEdgeAlgo_CollapseEdges();
      aCollapse->SetEdges(theDegenerateEdges->Found());
      isDone = execute(aCollapse);
    }
    myNotifier->Increment();
    if (!execute(theNarrowFaces, false))
    {
      break;
    }
    const size_t aNbNarrow                       = theNarrowFaces->Found().size();
    aNbStalled                                   = aNbNarrow < aFewest ? 0 : aNbStalled + 1;
    aFewest                                      = std::min(aFewest, aNbNarrow);
    Handle(HalfEdgeAlgo_CollapseFaces) aCollapse = new HalfEdgeAlgo_CollapseFaces();
    aCollapse->SetFaces(theNarrowFaces->Found());
    isDone = execute(aCollapse) && aNbStalled < THE_MAX_STALLED_ROUNDS;
    if (!isDone)
    {
      aNbStalled = 0;
      execute(new HalfEdgeAlgo_RemoveStickingFaces());
      if (isStickingRemoved)
      {
        break;
      }
      isStickingRemoved = true;
    }
    myNotifier->Increment();
  }
  myNotifier->EndScope();
  return isDone;
}
