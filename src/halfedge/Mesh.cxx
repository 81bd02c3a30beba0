#include <Mesh.hxx>

#include <HalfEdge_Skewness.hxx>

Mesh::Mesh()
{
  // Every operation of the library marks elements deleted and relies on these
  // to skip them; garbage collection needs them too.
  request_vertex_status();
  request_edge_status();
  request_halfedge_status();
  request_face_status();
}

Mesh::Mesh(const Mesh& theOther)
    : OpenMesh::PolyMesh_ArrayKernelT<TraitsDoublePrec>(theOther)
{
  for (const auto& anEntry : theOther.myMetrics)
  {
    RequestMetrics(anEntry.first);
  }
}

Mesh& Mesh::operator=(const Mesh& theOther)
{
  if (this != &theOther)
  {
    OpenMesh::PolyMesh_ArrayKernelT<TraitsDoublePrec>::operator=(theOther);
    myMetrics.clear();
    for (const auto& anEntry : theOther.myMetrics)
    {
      RequestMetrics(anEntry.first);
    }
  }
  return *this;
}

std::shared_ptr<HalfEdge_FaceMetrics> Mesh::GetMetrics(const std::string& theName) const
{
  const auto aFound = myMetrics.find(theName);
  return aFound != myMetrics.end() ? aFound->second : std::shared_ptr<HalfEdge_FaceMetrics>();
}

void Mesh::RequestMetrics(const std::string& theName)
{
  if (theName == "skewness")
  {
    myMetrics[theName] = std::make_shared<HalfEdge_Skewness>(*this);
  }
}

bool Mesh::IsFlipOk(EdgeHandle theEdge) const
{
  if (!theEdge.is_valid() || theEdge.idx() >= static_cast<int>(n_edges()) || status(theEdge).deleted() ||
      is_boundary(theEdge))
  {
    return false;
  }
  const HalfedgeHandle aHalf = halfedge_handle(theEdge, 0), anOpposite = halfedge_handle(theEdge, 1);
  if (valence(face_handle(aHalf)) != 3 || valence(face_handle(anOpposite)) != 3)
  {
    return false;
  }
  const VertexHandle aCorner = to_vertex_handle(next_halfedge_handle(aHalf));
  const VertexHandle anOther = to_vertex_handle(next_halfedge_handle(anOpposite));
  return aCorner != anOther && !find_halfedge(aCorner, anOther).is_valid();
}

// The polygon kernel has no flip of its own; this is the triangle kernel's,
// which rewires the six halfedges in place instead of deleting and adding
// faces, so that callers holding the edge or face handles see the new pair.
void Mesh::Flip(EdgeHandle theEdge)
{
  const HalfedgeHandle a0 = halfedge_handle(theEdge, 0), b0 = halfedge_handle(theEdge, 1);
  const HalfedgeHandle a1 = next_halfedge_handle(a0), a2 = next_halfedge_handle(a1);
  const HalfedgeHandle b1 = next_halfedge_handle(b0), b2 = next_halfedge_handle(b1);
  const VertexHandle   va0 = to_vertex_handle(a0), va1 = to_vertex_handle(a1);
  const VertexHandle   vb0 = to_vertex_handle(b0), vb1 = to_vertex_handle(b1);
  const FaceHandle     fa = face_handle(a0), fb = face_handle(b0);
  set_vertex_handle(a0, va1);
  set_vertex_handle(b0, vb1);
  set_next_halfedge_handle(a0, a2);
  set_next_halfedge_handle(a2, b1);
  set_next_halfedge_handle(b1, a0);
  set_next_halfedge_handle(b0, b2);
  set_next_halfedge_handle(b2, a1);
  set_next_halfedge_handle(a1, b0);
  set_face_handle(a1, fb);
  set_face_handle(b1, fa);
  set_halfedge_handle(fa, a0);
  set_halfedge_handle(fb, b0);
  if (halfedge_handle(va0) == b0)
  {
    set_halfedge_handle(va0, a1);
  }
  if (halfedge_handle(vb0) == a0)
  {
    set_halfedge_handle(vb0, b1);
  }
}
