#ifndef HalfEdgeAlgo_RenegadeVertexCriterion_HeaderFile
#define HalfEdgeAlgo_RenegadeVertexCriterion_HeaderFile

#include <HalfEdgeAlgo_SearchVertexCriterion.hxx>
#include <Trivex_TriangleSet.hxx>

//! Passes the vertices that have pierced another part of the surface: every
//! edge leaving the vertex meets, across its plane, a face that touches
//! neither of the edge's ends. A vertex without edges never passes, nor one
//! with an edge of (almost) no length.
//!
//! The triangle set holds the surface's triangles, each record carrying the
//! number of its mesh face (as the self-intersection check builds it).
class HalfEdgeAlgo_RenegadeVertexCriterion : public HalfEdgeAlgo_SearchVertexCriterion
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_RenegadeVertexCriterion, HalfEdgeAlgo_SearchVertexCriterion)
public:
  //! Tests against theSet (see SetTriangleSet()).
  explicit HalfEdgeAlgo_RenegadeVertexCriterion(
      const Handle(Trivex::TriangleSet)& theSet = Handle(Trivex::TriangleSet)());

  //! The triangles tested against.
  const Handle(Trivex::TriangleSet)& TriangleSet() const { return mySet; }

  //! Sets the triangles tested against, and builds them when they are not
  //! built yet: tests may run on several threads, which only read the set.
  //! Nothing passes with a null or empty set.
  void SetTriangleSet(const Handle(Trivex::TriangleSet)& theSet);

  //! True when the live vertex is renegade (see the class comment).
  bool TestVertex(Mesh& theMesh, int theVertex) const override;

private:
  Handle(Trivex::TriangleSet) mySet;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_RenegadeVertexCriterion, HalfEdgeAlgo_SearchVertexCriterion)

#endif
