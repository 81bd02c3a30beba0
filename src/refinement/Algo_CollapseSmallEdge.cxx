#include <Algo_CollapseSmallEdge.hxx>

#include <HalfEdgeAlgo_CollapseEdges.hxx>
#include <HalfEdgeAlgo_EdgeLengthCriterion.hxx>
#include <HalfEdgeAlgo_FindEdges.hxx>
#include <HalfEdge_Mesh.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Algo_CollapseSmallEdge, Algo_Refinement)

Algo_CollapseSmallEdge::Algo_CollapseSmallEdge(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Refinement(theNotifier),
      myParameter(1e-7)
{
}

std::string Algo_CollapseSmallEdge::Name() const
{
  return get_type_name();
}

bool Algo_CollapseSmallEdge::Perform()
{
  myResult.Nullify();
  if (myMesh.IsNull())
  {
    return false;
  }
  CheckInputData();
  myNotifier->NewScope("Algo_CollapseSmallEdge::Perform", 0.0, 0.02, 0.01);
  Handle(HalfEdgeAlgo_FindEdges) aSearch = new HalfEdgeAlgo_FindEdges();
  aSearch->AddCriterion(new HalfEdgeAlgo_EdgeLengthCriterion(0.0, myParameter * myParameter));
  myNotifier->Increment();
  bool isDone = true;
  if (execute(aSearch))
  {
    Handle(HalfEdgeAlgo_CollapseEdges) aCollapse = new HalfEdgeAlgo_CollapseEdges();
    aCollapse->SetEdges(aSearch->Found());
    isDone = execute(aCollapse);
  }
  if (isDone)
  {
    myResult = myMesh;
    isDone   = RestoreTriangles();
  }
  myNotifier->EndScope();
  return isDone;
}
