// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_SubMesh.hxx>
#include <HalfEdgeAlgo_UpdateNodes.hxx>

#include <algorithm>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_SubMesh, HalfEdgeAlgo_Algorithm)

HalfEdgeAlgo_SubMesh::HalfEdgeAlgo_SubMesh() = default;

void HalfEdgeAlgo_SubMesh::UpdateSource(const Handle(HalfEdge_Mesh)& theSource) const
{
  if (myResult.IsNull() || theSource.IsNull())
  {
    return;
  }
  Handle(HalfEdgeAlgo_UpdateNodes) anUpdate = new HalfEdgeAlgo_UpdateNodes();
  for (const auto& [aSubNode, aSourceNode] : mySubNodeMap)
  {
    anUpdate->Nodes()[aSourceNode] = myResult->Node(aSubNode);
  }
  theSource->Execute(anUpdate, false);
}

void HalfEdgeAlgo_SubMesh::setResult(Copy& theCopy)
{
  // Collecting the copy drops the nodes no copied face uses (a selected node
  // without faces, corners of a refused face) and fills their numbers with
  // the last nodes; the copy's own numbers are followed through that move.
  // A copy whose nodes all carry faces has nothing to collect.
  Mesh&                           aCopy = *theCopy.myCopy;
  std::vector<Mesh::VertexHandle> aNodes;
  aNodes.reserve(aCopy.n_vertices());
  for (int aNode = 0; aNode < static_cast<int>(aCopy.n_vertices()); ++aNode)
  {
    aNodes.emplace_back(aNode);
  }
  const bool isAllUsed =
      std::all_of(aNodes.begin(), aNodes.end(),
                  [&aCopy](Mesh::VertexHandle theNode) { return aCopy.halfedge_handle(theNode).is_valid(); });
  if (!isAllUsed)
  {
    std::vector<Mesh::VertexHandle*> aNodesToFollow;
    for (Mesh::VertexHandle& aNode : aNodes)
    {
      aNodesToFollow.push_back(&aNode);
    }
    std::vector<Mesh::HalfedgeHandle*> aNoHalfedges;
    std::vector<Mesh::FaceHandle*>     aNoFaces;
    aCopy.delete_isolated_vertices();
    aCopy.garbage_collection(aNodesToFollow, aNoHalfedges, aNoFaces, true, true, true);
  }

  mySourceNodeMap.clear();
  mySubNodeMap.clear();
  for (size_t aSubNode = 0; aSubNode < theCopy.mySourceOf.size(); ++aSubNode)
  {
    const Mesh::VertexHandle aKept = aNodes[aSubNode];
    if (aKept.is_valid())
    {
      mySourceNodeMap[theCopy.mySourceOf[aSubNode]] = aKept.idx();
      mySubNodeMap.emplace_hint(mySubNodeMap.end(), aKept.idx(), theCopy.mySourceOf[aSubNode]);
    }
  }
  std::sort(theCopy.myFaces.begin(), theCopy.myFaces.end());
  myFaceMap.clear();
  for (const std::pair<int, int>& aFace : theCopy.myFaces)
  {
    myFaceMap.emplace_hint(myFaceMap.end(), aFace);
  }
  // The copy is already collected, so the new mesh keeps its numbers.
  myResult = HalfEdge_Mesh::FromMesh(aCopy);
}

//=================================================================================================

//! Corner lists of the face being copied, kept from face to face.
struct HalfEdgeAlgo_SubMesh::Copy::Buffers
{
  std::vector<Mesh::VertexHandle> Corners;
  std::vector<Mesh::VertexHandle> Sorted;
};

HalfEdgeAlgo_SubMesh::Copy::Copy(const Mesh& theSource)
    : mySource(theSource),
      myCopy(new Mesh()),
      myBuffers(new Buffers())
{
}

HalfEdgeAlgo_SubMesh::Copy::~Copy() = default;

int HalfEdgeAlgo_SubMesh::Copy::AddNode(int theNode)
{
  if (theNode < 0 || theNode >= static_cast<int>(mySource.n_vertices()) ||
      mySource.status(Mesh::VertexHandle(theNode)).deleted())
  {
    return -1;
  }
  const auto aFound = myNodeOf.find(theNode);
  if (aFound != myNodeOf.end())
  {
    return aFound->second;
  }
  const int aCopy = myCopy->add_vertex(mySource.point(Mesh::VertexHandle(theNode))).idx();
  myNodeOf.emplace(theNode, aCopy);
  mySourceOf.push_back(theNode);
  return aCopy;
}

void HalfEdgeAlgo_SubMesh::Copy::AddFace(int theFace)
{
  if (theFace < 0 || theFace >= static_cast<int>(mySource.n_faces()) || HasFace(theFace) ||
      mySource.status(Mesh::FaceHandle(theFace)).deleted())
  {
    return;
  }
  // Corners from the to-node of the stored halfedge on; the walk is bounded so
  // that a broken cycle cannot hang it.
  std::vector<Mesh::VertexHandle>& aCorners = myBuffers->Corners;
  aCorners.clear();
  const Mesh::HalfedgeHandle aFirst = mySource.halfedge_handle(Mesh::FaceHandle(theFace));
  Mesh::HalfedgeHandle       aHalf  = aFirst;
  do
  {
    aCorners.emplace_back(AddNode(mySource.to_vertex_handle(aHalf).idx()));
    aHalf = mySource.next_halfedge_handle(aHalf);
  } while (aHalf != aFirst && aHalf.is_valid() && aCorners.size() <= mySource.n_halfedges());

  // The kernel asserts on repeated or invalid corners: such a face is not offered to it.
  std::vector<Mesh::VertexHandle>& aSorted = myBuffers->Sorted;
  aSorted.assign(aCorners.begin(), aCorners.end());
  std::sort(aSorted.begin(), aSorted.end());
  if (aCorners.size() < 3 || !aSorted.front().is_valid() ||
      std::adjacent_find(aSorted.begin(), aSorted.end()) != aSorted.end())
  {
    return;
  }
  Mesh::FaceHandle aNew;
  try
  {
    aNew = myCopy->add_face(aCorners);
  }
  catch (...)
  {
    return;
  }
  if (aNew.is_valid())
  {
    myFaceOf.emplace(theFace, aNew.idx());
    myFaces.emplace_back(theFace, aNew.idx());
  }
}
