#include <Planora_Intersect.hxx>

#include <Planora_SqDistance.hxx>

namespace
{
// Twice the signed area of (theA, theB, theC): positive when theC is left of theA -> theB.
double orient(const gp_Pnt2d& theA, const gp_Pnt2d& theB, const gp_Pnt2d& theC)
{
  return (theB.X() - theA.X()) * (theC.Y() - theA.Y()) - (theB.Y() - theA.Y()) * (theC.X() - theA.X());
}
} // namespace

bool Planora::Intersect::PntSeg(const gp_Pnt2d& theA,
                                const gp_Pnt2d& theB,
                                const gp_Pnt2d& thePoint,
                                double          theTolerance)
{
  return SqDistance::PntToSeg(thePoint, theA, theB) <= theTolerance * theTolerance;
}

Planora::IntType Planora::Intersect::SegSeg(const gp_Pnt2d& theA1,
                                            const gp_Pnt2d& theB1,
                                            const gp_Pnt2d& theA2,
                                            const gp_Pnt2d& theB2,
                                            double          theTolerance)
{
  // Contacts at end points first: they decide every near-degenerate case, so
  // the sign tests below only see end points clear of the other segment.
  if (PntSeg(theA2, theB2, theA1, theTolerance) || PntSeg(theA2, theB2, theB1, theTolerance) ||
      PntSeg(theA1, theB1, theA2, theTolerance) || PntSeg(theA1, theB1, theB2, theTolerance))
  {
    return IntType_Touch;
  }
  const double aD1 = orient(theA2, theB2, theA1), aD2 = orient(theA2, theB2, theB1);
  const double aD3 = orient(theA1, theB1, theA2), aD4 = orient(theA1, theB1, theB2);
  const bool   aSplit1 = (aD1 > 0.0 && aD2 < 0.0) || (aD1 < 0.0 && aD2 > 0.0);
  const bool   aSplit2 = (aD3 > 0.0 && aD4 < 0.0) || (aD3 < 0.0 && aD4 > 0.0);
  return aSplit1 && aSplit2 ? IntType_Cross : IntType_None;
}
