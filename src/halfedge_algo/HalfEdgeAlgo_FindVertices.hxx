#ifndef HalfEdgeAlgo_FindVertices_HeaderFile
#define HalfEdgeAlgo_FindVertices_HeaderFile

#include <HalfEdgeAlgo_Search.hxx>

//! Finds the live vertices that pass every criterion's vertex test.
class HalfEdgeAlgo_FindVertices : public HalfEdgeAlgo_Search
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_FindVertices, HalfEdgeAlgo_Search)
public:
  //! Searches the vertices of theMesh; true when some vertex was found.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;
  //! "HalfEdgeAlgo_FindVertices".
  std::string Name() const override;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_FindVertices, HalfEdgeAlgo_Search)

#endif
