#ifndef HalfEdgeAlgo_SearchFaceCriterion_HeaderFile
#define HalfEdgeAlgo_SearchFaceCriterion_HeaderFile

#include <HalfEdgeAlgo_SearchCriterion.hxx>

//! Base of the criteria that test faces.
class HalfEdgeAlgo_SearchFaceCriterion : public HalfEdgeAlgo_SearchCriterion
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SearchFaceCriterion, HalfEdgeAlgo_SearchCriterion)
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SearchFaceCriterion, HalfEdgeAlgo_SearchCriterion)

#endif
