#ifndef HalfEdgeAlgo_SearchEdgeCriterion_HeaderFile
#define HalfEdgeAlgo_SearchEdgeCriterion_HeaderFile

#include <HalfEdgeAlgo_SearchCriterion.hxx>

//! Base of the criteria that test edges.
class HalfEdgeAlgo_SearchEdgeCriterion : public HalfEdgeAlgo_SearchCriterion
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SearchEdgeCriterion, HalfEdgeAlgo_SearchCriterion)
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SearchEdgeCriterion, HalfEdgeAlgo_SearchCriterion)

#endif
