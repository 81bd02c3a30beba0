#ifndef Algo_TriangulatePolygon2d_HeaderFile
#define Algo_TriangulatePolygon2d_HeaderFile

#include <Pellisk_Export.hxx>

#include <gp_Pnt2d.hxx>

#include <cstddef>
#include <cstdint>
#include <vector>

//! Splits a simple planar polygon into triangles by ear clipping.
//!
//! The polygon is given by its points in boundary order, either way round,
//! without repeating the first point. An ear is cut at a point when the
//! diagonal joining its two neighbours meets no other polygon edge, its middle
//! lies inside the polygon (ray-crossing test, retried in pseudo-random
//! directions when a ray grazes a vertex) and the ear is not flat. Triangles
//! keep the polygon's orientation. Points are swept in index order, at most
//! as many sweeps as points, so the cost is cubic in the number of points in
//! the worst case: meant for small polygons such as faces of voxel skins.
//!
//! Distances are relative to the diagonal D of the polygon's bounding box, so
//! that a polygon is cut the same way whatever its size and place: an edge or
//! diagonal shorter than about 3.2e-4 D (squared length below 1e-7 D^2) stops
//! the triangulation, and points closer than 1e-7 D to a segment count as
//! lying on it. A polygon without extent (all points at one place, or a
//! coordinate that is not a finite number) is refused.
class Pellisk_EXPORT Algo_TriangulatePolygon2d
{
public:
  //! No points, no triangles, not done.
  Algo_TriangulatePolygon2d();

  //! Sets the polygon: its points in boundary order, the first not repeated.
  void SetPoints(const std::vector<gp_Pnt2d>& thePoints) { myPoints = thePoints; }

  //! The polygon's points.
  const std::vector<gp_Pnt2d>& Points() const { return myPoints; }

  //! Triangulates the current points. IsDone() tells whether the result is
  //! complete; two points, points all on one line or a polygon that is not
  //! simple leave it false (the triangle list may then hold a partial result,
  //! to be ignored).
  void Perform();

  //! True when the last Perform() produced a complete triangulation of
  //! Points().size() - 2 triangles.
  bool IsDone() const { return myIsDone; }

  //! Three point indices per triangle, in the order the triangles were cut.
  const std::vector<std::uint64_t>& Triangles() const { return myTriangles; }

  //! Number of triangles.
  size_t NbTriangles() const { return myTriangles.size() / 3; }

  //! The three point indices of triangle theIndex (from 0), in the polygon's
  //! orientation. An index not below NbTriangles() leaves the outputs untouched.
  void GetTriangleNodes(size_t theIndex, size_t& theFirst, size_t& theSecond, size_t& theThird) const;

private:
  // The nearest point before (theStep = -1) or after (+1) theIndex, cyclically, that is not removed.
  size_t neighbour(size_t theIndex, int theStep) const;

  // True when the diagonal thePrev-theNext meets a polygon edge other than
  // the two edges at theTip in a way that forbids cutting the ear.
  bool isDiagonalBlocked(size_t thePrev, size_t theTip, size_t theNext) const;

  // True when cutting the ear at theTip leaves a valid polygon and the ear is not flat.
  bool isEarAcceptable(size_t theTip, size_t theNbRemaining);

  // True when some remaining edge is not parallel to theDiagonal (the remainder does not collapse).
  bool remainderHasArea(size_t theTip, const gp_Pnt2d& thePrev, const gp_Pnt2d& theNext) const;

private:
  std::vector<gp_Pnt2d>      myPoints;
  std::vector<bool>          myRemoved;
  bool                       myIsDone;
  std::vector<std::uint64_t> myTriangles;
  double                     myTolerance;      //!< on-segment distance of the current polygon
  double                     myShortSqLength;  //!< squared length of a collapsed edge or diagonal
  double                     myFlatSqDistance; //!< squared distance of a corner on its side
};

#endif
