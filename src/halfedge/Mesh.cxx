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
