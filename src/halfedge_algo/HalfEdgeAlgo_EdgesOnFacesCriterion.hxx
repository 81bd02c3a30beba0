#ifndef HalfEdgeAlgo_EdgesOnFacesCriterion_HeaderFile
#define HalfEdgeAlgo_EdgesOnFacesCriterion_HeaderFile

#include <HalfEdgeAlgo_FaceElementCache.hxx>
#include <HalfEdgeAlgo_SearchEdgeCriterion.hxx>

//! Passes the edges that are an edge of a given set of faces. The edges of
//! the faces are gathered once, by the first test after SetFaces(), from the
//! mesh that test is given; later tests only look them up, and may run on
//! several threads at once (see HalfEdgeAlgo_FaceElementCache).
class HalfEdgeAlgo_EdgesOnFacesCriterion : public HalfEdgeAlgo_SearchEdgeCriterion
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_EdgesOnFacesCriterion, HalfEdgeAlgo_SearchEdgeCriterion)
public:
  //! Edges of the faces theFaces.
  explicit HalfEdgeAlgo_EdgesOnFacesCriterion(const std::set<int>& theFaces = std::set<int>());

  //! The faces.
  const std::set<int>& Faces() const { return myCache.Faces(); }

  //! Replaces the faces; the edges are gathered again by the next test.
  void SetFaces(const std::set<int>& theFaces) { myCache.SetFaces(theFaces); }

  //! The faces, to change without gathering again: tests keep answering for
  //! the faces of the last gathering until SetFaces().
  std::set<int>& ChangeFaces() { return myCache.ChangeFaces(); }

  //! True when the edge is an edge of a valid face of the set.
  bool TestEdge(Mesh& theMesh, int theEdge) const override;

private:
  HalfEdgeAlgo_FaceElementCache myCache;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_EdgesOnFacesCriterion, HalfEdgeAlgo_SearchEdgeCriterion)

#endif
