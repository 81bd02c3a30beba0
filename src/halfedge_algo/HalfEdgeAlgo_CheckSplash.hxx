#ifndef HalfEdgeAlgo_CheckSplash_HeaderFile
#define HalfEdgeAlgo_CheckSplash_HeaderFile

#include <HalfEdgeAlgo_CheckMesh.hxx>

#include <set>

//! Finds splashes: nodes that stick out of the surface like spikes, pulled
//! far from their neighbours by a projection. For a node inside the surface,
//! S is the total length of its edges and R the length of the polygon its
//! faces make around it (every edge of those faces that does not touch the
//! node); the node is a splash when S > 1.5 R. A flat, regular node has S
//! close to R; a node lifted out of a regular ring by more than about 1.1
//! times the ring's radius is a splash. Nodes on the boundary, without faces
//! or deleted are never splashes. The mesh is not changed.
class HalfEdgeAlgo_CheckSplash : public HalfEdgeAlgo_CheckMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_CheckSplash, HalfEdgeAlgo_CheckMesh)
public:
  //! Visits the nodes in number order; true when a splash was found.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_CheckSplash".
  std::string Name() const override;

  //! Numbers of the splash nodes found by the last Perform().
  const std::set<int>& SplashNodes() const { return mySplashNodes; }

protected:
  std::set<int> mySplashNodes;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_CheckSplash, HalfEdgeAlgo_CheckMesh)

#endif
