#ifndef HalfEdgeAlgo_RenegadeEdgeCriterion_HeaderFile
#define HalfEdgeAlgo_RenegadeEdgeCriterion_HeaderFile

#include <HalfEdgeAlgo_SearchEdgeCriterion.hxx>
#include <Trivex_TriangleSet.hxx>

//! Passes the edges that cross another part of the surface where swapping
//! them would help: the edge meets, across its plane, a face that touches
//! neither of its ends, while the other diagonal of its two faces meets only
//! faces around its own ends (or nothing). Boundary edges never pass.
//!
//! The triangle set holds the surface's triangles, each record carrying the
//! number of its mesh face (as the self-intersection check builds it).
class HalfEdgeAlgo_RenegadeEdgeCriterion : public HalfEdgeAlgo_SearchEdgeCriterion
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_RenegadeEdgeCriterion, HalfEdgeAlgo_SearchEdgeCriterion)
public:
  //! Tests against theSet (see SetTriangleSet()).
  explicit HalfEdgeAlgo_RenegadeEdgeCriterion(
      const Handle(Trivex::TriangleSet)& theSet = Handle(Trivex::TriangleSet)());

  //! The triangles tested against.
  const Handle(Trivex::TriangleSet)& TriangleSet() const { return mySet; }

  //! Sets the triangles tested against, and builds them when they are not
  //! built yet: tests may run on several threads, which only read the set.
  //! Nothing passes with a null or empty set.
  void SetTriangleSet(const Handle(Trivex::TriangleSet)& theSet);

  //! True when the live edge is renegade (see the class comment).
  bool TestEdge(Mesh& theMesh, int theEdge) const override;

private:
  Handle(Trivex::TriangleSet) mySet;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_RenegadeEdgeCriterion, HalfEdgeAlgo_SearchEdgeCriterion)

#endif
