#include <Algo_Tessellation.hxx>

#include <HalfEdge_Mesh.hxx>
#include <SVO_Tree.hxx>
#include <Trivex_TriangleSet.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Algo_Tessellation, Algo_Transient)

Algo_Tessellation::Algo_Tessellation(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Transient(theNotifier),
      myCellSize(0.1),
      myInnerMode(false)
{
}

Algo_Tessellation::~Algo_Tessellation() = default;

const opencascade::handle<SVO_Tree>& Algo_Tessellation::Tree() const
{
  return myTree;
}

void Algo_Tessellation::SetTree(const opencascade::handle<SVO_Tree>& theTree)
{
  myTree = theTree;
}

const opencascade::handle<Trivex::TriangleSet>& Algo_Tessellation::TriangleSet() const
{
  return myTriangleSet;
}

void Algo_Tessellation::SetTriangleSet(const opencascade::handle<Trivex::TriangleSet>& theSet)
{
  myTriangleSet = theSet;
}

const opencascade::handle<HalfEdge_Mesh>& Algo_Tessellation::Result() const
{
  return myResult;
}

void Algo_Tessellation::FinishRefined(const opencascade::handle<HalfEdge_Mesh>&) {}

void Algo_Tessellation::SetResult(const opencascade::handle<HalfEdge_Mesh>& theResult)
{
  myResult = theResult;
}
