#ifndef HalfEdgeAlgo_FaceSkeleton_HeaderFile
#define HalfEdgeAlgo_FaceSkeleton_HeaderFile

#include <HalfEdgeAlgo_Algorithm.hxx>

#include <gp_Pnt.hxx>

#include <vector>

//! The skeleton of one narrow triangle: the line it is to be flattened to,
//! told as where each corner goes and which node it merges with. A narrow
//! triangle is thin across one direction; its skeleton is the line along the
//! other, and flattening it moves each corner the least way onto that line.
//!
//! - A needle (one side much shorter than the width across it) flattens to
//!   the line of its two long sides: the ends of the short side merge at its
//!   middle, the far corner stays. Its merge is an edge collapse.
//! - A sliver (one corner close to the opposite side, the base) flattens to
//!   its base: that corner, the apex, goes to its foot on the base, the base
//!   ends stay. Its merge is the removal of the base edge (a flip, or a split
//!   at the foot followed by a squash), which lays the apex into the base.
//!   When the foot is within the tolerance of a base end, the apex merges
//!   with that end instead.
//!
//! Which of the two is chosen compares what the corners would move: half the
//! shortest side for a needle, the altitude of the largest angle (the corner
//! opposite the longest side, whose foot is always on the base) for a sliver;
//! the smaller wins, a needle on a tie, so coincident corners always merge.
//! So a triangle that is both (an apex near a base end) becomes whichever
//! moves its corners least, and the result never moves a corner farther than
//! the width of the triangle.
//!
//! Only triangles have a skeleton here: a narrow polygon is split into
//! triangles in its plane by the face collapse, and each of them is
//! flattened, which flattens the polygon as a whole. Perform() is false, with
//! no results, for a face that is missing, deleted, or not a triangle. It
//! changes nothing.
class HalfEdgeAlgo_FaceSkeleton : public HalfEdgeAlgo_Algorithm
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_FaceSkeleton, HalfEdgeAlgo_Algorithm)
public:
  //! How the face flattens.
  enum Shape
  {
    Shape_None,   //!< no result
    Shape_Needle, //!< two corners merge
    Shape_Sliver  //!< a corner goes onto the opposite side
  };

  //! One corner of the face and where it goes.
  struct Corner
  {
    int    Node;    //!< node number
    gp_Pnt Place;   //!< position now
    gp_Pnt Target;  //!< position it is to take
    int    Partner; //!< node it merges with, -1 when it stays a node of its own
  };

  //! The skeleton of face theFace (-1 for none) at the next Perform().
  explicit HalfEdgeAlgo_FaceSkeleton(int theFace = -1);

  //! Points the object at another face and clears the previous results.
  void SetFace(int theFace);

  //! The face of the next or last Perform().
  int Face() const { return myFace; }

  //! Computes the skeleton of the face; see the class comment.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_FaceSkeleton".
  std::string Name() const override;

  //! How the face flattens (Shape_None before a successful Perform()).
  Shape Kind() const { return myShape; }

  //! The corners in the face's boundary order, each with its target and
  //! partner, starting with the ends of the short side for a needle, with
  //! the apex for a sliver (the next two are then its base).
  const std::vector<Corner>& Corners() const { return myCorners; }

private:
  //! Clears the results.
  void clear();

private:
  int                 myFace;
  Shape               myShape;
  std::vector<Corner> myCorners;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_FaceSkeleton, HalfEdgeAlgo_Algorithm)

#endif
