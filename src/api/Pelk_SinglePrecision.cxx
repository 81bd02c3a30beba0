#include <Pelk_SinglePrecision.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_UpdateNodes.hxx>

#include <cmath>

namespace
{
// Repairs of the crossings rounding made, each followed by a new rounding.
// A repair moves a few nodes by a fraction of a cell; their rounding rarely
// makes a crossing again.
const int THE_MAX_REPAIRS = 3;

double rounded(double theValue)
{
  const double aRounded = static_cast<double>(static_cast<float>(theValue));
  return std::isfinite(aRounded) ? aRounded : theValue;
}
} // namespace

void Pelk_SinglePrecision::RoundNodes(const Handle(HalfEdge_Mesh)& theMesh)
{
  Handle(HalfEdgeAlgo_UpdateNodes) anUpdate = new HalfEdgeAlgo_UpdateNodes();
  for (int aNode = 0; aNode < theMesh->NbNodes(); ++aNode)
  {
    const gp_Pnt aPoint = theMesh->Node(aNode);
    anUpdate->Nodes().emplace_hint(anUpdate->Nodes().end(), aNode,
                                   gp_Pnt(rounded(aPoint.X()), rounded(aPoint.Y()), rounded(aPoint.Z())));
  }
  theMesh->Execute(anUpdate, false);
}

bool Pelk_SinglePrecision::Perform(Handle(HalfEdge_Mesh)& theMesh)
{
  myNbRepairs = 0;
  if (theMesh.IsNull())
  {
    return false;
  }
  const Handle(HalfEdge_Mesh) aBefore =
      myRepair.IsNull() ? Handle(HalfEdge_Mesh)() : new HalfEdge_Mesh(theMesh);
  RoundNodes(theMesh);
  if (myRepair.IsNull())
  {
    return true;
  }
  bool isCrossingLeft = isCrossing(theMesh);
  for (; isCrossingLeft && myNbRepairs < THE_MAX_REPAIRS; ++myNbRepairs)
  {
    myRepair->SetMesh(theMesh);
    if (!myRepair->Perform())
    {
      break;
    }
    theMesh = myRepair->Result();
    RoundNodes(theMesh);
    isCrossingLeft = isCrossing(theMesh);
  }
  if (isCrossingLeft)
  {
    theMesh = aBefore;
  }
  return !isCrossingLeft;
}

bool Pelk_SinglePrecision::isCrossing(const Handle(HalfEdge_Mesh)& theMesh) const
{
  Handle(HalfEdgeAlgo_CheckSelfIntersections) aCheck = new HalfEdgeAlgo_CheckSelfIntersections();
  aCheck->SetTolerance(myRepair->Parameter());
  aCheck->SetNbThreads(myRepair->NbThreads());
  return theMesh->Execute(aCheck, false);
}
