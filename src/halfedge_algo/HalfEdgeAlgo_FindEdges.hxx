#ifndef HalfEdgeAlgo_FindEdges_HeaderFile
#define HalfEdgeAlgo_FindEdges_HeaderFile

#include <HalfEdgeAlgo_Search.hxx>

//! Finds the live edges that pass every criterion's edge test.
class HalfEdgeAlgo_FindEdges : public HalfEdgeAlgo_Search
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_FindEdges, HalfEdgeAlgo_Search)
public:
  //! Searches the edges of theMesh; true when some edge was found.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;
  //! "HalfEdgeAlgo_FindEdges".
  std::string Name() const override;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_FindEdges, HalfEdgeAlgo_Search)

#endif
