#ifndef HalfEdgeAlgo_FixSplash_HeaderFile
#define HalfEdgeAlgo_FixSplash_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>

#include <set>

//! Pulls given nodes (usually the splashes found by HalfEdgeAlgo_CheckSplash)
//! back among their neighbours: each goes to the average of its own position
//! and those of the nodes it shares an edge with. Nodes are moved in
//! ascending number order and in place, so a node fixed later sees the new
//! position of a neighbour fixed before it. Connectivity is not touched.
class HalfEdgeAlgo_FixSplash : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_FixSplash, HalfEdgeAlgo_ModifyMesh)
public:
  //! Keeps a copy of the node numbers to move.
  explicit HalfEdgeAlgo_FixSplash(const std::set<int>& theNodes);

  //! Moves every live node of the set; false when the set is empty or names a
  //! node that is missing or deleted (the others are moved all the same).
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_FixSplash".
  std::string Name() const override;

  //! The node numbers to move.
  const std::set<int>& Nodes() const { return myNodes; }

protected:
  std::set<int> myNodes;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_FixSplash, HalfEdgeAlgo_ModifyMesh)

#endif
