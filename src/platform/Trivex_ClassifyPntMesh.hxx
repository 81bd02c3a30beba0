#ifndef Trivex_ClassifyPntMesh_HeaderFile
#define Trivex_ClassifyPntMesh_HeaderFile

#include <Pellisk_Export.hxx>
#include <Trivex_TriangleSet.hxx>

#include <gp_Pnt.hxx>

#include <vector>

namespace Trivex
{
//! Whether a point lies inside the closed surface formed by a triangle set.
//!
//! Rays are cast from the point and their crossings counted: the first one
//! towards the nearest side of the set's box (tilted at random), the others in
//! pseudo-random directions; a ray that passes within rounding of an edge or a corner,
//! or runs along a face, is discarded and another direction is tried. When
//! every direction is discarded, the winding number of the surface around the
//! point decides. A point within the tolerance (1e-7) of a triangle is not inside.
class Pellisk_EXPORT ClassifyPntMesh
{
public:
  //! A query on theSet (which must be built; see TriangleSet). theNbRays clean
  //! rays vote (majority; at least 1), directions come from a generator seeded
  //! with theSeed, and at most theNbTries directions are tried per vote.
  ClassifyPntMesh(const Handle(TriangleSet)& theSet,
                  int                        theNbRays  = 1,
                  unsigned int               theSeed    = 1231121987u,
                  int                        theNbTries = 7);

  //! True when thePoint lies inside the closed surface; false outside, on the
  //! surface, and for a null, empty or unbuilt set.
  bool Perform(const gp_Pnt& thePoint) const;

private:
  // Crossing parity along one direction: 0 even, 1 odd, -1 unreliable ray, 2 on the surface.
  int  castRay(const gp_XYZ& thePoint, const gp_XYZ& theDirection) const;
  bool windingInside(const gp_XYZ& thePoint) const;

private:
  Handle(TriangleSet) mySet;
  std::vector<gp_XYZ> myDirections;
  int                 myNbRays;
};
} // namespace Trivex

#endif
