#ifndef HalfEdgeAlgo_SimpleSmooth_HeaderFile
#define HalfEdgeAlgo_SimpleSmooth_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>

#include <set>

//! Moves every interior node to the average of the corners of its faces: the
//! node itself counts once per face, each neighbour once per face it shares
//! with the node. Nodes on the boundary and nodes without faces stay.
//!
//! The averages are always taken from the positions the mesh had before the
//! first pass, so a pass after the first finds nothing left to move and ends
//! the run: whatever the iteration count, the result is one averaging step.
class HalfEdgeAlgo_SimpleSmooth : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SimpleSmooth, HalfEdgeAlgo_ModifyMesh)
public:
  //! At most five passes.
  HalfEdgeAlgo_SimpleSmooth();

  //! "HalfEdgeAlgo_SimpleSmooth".
  std::string Name() const override;

  //! Runs passes until one moves no node by more than 1e-7 or the count is
  //! reached (none for a count of 0 or less); always true.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! Largest number of passes.
  int NbIterations() const { return myNbIterations; }

  //! Sets the largest number of passes.
  void SetNbIterations(int theNbIterations) { myNbIterations = theNbIterations; }

  //! Share of its mean edge length by which each averaged node is also
  //! pushed along the normal of its faces (0 by default: plain averaging).
  double Lift() const { return myLift; }

  //! Sets the push along the normal; a positive share moves nodes to the
  //! side their faces look at, which parts two sheets pressed back to back.
  void SetLift(double theLift) { myLift = theLift; }

  //! Share of each node's averaging move kept across its faces, along their
  //! normal: 1 (the default) is plain averaging; less keeps the node nearer
  //! the surface its faces describe, as the move slides it mostly along them.
  double NormalShare() const { return myNormalShare; }

  //! Sets the share of the averaging move kept along the normal.
  void SetNormalShare(double theShare) { myNormalShare = theShare; }

  //! The nodes the lift applies to; all nodes when empty.
  std::set<int>& LiftedNodes() { return myLifted; }

  //! The nodes moved against their normal instead, by the same share: the
  //! way that parts two sheets facing each other, as in a fold.
  std::set<int>& PulledNodes() { return myPulled; }

  //! The nodes averaged (and lifted); every interior node when empty.
  std::set<int>& MovedNodes() { return myMoved; }

protected:
  int           myNbIterations;
  double        myLift;
  double        myNormalShare;
  std::set<int> myLifted;
  std::set<int> myPulled;
  std::set<int> myMoved;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SimpleSmooth, HalfEdgeAlgo_ModifyMesh)

#endif
