#ifndef HalfEdge_OpenMeshWrapper_HeaderFile
#define HalfEdge_OpenMeshWrapper_HeaderFile

#include <HalfEdge_NodeIndex.hxx>
#include <Mesh.hxx>

#include <Precision.hxx>

#include <array>
#include <atomic>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

//! Storage of a half-edge mesh: the Mesh kernel plus a tolerant index from
//! point coordinates to node numbers, so that points closer than the
//! tolerance (1e-7 in every coordinate) are one node.
//!
//! Node, edge and face numbers are OpenMesh handle indices from 0. A number is
//! valid when it is below the element count of its kind and not deleted;
//! numbers change only at GarbageCollection() or Clear(). Invalid numbers never
//! raise: queries answer -1, the origin or nothing, edits do nothing. Every
//! call into the kernel that could assert is guarded first, since the kernel's
//! asserts abort the process.
class HalfEdge_OpenMeshWrapper : public Mesh
{
public:
  //! Position over the live elements of one kind (kernel level).
  class KernelIterator
  {
  public:
    virtual ~KernelIterator();
    //! A new position equal to this one.
    virtual std::shared_ptr<KernelIterator> Clone() const = 0;
    //! Number of the current element (the element count past the last one).
    virtual int Index() const = 0;
    //! True for the same kind of position on the same mesh at the same element.
    virtual bool IsEqual(const KernelIterator& theOther) const = 0;
    //! Moves to the next live element, or past the last one.
    virtual void Next() = 0;
    //! Moves to the previous live element, or before the first one.
    virtual void Previous() = 0;
  };

  //! Value-type position over the live vertices, edges, faces or boundary
  //! edges of a wrapper. Copies are independent positions.
  class Iterator
  {
  public:
    //! An empty position: Index() is -1, it equals nothing, steps do nothing.
    Iterator() = default;
    //! A position that owns the given kernel position.
    explicit Iterator(const std::shared_ptr<KernelIterator>& theImpl)
        : myImpl(theImpl)
    {
    }
    //! An independent copy of the position.
    Iterator(const Iterator& theOther);
    //! Makes this an independent copy of the other position.
    Iterator& operator=(const Iterator& theOther);
    virtual ~Iterator();

    //! Number of the current element; -1 when empty.
    virtual int Index() const;
    //! True when both positions are on the same element of the same mesh;
    //! false when either is empty.
    virtual bool IsEqual(const Iterator& theOther) const;
    //! Steps forward; nothing when empty.
    virtual void Next();
    //! Steps back; nothing when empty.
    virtual void Previous();

  private:
    std::shared_ptr<KernelIterator> myImpl;
  };

public:
  //! An empty mesh; switches the kernel's error, log and output streams off.
  HalfEdge_OpenMeshWrapper();

  //! A copy of the mesh, its properties, metric registry and node index;
  //! switches the kernel's streams off.
  HalfEdge_OpenMeshWrapper(const HalfEdge_OpenMeshWrapper& theOther);

  //! Copies the mesh and its node index.
  HalfEdge_OpenMeshWrapper& operator=(const HalfEdge_OpenMeshWrapper& theOther);

  //! Tolerance of the node index.
  double Tolerance() const { return myNodeIndex.Tolerance(); }

  //! Handle of a valid node number; the invalid handle otherwise.
  VertexHandle VertexHandleOf(int theNode) const;
  //! Handle of a valid face number; the invalid handle otherwise.
  FaceHandle FaceHandleOf(int theFace) const;
  //! Handle of a valid edge number; the invalid handle otherwise.
  EdgeHandle EdgeHandleOf(int theEdge) const;

  //! Number of the node at thePoint within the tolerance; when there is none, a
  //! new node is added there and its number returned.
  int AddNode(const Point& thePoint);

  //! Number of the node at thePoint within the tolerance, or -1.
  int NodeIndex(const Point& thePoint) const;

  //! Point of a valid node; (0, 0, 0) otherwise.
  Point Node(int theNode) const;

  //! Moves a valid node to thePoint (nothing for an invalid number). When
  //! another node already sits there, this node is merged into that one.
  void SetNode(int theNode, const Point& thePoint);

  //! Moves every face of node theGone onto node theKeep: the faces are
  //! re-added with theKeep in place of theGone; faces that lose a corner
  //! vanish, and two faces that would coincide cancel each other. theGone is
  //! left without faces. False (and nothing changes) when either number is invalid.
  bool MergeNodes(int theKeep, int theGone);

  //! Adds the face through the nodes, in list order; a node named again is
  //! skipped. Returns the face number, or -1 when a number is invalid, fewer
  //! than 3 distinct nodes remain, or the kernel refuses the face (it would
  //! make an edge or node non-manifold, or is oriented against a neighbour).
  int AddFace(const std::list<int>& theNodes);

  //! AddFace() of theCount node numbers read from theNodes.
  int AddFace(const int* theNodes, int theCount);

  //! Adds the points as nodes, numbered in list order from NbNodes on, then
  //! the polygons through them as AddFace() of each polygon in order would,
  //! and returns the number of polygons added before the first refused one (a
  //! point number out of range refuses its polygon). Polygon i runs through the
  //! points theCorners[theStarts[i]] to theCorners[theStarts[i + 1] - 1]. The
  //! points must be pairwise farther apart than the tolerance on some axis
  //! (welded) and from the mesh's nodes: they are not looked up, which with
  //! storage reserved at once makes this much faster than AddNode() and
  //! AddFace() one by one. With theNbThreads above 1 the node index is
  //! filled on a second thread meanwhile.
  int AddPolygons(const std::vector<Point>& thePoints,
                  const std::vector<int>&   theStarts,
                  const std::vector<int>&   theCorners,
                  unsigned int              theNbThreads = 1);

  //! Node numbers of a valid face, starting at the to-node of its stored
  //! halfedge and following "next"; empty for an invalid number.
  std::vector<int> FaceNodes(int theFace) const;

  //! Fills thePoints with the point of every live node in number order and
  //! theTriangles with the node positions in thePoints of every live
  //! triangular face in number order (faces with more corners are left out).
  //! On a mesh without deleted nodes the positions are the node numbers.
  void CollectTriangles(std::vector<Point>& thePoints, std::vector<std::array<int, 3>>& theTriangles) const;

  //! Removes deleted elements and isolated nodes, renumbers the rest densely
  //! from 0 (gaps are filled by the last survivors) and rebuilds the node
  //! index. When a single node would survive alone, it is removed too.
  void GarbageCollection();

  //! Removes every element (capacity and properties are kept) and empties the node index.
  void Clear();

  //! Number of entries of the node index.
  int NbIndexedNodes() const { return nodeIndex().Size(); }

  //! Position on the first live vertex.
  Iterator VerticesBegin() const;
  //! Position past the last vertex.
  Iterator VerticesEnd() const;
  //! Position on the first live edge.
  Iterator EdgesBegin() const;
  //! Position past the last edge.
  Iterator EdgesEnd() const;
  //! Position on the first live face.
  Iterator FacesBegin() const;
  //! Position past the last face.
  Iterator FacesEnd() const;
  //! Position on the first live boundary edge (an edge with a side without face).
  Iterator BoundaryEdgesBegin() const;
  //! Position past the last edge.
  Iterator BoundaryEdgesEnd() const;

private:
  //! Deletes the live face whose node cycle is theCycle in either orientation;
  //! false when there is none.
  bool deleteCoincidingFace(const std::vector<VertexHandle>& theCycle);

  //! The nodes and polygons of AddPolygons(), without the node index; the
  //! nodes are numbered from theFirst.
  int addPolygons(const std::vector<Point>& thePoints,
                  const std::vector<int>&   theStarts,
                  const std::vector<int>&   theCorners,
                  int                       theFirst);

  //! The node index, rebuilt first when a garbage collection left it stale.
  const HalfEdge_NodeIndex& nodeIndex() const;

  //! True when some vertex, edge or face is marked deleted.
  bool hasDeletedElements() const;

private:
  // Most collections come between edits that never look a point up: the
  // index is rebuilt from the live nodes, in number order, when it is next
  // used. The lock makes that safe from concurrent const lookups.
  mutable HalfEdge_NodeIndex myNodeIndex;
  mutable std::atomic<bool>  myIsIndexStale{false};
  mutable std::mutex         myIndexLock;
};

#endif
