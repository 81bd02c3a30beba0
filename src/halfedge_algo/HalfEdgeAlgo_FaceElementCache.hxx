#ifndef HalfEdgeAlgo_FaceElementCache_HeaderFile
#define HalfEdgeAlgo_FaceElementCache_HeaderFile

#include <atomic>
#include <set>

class Mesh;

//! A set of faces and the set of their edges or corner vertices, gathered
//! from the mesh on first use. The on-faces criteria hold one each.
//!
//! Many threads may call Contains() at once: the first to find the cache
//! unfilled gathers it inside the library's critical section, then raises a
//! flag with release order; a reader that sees the flag (acquire order) sees
//! the whole cache, and a reader that does not waits at the critical section,
//! where it finds the cache filled. The faces must not be changed while
//! Contains() runs.
class HalfEdgeAlgo_FaceElementCache
{
public:
  //! Which elements of the faces the cache holds.
  enum class Kind
  {
    Edges,
    Vertices
  };

  //! No faces; the elements of theKind.
  explicit HalfEdgeAlgo_FaceElementCache(Kind theKind);

  //! The faces.
  const std::set<int>& Faces() const { return myFaces; }

  //! Replaces the faces and empties the cache, so that it is gathered again.
  void SetFaces(const std::set<int>& theFaces);

  //! The faces, to change without emptying the cache: until SetFaces(), the
  //! answers stay those of the faces the cache was gathered from.
  std::set<int>& ChangeFaces() { return myFaces; }

  //! True when theElement is an edge (or a corner) of a valid face of the
  //! set, as the cache was gathered from theMesh.
  bool Contains(const Mesh& theMesh, int theElement) const;

private:
  //! Gathers the elements of every valid face.
  void fill(const Mesh& theMesh) const;

private:
  Kind                      myKind;
  std::set<int>             myFaces;
  mutable std::set<int>     myElements;
  mutable std::atomic<bool> myIsFilled;
};

#endif
