#ifndef PelliskTest_Mesh_HeaderFile
#define PelliskTest_Mesh_HeaderFile

#include <HalfEdge_Mesh.hxx>

#include <functional>
#include <string>

class Mesh;

//! Consistency check of half-edge meshes (the makers are in PelliskTest_Meshes).
namespace PelliskTest_Mesh
{
//! Problems found in the mesh, one per line; empty when it is consistent: the iterators
//! visit exactly the live nodes, the faces that have corners, the edges that have faces and
//! those on the boundary, each as the queries give it; every face has three corners or more,
//! joined by edges that name it; every edge is found from its ends and is on the boundary
//! when it has one face; every node is found at its point, has the faces that name it and
//! is on the boundary when it has no face or a boundary edge.
std::string Check(const Handle(HalfEdge_Mesh)& theMesh);

//! Executes theWork on the mesh storage as a mesh algorithm would, and answers what it answers.
bool Apply(const Handle(HalfEdge_Mesh)& theMesh, const std::function<bool(Mesh&)>& theWork, bool theWithGC);

//! The mesh storage as mesh algorithms see it, for edits no public call makes
//! (valid while the mesh keeps its storage).
Mesh& Storage(const Handle(HalfEdge_Mesh)& theMesh);

} // namespace PelliskTest_Mesh

#endif
