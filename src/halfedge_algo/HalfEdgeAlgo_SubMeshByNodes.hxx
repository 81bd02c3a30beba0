#ifndef HalfEdgeAlgo_SubMeshByNodes_HeaderFile
#define HalfEdgeAlgo_SubMeshByNodes_HeaderFile

#include <HalfEdgeAlgo_SubMesh.hxx>

#include <set>

//! Copies every face that touches a selected node. Selected nodes are taken
//! in ascending number order, each followed by its faces not copied yet, so a
//! face touching two selected nodes is copied once. Numbers of deleted or
//! missing nodes are skipped; a selected node without faces is not kept.
class HalfEdgeAlgo_SubMeshByNodes : public HalfEdgeAlgo_SubMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SubMeshByNodes, HalfEdgeAlgo_SubMesh)
public:
  //! False (nothing changes) when no node is selected; otherwise true, also
  //! when the result is empty.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_SubMeshByNodes".
  std::string Name() const override;

  //! The selected source nodes.
  std::set<int>& Nodes() { return myNodes; }

  //! Replaces the selected source nodes.
  void SetNodes(const std::set<int>& theNodes) { myNodes = theNodes; }

protected:
  std::set<int> myNodes;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SubMeshByNodes, HalfEdgeAlgo_SubMesh)

#endif
