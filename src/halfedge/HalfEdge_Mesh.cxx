// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <HalfEdge_OpenMeshWrapper.hxx>

#include <HalfEdge_Mesh.hxx>
#include <HalfEdgeAlgo_Algorithm.hxx>
#include <HalfEdgeAlgo_Sewing.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>
#include <Pelk_DummyProgressNotifier.hxx>

#include <Poly_Triangle.hxx>
#include <Standard_DimensionMismatch.hxx>
#include <Standard_OutOfRange.hxx>

#include <algorithm>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdge_Mesh, Standard_Transient)

//! Where an iterator is and what it yields there.
class HalfEdge_Mesh::IteratorImpl
{
public:
  IteratorImpl(const HalfEdge_OpenMeshWrapper::Iterator&        thePosition,
               const std::shared_ptr<HalfEdge_OpenMeshWrapper>& theMesh)
      : myPosition(thePosition),
        myMesh(theMesh)
  {
  }
  virtual ~IteratorImpl() = default;

  //! A new, independent implementation at the same position.
  virtual std::shared_ptr<IteratorImpl> Clone() const = 0;

  //! The current element as node numbers.
  virtual std::list<int> Value() const = 0;

  HalfEdge_OpenMeshWrapper::Iterator        myPosition;
  std::shared_ptr<HalfEdge_OpenMeshWrapper> myMesh; //!< keeps the storage alive
};

namespace
{
gp_Pnt toPnt(const Mesh::Point& thePoint)
{
  return gp_Pnt(thePoint[0], thePoint[1], thePoint[2]);
}

Mesh::Point toPoint(const gp_Pnt& thePoint)
{
  return Mesh::Point(thePoint.X(), thePoint.Y(), thePoint.Z());
}

class VertexIteratorImpl : public HalfEdge_Mesh::IteratorImpl
{
public:
  using IteratorImpl::IteratorImpl;
  std::shared_ptr<IteratorImpl> Clone() const override { return std::make_shared<VertexIteratorImpl>(*this); }
  std::list<int>                Value() const override
  {
    const int aNode = myPosition.Index();
    return myMesh->VertexHandleOf(aNode).is_valid() ? std::list<int>{aNode} : std::list<int>();
  }
};

class EdgeIteratorImpl : public HalfEdge_Mesh::IteratorImpl
{
public:
  using IteratorImpl::IteratorImpl;
  std::shared_ptr<IteratorImpl> Clone() const override { return std::make_shared<EdgeIteratorImpl>(*this); }
  std::list<int>                Value() const override
  {
    const Mesh::EdgeHandle anEdge = myMesh->EdgeHandleOf(myPosition.Index());
    if (!anEdge.is_valid())
    {
      return std::list<int>();
    }
    const Mesh::HalfedgeHandle aHalf = myMesh->halfedge_handle(anEdge, 0);
    return {myMesh->from_vertex_handle(aHalf).idx(), myMesh->to_vertex_handle(aHalf).idx()};
  }
};

class FaceIteratorImpl : public HalfEdge_Mesh::IteratorImpl
{
public:
  using IteratorImpl::IteratorImpl;
  std::shared_ptr<IteratorImpl> Clone() const override { return std::make_shared<FaceIteratorImpl>(*this); }
  std::list<int>                Value() const override
  {
    const std::vector<int> aNodes = myMesh->FaceNodes(myPosition.Index());
    return std::list<int>(aNodes.begin(), aNodes.end());
  }
};

template <typename Impl_t>
HalfEdge_Mesh::Iterator makeIterator(const HalfEdge_OpenMeshWrapper::Iterator&        thePosition,
                                     const std::shared_ptr<HalfEdge_OpenMeshWrapper>& theMesh)
{
  return HalfEdge_Mesh::Iterator(std::make_shared<Impl_t>(thePosition, theMesh));
}
} // namespace

//=================================================================================================

HalfEdge_Mesh::Iterator::Iterator(const std::shared_ptr<IteratorImpl>& theImpl)
    : myImpl(theImpl)
{
}

HalfEdge_Mesh::Iterator::~Iterator() = default;

std::list<int> HalfEdge_Mesh::Iterator::operator*() const
{
  return myImpl->Value();
}

bool HalfEdge_Mesh::Iterator::operator==(const Iterator& theOther) const
{
  return myImpl->myMesh == theOther.myImpl->myMesh && myImpl->myPosition.IsEqual(theOther.myImpl->myPosition);
}

bool HalfEdge_Mesh::Iterator::operator!=(const Iterator& theOther) const
{
  return !(*this == theOther);
}

HalfEdge_Mesh::Iterator HalfEdge_Mesh::Iterator::operator++(int)
{
  Iterator aBefore(myImpl->Clone());
  ++(*this);
  return aBefore;
}

HalfEdge_Mesh::Iterator& HalfEdge_Mesh::Iterator::operator++()
{
  myImpl->myPosition.Next();
  return *this;
}

HalfEdge_Mesh::Iterator HalfEdge_Mesh::Iterator::operator--(int)
{
  Iterator aBefore(myImpl->Clone());
  --(*this);
  return aBefore;
}

HalfEdge_Mesh::Iterator& HalfEdge_Mesh::Iterator::operator--()
{
  myImpl->myPosition.Previous();
  return *this;
}

int HalfEdge_Mesh::Iterator::Index() const
{
  return myImpl->myPosition.Index();
}

//=================================================================================================

HalfEdge_Mesh::HalfEdge_Mesh()
    : myMesh(std::make_shared<HalfEdge_OpenMeshWrapper>()),
      myNotifier(Pelk_DummyProgressNotifier::Instance())
{
}

HalfEdge_Mesh::HalfEdge_Mesh(const Handle(HalfEdge_Mesh)& theOther)
    : myMesh(theOther.IsNull() ? std::make_shared<HalfEdge_OpenMeshWrapper>()
                               : std::make_shared<HalfEdge_OpenMeshWrapper>(*theOther->myMesh)),
      myNotifier(Pelk_DummyProgressNotifier::Instance())
{
}

HalfEdge_Mesh::HalfEdge_Mesh(const Handle(Poly_Triangulation)& theTriangulation)
    : HalfEdge_Mesh()
{
  if (theTriangulation.IsNull())
  {
    return;
  }
  const int aNbNodes = theTriangulation->NbNodes();
  const int aNbTris  = theTriangulation->NbTriangles();
  // A closed triangle mesh has 3/2 edges per triangle.
  myMesh->reserve(static_cast<size_t>(aNbNodes), static_cast<size_t>(aNbTris) * 3 / 2 + 3,
                  static_cast<size_t>(aNbTris));
  std::vector<int> aNodeOf(static_cast<size_t>(aNbNodes) + 1, -1);
  for (int aNode = 1; aNode <= aNbNodes; ++aNode)
  {
    aNodeOf[aNode] = myMesh->AddNode(toPoint(theTriangulation->Node(aNode)));
  }
  for (int aTriangle = 1; aTriangle <= aNbTris; ++aTriangle)
  {
    int aCorners[3];
    theTriangulation->Triangle(aTriangle).Get(aCorners[0], aCorners[1], aCorners[2]);
    for (int& aCorner : aCorners)
    {
      if (aCorner < 1 || aCorner > aNbNodes)
      {
        throw Standard_OutOfRange("NCollection_Array1::Value");
      }
      aCorner = aNodeOf[aCorner];
    }
    // Nodes merged within the tolerance leave a triangle without area.
    if (aCorners[0] != aCorners[1] && aCorners[1] != aCorners[2] && aCorners[0] != aCorners[2])
    {
      AddFace(aCorners[0], aCorners[1], aCorners[2], false);
    }
  }
}

HalfEdge_Mesh::HalfEdge_Mesh(const std::shared_ptr<HalfEdge_OpenMeshWrapper>& theStorage)
    : myMesh(theStorage),
      myNotifier(Pelk_DummyProgressNotifier::Instance())
{
}

Handle(HalfEdge_Mesh) HalfEdge_Mesh::FromMesh(const Mesh& theMesh)
{
  auto aStorage                 = std::make_shared<HalfEdge_OpenMeshWrapper>();
  static_cast<Mesh&>(*aStorage) = theMesh;
  Handle(HalfEdge_Mesh) aResult = new HalfEdge_Mesh(aStorage);
  aResult->GarbageCollection();
  return aResult;
}

//=================================================================================================

int HalfEdge_Mesh::AddNode(const gp_Pnt& thePoint)
{
  return myMesh->AddNode(toPoint(thePoint));
}

gp_Pnt HalfEdge_Mesh::Node(int theNode) const
{
  return toPnt(myMesh->Node(theNode));
}

void HalfEdge_Mesh::SetNode(int theNode, const gp_Pnt& thePoint)
{
  myMesh->SetNode(theNode, toPoint(thePoint));
}

int HalfEdge_Mesh::NodeIndex(const gp_Pnt& thePoint) const
{
  return myMesh->NodeIndex(toPoint(thePoint));
}

int HalfEdge_Mesh::NbNodes() const
{
  return static_cast<int>(myMesh->n_vertices());
}

int HalfEdge_Mesh::NbEdges() const
{
  return static_cast<int>(myMesh->n_edges());
}

int HalfEdge_Mesh::NbFaces() const
{
  return static_cast<int>(myMesh->n_faces());
}

//=================================================================================================

int HalfEdge_Mesh::AddFace(const std::list<int>& theNodes, bool theIsStrict)
{
  if (theNodes.size() < 3)
  {
    myNotifier->NewMessage(Pelk_Error, "HalfEdge.DegeneratedFace");
    throw Standard_DimensionMismatch("Unable to add degenerated face (less than 3 nodes) to the mesh");
  }
  const int aFace = myMesh->AddFace(theNodes);
  if (aFace >= 0 || theIsStrict)
  {
    return aFace;
  }
  myNotifier->NewMessage(Pelk_Warning, "HalfEdge.OppositeOrientationOfFace");
  return myMesh->AddFace(std::list<int>(theNodes.rbegin(), theNodes.rend()));
}

int HalfEdge_Mesh::AddPolygons(const std::vector<gp_XYZ>& thePoints,
                               const std::vector<int>&    theStarts,
                               const std::vector<int>&    theCorners,
                               unsigned int               theNbThreads)
{
  for (size_t aPolygon = 0; aPolygon + 1 < theStarts.size(); ++aPolygon)
  {
    if (theStarts[aPolygon + 1] - theStarts[aPolygon] < 3)
    {
      myNotifier->NewMessage(Pelk_Error, "HalfEdge.DegeneratedFace");
      throw Standard_DimensionMismatch("Unable to add degenerated face (less than 3 nodes) to the mesh");
    }
  }
  std::vector<Mesh::Point> aPoints;
  aPoints.reserve(thePoints.size());
  for (const gp_XYZ& aPoint : thePoints)
  {
    aPoints.emplace_back(aPoint.X(), aPoint.Y(), aPoint.Z());
  }
  return myMesh->AddPolygons(aPoints, theStarts, theCorners, theNbThreads);
}

int HalfEdge_Mesh::AddFace(int theA, int theB, int theC, bool theIsStrict)
{
  // Same as the list form, without building lists: this is the path of
  // every triangle of a triangulation.
  const int aNodes[3] = {theA, theB, theC};
  const int aFace     = myMesh->AddFace(aNodes, 3);
  if (aFace >= 0 || theIsStrict)
  {
    return aFace;
  }
  myNotifier->NewMessage(Pelk_Warning, "HalfEdge.OppositeOrientationOfFace");
  const int aReversed[3] = {theC, theB, theA};
  return myMesh->AddFace(aReversed, 3);
}

void HalfEdge_Mesh::DeleteFace(int theFace)
{
  const Mesh::FaceHandle aFace = myMesh->FaceHandleOf(theFace);
  if (aFace.is_valid())
  {
    myMesh->delete_face(aFace, false);
  }
}

void HalfEdge_Mesh::Face(int theFace, std::list<int>& theNodes) const
{
  const std::vector<int> aNodes = myMesh->FaceNodes(theFace);
  theNodes.assign(aNodes.begin(), aNodes.end());
}

void HalfEdge_Mesh::Edge(int theEdge, int theNodes[2]) const
{
  const Mesh::EdgeHandle anEdge = myMesh->EdgeHandleOf(theEdge);
  if (anEdge.is_valid())
  {
    const Mesh::HalfedgeHandle aHalf = myMesh->halfedge_handle(anEdge, 0);
    theNodes[0]                      = myMesh->from_vertex_handle(aHalf).idx();
    theNodes[1]                      = myMesh->to_vertex_handle(aHalf).idx();
  }
}

int HalfEdge_Mesh::EdgeIndex(int theA, int theB) const
{
  const Mesh::VertexHandle aFrom = myMesh->VertexHandleOf(theA);
  const Mesh::VertexHandle aTo   = myMesh->VertexHandleOf(theB);
  if (!aFrom.is_valid() || !aTo.is_valid())
  {
    return -1;
  }
  Mesh::HalfedgeHandle aHalf = myMesh->find_halfedge(aFrom, aTo);
  if (!aHalf.is_valid())
  {
    aHalf = myMesh->find_halfedge(aTo, aFrom);
  }
  return aHalf.is_valid() ? myMesh->edge_handle(aHalf).idx() : -1;
}

void HalfEdge_Mesh::FacesForEdge(int theEdge, std::list<int>& theFaces) const
{
  theFaces.clear();
  const Mesh::EdgeHandle anEdge = myMesh->EdgeHandleOf(theEdge);
  if (!anEdge.is_valid())
  {
    return;
  }
  for (int aSide = 0; aSide < 2; ++aSide)
  {
    const Mesh::FaceHandle aFace = myMesh->face_handle(myMesh->halfedge_handle(anEdge, aSide));
    if (aFace.is_valid())
    {
      theFaces.push_back(aFace.idx());
    }
  }
}

void HalfEdge_Mesh::FacesForNode(int theNode, std::list<int>& theFaces) const
{
  theFaces.clear();
  const Mesh::VertexHandle aNode = myMesh->VertexHandleOf(theNode);
  if (!aNode.is_valid() || !myMesh->halfedge_handle(aNode).is_valid())
  {
    return;
  }
  for (auto aFace = myMesh->cvf_iter(aNode); aFace.is_valid(); ++aFace)
  {
    if (std::find(theFaces.begin(), theFaces.end(), aFace->idx()) == theFaces.end())
    {
      theFaces.push_back(aFace->idx());
    }
  }
}

bool HalfEdge_Mesh::IsBoundaryEdge(int theEdge) const
{
  const Mesh::EdgeHandle anEdge = myMesh->EdgeHandleOf(theEdge);
  return anEdge.is_valid() && myMesh->is_boundary(anEdge);
}

bool HalfEdge_Mesh::IsBoundaryNode(int theNode) const
{
  const Mesh::VertexHandle aNode = myMesh->VertexHandleOf(theNode);
  if (!aNode.is_valid())
  {
    return false;
  }
  const Mesh::HalfedgeHandle anOut = myMesh->halfedge_handle(aNode);
  return !anOut.is_valid() || !myMesh->face_handle(anOut).is_valid();
}

bool HalfEdge_Mesh::IsTriangular() const
{
  for (const Mesh::FaceHandle aFace : myMesh->faces())
  {
    if (myMesh->valence(aFace) != 3)
    {
      return false;
    }
  }
  return true;
}

bool HalfEdge_Mesh::IsEmpty() const
{
  return myMesh->NbIndexedNodes() == 0;
}

//=================================================================================================

void HalfEdge_Mesh::Clear()
{
  myMesh->Clear();
}

void HalfEdge_Mesh::GarbageCollection()
{
  myMesh->GarbageCollection();
}

void HalfEdge_Mesh::AddMesh(const Handle(HalfEdge_Mesh)& theOther)
{
  if (theOther.IsNull())
  {
    return;
  }
  if (IsEmpty())
  {
    myMesh = theOther->myMesh;
    return;
  }
  // Read everything first: theOther may share this storage.
  const HalfEdge_OpenMeshWrapper& anOther = *theOther->myMesh;
  std::vector<int>                aNodeOf(anOther.n_vertices(), -1);
  std::vector<std::list<int>>     aFaces;
  for (int aNode = 0; aNode < static_cast<int>(anOther.n_vertices()); ++aNode)
  {
    if (anOther.VertexHandleOf(aNode).is_valid())
    {
      aNodeOf[aNode] = myMesh->AddNode(anOther.Node(aNode));
    }
  }
  for (int aFace = 0; aFace < static_cast<int>(anOther.n_faces()); ++aFace)
  {
    std::list<int> aCorners;
    for (const int aNode : anOther.FaceNodes(aFace))
    {
      aCorners.push_back(aNodeOf[aNode]);
    }
    if (!aCorners.empty())
    {
      aFaces.push_back(aCorners);
    }
  }
  for (const std::list<int>& aCorners : aFaces)
  {
    AddFace(aCorners, false);
  }
  // Where the parts meet along boundaries whose nodes differ, the nodes of
  // either side are inserted into the other's edges.
  Execute(new HalfEdgeAlgo_Sewing(Precision::Confusion()), true);
}

bool HalfEdge_Mesh::Execute(const Handle(HalfEdgeAlgo_Algorithm)& theAlgo, bool theWithGC)
{
  if (theAlgo.IsNull())
  {
    return false;
  }
  const bool aResult = theAlgo->Perform(static_cast<Mesh&>(*myMesh));
  if (theWithGC)
  {
    GarbageCollection();
  }
  return aResult;
}

void HalfEdge_Mesh::SetProgressNotifier(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  myNotifier = theNotifier.IsNull() ? Handle(Pelk_ProgressNotifier)(Pelk_DummyProgressNotifier::Instance())
                                    : theNotifier;
}

HalfEdge_Mesh::operator Handle(Poly_Triangulation)() const
{
  // Triangulating edits the storage although the conversion is const: the
  // mesh is left triangulated and garbage-collected, so that its numbers
  // match the triangulation's.
  Handle(HalfEdgeAlgo_Triangulate) aTriangulate = new HalfEdgeAlgo_Triangulate("");
  aTriangulate->Perform(static_cast<Mesh&>(*myMesh));
  myMesh->GarbageCollection();
  std::vector<Mesh::Point>        aPoints;
  std::vector<std::array<int, 3>> aTriangles;
  myMesh->CollectTriangles(aPoints, aTriangles);
  if (aPoints.empty() || aTriangles.empty())
  {
    myNotifier->NewMessage(Pelk_Warning, "HalfEdge.WrongMesh").Arg(NbNodes()).Arg(NbFaces());
    return Handle(Poly_Triangulation)();
  }
  Handle(Poly_Triangulation) aResult = new Poly_Triangulation(
      static_cast<int>(aPoints.size()), static_cast<int>(aTriangles.size()), Standard_False);
  for (size_t aNode = 0; aNode < aPoints.size(); ++aNode)
  {
    aResult->SetNode(static_cast<int>(aNode) + 1, toPnt(aPoints[aNode]));
  }
  for (size_t aFace = 0; aFace < aTriangles.size(); ++aFace)
  {
    const std::array<int, 3>& aCorners = aTriangles[aFace];
    aResult->SetTriangle(static_cast<int>(aFace) + 1,
                         Poly_Triangle(aCorners[0] + 1, aCorners[1] + 1, aCorners[2] + 1));
  }
  return aResult;
}

//=================================================================================================

HalfEdge_Mesh::Iterator HalfEdge_Mesh::VerticesBegin() const
{
  return makeIterator<VertexIteratorImpl>(myMesh->VerticesBegin(), myMesh);
}

HalfEdge_Mesh::Iterator HalfEdge_Mesh::VerticesEnd() const
{
  return makeIterator<VertexIteratorImpl>(myMesh->VerticesEnd(), myMesh);
}

HalfEdge_Mesh::Iterator HalfEdge_Mesh::EdgesBegin() const
{
  return makeIterator<EdgeIteratorImpl>(myMesh->EdgesBegin(), myMesh);
}

HalfEdge_Mesh::Iterator HalfEdge_Mesh::EdgesEnd() const
{
  return makeIterator<EdgeIteratorImpl>(myMesh->EdgesEnd(), myMesh);
}

HalfEdge_Mesh::Iterator HalfEdge_Mesh::FacesBegin() const
{
  return makeIterator<FaceIteratorImpl>(myMesh->FacesBegin(), myMesh);
}

HalfEdge_Mesh::Iterator HalfEdge_Mesh::FacesEnd() const
{
  return makeIterator<FaceIteratorImpl>(myMesh->FacesEnd(), myMesh);
}

HalfEdge_Mesh::Iterator HalfEdge_Mesh::BoundaryEdgesBegin() const
{
  return makeIterator<EdgeIteratorImpl>(myMesh->BoundaryEdgesBegin(), myMesh);
}

HalfEdge_Mesh::Iterator HalfEdge_Mesh::BoundaryEdgesEnd() const
{
  return makeIterator<EdgeIteratorImpl>(myMesh->BoundaryEdgesEnd(), myMesh);
}
