#ifndef SVO_Node_HeaderFile
#define SVO_Node_HeaderFile

#include <Pellisk_Export.hxx>
#include <SVO_NodeState.hxx>

#include <gp_XYZ.hxx>

//! One cell of the sparse voxel octree: an axis-aligned box with a link to the
//! cell it was split from, eight child links and a classification state.
//!
//! Octants and corners are numbered by bits: bit 0 selects the upper bound in X,
//! bit 1 in Y, bit 2 in Z. Corner 0 is BoxMin, corner 7 is BoxMax, and child i
//! is the octant that holds the parent's corner i. A split node has all eight
//! children; traversals look at Children[0] only.
//!
//! A node is a plain structure without heap data of its own, so that trees of
//! millions of cells cost one small allocation per cell. Nodes in a tree are
//! owned by the tree (SVO_Tree), never by their parent.
class Pellisk_EXPORT SVO_Node
{
public:
  //! Free-standing cell spanning the two points, which may be given in either
  //! order per axis; no parent, no children, state SVO_Unclassified.
  SVO_Node(const gp_XYZ& theA, const gp_XYZ& theB);

  //! Octant theChild (0 to 7) of theParent, spanned by the parent's centre and
  //! its corner theChild; bits above bit 2 of the number are ignored. With a null
  //! parent or the number -1 the cell has no box: BoxMin is -2e100 and BoxMax
  //! 2e100 on every axis. The new cell is not linked into the parent's Children.
  //! Reads nothing but the parent's box, so threads may build children of
  //! different parents at the same time.
  explicit SVO_Node(SVO_Node* theParent = nullptr, int theChild = -1);

  //! Corner of the box selected by the bits 0 to 2 of the number (higher bits ignored).
  gp_XYZ Corner(int theIndex) const;

  //! The point in the coordinates of the box: the box maps onto [-1, 1] per axis,
  //! its centre onto 0. A box that is flat along an axis gives an infinite or NaN value there.
  gp_XYZ LocalCoordinates(const gp_XYZ& thePoint) const;

  //! True when the boxes overlap or touch within theTol on all three axes;
  //! false for a null cell.
  bool IsConnected(const SVO_Node* theOther, double theTol) const;

  //! True when the two cells share a piece of face (within 5e-8) without
  //! overlapping; cells that meet only along an edge or at a corner, nested cells
  //! and a null cell give false.
  bool IsAdjacent(const SVO_Node* theOther) const;

  //! Lexicographic order of the boxes on BoxMin X, Y, Z then BoxMax X, Y, Z, where
  //! values within 5e-8 of each other count as equal. It is a strict weak order on
  //! the cells of octrees (whose distinct bounds lie much farther apart than 5e-8),
  //! the order every sorted list of cells uses.
  bool operator<(const SVO_Node& theOther) const;

  //! True when the boxes are equal within 5e-8 on all six bounds (neither is less
  //! than the other); links and states are not compared.
  bool operator==(const SVO_Node& theOther) const { return !(*this < theOther) && !(theOther < *this); }

public:
  SVO_Node* Parent;      //!< cell this one was split from; null for a root or a free cell
  SVO_Node* Children[8]; //!< the eight octants, all null for a leaf
  gp_XYZ    BoxMin;      //!< lower corner of the cell
  gp_XYZ    BoxMax;      //!< upper corner of the cell
  int       State;       //!< an SVO_NodeState value
};

#endif
