#include <Pelk_SinglePrecision.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_UpdateNodes.hxx>

#include <cmath>
#include <map>

namespace
{
// Repairs of the crossings rounding made, each followed by a new rounding.
// A repair moves a few nodes by a fraction of a cell; their rounding rarely
// makes a crossing again.
const int THE_MAX_REPAIRS = 3;

//! Every node of theMesh with its position.
std::map<int, gp_Pnt> positions(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::map<int, gp_Pnt> aNodes;
  for (int aNode = 0; aNode < theMesh->NbNodes(); ++aNode)
  {
    aNodes.emplace_hint(aNodes.end(), aNode, theMesh->Node(aNode));
  }
  return aNodes;
}

double rounded(double theValue)
{
  const double aRounded = static_cast<double>(static_cast<float>(theValue));
  return std::isfinite(aRounded) ? aRounded : theValue;
}
} // namespace

void Pelk_SinglePrecision::RoundNodes(const Handle(HalfEdge_Mesh)& theMesh)
{
  Handle(HalfEdgeAlgo_UpdateNodes) anUpdate = new HalfEdgeAlgo_UpdateNodes();
  anUpdate->Nodes()                         = positions(theMesh);
  for (auto& [aNode, aPoint] : anUpdate->Nodes())
  {
    aPoint = gp_Pnt(rounded(aPoint.X()), rounded(aPoint.Y()), rounded(aPoint.Z()));
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
  Handle(HalfEdgeAlgo_UpdateNodes) anUnrounding = new HalfEdgeAlgo_UpdateNodes();
  if (!myRepair.IsNull())
  {
    anUnrounding->Nodes() = positions(theMesh);
  }
  RoundNodes(theMesh);
  if (myRepair.IsNull() || !isCrossing(theMesh))
  {
    return true;
  }
  // Rounding made faces cross: the wrap as it was is kept aside in case no
  // repair parts them.
  const Handle(HalfEdge_Mesh) aBefore = new HalfEdge_Mesh(theMesh);
  aBefore->Execute(anUnrounding, false);
  bool isCrossingLeft = true;
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
