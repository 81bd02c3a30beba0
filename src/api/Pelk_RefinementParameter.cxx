#include <Pelk_RefinementParameter.hxx>

#include <Algo_CollapseNarrowFace.hxx>
#include <Algo_CollapseSmallEdge.hxx>
#include <Algo_FixSelfIntersections.hxx>
#include <Algo_SwapEdge.hxx>

namespace
{
// Steps are told apart by the name they answer, as the settings name them;
// they come from CreateAlgorithm, so a step of that name is of that class.
template <class Step>
bool setIfNamed(const Handle(Algo_Refinement)& theStep, double theValue)
{
  if (theStep->Name() != Step::get_type_name())
  {
    return false;
  }
  static_cast<Step*>(theStep.get())->SetParameter(theValue);
  return true;
}
} // namespace

bool Pelk_RefinementParameter::Set(const Handle(Algo_Refinement)& theStep, double theValue)
{
  return !theStep.IsNull() && (setIfNamed<Algo_CollapseSmallEdge>(theStep, theValue) ||
                               setIfNamed<Algo_CollapseNarrowFace>(theStep, theValue) ||
                               setIfNamed<Algo_SwapEdge>(theStep, theValue) ||
                               setIfNamed<Algo_FixSelfIntersections>(theStep, theValue));
}
