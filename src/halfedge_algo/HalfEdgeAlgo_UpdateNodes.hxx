#ifndef HalfEdgeAlgo_UpdateNodes_HeaderFile
#define HalfEdgeAlgo_UpdateNodes_HeaderFile

#include <HalfEdgeAlgo_Algorithm.hxx>

#include <gp_Pnt.hxx>

#include <map>

//! Moves nodes to given positions, named by node number; connectivity is not
//! touched, and nodes that come to coincide are not merged. Numbers of deleted
//! or missing nodes are skipped. The mesh's point index follows the moves at
//! its next garbage collection.
class HalfEdgeAlgo_UpdateNodes : public HalfEdgeAlgo_Algorithm
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_UpdateNodes, HalfEdgeAlgo_Algorithm)
public:
  //! Moves the nodes, in ascending number order; always true.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_UpdateNodes".
  std::string Name() const override;

  //! Node number to its new position.
  std::map<int, gp_Pnt>& Nodes() { return myNodes; }

  //! Replaces the node positions.
  void SetNodes(const std::map<int, gp_Pnt>& theNodes) { myNodes = theNodes; }

protected:
  std::map<int, gp_Pnt> myNodes;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_UpdateNodes, HalfEdgeAlgo_Algorithm)

#endif
