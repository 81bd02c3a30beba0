#ifndef HalfEdgeAlgo_SearchCriterion_HeaderFile
#define HalfEdgeAlgo_SearchCriterion_HeaderFile

#include <Standard_Transient.hxx>
#include <Standard_Type.hxx>

#include <set>

class Mesh;

//! One test of a search (HalfEdgeAlgo_FindVertices, HalfEdgeAlgo_FindEdges,
//! HalfEdgeAlgo_FindFaces): a search of vertices asks TestVertex(), of edges
//! TestEdge(), of faces TestFace(). Every test answers false unless a
//! criterion overrides it. Searches run their loops in parallel and share one
//! criterion between threads, so tests must be safe to call concurrently.
class HalfEdgeAlgo_SearchCriterion : public Standard_Transient
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SearchCriterion, Standard_Transient)
public:
  //! True when the live vertex theVertex passes.
  virtual bool TestVertex(Mesh& theMesh, int theVertex) const;
  //! True when the live face theFace passes.
  virtual bool TestFace(Mesh& theMesh, int theFace) const;
  //! True when the live edge theEdge passes.
  virtual bool TestEdge(Mesh& theMesh, int theEdge) const;
  //! The faces worth testing; empty means every face.
  virtual std::set<int> FaceCandidates(Mesh& theMesh) const;

  //! True when theVertex is in range and not deleted.
  static bool IsLiveVertex(const Mesh& theMesh, int theVertex);
  //! True when theEdge is in range and not deleted.
  static bool IsLiveEdge(const Mesh& theMesh, int theEdge);
  //! True when theFace is in range and not deleted.
  static bool IsLiveFace(const Mesh& theMesh, int theFace);
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SearchCriterion, Standard_Transient)

#endif
