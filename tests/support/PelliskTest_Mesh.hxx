#ifndef PelliskTest_Mesh_HeaderFile
#define PelliskTest_Mesh_HeaderFile

#include <HalfEdge_Mesh.hxx>

#include <string>

//! Consistency check of half-edge meshes (the makers are in PelliskTest_Meshes).
namespace PelliskTest_Mesh
{
//! Problems found in the mesh, one per line; empty when it is consistent:
//! every live node is found at its point, every live face runs over live
//! nodes joined by edges that name the face, every live edge has a face, and
//! the iterators visit exactly the live elements.
std::string Check(const Handle(HalfEdge_Mesh)& theMesh);

//! Number of live faces (faces not deleted).
int NbLiveFaces(const Handle(HalfEdge_Mesh)& theMesh);
} // namespace PelliskTest_Mesh

#endif
