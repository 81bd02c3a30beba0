#ifndef HalfEdgeAlgo_CollapseFaces_HeaderFile
#define HalfEdgeAlgo_CollapseFaces_HeaderFile

#include <HalfEdgeAlgo_SquashVertices.hxx>

#include <gp_Pnt.hxx>

#include <array>
#include <map>
#include <set>

//! Removes a set of narrow faces by flattening each onto its skeleton
//! (HalfEdgeAlgo_FaceSkeleton): needles lose their short side, slivers lay
//! their apex into their base. A polygon of the set is first split into
//! triangles in its plane, all of which are flattened.
//!
//! The plan of every face is recorded first, then carried out in four
//! phases, each over the whole plan: (1) the short sides of the needles are
//! collapsed together (needles sharing nodes shrink to the centroid of the
//! group) and the apex of each sliver is moved to its foot and its base
//! flipped away (where the flip would double an edge, the apex and the
//! corner across are joined round a handle pinched onto the base, which is
//! cut first); (2) slivers whose base cannot be flipped are merged by
//! squashes: an apex on a base end into that end, a base end of valence 3
//! into the apex, an apex over a base beside a polygon or on the boundary
//! into a node splitting the base at the foot, any other apex into the nearer
//! base end; (3) the needles still there collapse their short side once more,
//! now that their neighbourhood has changed; (4) the last ones squash one end
//! into the other, which then takes the middle of the side.
//!
//! Faces are named by number, and earlier merges change later faces: a face
//! counts as still there while it is live and its corners are the nodes its
//! recorded corners were merged into, and only then is its plan carried out.
//! A flip keeps the face's number for a new triangle, which is therefore no
//! longer the face of the plan. Perform() is true when no face of the set is
//! still there at the end and every squash succeeded; it always empties the
//! set. A face that could not be flattened gets its moved corners back, so a
//! failure leaves no face flatter than it was (the mesh is valid after every
//! step: each is a kernel edit, a flip, or an edge collapse with its repairs).
//! The edits run on the calling thread in face order, so the result does not
//! depend on the thread count. Deleted elements stay until the caller
//! garbage-collects.
class HalfEdgeAlgo_CollapseFaces : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_CollapseFaces, HalfEdgeAlgo_ModifyMesh)
public:
  //! No faces; the edge collapser and the squasher are made on first use
  //! and reused.
  HalfEdgeAlgo_CollapseFaces();

  //! Flattens the faces of the set; see the class comment.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_CollapseFaces".
  std::string Name() const override;

  //! The faces to flatten by the next Perform().
  std::set<int>& Faces() { return myFaces; }

  //! Replaces the faces to flatten.
  void SetFaces(const std::set<int>& theFaces) { myFaces = theFaces; }

private:
  //! The plan of one face: its corners when recorded, starting with the
  //! ends of the short side of a needle or with the apex of a sliver.
  struct Plan
  {
    std::array<int, 3> Corners;
    bool               IsNeedle;
    int                EndsOn; //!< for a sliver, the base end its apex merges with, or -1
  };

  //! Records the plan of every face of the set from its skeleton, and the
  //! places of its corners; false when some face has no skeleton.
  bool recordPlans(Mesh& theMesh);

  //! Puts the moved corners of the faces still there back; true when there
  //! are none.
  bool restorePending(Mesh& theMesh) const;

  //! Splits the polygons of the set into triangles; the live triangles to
  //! plan. theIsDone becomes false when a polygon could not be split.
  std::set<int> triangles(Mesh& theMesh, bool& theIsDone) const;

  //! The node theNode has been merged into (itself when none).
  int representative(int theNode) const;

  //! The face's current corners, when it is still the face of its plan.
  bool isPending(const Mesh& theMesh, int theFace, std::array<int, 3>& theCorners) const;

  //! Collapses the short sides of the pending needles in one run.
  bool collapseNeedles(Mesh& theMesh);

  //! Moves the apex of a pending sliver to its foot and flips its base.
  void flipSliver(Mesh& theMesh, int theFace);

  //! Cuts the handle that keeps the base (theFrom, theTo) of a flattened
  //! sliver from being flipped: the corner across the base from the apex
  //! theApex is joined to it already, so that the loops apex, base end, far
  //! corner go round a handle pinched onto the base. The apex and the far
  //! corner get copies that take the faces on the base's theTo side, the
  //! sliver and the face across become the two triangles the flip would have
  //! made, one on each side of the cut; the four nodes then move a tenth of
  //! the way to the middle of their rings, so the copies part from their
  //! originals. True when it cut; nothing changes otherwise.
  bool cutHandle(Mesh& theMesh, int theApex, int theFrom, int theTo) const;

  //! Merges a pending sliver whose base could not be flipped by squashes.
  bool squashSliver(Mesh& theMesh, int theFace);

  //! Splits the base of a sliver whose apex lies at its foot by a new node
  //! there, joined to the apex; the new node, or -1.
  int splitBase(Mesh& theMesh, int theApex, int theFrom, int theTo) const;

  //! Squashes theRemoved into theKept and records the merge.
  bool squash(Mesh& theMesh, int theRemoved, int theKept);

private:
  std::set<int>                       myFaces;
  std::map<int, Plan>                 myPlans;  //!< face number to its plan
  std::map<int, gp_Pnt>               myPlaces; //!< corner of a planned face to its place before the run
  std::map<int, int>                  myRepresentatives; //!< merged node to the node it went into
  Handle(HalfEdgeAlgo_CollapseEdges)  myCollapser;
  Handle(HalfEdgeAlgo_SquashVertices) mySquasher;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_CollapseFaces, HalfEdgeAlgo_ModifyMesh)

#endif
