#ifndef PelliskTest_Mesh_HeaderFile
#define PelliskTest_Mesh_HeaderFile

#include <HalfEdge_Mesh.hxx>

#include <Poly_Triangulation.hxx>
#include <gp_Pnt.hxx>

#include <string>

//! Meshes made in code for the tests, as triangulations (nodes and triangles
//! numbered from 1), and a consistency check of half-edge meshes.
namespace PelliskTest_Mesh
{
//! Closed tetrahedron (0,0,0), (1,0,0), (0,1,0), (0,0,1), oriented outwards.
Handle(Poly_Triangulation) Tetrahedron();

//! Two triangles on the same three nodes, back to back: closed, no volume.
Handle(Poly_Triangulation) Pillow();

//! Open grid of theNbX x theNbY unit squares in the plane z = 0, each split
//! into two triangles oriented towards +z: (theNbX + 1)(theNbY + 1) nodes.
Handle(Poly_Triangulation) Grid(int theNbX, int theNbY);

//! Closed torus of theNbU x theNbV quads, two triangles each, radii 2 and 0.5.
Handle(Poly_Triangulation) Torus(int theNbU, int theNbV);

//! The same triangles with three nodes of their own each (a triangle soup).
Handle(Poly_Triangulation) Soup(const Handle(Poly_Triangulation)& theTriangulation);

//! Problems found in the mesh, one per line; empty when it is consistent:
//! every live node is found at its point, every live face runs over live
//! nodes joined by edges that name the face, every live edge has a face, and
//! the iterators visit exactly the live elements.
std::string Check(const Handle(HalfEdge_Mesh)& theMesh);

//! Number of live faces (faces not deleted).
int NbLiveFaces(const Handle(HalfEdge_Mesh)& theMesh);

//! Number of live nodes.
int NbLiveNodes(const Handle(HalfEdge_Mesh)& theMesh);
} // namespace PelliskTest_Mesh

#endif
