#ifndef HalfEdgeAlgo_RemoveStickingFaces_HeaderFile
#define HalfEdgeAlgo_RemoveStickingFaces_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>

//! Removes faces that stick to each other back to back, as when two sheets of
//! a surface are projected onto the same thin part of the input, and welds
//! what remains along the nodes that came to coincide.
//!
//! Nodes closer than the tolerance in every coordinate form a cluster, whose
//! representative is its lowest-numbered node; the others are duplicates.
//! Faces whose corners have the same representatives form a group (faces
//! through clusters, plus pairs of faces on exactly the same nodes). In each
//! group, faces of opposite orientation are paired, each with the one
//! sharing the most actual nodes, and both faces of a pair are deleted.
//! Faces of the same orientation are never paired. A face that passes twice
//! through one cluster is cut there into the loops it makes, which become
//! faces of their own (loops of fewer than three corners vanish). Finally
//! the faces around every duplicate met on the way are deleted and added
//! back with the representatives in place of those duplicates, in the order
//! they were collected; these duplicates are left without faces.
//!
//! Only the duplicates met are replaced: another corner of such a face that
//! merely coincides with some node keeps its own node. On real skins two
//! sheets often touch at a single node without any face stuck between them;
//! welding there would hang a second fan on a node whose own fan is closed,
//! which the mesh refuses, and the refused faces would leave holes.
//!
//! Where the surface still refuses a face it is given back (three sheets
//! meeting at one place, say), the removal starts again from the surface as
//! it was, with the clusters through that face kept apart: their faces stay
//! as they are, stuck together, for the repairs that follow, rather than a
//! hole being left.
//!
//! Deleted elements stay marked until garbage collection.
class HalfEdgeAlgo_RemoveStickingFaces : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_RemoveStickingFaces, HalfEdgeAlgo_ModifyMesh)
public:
  HalfEdgeAlgo_RemoveStickingFaces();

  //! Removes the sticking faces and welds; false when a face to be added back
  //! (a loop of a cut face or a welded face) was refused by the mesh although
  //! it passes through no cluster, which then lacks that face. A mesh without
  //! coincident nodes and without faces on the same nodes is left unchanged,
  //! and the result is true.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_RemoveStickingFaces".
  std::string Name() const override;

  //! Number of face groups of the last run.
  int NbGroups() const { return myNbGroups; }

  //! Number of face pairs deleted by the last run.
  int NbPairs() const { return myNbPairs; }

  //! Number of faces cut by the last run.
  int NbCutFaces() const { return myNbCutFaces; }

  //! Number of faces refused when added back by the last run (the one whose
  //! result the mesh keeps).
  int NbRefusedFaces() const { return myNbRefusedFaces; }

protected:
  int myNbGroups;
  int myNbPairs;
  int myNbCutFaces;
  int myNbRefusedFaces;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_RemoveStickingFaces, HalfEdgeAlgo_ModifyMesh)

#endif
