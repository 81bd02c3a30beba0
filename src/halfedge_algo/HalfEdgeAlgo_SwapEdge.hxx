#ifndef HalfEdgeAlgo_SwapEdge_HeaderFile
#define HalfEdgeAlgo_SwapEdge_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>

//! Improves the shape of triangles by flipping edges: an edge between two
//! triangles becomes the other diagonal of the quadrilateral they form.
//!
//! A flip is possible when the edge is live, has a triangle on both sides, and
//! the two corners opposite it differ and are not joined by an edge already. It
//! is kept only when the larger skewness of its two triangles does not grow
//! (ties are kept; a skewness limit below -1e-7 switches this rule off), and,
//! in the whole-mesh mode, only when the two new triangles cross no face around
//! them; a refused flip is undone at once, so the mesh is always left valid.
//!
//! Single-edge mode (an edge number of 0 or more): one trial flip of that edge,
//! without the crossing test; the skewness values cached on the mesh are left
//! as they were. Whole-mesh mode (edge number -1): every triangle whose
//! skewness is at least the limit is visited, worst first (ties by ascending
//! face number); the longest flippable edge of each (squared length; ties go
//! to the first in the face's half-edge order) gets a trial flip with the
//! crossing test. The new triangles of a kept flip whose skewness is above the
//! limit are queued again under their new skewness, so that one that comes
//! further down the order is visited too. The mesh's "skewness" metric, when
//! registered, is recomputed at the end.
//!
//! The crossing test runs on a copy (HalfEdgeAlgo_SubMeshByFaces) of the
//! faces whose corner box meets the box of the four nodes of the flip: the
//! faces AABB clipping would copy, but found through a hierarchy over the
//! nodes, built once per run (flips move no node), instead of a pass over every
//! face for each flip. The faces that share a node with the two triangles
//! would catch a fold onto the neighbours only: on a skin of a teapot at 1/256
//! of its size they let some 2,500 new crossings with nearby sheets through.
class HalfEdgeAlgo_SwapEdge : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SwapEdge, HalfEdgeAlgo_ModifyMesh)
public:
  //! Whole-mesh mode, skewness limit 0.
  HalfEdgeAlgo_SwapEdge();

  //! "HalfEdgeAlgo_SwapEdge".
  std::string Name() const override;

  //! Single-edge mode: true when the edge was flipped and kept. Whole-mesh
  //! mode: true when at least one flip was kept.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! The edge to flip, or -1 for the whole-mesh mode.
  int Edge() const { return myEdge; }

  //! Sets the edge to flip (-1: the whole mesh).
  void SetEdge(int theEdge) { myEdge = theEdge; }

  //! The skewness from which triangles are visited in the whole-mesh mode.
  double SkewnessLimit() const { return mySkewnessLimit; }

  //! Sets the skewness limit; below -1e-7 the quality rule is off.
  void SetSkewnessLimit(double theLimit) { mySkewnessLimit = theLimit; }

private:
  class NearFaces;

  //! Flips theEdge when it can be flipped, and undoes the flip when it breaks
  //! the quality rule or, given theNear, when the new triangles cross faces
  //! near them. True when the flip is kept.
  bool trialFlip(Mesh& theMesh, int theEdge, NearFaces* theNear) const;

  //! True when the triangles of a fresh flip, theFace0 and theFace1, cross faces near them.
  bool isCrossing(Mesh& theMesh, int theFace0, int theFace1, NearFaces& theNear) const;

  //! The whole-mesh walk over the triangles at or above the limit.
  bool swapAll(Mesh& theMesh) const;

protected:
  int    myEdge;
  double mySkewnessLimit;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SwapEdge, HalfEdgeAlgo_ModifyMesh)

#endif
