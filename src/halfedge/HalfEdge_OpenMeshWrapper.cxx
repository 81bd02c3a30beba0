#include <HalfEdge_OpenMeshWrapper.hxx>

#include <OpenMesh/Core/System/omstream.hh>

#include <algorithm>

namespace
{
// The kernel prints its refusals (non-manifold faces...) on its own streams;
// the library reports through results instead.
void silenceKernelStreams()
{
  omerr().disable();
  omlog().disable();
  omout().disable();
}

// The kinds of elements a position walks over.
enum class Kind
{
  Vertex,
  Edge,
  BoundaryEdge,
  Face
};

// Positions are element numbers moved by hand rather than the kernel's skipping
// iterators: those read the status of the number they stop at, which asserts
// when the mesh shrank under a position kept across a garbage collection.
template <Kind theKind>
class ElementIterator : public HalfEdge_OpenMeshWrapper::KernelIterator
{
public:
  ElementIterator(const HalfEdge_OpenMeshWrapper& theMesh, bool theAtEnd)
      : myMesh(&theMesh),
        myIndex(theAtEnd ? count() : 0)
  {
    skipForward();
  }

  std::shared_ptr<KernelIterator> Clone() const override { return std::make_shared<ElementIterator>(*this); }

  int Index() const override { return myIndex; }

  bool IsEqual(const KernelIterator& theOther) const override
  {
    const auto* anOther = dynamic_cast<const ElementIterator*>(&theOther);
    return anOther != nullptr && myMesh == anOther->myMesh && myIndex == anOther->myIndex;
  }

  void Next() override
  {
    myIndex = std::min(myIndex + 1, count());
    skipForward();
  }

  // Boundary positions only move forward.
  void Previous() override
  {
    if (theKind == Kind::BoundaryEdge)
    {
      Next();
      return;
    }
    myIndex = std::min(myIndex, count());
    if (myIndex < 0)
    {
      return;
    }
    --myIndex;
    while (myIndex >= 0 && !isLive(myIndex))
    {
      --myIndex;
    }
  }

private:
  // Moves on to the first live element at or after the position.
  void skipForward()
  {
    while (myIndex < count() && !isLive(myIndex))
    {
      ++myIndex;
    }
  }

  int count() const
  {
    switch (theKind)
    {
    case Kind::Vertex:
      return static_cast<int>(myMesh->n_vertices());
    case Kind::Face:
      return static_cast<int>(myMesh->n_faces());
    default:
      return static_cast<int>(myMesh->n_edges());
    }
  }

  bool isLive(int theIndex) const
  {
    switch (theKind)
    {
    case Kind::Vertex:
      return myMesh->VertexHandleOf(theIndex).is_valid();
    case Kind::Face:
      return myMesh->FaceHandleOf(theIndex).is_valid();
    case Kind::Edge:
      return myMesh->EdgeHandleOf(theIndex).is_valid();
    default:
      return myMesh->EdgeHandleOf(theIndex).is_valid() && myMesh->is_boundary(Mesh::EdgeHandle(theIndex));
    }
  }

private:
  const HalfEdge_OpenMeshWrapper* myMesh;
  int                             myIndex;
};

template <Kind theKind>
HalfEdge_OpenMeshWrapper::Iterator makePosition(const HalfEdge_OpenMeshWrapper& theMesh, bool theAtEnd)
{
  return HalfEdge_OpenMeshWrapper::Iterator(std::make_shared<ElementIterator<theKind>>(theMesh, theAtEnd));
}

// Appends the item unless the list holds it already.
template <typename Handle_t>
void appendOnce(std::vector<Handle_t>& theList, Handle_t theItem)
{
  if (std::find(theList.begin(), theList.end(), theItem) == theList.end())
  {
    theList.push_back(theItem);
  }
}

// Corners of a live face: the to-vertex of its stored halfedge first, then
// along "next". The walk is bounded so that a broken cycle cannot hang it.
std::vector<Mesh::VertexHandle> faceCycle(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  std::vector<Mesh::VertexHandle> aCycle;
  const Mesh::HalfedgeHandle      aFirst = theMesh.halfedge_handle(theFace);
  Mesh::HalfedgeHandle            aHalf  = aFirst;
  do
  {
    aCycle.push_back(theMesh.to_vertex_handle(aHalf));
    aHalf = theMesh.next_halfedge_handle(aHalf);
  } while (aHalf != aFirst && aHalf.is_valid() && aCycle.size() <= theMesh.n_halfedges());
  return aCycle;
}

// True when the face holding theStart runs through theCycle's nodes in
// order, theStart joining the first node to the second.
bool faceFollows(const Mesh&                            theMesh,
                 Mesh::HalfedgeHandle                   theStart,
                 const std::vector<Mesh::VertexHandle>& theCycle)
{
  Mesh::HalfedgeHandle aHalf = theStart;
  for (size_t aCorner = 0; aCorner < theCycle.size(); ++aCorner)
  {
    if (theMesh.from_vertex_handle(aHalf) != theCycle[aCorner])
    {
      return false;
    }
    aHalf = theMesh.next_halfedge_handle(aHalf);
  }
  return aHalf == theStart;
}
} // namespace

HalfEdge_OpenMeshWrapper::KernelIterator::~KernelIterator() = default;

HalfEdge_OpenMeshWrapper::Iterator::Iterator(const Iterator& theOther)
    : myImpl(theOther.myImpl ? theOther.myImpl->Clone() : nullptr)
{
}

HalfEdge_OpenMeshWrapper::Iterator& HalfEdge_OpenMeshWrapper::Iterator::operator=(const Iterator& theOther)
{
  if (this != &theOther)
  {
    myImpl = theOther.myImpl ? theOther.myImpl->Clone() : nullptr;
  }
  return *this;
}

HalfEdge_OpenMeshWrapper::Iterator::~Iterator() = default;

int HalfEdge_OpenMeshWrapper::Iterator::Index() const
{
  return myImpl ? myImpl->Index() : -1;
}

bool HalfEdge_OpenMeshWrapper::Iterator::IsEqual(const Iterator& theOther) const
{
  return myImpl && theOther.myImpl && myImpl->IsEqual(*theOther.myImpl);
}

void HalfEdge_OpenMeshWrapper::Iterator::Next()
{
  if (myImpl)
  {
    myImpl->Next();
  }
}

void HalfEdge_OpenMeshWrapper::Iterator::Previous()
{
  if (myImpl)
  {
    myImpl->Previous();
  }
}

HalfEdge_OpenMeshWrapper::HalfEdge_OpenMeshWrapper()
{
  silenceKernelStreams();
}

HalfEdge_OpenMeshWrapper::HalfEdge_OpenMeshWrapper(const HalfEdge_OpenMeshWrapper& theOther)
    : Mesh(theOther),
      myNodeIndex(theOther.nodeIndex())
{
  silenceKernelStreams();
}

HalfEdge_OpenMeshWrapper& HalfEdge_OpenMeshWrapper::operator=(const HalfEdge_OpenMeshWrapper& theOther)
{
  if (this != &theOther)
  {
    Mesh::operator=(theOther);
    myNodeIndex = theOther.nodeIndex();
    myIsIndexStale.store(false);
  }
  return *this;
}

HalfEdge_OpenMeshWrapper::VertexHandle HalfEdge_OpenMeshWrapper::VertexHandleOf(int theNode) const
{
  if (theNode < 0 || theNode >= static_cast<int>(n_vertices()) || status(VertexHandle(theNode)).deleted())
  {
    return VertexHandle();
  }
  return VertexHandle(theNode);
}

HalfEdge_OpenMeshWrapper::FaceHandle HalfEdge_OpenMeshWrapper::FaceHandleOf(int theFace) const
{
  if (theFace < 0 || theFace >= static_cast<int>(n_faces()) || status(FaceHandle(theFace)).deleted())
  {
    return FaceHandle();
  }
  return FaceHandle(theFace);
}

HalfEdge_OpenMeshWrapper::EdgeHandle HalfEdge_OpenMeshWrapper::EdgeHandleOf(int theEdge) const
{
  if (theEdge < 0 || theEdge >= static_cast<int>(n_edges()) || status(EdgeHandle(theEdge)).deleted())
  {
    return EdgeHandle();
  }
  return EdgeHandle(theEdge);
}

int HalfEdge_OpenMeshWrapper::AddNode(const Point& thePoint)
{
  const int aFound = NodeIndex(thePoint);
  if (aFound >= 0)
  {
    return aFound;
  }
  const int aNode = add_vertex(thePoint).idx();
  myNodeIndex.Add(thePoint, aNode);
  return aNode;
}

int HalfEdge_OpenMeshWrapper::NodeIndex(const Point& thePoint) const
{
  // Entries of nodes that an algorithm deleted without collecting garbage
  // stay in the index until the next collection; they are passed over.
  return nodeIndex().Find(thePoint, [this](int theNode) { return VertexHandleOf(theNode).is_valid(); });
}

HalfEdge_OpenMeshWrapper::Point HalfEdge_OpenMeshWrapper::Node(int theNode) const
{
  const VertexHandle aVertex = VertexHandleOf(theNode);
  return aVertex.is_valid() ? point(aVertex) : Point(0.0, 0.0, 0.0);
}

void HalfEdge_OpenMeshWrapper::SetNode(int theNode, const Point& thePoint)
{
  const VertexHandle aVertex = VertexHandleOf(theNode);
  if (!aVertex.is_valid())
  {
    return;
  }
  nodeIndex();
  myNodeIndex.Remove(point(aVertex), theNode);
  set_point(aVertex, thePoint);
  const int anOther =
      myNodeIndex.Find(thePoint, [this, theNode](int theCandidate)
                       { return theCandidate != theNode && VertexHandleOf(theCandidate).is_valid(); });
  if (anOther >= 0)
  {
    // The node already there takes the moved node's faces and keeps the place.
    MergeNodes(anOther, theNode);
  }
  else
  {
    myNodeIndex.Add(thePoint, theNode);
  }
}

bool HalfEdge_OpenMeshWrapper::MergeNodes(int theKeep, int theGone)
{
  const VertexHandle aKeep = VertexHandleOf(theKeep);
  const VertexHandle aGone = VertexHandleOf(theGone);
  if (!aKeep.is_valid() || !aGone.is_valid())
  {
    return false;
  }
  if (aKeep == aGone || !halfedge_handle(aGone).is_valid())
  {
    return true;
  }

  // 1. The node cycles of the faces around the gone node, seen from the kept one.
  std::vector<std::vector<VertexHandle>> aCycles;
  std::vector<FaceHandle>                aFaces;
  for (auto anOut = cvoh_iter(aGone); anOut.is_valid(); ++anOut)
  {
    const FaceHandle aFace = face_handle(*anOut);
    if (!aFace.is_valid())
    {
      continue;
    }
    std::vector<VertexHandle> aCycle;
    for (const VertexHandle aCorner : faceCycle(*this, aFace))
    {
      appendOnce(aCycle, aCorner == aGone ? aKeep : aCorner);
    }
    aCycles.push_back(aCycle);
    aFaces.push_back(aFace);
  }

  // 2. Away with them.
  for (const FaceHandle aFace : aFaces)
  {
    if (!status(aFace).deleted())
    {
      delete_face(aFace, false);
    }
  }

  // 3. A cycle that lost a corner vanishes; one that coincides with a live
  //    face cancels against it.
  std::vector<std::vector<VertexHandle>> aKept;
  for (const auto& aCycle : aCycles)
  {
    if (aCycle.size() >= 3 && !deleteCoincidingFace(aCycle))
    {
      aKept.push_back(aCycle);
    }
  }

  // 4. The rest comes back. A cycle that coincides with one re-added just
  //    before (back-to-back faces) cancels with it; any other refusal stays out.
  for (const auto& aCycle : aKept)
  {
    std::list<int> aNodes;
    for (const VertexHandle aVertex : aCycle)
    {
      aNodes.push_back(aVertex.idx());
    }
    if (AddFace(aNodes) < 0)
    {
      deleteCoincidingFace(aCycle);
    }
  }
  return true;
}

bool HalfEdge_OpenMeshWrapper::deleteCoincidingFace(const std::vector<VertexHandle>& theCycle)
{
  const std::vector<VertexHandle> aReversed(theCycle.rbegin(), theCycle.rend());
  for (const auto* aCycle : {&theCycle, &aReversed})
  {
    const HalfedgeHandle aStart = find_halfedge((*aCycle)[0], (*aCycle)[1]);
    if (!aStart.is_valid())
    {
      continue;
    }
    const FaceHandle aFace = face_handle(aStart);
    if (aFace.is_valid() && faceFollows(*this, aStart, *aCycle))
    {
      delete_face(aFace, false);
      return true;
    }
  }
  return false;
}

int HalfEdge_OpenMeshWrapper::AddFace(const std::list<int>& theNodes)
{
  const std::vector<int> aNodes(theNodes.begin(), theNodes.end());
  return AddFace(aNodes.data(), static_cast<int>(aNodes.size()));
}

int HalfEdge_OpenMeshWrapper::AddFace(const int* theNodes, int theCount)
{
  // Triangles, by far the most frequent, need no allocation.
  static const int          THE_SMALL = 8;
  VertexHandle              aSmall[THE_SMALL];
  std::vector<VertexHandle> aLarge;
  VertexHandle*             aCorners   = aSmall;
  int                       aNbCorners = 0;
  if (theCount > THE_SMALL)
  {
    aLarge.resize(static_cast<size_t>(theCount));
    aCorners = aLarge.data();
  }
  for (int anIndex = 0; anIndex < theCount; ++anIndex)
  {
    const VertexHandle aVertex = VertexHandleOf(theNodes[anIndex]);
    if (!aVertex.is_valid())
    {
      return -1;
    }
    if (std::find(aCorners, aCorners + aNbCorners, aVertex) == aCorners + aNbCorners)
    {
      aCorners[aNbCorners++] = aVertex;
    }
  }
  if (aNbCorners < 3)
  {
    return -1;
  }
  try
  {
    const FaceHandle aFace = add_face(aCorners, static_cast<size_t>(aNbCorners));
    return aFace.is_valid() ? aFace.idx() : -1;
  }
  catch (...)
  {
    return -1;
  }
}

int HalfEdge_OpenMeshWrapper::AddPolygons(const std::vector<Point>& thePoints,
                                          const std::vector<int>&   theStarts,
                                          const std::vector<int>&   theCorners,
                                          unsigned int              theNbThreads)
{
  const size_t aNbPolygons = theStarts.empty() ? 0 : theStarts.size() - 1;
  // A closed surface has half as many edges as polygon corners.
  reserve(n_vertices() + thePoints.size(), n_edges() + theCorners.size() / 2 + 1, n_faces() + aNbPolygons);
  myNodeIndex.Reserve(nodeIndex().Size() + static_cast<int>(thePoints.size()));
  const int aFirst   = static_cast<int>(n_vertices());
  int       aNbAdded = 0;
  // The node numbers are known beforehand: the index and the kernel, which
  // share nothing, are filled side by side.
#pragma omp parallel sections num_threads(2) if (theNbThreads > 1)
  {
#pragma omp section
    for (size_t aPoint = 0; aPoint < thePoints.size(); ++aPoint)
    {
      myNodeIndex.Add(thePoints[aPoint], aFirst + static_cast<int>(aPoint));
    }
#pragma omp section
    aNbAdded = addPolygons(thePoints, theStarts, theCorners, aFirst);
  }
  return aNbAdded;
}

int HalfEdge_OpenMeshWrapper::addPolygons(const std::vector<Point>& thePoints,
                                          const std::vector<int>&   theStarts,
                                          const std::vector<int>&   theCorners,
                                          int                       theFirst)
{
  for (const Point& aPoint : thePoints)
  {
    add_vertex(aPoint);
  }
  std::vector<int> aNodes;
  for (size_t aPolygon = 0; aPolygon + 1 < theStarts.size(); ++aPolygon)
  {
    aNodes.clear();
    for (int aCorner = theStarts[aPolygon]; aCorner < theStarts[aPolygon + 1]; ++aCorner)
    {
      const int aPoint = theCorners[static_cast<size_t>(aCorner)];
      if (aPoint < 0 || static_cast<size_t>(aPoint) >= thePoints.size())
      {
        return static_cast<int>(aPolygon);
      }
      aNodes.push_back(theFirst + aPoint);
    }
    if (AddFace(aNodes.data(), static_cast<int>(aNodes.size())) < 0)
    {
      return static_cast<int>(aPolygon);
    }
  }
  return static_cast<int>(theStarts.empty() ? 0 : theStarts.size() - 1);
}

std::vector<int> HalfEdge_OpenMeshWrapper::FaceNodes(int theFace) const
{
  std::vector<int> aNodes;
  const FaceHandle aFace = FaceHandleOf(theFace);
  if (aFace.is_valid())
  {
    for (const VertexHandle aCorner : faceCycle(*this, aFace))
    {
      aNodes.push_back(aCorner.idx());
    }
  }
  return aNodes;
}

void HalfEdge_OpenMeshWrapper::CollectTriangles(std::vector<Point>&              thePoints,
                                                std::vector<std::array<int, 3>>& theTriangles) const
{
  thePoints.clear();
  theTriangles.clear();
  std::vector<int> aPosition(n_vertices(), -1);
  for (int aNode = 0; aNode < static_cast<int>(n_vertices()); ++aNode)
  {
    if (VertexHandleOf(aNode).is_valid())
    {
      aPosition[aNode] = static_cast<int>(thePoints.size());
      thePoints.push_back(point(VertexHandle(aNode)));
    }
  }
  for (int aFace = 0; aFace < static_cast<int>(n_faces()); ++aFace)
  {
    if (!FaceHandleOf(aFace).is_valid())
    {
      continue;
    }
    const std::vector<VertexHandle> aCycle = faceCycle(*this, FaceHandle(aFace));
    if (aCycle.size() == 3)
    {
      theTriangles.push_back(
          {aPosition[aCycle[0].idx()], aPosition[aCycle[1].idx()], aPosition[aCycle[2].idx()]});
    }
  }
}

void HalfEdge_OpenMeshWrapper::GarbageCollection()
{
  // The kernel counts every vertex without an outgoing halfedge, deleted ones
  // included, so V = I + 1 means a single vertex still has one: it cannot
  // carry a face, and is not kept alone.
  const size_t       aNbVertices = n_vertices();
  const unsigned int aNbIsolated = delete_isolated_vertices();
  if (aNbVertices > 0 && aNbVertices == static_cast<size_t>(aNbIsolated) + 1)
  {
    for (const VertexHandle aVertex : vertices())
    {
      set_halfedge_handle(aVertex, HalfedgeHandle());
    }
    delete_isolated_vertices();
  }
  // Most edits move nodes and delete nothing: the collection would then only
  // walk and copy every element to leave each where it is.
  if (hasDeletedElements())
  {
    garbage_collection(true, true, true);
  }
  myIsIndexStale.store(true);
}

bool HalfEdge_OpenMeshWrapper::hasDeletedElements() const
{
  for (const VertexHandle aVertex : all_vertices())
  {
    if (status(aVertex).deleted())
    {
      return true;
    }
  }
  for (const EdgeHandle anEdge : all_edges())
  {
    if (status(anEdge).deleted())
    {
      return true;
    }
  }
  for (const FaceHandle aFace : all_faces())
  {
    if (status(aFace).deleted())
    {
      return true;
    }
  }
  return false;
}

void HalfEdge_OpenMeshWrapper::Clear()
{
  clean_keep_reservation();
  // The kernel keeps the property values for the next elements to take over:
  // a face added after clearing would inherit the deleted mark of the last
  // face that held its number. Properties start afresh; capacity stays.
  vprops_resize(0);
  hprops_resize(0);
  eprops_resize(0);
  fprops_resize(0);
  myNodeIndex.Clear();
  myIsIndexStale.store(false);
}

const HalfEdge_NodeIndex& HalfEdge_OpenMeshWrapper::nodeIndex() const
{
  if (!myIsIndexStale.load(std::memory_order_acquire))
  {
    return myNodeIndex;
  }
  const std::lock_guard<std::mutex> aLock(myIndexLock);
  if (!myIsIndexStale.load(std::memory_order_relaxed))
  {
    return myNodeIndex;
  }
  myNodeIndex.Clear();
  myNodeIndex.Reserve(static_cast<int>(n_vertices()));
  // Of two live nodes at one point the later one is indexed: walked from the
  // last node down, a node is indexed only where no later one is.
  for (int aNode = static_cast<int>(n_vertices()) - 1; aNode >= 0; --aNode)
  {
    if (VertexHandleOf(aNode).is_valid())
    {
      const Point& aPoint = point(VertexHandle(aNode));
      if (myNodeIndex.Find(aPoint, [](int) { return true; }) < 0)
      {
        myNodeIndex.Add(aPoint, aNode);
      }
    }
  }
  myIsIndexStale.store(false, std::memory_order_release);
  return myNodeIndex;
}

HalfEdge_OpenMeshWrapper::Iterator HalfEdge_OpenMeshWrapper::VerticesBegin() const
{
  return makePosition<Kind::Vertex>(*this, false);
}

HalfEdge_OpenMeshWrapper::Iterator HalfEdge_OpenMeshWrapper::VerticesEnd() const
{
  return makePosition<Kind::Vertex>(*this, true);
}

HalfEdge_OpenMeshWrapper::Iterator HalfEdge_OpenMeshWrapper::EdgesBegin() const
{
  return makePosition<Kind::Edge>(*this, false);
}

HalfEdge_OpenMeshWrapper::Iterator HalfEdge_OpenMeshWrapper::EdgesEnd() const
{
  return makePosition<Kind::Edge>(*this, true);
}

HalfEdge_OpenMeshWrapper::Iterator HalfEdge_OpenMeshWrapper::FacesBegin() const
{
  return makePosition<Kind::Face>(*this, false);
}

HalfEdge_OpenMeshWrapper::Iterator HalfEdge_OpenMeshWrapper::FacesEnd() const
{
  return makePosition<Kind::Face>(*this, true);
}

HalfEdge_OpenMeshWrapper::Iterator HalfEdge_OpenMeshWrapper::BoundaryEdgesBegin() const
{
  return makePosition<Kind::BoundaryEdge>(*this, false);
}

HalfEdge_OpenMeshWrapper::Iterator HalfEdge_OpenMeshWrapper::BoundaryEdgesEnd() const
{
  return makePosition<Kind::BoundaryEdge>(*this, true);
}
