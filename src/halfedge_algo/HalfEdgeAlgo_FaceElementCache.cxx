#include <Mesh.hxx>

#include <HalfEdgeAlgo_FaceElementCache.hxx>
#include <HalfEdgeAlgo_SearchCriterion.hxx>

HalfEdgeAlgo_FaceElementCache::HalfEdgeAlgo_FaceElementCache(Kind theKind)
    : myKind(theKind),
      myIsFilled(false)
{
}

void HalfEdgeAlgo_FaceElementCache::SetFaces(const std::set<int>& theFaces)
{
  myFaces = theFaces;
  myElements.clear();
  myIsFilled.store(false, std::memory_order_release);
}

bool HalfEdgeAlgo_FaceElementCache::Contains(const Mesh& theMesh, int theElement) const
{
  if (!myIsFilled.load(std::memory_order_acquire))
  {
#pragma omp critical
    {
      // Another thread may have filled it while this one waited.
      if (!myIsFilled.load(std::memory_order_relaxed))
      {
        fill(theMesh);
        myIsFilled.store(true, std::memory_order_release);
      }
    }
  }
  return myElements.count(theElement) != 0;
}

void HalfEdgeAlgo_FaceElementCache::fill(const Mesh& theMesh) const
{
  for (const int aFace : myFaces)
  {
    if (!HalfEdgeAlgo_SearchCriterion::IsLiveFace(theMesh, aFace))
    {
      continue;
    }
    for (const Mesh::HalfedgeHandle aHalf : theMesh.fh_range(Mesh::FaceHandle(aFace)))
    {
      myElements.insert(myKind == Kind::Edges ? theMesh.edge_handle(aHalf).idx()
                                              : theMesh.to_vertex_handle(aHalf).idx());
    }
  }
}
