#ifndef HalfEdgeAlgo_FaceByNodesCriterion_HeaderFile
#define HalfEdgeAlgo_FaceByNodesCriterion_HeaderFile

#include <HalfEdgeAlgo_SearchFaceCriterion.hxx>

#include <set>

//! Passes the faces made of exactly a given set of nodes: as many corners as
//! the set has nodes, every corner in the set. Only the faces around the
//! set's nodes are worth testing.
class HalfEdgeAlgo_FaceByNodesCriterion : public HalfEdgeAlgo_SearchFaceCriterion
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_FaceByNodesCriterion, HalfEdgeAlgo_SearchFaceCriterion)
public:
  //! Faces of exactly the nodes theNodes.
  explicit HalfEdgeAlgo_FaceByNodesCriterion(const std::set<int>& theNodes = std::set<int>());

  //! The node numbers a face must be made of.
  const std::set<int>& Nodes() const { return myNodes; }

  //! Sets the node numbers a face must be made of.
  void SetNodes(const std::set<int>& theNodes) { myNodes = theNodes; }

  //! True when the face has as many corners as the set has nodes, all in the set.
  bool TestFace(Mesh& theMesh, int theFace) const override;

  //! The live faces around the live nodes of the set.
  std::set<int> FaceCandidates(Mesh& theMesh) const override;

private:
  std::set<int> myNodes;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_FaceByNodesCriterion, HalfEdgeAlgo_SearchFaceCriterion)

#endif
