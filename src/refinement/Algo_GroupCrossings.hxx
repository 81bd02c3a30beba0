#ifndef Algo_GroupCrossings_HeaderFile
#define Algo_GroupCrossings_HeaderFile

#include <HalfEdge_Mesh.hxx>

#include <map>
#include <set>
#include <utility>
#include <vector>

class HalfEdgeAlgo_CheckSelfIntersections;
class HalfEdgeAlgo_SubMesh;

//! Tells the crossings a repair of one group of crossing faces answers for
//! from those of its neighbours. A copy of the surface around the group also
//! takes in crossings of neighbouring groups. Two kinds are left to others:
//! - crossings of groups repaired later in the same round, which their own
//!   repair parts, whatever this one did to them;
//! - crossings first seen away from every node the repair touched (a corner
//!   of the group's faces or a node it moved): the repair did not make them.
//! Every other crossing is the group's. A crossing the repair makes is
//! therefore its own, unless a later group already had it.
//!
//! Faces are told apart by the numbers of their corners on the surface,
//! which stay while the repair moves nodes and copies the surface around
//! the group.
class Algo_GroupCrossings
{
public:
  //! A crossing: the sorted surface corners of its two faces, lower first.
  using PairKey = std::pair<std::vector<int>, std::vector<int>>;

  //! Takes the crossings of a round from theCheck's last run on theSurface,
  //! each with the place of its group in theCheck's list.
  void SetRound(const Handle(HalfEdge_Mesh)& theSurface, const HalfEdgeAlgo_CheckSelfIntersections& theCheck);

  //! Forgets the round's crossings.
  void ClearRound() { myRoundPairs.clear(); }

  //! Starts on the group at place theGroup of the round with the faces
  //! theFaces of theSurface: forgets the previous group and touches the
  //! corners of theFaces.
  void StartGroup(int theGroup, const Handle(HalfEdge_Mesh)& theSurface, const std::set<int>& theFaces);

  //! Touches the surface nodes of theNodes, nodes of the copy made by theClip.
  void TouchNodes(const std::set<int>& theNodes, const HalfEdgeAlgo_SubMesh& theClip);

  //! The faces of theCopy (made by theClip) with a touched corner: the only
  //! faces whose crossings can be the group's.
  std::set<int> TouchedFaces(const Handle(HalfEdge_Mesh)& theCopy, const HalfEdgeAlgo_SubMesh& theClip) const;

  //! Sorts the findings of theCheck's last run on theCopy (made by theClip)
  //! into the group's and the neighbours'; true when the group has any left.
  //! Faces the check could not test count as the group's.
  bool Perform(const Handle(HalfEdge_Mesh)&               theCopy,
               const HalfEdgeAlgo_SubMesh&                theClip,
               const HalfEdgeAlgo_CheckSelfIntersections& theCheck);

  //! The crossing pairs of the last Perform() the group answers for, in the
  //! check's order.
  const std::vector<std::pair<int, int>>& OwnPairs() const { return myOwnPairs; }

  //! The faces of OwnPairs() and the faces the check could not test.
  const std::set<int>& OwnFaces() const { return myOwnFaces; }

private:
  //! Whether a crossing first seen as theKey, touched or not, is a neighbour's.
  bool isNeighbours(const PairKey& theKey, bool theIsTouched) const;

  std::map<PairKey, int>           myRoundPairs;
  int                              myGroup = 0;
  std::set<int>                    myTouched;
  std::set<PairKey>                myNeighbourPairs;
  std::vector<std::pair<int, int>> myOwnPairs;
  std::set<int>                    myOwnFaces;
};

#endif
