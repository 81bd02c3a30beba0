#ifndef HalfEdgeAlgo_FindFaces_HeaderFile
#define HalfEdgeAlgo_FindFaces_HeaderFile

#include <HalfEdgeAlgo_Search.hxx>

//! Finds the live faces that pass every criterion's face test. Only the
//! faces the first criterion names as candidates are tested, or every face
//! when it names none.
class HalfEdgeAlgo_FindFaces : public HalfEdgeAlgo_Search
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_FindFaces, HalfEdgeAlgo_Search)
public:
  //! Searches the faces of theMesh; true when some face was found.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;
  //! "HalfEdgeAlgo_FindFaces".
  std::string Name() const override;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_FindFaces, HalfEdgeAlgo_Search)

#endif
