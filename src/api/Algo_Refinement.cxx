#include <Algo_Refinement.hxx>

#include <HalfEdgeAlgo_Triangulate.hxx>
#include <HalfEdge_Mesh.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Algo_Refinement, Algo_Transient)

namespace
{
bool isClosed(const Handle(HalfEdge_Mesh)& theMesh)
{
  return !theMesh.IsNull() && theMesh->NbFaces() > 0 &&
         theMesh->BoundaryEdgesBegin() == theMesh->BoundaryEdgesEnd();
}
} // namespace

Algo_Refinement::Algo_Refinement(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Transient(theNotifier),
      myWasTriangular(false),
      myWasClosed(false)
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
  myWasClosed     = isClosed(myMesh);
  return true;
}

bool Algo_Refinement::RestoreTriangles()
{
  if (myWasTriangular)
  {
    if (myResult.IsNull())
    {
      return false;
    }
    Handle(HalfEdgeAlgo_Triangulate) aTriangulate = new HalfEdgeAlgo_Triangulate("skewness");
    aTriangulate->SetNbThreads(NbThreads());
    myResult->Execute(aTriangulate, true);
  }
  // The collapses may remove faces stuck back to back without being able to
  // weld what is left, or flatten a wrap of a flat input away: a step that
  // opened a closed surface has failed, whatever its own work gave.
  return (!myWasTriangular || myMesh->IsTriangular()) && (!myWasClosed || isClosed(myMesh));
}

bool Algo_Refinement::execute(const Handle(HalfEdgeAlgo_Algorithm)& theAlgo, bool theWithGC)
{
  theAlgo->SetNbThreads(NbThreads());
  return myMesh->Execute(theAlgo, theWithGC);
}
