#include <Algo_Smoothing.hxx>

#include <HalfEdgeAlgo_Smooth.hxx>
#include <HalfEdge_Mesh.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Algo_Smoothing, Algo_Refinement)

Algo_Smoothing::Algo_Smoothing(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Refinement(theNotifier),
      myComponent(Both),
      myNbIterations(5)
{
}

std::string Algo_Smoothing::Name() const
{
  return get_type_name();
}

bool Algo_Smoothing::Perform()
{
  myResult.Nullify();
  if (myMesh.IsNull())
  {
    return false;
  }
  CheckInputData();
  myNotifier->NewScope("Algo_Smoothing::Perform", 0.0, 0.02, 0.02 / 3.0);
  // The component comes unchecked from the settings: anything but the two
  // single directions smooths both.
  const int aComponent = (myComponent == Tangential || myComponent == Normal) ? myComponent : Both;
  myNotifier->Increment();
  Handle(HalfEdgeAlgo_Smooth) aSmooth = new HalfEdgeAlgo_Smooth();
  aSmooth->SetComponent(aComponent);
  aSmooth->SetNbIterations(myNbIterations);
  myNotifier->Increment();
  bool isDone = execute(aSmooth);
  if (isDone)
  {
    myResult = myMesh;
    isDone   = RestoreTriangles();
  }
  myNotifier->EndScope();
  return isDone;
}
