// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#pragma push_macro("Handle")
#undef Handle
#include <OpenMesh/Tools/Smoother/JacobiLaplaceSmootherT.hh>
#pragma pop_macro("Handle")

#include <HalfEdgeAlgo_Smooth.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_Smooth, HalfEdgeAlgo_ModifyMesh)

namespace
{
using Smoother = OpenMesh::Smoother::JacobiLaplaceSmootherT<Mesh>;

Smoother::Component component(int theValue)
{
  switch (theValue)
  {
  case 0:
    return Smoother::Tangential;
  case 1:
    return Smoother::Normal;
  default:
    return Smoother::Tangential_and_Normal;
  }
}
} // namespace

HalfEdgeAlgo_Smooth::HalfEdgeAlgo_Smooth()
    : myNbIterations(5),
      myComponent(2)
{
}

std::string HalfEdgeAlgo_Smooth::Name() const
{
  return "HalfEdgeAlgo_Smooth";
}

bool HalfEdgeAlgo_Smooth::Perform(Mesh& theMesh)
{
  if (myNbIterations <= 0)
  {
    return true;
  }
  // The smoother adds normals and scratch properties to the mesh and removes
  // them again when it goes out of scope.
  Smoother aSmoother(theMesh);
  aSmoother.initialize(component(myComponent), Smoother::C1);
  aSmoother.smooth(static_cast<unsigned int>(myNbIterations));
  return true;
}
