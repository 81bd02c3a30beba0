#include <Algo_SwapEdge.hxx>

#include <HalfEdgeAlgo_SwapEdge.hxx>
#include <HalfEdge_Mesh.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Algo_SwapEdge, Algo_Refinement)

Algo_SwapEdge::Algo_SwapEdge(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Refinement(theNotifier),
      myParameter(0.8)
{
}

std::string Algo_SwapEdge::Name() const
{
  return get_type_name();
}

bool Algo_SwapEdge::Perform()
{
  myResult.Nullify();
  if (myMesh.IsNull())
  {
    return false;
  }
  CheckInputData();
  myNotifier->NewScope("Algo_SwapEdge::Perform", 0.0, 0.02, 0.02 / 3.0);
  Handle(HalfEdgeAlgo_SwapEdge) aSwap = new HalfEdgeAlgo_SwapEdge();
  aSwap->SetEdge(-1);
  aSwap->SetSkewnessLimit(myParameter);
  myNotifier->Increment();
  // A mesh where no flip pays is as good as the swap can make it: not a failure.
  execute(aSwap);
  myNotifier->Increment();
  myResult          = myMesh;
  const bool isDone = RestoreTriangles();
  myNotifier->EndScope();
  return isDone;
}
