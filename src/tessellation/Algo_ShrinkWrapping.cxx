#include <Algo_ShrinkWrapping.hxx>

#include <Algo_CartesianWrapping.hxx>
#include <Algo_CollapseNarrowFace.hxx>
#include <Algo_FixSelfIntersections.hxx>
#include <HalfEdgeAlgo_CheckSplash.hxx>
#include <HalfEdgeAlgo_CollapseFarNodes.hxx>
#include <HalfEdgeAlgo_FixSplash.hxx>
#include <HalfEdgeAlgo_Projection.hxx>
#include <HalfEdgeAlgo_RemoveSlivers.hxx>
#include <HalfEdgeAlgo_RemoveStickingFaces.hxx>
#include <HalfEdgeAlgo_SettleNodes.hxx>
#include <HalfEdgeAlgo_SimpleSmooth.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>
#include <HalfEdge_Mesh.hxx>
#include <SVO_Tree.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Algo_ShrinkWrapping, Algo_Tessellation)

namespace
{
// Gaps of the two projections, in cells: the first leaves room for the
// averaging step to even the surface out before the close one.
const double THE_PROJECTION_GAPS[] = {0.1, 0.01};

// Nodes the repairs left farther than this from the input, in cells, are
// settled back onto it. Most of the nodes the repairs move go less far, and
// bringing them back would cost more than it gives.
const double THE_SETTLE_THRESHOLD = 0.05;

// Nodes left farther than this from the input, in cells, after settling are
// collapsed into neighbours: most span holes or gaps too narrow for the cells,
// the others were held off the input by faces that would have crossed.
const double THE_FAR_BOUND = 0.19;

// The sharpest corner, in degrees, that settling, or the collapse of the nodes
// still far, may give a triangle: brought onto sharp features of the input,
// faces would turn into slivers.
const double THE_SHARPEST_SETTLED_ANGLE = 3.0;

// The sharpest corner, in degrees, that settling may give a triangle after
// the refinements, which have taken sharper ones away (faces ten times longer
// than wide have corners of about 6 degrees). The collapse of far nodes keeps
// the bound above: a node in the middle of a hole is farther off the input
// than a face is sharp.
const double THE_SHARPEST_REFINED_ANGLE = 6.0;

// The sharpest corner, in degrees, that the finished wrap's triangles may keep
// where an edge swap or collapse can take it away soundly, and the farthest,
// in cells, that such a collapse may move the surface: as far as the nodes
// may lie from the input.
const double THE_SLIVER_ANGLE = 12.0;
const double THE_SLIVER_LIFT  = 0.2;

// Faces at least this many times longer than wide are collapsed.
const double THE_NARROW_RATIO = 10.0;

// A settling of the nodes farther than theThreshold from theInput towards
// theGap from it, making no corner sharper than theSharpestAngle degrees
// (none checked at 0).
Handle(HalfEdgeAlgo_SettleNodes) settling(const Handle(Trivex::TriangleSet)& theInput,
                                          unsigned int                       theNbThreads,
                                          double                             theGap,
                                          double                             theThreshold,
                                          double                             theSharpestAngle)
{
  Handle(HalfEdgeAlgo_SettleNodes) aSettle = new HalfEdgeAlgo_SettleNodes();
  aSettle->SetNbThreads(theNbThreads);
  aSettle->SetTriangleSet(theInput);
  aSettle->SetGap(theGap);
  aSettle->SetThreshold(theThreshold);
  aSettle->SetSharpestAngle(theSharpestAngle);
  return aSettle;
}
} // namespace

Algo_ShrinkWrapping::Algo_ShrinkWrapping(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Tessellation(theNotifier)
{
}

std::string Algo_ShrinkWrapping::Name() const
{
  return get_type_name();
}

bool Algo_ShrinkWrapping::Perform()
{
  if (myTree.IsNull() || myTree->NbNodes() == 0)
  {
    myNotifier->NewMessage(Pelk_Error, "Algo_MarchingCubes.NoTree");
    return false;
  }
  bool isDone =
      isDoneAndGoing(CartesianWrapping()) && isDoneAndGoing(Project()) && isDoneAndGoing(FixSplashes());
  if (isDone)
  {
    // A first pass that fails is not the end: the repairs often leave less to
    // do than they found, and a second pass on the same steps finishes it.
    isDone = false;
    for (int aPass = 0; aPass < 2 && !isDone; ++aPass)
    {
      myNotifier->TreatErrorAsWarning(aPass == 0);
      isDone = performPass(aPass == 0);
    }
  }
  myNotifier->TreatErrorAsWarning(false);
  return isDone;
}

bool Algo_ShrinkWrapping::performPass(bool theIsFirstPass)
{
  const bool isStickingDone = isDoneAndGoing(RemoveStickingFaces());
  const bool isNarrowDone   = isDoneAndGoing(CollapseNarrowFaces());
  const bool isFixDone      = isDoneAndGoing(FixSelfIntersections());
  const bool isTriangleDone = isDoneAndGoing(Tessellate(theIsFirstPass));
  const bool isDone         = isStickingDone && isNarrowDone && isFixDone && isTriangleDone;
  return isDone && isDoneAndGoing(SettleNodes());
}

bool Algo_ShrinkWrapping::isDoneAndGoing(bool theIsDone) const
{
  const bool isBreak = myNotifier->UserBreak();
  return theIsDone && !isBreak;
}

bool Algo_ShrinkWrapping::CartesianWrapping()
{
  Handle(Algo_CartesianWrapping) aWrapping = new Algo_CartesianWrapping(myNotifier);
  aWrapping->SetNbThreads(NbThreads());
  aWrapping->SetTree(myTree);
  aWrapping->SetTriangleSet(myTriangleSet);
  aWrapping->SetInnerMode(myInnerMode);
  const bool isDone = aWrapping->Perform();
  if (isDone)
  {
    myResult = aWrapping->Result();
  }
  else if (!myNotifier->UserBreak())
  {
    // A skin stopped by the host has not failed: the host knows why it ended.
    myNotifier->NewMessage(Pelk_Error, "Algo_ShrinkWrapping.CartesianWrappingFailed");
  }
  // The octree is the largest structure of the run and is not needed any more.
  myTree.Nullify();
  return isDone;
}

bool Algo_ShrinkWrapping::Project()
{
  myNotifier->NewScope("Algo_ShrinkWrapping::Project", 0.0, 0.03, 0.005);
  Handle(HalfEdgeAlgo_Projection) aProjection = new HalfEdgeAlgo_Projection();
  aProjection->SetNbThreads(NbThreads());
  aProjection->SetTriangleSet(myTriangleSet);
  aProjection->SetGap(THE_PROJECTION_GAPS[0] * myCellSize);
  myNotifier->Increment();
  bool isDone = myResult->Execute(aProjection, true);
  myNotifier->Increment();
  if (isDone)
  {
    isDone = myResult->Execute(new HalfEdgeAlgo_SimpleSmooth(), true);
    myNotifier->Increment();
  }
  if (isDone)
  {
    // Every node goes to the close gap, but where that makes faces cross:
    // there, two sheets of the skin meet on a thin or open part of the input,
    // and the repair of their crossings would cost more than all the rest of
    // the wrap. Faces may turn as sharp as a plain projection would make them.
    isDone = myResult->Execute(
        settling(myTriangleSet, NbThreads(), THE_PROJECTION_GAPS[1] * myCellSize, 0.0, 0.0), true);
    myNotifier->Increment();
  }
  myNotifier->Increment();
  if (isDone)
  {
    // Two sheets of the skin pulled onto one thin part of the input meet back to back.
    isDone = myResult->Execute(new HalfEdgeAlgo_RemoveStickingFaces(), true);
  }
  else
  {
    myNotifier->NewMessage(Pelk_Error, "Algo_ShrinkWrapping.ProjectionFailed");
  }
  myNotifier->EndScope();
  return isDone;
}

bool Algo_ShrinkWrapping::FixSplashes()
{
  myNotifier->NewScope("Algo_ShrinkWrapping::FixSplashes", 0.0, 0.02, 0.02 / 3.0);
  Handle(HalfEdgeAlgo_CheckSplash) aCheck = new HalfEdgeAlgo_CheckSplash();
  if (!myResult->Execute(aCheck, true))
  {
    myNotifier->EndScope();
    return true;
  }
  myNotifier->Increment();
  // The check finds nothing to change, so its numbers still name the splash nodes.
  const bool isDone = myResult->Execute(new HalfEdgeAlgo_FixSplash(aCheck->SplashNodes()), true);
  myNotifier->Increment();
  if (!isDone)
  {
    myNotifier->NewMessage(Pelk_Warning, "Algo_ShrinkWrapping.FixSplashFailed");
  }
  myNotifier->EndScope();
  return isDone;
}

bool Algo_ShrinkWrapping::RemoveStickingFaces()
{
  myNotifier->NewScope("Algo_ShrinkWrapping::RemoveStickingFaces", 0.0, 0.01, 0.01);
  // A face the removal could not add back is left to the repairs that follow.
  myResult->Execute(new HalfEdgeAlgo_RemoveStickingFaces(), true);
  myNotifier->EndScope();
  return true;
}

bool Algo_ShrinkWrapping::CollapseNarrowFaces()
{
  Handle(Algo_CollapseNarrowFace) aCollapse = new Algo_CollapseNarrowFace(myNotifier);
  aCollapse->SetMesh(myResult);
  aCollapse->SetParameter(THE_NARROW_RATIO);
  if (aCollapse->Perform())
  {
    myResult = aCollapse->Result();
  }
  else
  {
    myNotifier->NewMessage(Pelk_Error, "Algo_ShrinkWrapping.CollapseNarrowFacesFailed").Arg(THE_NARROW_RATIO);
  }
  return true;
}

bool Algo_ShrinkWrapping::FixSelfIntersections()
{
  Handle(Algo_FixSelfIntersections) aFix = new Algo_FixSelfIntersections(myNotifier);
  aFix->SetNbThreads(NbThreads());
  aFix->SetMesh(myResult);
  const bool isDone = aFix->Perform();
  if (isDone)
  {
    myResult = aFix->Result();
  }
  return isDone;
}

bool Algo_ShrinkWrapping::SettleNodes()
{
  settle(myResult, THE_SHARPEST_SETTLED_ANGLE);
  return true;
}

void Algo_ShrinkWrapping::FinishRefined(const Handle(HalfEdge_Mesh)& theMesh)
{
  settle(theMesh, THE_SHARPEST_REFINED_ANGLE);
  Handle(HalfEdgeAlgo_RemoveSlivers) aRemove = new HalfEdgeAlgo_RemoveSlivers();
  aRemove->SetNbThreads(NbThreads());
  aRemove->SetTriangleSet(myTriangleSet);
  aRemove->SetAngle(THE_SLIVER_ANGLE);
  aRemove->SetMaxLift(THE_SLIVER_LIFT * myCellSize);
  theMesh->Execute(aRemove, true);
}

void Algo_ShrinkWrapping::settle(const Handle(HalfEdge_Mesh)& theMesh, double theSharpestAngle) const
{
  theMesh->Execute(settling(myTriangleSet, NbThreads(), THE_PROJECTION_GAPS[1] * myCellSize,
                            THE_SETTLE_THRESHOLD * myCellSize, theSharpestAngle),
                   true);
  Handle(HalfEdgeAlgo_CollapseFarNodes) aCollapse = new HalfEdgeAlgo_CollapseFarNodes();
  aCollapse->SetNbThreads(NbThreads());
  aCollapse->SetTriangleSet(myTriangleSet);
  aCollapse->SetBound(THE_FAR_BOUND * myCellSize);
  aCollapse->SetSharpestAngle(THE_SHARPEST_SETTLED_ANGLE);
  theMesh->Execute(aCollapse, true);
}

bool Algo_ShrinkWrapping::Tessellate(bool theIsFirstPass)
{
  myNotifier->NewScope("Algo_ShrinkWrapping::Tessellate", 0.0, 0.02, 0.01);
  Handle(HalfEdgeAlgo_Triangulate) aTriangulate = new HalfEdgeAlgo_Triangulate("skewness");
  aTriangulate->SetNbThreads(NbThreads());
  myNotifier->Increment();
  // The removal of sticking faces can leave holes it could not weld: a pass
  // that ends with an open surface has not finished it. A flat input's wrap
  // may collapse away altogether, which the driver reports as an empty wrap.
  const bool isDone =
      myResult->Execute(aTriangulate, true) && myResult->BoundaryEdgesBegin() == myResult->BoundaryEdgesEnd();
  if (!isDone && theIsFirstPass)
  {
    myNotifier->NewMessage(Pelk_Warning, "Algo_ShrinkWrapping.TessellationWarning.FixSelfIntersections");
  }
  else if (!isDone)
  {
    myNotifier->NewMessage(Pelk_Error, "Algo_ShrinkWrapping.TessellationFailed");
  }
  myNotifier->EndScope();
  return isDone;
}
