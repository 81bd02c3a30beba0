#ifndef Pelk_RefinementParameter_HeaderFile
#define Pelk_RefinementParameter_HeaderFile

#include <Algo_Refinement.hxx>

//! The one number of a refinement step, as the settings and the configuration
//! file give it: the edge length, aspect ratio, skewness limit or repair
//! tolerance of the steps that have one.
namespace Pelk_RefinementParameter
{
//! Gives theStep the parameter theValue, used as given; false (and nothing
//! changed) when the step has no such parameter.
bool Set(const Handle(Algo_Refinement)& theStep, double theValue);
} // namespace Pelk_RefinementParameter

#endif
