#ifndef PelliskTest_Crossing_HeaderFile
#define PelliskTest_Crossing_HeaderFile

#include <gp_XYZ.hxx>

//! Brute-force triangle tests, written independently of the library's spatial
//! queries so that the tests can check those against them.
namespace PelliskTest_Crossing
{
//! Squared distance between the segment [theP, theQ] and the closed triangle theT.
double SegmentTriangleSqDistance(const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ theT[3]);

//! Squared distance between two closed triangles (0 when they meet).
double TriangleTriangleSqDistance(const gp_XYZ theA[3], const gp_XYZ theB[3]);

//! True when two faces of a surface cross, with corners closer than
//! theTolerance counting as shared: without shared corner, when they come
//! within theTolerance; sharing one corner, when they meet anywhere beyond it;
//! sharing a side, when they fold onto each other (the free corners on the
//! same side, coplanar within theTolerance); sharing three corners, always.
bool FacesCross(const gp_XYZ theA[3], const gp_XYZ theB[3], double theTolerance);
} // namespace PelliskTest_Crossing

#endif
