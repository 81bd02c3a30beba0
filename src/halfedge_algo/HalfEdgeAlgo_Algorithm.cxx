#include <HalfEdgeAlgo_Algorithm.hxx>

#include <Pelk_DummyProgressNotifier.hxx>

#include <Precision.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_Algorithm, Standard_Transient)

HalfEdgeAlgo_Algorithm::HalfEdgeAlgo_Algorithm()
    : Algo_Interface(Pelk_DummyProgressNotifier::Instance()),
      myTolerance(Precision::Confusion())
{
}

bool HalfEdgeAlgo_Algorithm::Perform()
{
  return false;
}
