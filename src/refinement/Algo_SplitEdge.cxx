#include <Algo_SplitEdge.hxx>

#include <HalfEdgeAlgo_DivideEdges.hxx>
#include <HalfEdge_Mesh.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Algo_SplitEdge, Algo_Refinement)

Algo_SplitEdge::Algo_SplitEdge(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Refinement(theNotifier)
{
}

std::string Algo_SplitEdge::Name() const
{
  return get_type_name();
}

bool Algo_SplitEdge::Perform()
{
  myResult.Nullify();
  if (myMesh.IsNull())
  {
    return false;
  }
  CheckInputData();
  myNotifier->NewScope("Algo_SplitEdge::Perform", 0.0, 0.06, 0.06);
  // A split that failed stops the division but leaves a valid mesh; the
  // triangle restoration below decides whether the step succeeded.
  execute(new HalfEdgeAlgo_DivideEdges());
  myResult          = myMesh;
  const bool isDone = RestoreTriangles();
  myNotifier->EndScope();
  return isDone;
}
