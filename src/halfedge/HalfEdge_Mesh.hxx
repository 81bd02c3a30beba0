#ifndef HalfEdge_Mesh_HeaderFile
#define HalfEdge_Mesh_HeaderFile

#include <Pellisk_Export.hxx>
#include <Pelk_ProgressNotifier.hxx>

#include <Poly_Triangulation.hxx>
#include <Standard_Transient.hxx>
#include <gp_Pnt.hxx>
#include <gp_XYZ.hxx>

#include <list>
#include <memory>
#include <vector>

class Mesh;
class HalfEdge_OpenMeshWrapper;
class HalfEdgeAlgo_Algorithm;

//! The half-edge mesh of the library: polygon faces over numbered nodes, with
//! the edges between them. It is built from a triangulation or node by node,
//! edited by mesh algorithms run through Execute(), and converted back to a
//! triangulation.
//!
//! Nodes, edges and faces are numbered from 0. A number is valid while it is
//! in range and its element is not deleted; numbers stay valid until the next
//! GarbageCollection(), Clear(), Execute() with garbage collection, or
//! conversion to a triangulation, which renumber densely. Invalid numbers
//! never raise: queries answer -1, the origin, false or an empty list; edits
//! do nothing. Nodes closer than 1e-7 in every coordinate are one node.
//!
//! The storage is shared by pointer: AddMesh() into an empty mesh and the
//! results of some mesh algorithms share it between several objects.
class Pellisk_EXPORT HalfEdge_Mesh : public Standard_Transient
{
  DEFINE_STANDARD_RTTIEXT(HalfEdge_Mesh, Standard_Transient)
public:
  class IteratorImpl;

  //! Position over the live nodes, edges, faces or boundary edges of a mesh.
  //! Dereferencing gives the element as node numbers: one for a node, the two
  //! ends of an edge (as Edge() gives them), the corners of a face (as Face()
  //! gives them); an empty list past the end. The iterator keeps the mesh
  //! storage alive and stays usable while the mesh is edited (positions are
  //! element numbers).
  //!
  //! Copies share one position: stepping a copy steps the original too. The
  //! post-increment and post-decrement forms return an independent position.
  class Pellisk_EXPORT Iterator
  {
  public:
    //! An iterator over the given position.
    explicit Iterator(const std::shared_ptr<IteratorImpl>& theImpl);
    virtual ~Iterator();

    //! The current element as node numbers.
    virtual std::list<int> operator*() const;
    //! True when both are at the same element of the same mesh storage.
    virtual bool operator==(const Iterator& theOther) const;
    //! Negation of ==.
    virtual bool operator!=(const Iterator& theOther) const;
    //! Steps forward; returns an independent position taken before the step.
    virtual Iterator operator++(int);
    //! Steps forward to the next live element (or the end).
    virtual Iterator& operator++();
    //! Steps back; returns an independent position taken before the step.
    virtual Iterator operator--(int);
    //! Steps back to the previous live element; a boundary-edge position
    //! steps forward instead.
    virtual Iterator& operator--();
    //! Number of the current element; the element count at the end.
    virtual int Index() const;

  private:
    std::shared_ptr<IteratorImpl> myImpl;
  };

public:
  //! An empty mesh reporting to the dummy notifier.
  HalfEdge_Mesh();

  //! A deep copy of theOther's storage (an empty mesh for a null handle). The
  //! notifier is not copied: the copy reports to the dummy notifier.
  explicit HalfEdge_Mesh(const Handle(HalfEdge_Mesh)& theOther);

  //! A mesh of the triangulation's nodes and triangles (empty for a null
  //! handle). Nodes within 1e-7 become one node and a triangle that then
  //! repeats a node is skipped; a triangle oriented against its neighbours is
  //! added reversed (with a warning). A triangle naming a node outside the
  //! triangulation raises Standard_OutOfRange ("NCollection_Array1::Value").
  explicit HalfEdge_Mesh(const Handle(Poly_Triangulation)& theTriangulation);

  HalfEdge_Mesh(const HalfEdge_Mesh&)            = delete;
  HalfEdge_Mesh& operator=(const HalfEdge_Mesh&) = delete;

  //! A new mesh holding a copy of theMesh, garbage-collected (deleted elements
  //! and isolated nodes removed, numbers compacted), reporting to the dummy notifier.
  static Handle(HalfEdge_Mesh) FromMesh(const Mesh& theMesh);

  //! Number of the node at thePoint within 1e-7; when there is none, a new
  //! node is added there and its number returned.
  int AddNode(const gp_Pnt& thePoint);

  //! Point of a valid node; (0, 0, 0) otherwise.
  gp_Pnt Node(int theNode) const;

  //! Moves a valid node to thePoint. When another node sits there already
  //! (within 1e-7), the moved node's faces go to that node: faces that lose a
  //! corner vanish and faces that would coincide cancel each other.
  void SetNode(int theNode, const gp_Pnt& thePoint);

  //! Number of the node at thePoint within 1e-7, or -1.
  int NodeIndex(const gp_Pnt& thePoint) const;

  //! Number of nodes, deleted ones included until garbage collection.
  int NbNodes() const;
  //! Number of edges, deleted ones included until garbage collection.
  int NbEdges() const;
  //! Number of faces, deleted ones included until garbage collection.
  int NbFaces() const;

  //! Adds a face through the nodes in list order (a node named again counts
  //! once) and returns its number, or -1 when a number is invalid, fewer than
  //! three distinct nodes remain, or the face would make an edge or node
  //! non-manifold or disagree in orientation with a neighbour. Unless
  //! theIsStrict, a refused face is tried once more reversed, with the
  //! warning "HalfEdge.OppositeOrientationOfFace". A list of fewer than three
  //! numbers posts the error "HalfEdge.DegeneratedFace" and raises
  //! Standard_DimensionMismatch; the mesh is unchanged.
  int AddFace(const std::list<int>& theNodes, bool theIsStrict);

  //! AddFace() of the list (theA, theB, theC).
  int AddFace(int theA, int theB, int theC, bool theIsStrict);

  //! Adds the points as nodes, numbered in list order from NbNodes() on,
  //! then the polygons through them as AddFace() (strict) of each polygon in
  //! order would, and returns the number of polygons added before the first
  //! refused one. Polygon i runs through the points theCorners[theStarts[i]]
  //! to theCorners[theStarts[i + 1] - 1]. The points must be pairwise farther
  //! apart than 1e-7 on some axis (welded) and from the mesh's nodes: they are
  //! not looked up, which with storage reserved at once makes this much faster
  //! than AddNode() and AddFace() one by one. A polygon of fewer than three
  //! corners raises Standard_DimensionMismatch (with the error
  //! "HalfEdge.DegeneratedFace") before anything is added. With theNbThreads
  //! above 1, two threads share the work; the result is the same.
  int AddPolygons(const std::vector<gp_XYZ>& thePoints,
                  const std::vector<int>&    theStarts,
                  const std::vector<int>&    theCorners,
                  unsigned int               theNbThreads = 1);

  //! Deletes a valid face; its nodes stay. Numbers are kept until garbage collection.
  void DeleteFace(int theFace);

  //! Replaces theNodes by the corners of a valid face (empty list otherwise),
  //! in the face's orientation.
  void Face(int theFace, std::list<int>& theNodes) const;

  //! For a valid edge, the node it starts from and the node it goes to (its
  //! first halfedge); theNodes is left untouched otherwise.
  void Edge(int theEdge, int theNodes[2]) const;

  //! The edge joining two valid nodes (in either direction), or -1.
  int EdgeIndex(int theA, int theB) const;

  //! Replaces theFaces by the faces on either side of a valid edge (0 to 2,
  //! the side of its first halfedge first); empty otherwise.
  void FacesForEdge(int theEdge, std::list<int>& theFaces) const;

  //! Replaces theFaces by the faces around a valid node, each once, turning
  //! from the node's outgoing halfedge; empty otherwise.
  void FacesForNode(int theNode, std::list<int>& theFaces) const;

  //! True for a valid edge with a side without face.
  bool IsBoundaryEdge(int theEdge) const;

  //! True for a valid node that belongs to no face or lies on a boundary.
  bool IsBoundaryNode(int theNode) const;

  //! True when every live face has three corners (also without faces).
  bool IsTriangular() const;

  //! True when the mesh knows no node. Nodes deleted by an algorithm are still
  //! known until the next garbage collection.
  bool IsEmpty() const;

  //! Removes every node, edge and face.
  void Clear();

  //! Removes deleted elements and isolated nodes and renumbers densely from 0
  //! (the last survivors fill the gaps, so order is not kept). A node that
  //! would survive alone is removed too.
  void GarbageCollection();

  //! Appends theOther's live nodes and faces (nothing for a null handle). Into
  //! an empty mesh nothing is copied: this mesh starts sharing theOther's
  //! storage, and edits through either are seen by both. Otherwise nodes
  //! within 1e-7 of existing ones are reused and faces are added as by
  //! AddFace() (not strict); theOther may hold polygons and deleted elements.
  //! Then boundary cracks are sewn (HalfEdgeAlgo_Sewing within 1e-7): where
  //! boundary edges from one node run over each other, the nodes of either
  //! side are inserted into the other's edges, leaving polygons to
  //! triangulate; and the mesh is garbage-collected, so numbers change.
  void AddMesh(const Handle(HalfEdge_Mesh)& theOther);

  //! Runs theAlgo on the mesh storage and returns its result (false for a null
  //! algorithm). With theWithGC the mesh is garbage-collected afterwards,
  //! whatever the result.
  bool Execute(const Handle(HalfEdgeAlgo_Algorithm)& theAlgo, bool theWithGC);

  //! Sets the notifier of the mesh's messages; null selects the dummy notifier.
  void SetProgressNotifier(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! The notifier of the mesh's messages; never null.
  const Handle(Pelk_ProgressNotifier)& Notifier() const { return myNotifier; }

  //! The mesh as a triangulation: nodes 1..N in node order, triangles in face
  //! order, each corner its node number plus one. Although the operator is
  //! const, the mesh itself is changed first: faces with more than three
  //! corners are split into triangles (HalfEdgeAlgo_Triangulate without a
  //! metric) and the mesh is garbage-collected, so the numbers match. A mesh
  //! without nodes or faces gives a null handle and the warning
  //! "HalfEdge.WrongMesh" (node and face counts).
  operator Handle(Poly_Triangulation)() const;

  //! Position on the first live node.
  Iterator VerticesBegin() const;
  //! Position past the last node.
  Iterator VerticesEnd() const;
  //! Position on the first live edge.
  Iterator EdgesBegin() const;
  //! Position past the last edge.
  Iterator EdgesEnd() const;
  //! Position on the first live face.
  Iterator FacesBegin() const;
  //! Position past the last face.
  Iterator FacesEnd() const;
  //! Position on the first live boundary edge.
  Iterator BoundaryEdgesBegin() const;
  //! Position past the last edge.
  Iterator BoundaryEdgesEnd() const;

private:
  explicit HalfEdge_Mesh(const std::shared_ptr<HalfEdge_OpenMeshWrapper>& theStorage);

private:
  std::shared_ptr<HalfEdge_OpenMeshWrapper> myMesh;
  Handle(Pelk_ProgressNotifier)             myNotifier;
};

DEFINE_STANDARD_HANDLE(HalfEdge_Mesh, Standard_Transient)

#endif
