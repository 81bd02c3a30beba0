#ifndef Algo_TriangulatePolygon3d_HeaderFile
#define Algo_TriangulatePolygon3d_HeaderFile

#include <Pellisk_Export.hxx>

#include <gp_Pnt.hxx>

#include <cstddef>
#include <cstdint>
#include <vector>

//! Splits a planar polygon given in space into triangles.
//!
//! The polygon's plane passes through the first corner that is not flat (whose
//! two sides span a squared cross product above 1e-14 D^4, D the diagonal of
//! the polygon's bounding box) with the normal of that corner; every point is
//! projected onto it and the planar polygon is triangulated by
//! Algo_TriangulatePolygon2d, whose rules and limits (relative to the
//! polygon's size as well) apply.
//! Triangles index the given points and keep the polygon's orientation.
class Pellisk_EXPORT Algo_TriangulatePolygon3d
{
public:
  //! No points, no triangles, not done.
  Algo_TriangulatePolygon3d();

  //! Sets the polygon: its points in boundary order, the first not repeated.
  void SetPoints(const std::vector<gp_Pnt>& thePoints) { myPoints = thePoints; }

  //! The polygon's points.
  const std::vector<gp_Pnt>& Points() const { return myPoints; }

  //! Triangulates the current points. IsDone() tells whether it succeeded;
  //! fewer than three points, points all on one line and polygons the planar
  //! triangulation refuses leave it false and no triangles.
  void Perform();

  //! True when the last Perform() produced a complete triangulation.
  bool IsDone() const { return myIsDone; }

  //! Three point indices per triangle; empty unless IsDone().
  const std::vector<std::uint64_t>& Triangles() const { return myTriangles; }

  //! Number of triangles.
  size_t NbTriangles() const { return myTriangles.size() / 3; }

  //! The three point indices of triangle theIndex (from 0). An index not
  //! below NbTriangles() leaves the outputs untouched.
  void GetTriangleNodes(size_t theIndex, size_t& theFirst, size_t& theSecond, size_t& theThird) const;

private:
  std::vector<gp_Pnt>        myPoints;
  bool                       myIsDone;
  std::vector<std::uint64_t> myTriangles;
};

#endif
