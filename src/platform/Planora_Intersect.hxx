#ifndef Planora_Intersect_HeaderFile
#define Planora_Intersect_HeaderFile

#include <Pellisk_Export.hxx>

#include <gp_Pnt2d.hxx>

namespace Planora
{
//! How two planar segments meet.
enum IntType
{
  IntType_None  = 0, //!< they do not meet
  IntType_Touch = 1, //!< an end point of one lies on the other (shared end points included)
  IntType_Cross = 2  //!< they cross at a point inside both
};

//! Intersection tests between planar primitives.
namespace Intersect
{
//! True when thePoint lies on the segment [theA, theB] within theTolerance.
Pellisk_EXPORT bool
PntSeg(const gp_Pnt2d& theA, const gp_Pnt2d& theB, const gp_Pnt2d& thePoint, double theTolerance);

//! How the segments [theA1, theB1] and [theA2, theB2] meet: IntType_Touch when
//! an end point of either lies within theTolerance of the other segment
//! (overlapping collinear segments included), IntType_Cross when they cross
//! properly, IntType_None otherwise. A segment of zero length is a point and
//! can only touch.
Pellisk_EXPORT IntType SegSeg(const gp_Pnt2d& theA1,
                              const gp_Pnt2d& theB1,
                              const gp_Pnt2d& theA2,
                              const gp_Pnt2d& theB2,
                              double          theTolerance);
} // namespace Intersect
} // namespace Planora

#endif
