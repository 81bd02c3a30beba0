#ifndef Trivex_IntersectTriMesh_HeaderFile
#define Trivex_IntersectTriMesh_HeaderFile

#include <Pellisk_Export.hxx>
#include <Trivex_TriangleData.hxx>
#include <Trivex_TriangleSet.hxx>

#include <Precision.hxx>

#include <utility>
#include <vector>

namespace Trivex
{
//! The triangles of a set that a given triangle genuinely crosses, for
//! self-intersection checks of a surface whose triangles are all in the set.
//!
//! Corners closer than the tolerance count as shared. Triangles sharing no
//! corner cross when they come within the tolerance of each other; sharing one
//! corner, when they meet anywhere beyond it; sharing a side, when they fold
//! onto each other (coplanar within the tolerance, on the same side of it);
//! sharing all three corners, when they are different faces. So the query
//! triangle itself (same corners and face index) and neighbours that only
//! touch it at a shared corner or along a shared side are never reported.
class Pellisk_EXPORT IntersectTriMesh
{
public:
  //! A query on theSet (which must be built; see TriangleSet); one object per thread.
  explicit IntersectTriMesh(const Handle(TriangleSet)& theSet, double theTolerance = Precision::Confusion())
      : mySet(theSet),
        myTolerance(theTolerance)
  {
  }

  //! True when theTriangle crosses triangles of the set; theResult receives
  //! their records, in ascending triangle number (emptied first). False for a
  //! null, empty or unbuilt set.
  bool Perform(const TriangleData& theTriangle, std::vector<TriangleData>& theResult);

  //! True when theTriangle crosses a triangle of the set, as Perform would
  //! report it; the walk ends at the first one, which Indices() then holds.
  bool IsCrossing(const TriangleData& theTriangle);

  //! Every pair of triangles of the set that Perform reports from either of
  //! them, once, as (lower number, higher number), in ascending order. The
  //! hierarchy is walked against itself on theNbThreads OpenMP threads, so
  //! each close pair is tested once and no walk starts from the root per
  //! triangle. With theIsAnyOnly the walk ends soon after a first pair is
  //! found, and thePairs holds the pairs found by then. False when none.
  bool PerformAll(std::vector<std::pair<int, int>>& thePairs, int theNbThreads, bool theIsAnyOnly = false);

  //! Numbers of the triangles found by the last Perform, ascending.
  const std::vector<int>& Indices() const { return myIndices; }

  //! Distance below which triangles meet (1e-7 by default).
  double Tolerance() const { return myTolerance; }

  //! Sets the tolerance.
  void SetTolerance(double theTolerance) { myTolerance = theTolerance; }

private:
  // Walks the hierarchy for theTriangle, appending the numbers of the
  // triangles it crosses to myIndices (emptied first); with theIsAnyOnly the
  // walk ends at the first.
  void walk(const TriangleData& theTriangle, bool theIsAnyOnly);

  // True when the triangle at leaf position theLeaf crosses theQuery (box theMin..theMax).
  bool crossesLeaf(int           theLeaf,
                   const gp_XYZ* theQuery,
                   int           theFaceIndex,
                   const double* theMin,
                   const double* theMax,
                   double        theTol) const;

private:
  Handle(TriangleSet) mySet;
  std::vector<int>    myIndices;
  double              myTolerance;
};
} // namespace Trivex

#endif
