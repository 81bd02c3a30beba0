#ifndef HalfEdgeAlgo_SearchVertexCriterion_HeaderFile
#define HalfEdgeAlgo_SearchVertexCriterion_HeaderFile

#include <HalfEdgeAlgo_SearchCriterion.hxx>

//! Base of the criteria that test vertexs.
class HalfEdgeAlgo_SearchVertexCriterion : public HalfEdgeAlgo_SearchCriterion
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SearchVertexCriterion, HalfEdgeAlgo_SearchCriterion)
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SearchVertexCriterion, HalfEdgeAlgo_SearchCriterion)

#endif
