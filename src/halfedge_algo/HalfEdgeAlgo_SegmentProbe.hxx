#ifndef HalfEdgeAlgo_SegmentProbe_HeaderFile
#define HalfEdgeAlgo_SegmentProbe_HeaderFile

#include <Trivex_TriangleSet.hxx>

#include <gp_Pnt.hxx>

#include <set>

class Mesh;

//! What the renegade criteria ask of a triangle set whose records carry the
//! numbers of the mesh faces they come from: which faces a segment between
//! two nodes passes through.
class HalfEdgeAlgo_SegmentProbe
{
public:
  //! Adds the numbers of the faces around a live vertex to theFaces.
  static void AddFacesAround(const Mesh& theMesh, int theVertex, std::set<int>& theFaces);

  //! True when the segment theFrom-theTo meets (within 1e-7) a triangle of
  //! theSet whose face is not in theOwnFaces. With theIsAcrossOnly, a
  //! triangle whose plane runs along the segment (|normal . (theTo - theFrom)|
  //! below 1e-7) does not count. False for a segment of no length. theSet
  //! must be built; each call makes its own query, so threads may call at once.
  static bool MeetsOtherFace(const Handle(Trivex::TriangleSet)& theSet,
                             const gp_Pnt&                      theFrom,
                             const gp_Pnt&                      theTo,
                             const std::set<int>&               theOwnFaces,
                             bool                               theIsAcrossOnly);

  //! True when the segment between the points is too short to cast (squared
  //! length below 1e-14).
  static bool IsTooShort(const gp_Pnt& theFrom, const gp_Pnt& theTo);

  //! The point of a live vertex.
  static gp_Pnt Point(const Mesh& theMesh, int theVertex);
};

#endif
