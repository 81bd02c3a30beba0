#include <Algo_Refinement.hxx>

#include <HalfEdgeAlgo_Triangulate.hxx>
#include <HalfEdge_Mesh.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Algo_Refinement, Algo_Transient)

Algo_Refinement::Algo_Refinement(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Transient(theNotifier),
      myWasTriangular(false)
{
}

Algo_Refinement::~Algo_Refinement() = default;

const opencascade::handle<HalfEdge_Mesh>& Algo_Refinement::Mesh() const
{
  return myMesh;
}

void Algo_Refinement::SetMesh(const opencascade::handle<HalfEdge_Mesh>& theMesh)
{
  myMesh = theMesh;
}

const opencascade::handle<HalfEdge_Mesh>& Algo_Refinement::Result() const
{
  return myResult;
}

void Algo_Refinement::SetResult(const opencascade::handle<HalfEdge_Mesh>& theResult)
{
  myResult = theResult;
}

bool Algo_Refinement::CheckInputData()
{
  myWasTriangular = !myMesh.IsNull() && myMesh->IsTriangular();
  return true;
}

bool Algo_Refinement::RestoreTriangles()
{
  if (!myWasTriangular)
  {
    return true;
  }
  if (myResult.IsNull())
  {
    return false;
  }
  Handle(HalfEdgeAlgo_Triangulate) aTriangulate = new HalfEdgeAlgo_Triangulate("skewness");
  aTriangulate->SetNbThreads(NbThreads());
  myResult->Execute(aTriangulate, true);
  return myMesh->IsTriangular();
}

bool Algo_Refinement::execute(const Handle(HalfEdgeAlgo_Algorithm)& theAlgo, bool theWithGC)
{
  theAlgo->SetNbThreads(NbThreads());
  return myMesh->Execute(theAlgo, theWithGC);
}
