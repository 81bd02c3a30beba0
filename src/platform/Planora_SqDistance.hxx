#ifndef Planora_SqDistance_HeaderFile
#define Planora_SqDistance_HeaderFile

#include <Pellisk_Export.hxx>

#include <gp_Pnt2d.hxx>

namespace Planora
{
//! Squared distances between planar primitives.
namespace SqDistance
{
//! Squared distance from thePoint to the segment [theA, theB]; a segment of
//! zero length is its end point.
Pellisk_EXPORT double PntToSeg(const gp_Pnt2d& thePoint, const gp_Pnt2d& theA, const gp_Pnt2d& theB);
} // namespace SqDistance
} // namespace Planora

#endif
