#ifndef HalfEdgeAlgo_VerticesOnFacesCriterion_HeaderFile
#define HalfEdgeAlgo_VerticesOnFacesCriterion_HeaderFile

#include <HalfEdgeAlgo_FaceElementCache.hxx>
#include <HalfEdgeAlgo_SearchVertexCriterion.hxx>

//! Passes the vertices that are a corner of a given set of faces. The vertices of
//! the faces are gathered once, by the first test after SetFaces(), from the
//! mesh that test is given; later tests only look them up, and may run on
//! several threads at once (see HalfEdgeAlgo_FaceElementCache).
class HalfEdgeAlgo_VerticesOnFacesCriterion : public HalfEdgeAlgo_SearchVertexCriterion
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_VerticesOnFacesCriterion, HalfEdgeAlgo_SearchVertexCriterion)
public:
  //! Vertices of the faces theFaces.
  explicit HalfEdgeAlgo_VerticesOnFacesCriterion(const std::set<int>& theFaces = std::set<int>());

  //! The faces.
  const std::set<int>& Faces() const { return myCache.Faces(); }

  //! Replaces the faces; the vertices are gathered again by the next test.
  void SetFaces(const std::set<int>& theFaces) { myCache.SetFaces(theFaces); }

  //! The faces, to change without gathering again: tests keep answering for
  //! the faces of the last gathering until SetFaces().
  std::set<int>& ChangeFaces() { return myCache.ChangeFaces(); }

  //! True when the vertex is a corner of a valid face of the set.
  bool TestVertex(Mesh& theMesh, int theVertex) const override;

private:
  HalfEdgeAlgo_FaceElementCache myCache;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_VerticesOnFacesCriterion, HalfEdgeAlgo_SearchVertexCriterion)

#endif
