#ifndef PelliskTest_Polygons_HeaderFile
#define PelliskTest_Polygons_HeaderFile

#include <gp_Pnt2d.hxx>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

//! Simple planar polygons made at random for the triangulation tests, and a
//! brute-force check of a triangulation against its polygon.
namespace PelliskTest_Polygons
{
//! A star-shaped polygon of theNbPoints points around the origin, counter-
//! clockwise: sorted random angles, radii between 0.2 and 1, no two
//! neighbours closer than about 3e-3.
std::vector<gp_Pnt2d> Star(std::mt19937& theGenerator, int theNbPoints);

//! The counter-clockwise outline of a random polyomino of at most theNbCells
//! unit cells on a theGridSize x theGridSize grid, without holes and without
//! cells touching only at a corner, like a face of a voxel skin. With
//! theIsKeepingCollinear every grid point of the outline is a vertex (points
//! in the middle of straight runs included); otherwise only its corners.
std::vector<gp_Pnt2d>
Rectilinear(std::mt19937& theGenerator, int theGridSize, int theNbCells, bool theIsKeepingCollinear);

//! Signed area (positive for a counter-clockwise polygon).
double SignedArea(const std::vector<gp_Pnt2d>& thePolygon);

//! Problems of a triangulation (three point indices per triangle) of the
//! polygon, one per line; empty when it tiles the polygon: n - 2 triangles of
//! valid, distinct indices, each with the polygon's orientation and an area
//! above theMinArea, each centroid inside, no triangle side crossing an edge
//! of the polygon or a side of another triangle, and areas summing to the
//! polygon's area.
std::string CheckTriangulation(const std::vector<gp_Pnt2d>&      thePolygon,
                               const std::vector<std::uint64_t>& theTriangles,
                               double                            theMinArea);
} // namespace PelliskTest_Polygons

#endif
