#ifndef PelliskTest_Meshes_HeaderFile
#define PelliskTest_Meshes_HeaderFile

#include <Poly_Triangulation.hxx>
#include <gp_Pnt.hxx>
#include <gp_Trsf.hxx>

#include <array>
#include <vector>

//! Meshes made in code for the tests, as triangulations (nodes and triangles
//! numbered from 1): closed meshes oriented outwards, open ones and dirty soups.
namespace PelliskTest_Meshes
{
//! A triangulation of the given nodes and triangles (corner numbers from 1).
Handle(Poly_Triangulation) Make(const std::vector<gp_Pnt>&             theNodes,
                                const std::vector<std::array<int, 3>>& theTriangles);

//! The nodes of a triangulation, in order (index 0 is node 1); none for a null handle.
std::vector<gp_Pnt> Nodes(const Handle(Poly_Triangulation)& theMesh);

//! The triangles of a triangulation, corner numbers from 1; none for a null handle.
std::vector<std::array<int, 3>> Triangles(const Handle(Poly_Triangulation)& theMesh);

//! The sharpest corner of each triangle, in degrees, in triangle order.
std::vector<double> SharpestAngles(const Handle(Poly_Triangulation)& theMesh);

//! The sharpest corner of all triangles, in degrees (180 for none).
double SharpestAngle(const Handle(Poly_Triangulation)& theMesh);

//! Closed tetrahedron (0,0,0), (1,0,0), (0,1,0), (0,0,1).
Handle(Poly_Triangulation) Tetrahedron();

//! Open grid of theNbX x theNbY unit squares in the plane z = 0, node (i, j)
//! numbered j (theNbX + 1) + i + 1, square (i, j) split into (a, b, d) and
//! (a, d, c) with a = (i, j), b = (i + 1, j), c = (i, j + 1), d = (i + 1, j + 1).
Handle(Poly_Triangulation) Grid(int theNbX, int theNbY);

//! Closed box between two corners, each side split into theNbDivisions^2
//! squares of two triangles; shared nodes.
Handle(Poly_Triangulation) Box(const gp_Pnt& theMin, const gp_Pnt& theMax, int theNbDivisions = 1);

//! Closed torus of theNbU x theNbV quads, two triangles each, radii 2 and 0.5.
Handle(Poly_Triangulation) Torus(int theNbU, int theNbV);

//! Closed sphere from an icosahedron whose triangles are split in four
//! theNbSubdivisions times, nodes pushed onto the sphere.
Handle(Poly_Triangulation) IcoSphere(const gp_Pnt& theCentre, double theRadius, int theNbSubdivisions);

//! The same triangles with three nodes of their own each (a triangle soup).
Handle(Poly_Triangulation) Soup(const Handle(Poly_Triangulation)& theTriangulation);

//! Both meshes in one triangulation, nodes kept apart (the second's numbers follow the first's).
Handle(Poly_Triangulation) Append(const Handle(Poly_Triangulation)& theFirst,
                                  const Handle(Poly_Triangulation)& theSecond);

//! The mesh moved by theMove (a mirror also reverses the triangles, keeping them oriented outwards).
Handle(Poly_Triangulation) Transformed(const Handle(Poly_Triangulation)& theMesh, const gp_Trsf& theMove);

//! The mesh with every triangle reversed (inside out).
Handle(Poly_Triangulation) Reversed(const Handle(Poly_Triangulation)& theMesh);

//! The mesh without the triangles whose numbers are listed (from 1, increasing).
Handle(Poly_Triangulation) Without(const Handle(Poly_Triangulation)& theMesh,
                                   const std::vector<int>&           theTriangles);

//! Dirty soups and awkward inputs:
//! two overlapping closed unit boxes, (0,0,0)-(1,1,1) and (0.5,0.5,0.5)-(1.5,1.5,1.5), not merged;
Handle(Poly_Triangulation) OverlappingBoxes();
//! an icosphere of radius 1 at the origin with holes (some triangles removed)
//! and a copy of a patch of it shifted by 0.05;
Handle(Poly_Triangulation) HoledSphereWithShiftedPatch();
//! a thin plate 2 x 1 x 0.04 broken into loose triangles;
Handle(Poly_Triangulation) PlateInPieces();
//! two closed objects far apart: a unit box at the origin and a sphere of
//! radius 0.5 centred 20 units away along X;
Handle(Poly_Triangulation) FarApartObjects();
//! a closed hollow box: the outer box (-1,-1,-1)-(1,1,1) facing outwards and
//! the inner box (-0.5,-0.5,-0.5)-(0.5,0.5,0.5) facing inwards.
Handle(Poly_Triangulation) HollowBox();
} // namespace PelliskTest_Meshes

#endif
