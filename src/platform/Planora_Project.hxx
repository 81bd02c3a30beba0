#ifndef Planora_Project_HeaderFile
#define Planora_Project_HeaderFile

#include <Pellisk_Export.hxx>

#include <gp_Pln.hxx>
#include <gp_Pnt.hxx>
#include <gp_Pnt2d.hxx>

namespace Planora
{
//! Projections of points onto simple primitives.
namespace Project
{
//! The point of the segment [theA, theB] closest to thePoint; a segment of
//! zero length gives theA.
Pellisk_EXPORT gp_Pnt PntOnSeg(const gp_Pnt& thePoint, const gp_Pnt& theA, const gp_Pnt& theB);

//! Writes into theResult the coordinates of thePoint along thePlane's X and Y
//! directions, measured from the plane's origin (the point is projected
//! along the plane's normal).
Pellisk_EXPORT void PntOnPlane(const gp_Pln& thePlane, const gp_Pnt& thePoint, gp_Pnt2d& theResult);
} // namespace Project
} // namespace Planora

#endif
