#ifndef HalfEdgeAlgo_SubMeshByFaces_HeaderFile
#define HalfEdgeAlgo_SubMeshByFaces_HeaderFile

#include <HalfEdgeAlgo_SubMesh.hxx>

#include <set>

//! Copies the selected faces of a mesh, in ascending number order; numbers
//! of deleted or missing faces are skipped.
class HalfEdgeAlgo_SubMeshByFaces : public HalfEdgeAlgo_SubMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SubMeshByFaces, HalfEdgeAlgo_SubMesh)
public:
  //! False (nothing changes) when no face is selected; otherwise true, also
  //! when none of the selected faces exists (the result is then empty).
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_SubMeshByFaces".
  std::string Name() const override;

  //! The selected source faces.
  std::set<int>& Faces() { return myFaces; }

  //! Replaces the selected source faces.
  void SetFaces(const std::set<int>& theFaces) { myFaces = theFaces; }

protected:
  std::set<int> myFaces;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SubMeshByFaces, HalfEdgeAlgo_SubMesh)

#endif
