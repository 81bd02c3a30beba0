#ifndef Mesh_HeaderFile
#define Mesh_HeaderFile

// The kernel's headers define a function-like macro "Handle" that breaks the
// mesh library's headers (they call a member named Handle()). Hiding it while
// they are read lets a host include this header before or after the kernel's.
#pragma push_macro("Handle")
#undef Handle
#include <OpenMesh/Core/Mesh/PolyMesh_ArrayKernelT.hh>
#pragma pop_macro("Handle")

#include <Pellisk_Export.hxx>

#include <map>
#include <memory>
#include <string>

class HalfEdge_FaceMetrics;

//! Mesh traits: points and normals in double precision.
struct Pellisk_EXPORT TraitsDoublePrec : public OpenMesh::DefaultTraits
{
  typedef OpenMesh::Vec3d Point;
  typedef OpenMesh::Vec3d Normal;
};

//! The polygon mesh every mesh algorithm receives in Perform(Mesh&): an
//! OpenMesh array-kernel polygon mesh in double precision whose vertex, edge,
//! halfedge and face status properties are always present (deleted elements
//! are marked, not removed, until garbage collection), plus a registry of
//! named face metrics.
//!
//! Copying or assigning a Mesh copies connectivity, statuses and all
//! properties, and registers on the copy the metrics registered on the source,
//! computed over the copy: a metric object reads the mesh it was made on, so
//! sharing it would leave the copy reading the source, or nothing once the
//! source is gone.
class Pellisk_EXPORT Mesh : public OpenMesh::PolyMesh_ArrayKernelT<TraitsDoublePrec>
{
public:
  //! An empty mesh with the four status properties requested.
  Mesh();

  //! A copy of theOther with its metrics registered anew on the copy.
  Mesh(const Mesh& theOther);

  //! Becomes a copy of theOther with its metrics registered anew on this mesh.
  Mesh& operator=(const Mesh& theOther);

  //! The metric registered under theName, or an empty pointer.
  std::shared_ptr<HalfEdge_FaceMetrics> GetMetrics(const std::string& theName) const;

  //! Registers the metric called theName, computed over this mesh, replacing
  //! any previous entry of that name. The library knows one metric,
  //! "skewness" (HalfEdge_Skewness); other names are ignored.
  void RequestMetrics(const std::string& theName);

  //! True when theEdge can be flipped: it is live, has a triangle on both
  //! sides, and the two corners opposite it differ and are not joined by an
  //! edge already (a flip would duplicate that edge).
  bool IsFlipOk(EdgeHandle theEdge) const;

  //! Replaces theEdge between two triangles by the other diagonal of the
  //! quadrilateral they form. The edge and both faces keep their handles and
  //! the orientation. Flipping again brings the diagonal back, but with the
  //! two faces swapped and the edge's halfedges reversed. Call it only when
  //! IsFlipOk(theEdge).
  void Flip(EdgeHandle theEdge);

protected:
  std::map<std::string, std::shared_ptr<HalfEdge_FaceMetrics>> myMetrics;
};

#endif
