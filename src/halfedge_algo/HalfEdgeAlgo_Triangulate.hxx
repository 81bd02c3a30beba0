#ifndef HalfEdgeAlgo_Triangulate_HeaderFile
#define HalfEdgeAlgo_Triangulate_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>

#include <gp_Pnt.hxx>

#include <array>
#include <string>
#include <vector>

//! Splits every face with more than three corners into triangles that lie in
//! the face and keep its orientation, choosing among the possible splits with
//! a named face metric.
//!
//! Each face is cut in a plane of its own: its corners get coordinates in the
//! plane through the first corner with the face's Newell normal (the sum of
//! its edge cross products: the area vector, the best plane of a face that is
//! not flat), and ears are cut from the planar polygon one at a time. An ear
//! is the triangle of a corner and its two neighbours; it may be cut when the
//! diagonal closing it keeps clear of the polygon's other sides, runs inside
//! the polygon, joins two corners that no edge of the mesh joins already, and
//! leaves the ear and the rest with an area of the polygon's orientation.
//! Without a metric the first such ear, in boundary order, is cut; with one,
//! every ear is tried and the one that gives the lowest mean metric over the
//! triangles cut so far and the rest wins (ties within 1e-9 go to the ear
//! whose first side has the smaller halfedge number in a mesh holding the
//! polygon as one face, diagonals numbered in the order they were tried).
//! When no complete cut exists, the plane of the face's largest corner
//! triangle is tried; when that fails too, the face is split into a fan from
//! one corner and the run reports false.
//!
//! Sizes are relative to the diagonal D of the box of a face's corners: a
//! face is degenerate when its normal (twice its area) is at most
//! Tolerance() D^2, a diagonal must stay 1e-7 D clear of the other sides and
//! its midpoint 1e-9 D inside, each part must keep twice its area above
//! 1e-7 D^2, and crossing tests allow 1e-9 D. A degenerate face never fails:
//! its corners closer than Tolerance() D to their successor are merged (edge
//! collapse), then corners within Tolerance() D of the line through their
//! neighbours are removed where only this face and the face across hold them
//! (no other face moves), and whatever polygon remains is split into a fan.
//!
//! Perform() first collapses the edges of squared length up to 1e-12 (a
//! millionth of a model unit long, whatever the face sizes), then deals with
//! the degenerate faces, then cuts the others. With two threads or more the
//! planar cuts are computed in parallel and the mesh is changed on the calling
//! thread in face order, so that the result does not depend on the thread
//! count. New triangles are appended to the faces; deleted elements stay until
//! the caller garbage-collects.
class HalfEdgeAlgo_Triangulate : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_Triangulate, HalfEdgeAlgo_ModifyMesh)
public:
  //! Judges the triangles with the face metric called theMetric (for example
  //! "skewness"); an empty or unknown name cuts the first ear that fits.
  explicit HalfEdgeAlgo_Triangulate(const std::string& theMetric);

  //! "HalfEdgeAlgo_Triangulate".
  std::string Name() const override;

  //! Triangulates every live face of theMesh with more than three corners.
  //! False when some tiny edge could not be collapsed, or some face that is
  //! not degenerate had to be split into a fan or named a node twice (such a
  //! face is left as it is).
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! Triangulates one face as Perform() does (tiny edges are left alone), and
  //! answers as Perform() does for it; true for an invalid or deleted number
  //! and for a triangle.
  bool TriangulateFace(Mesh& theMesh, int theFace);

  //! Splits the lone polygon of thePoints (at least three, in boundary order)
  //! into theTriangles (corner numbers, in the order Perform() would add
  //! them on a mesh holding only this polygon, each from the same corner).
  //! False, with no triangles, when Perform() would first edit the polygon (a
  //! side of squared length up to 1e-12, a polygon too thin for a plane) or
  //! could not cut it: the caller then runs Perform() on such a mesh.
  bool SplitPolygon(const std::vector<gp_Pnt>&       thePoints,
                    std::vector<std::array<int, 3>>& theTriangles) const;

  //! The name of the metric that judges the triangles.
  const std::string& Metric() const { return myMetric; }

private:
  std::string myMetric;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_Triangulate, HalfEdgeAlgo_ModifyMesh)

#endif
