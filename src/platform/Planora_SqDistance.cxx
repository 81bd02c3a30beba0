#include <Planora_SqDistance.hxx>

#include <algorithm>

double Planora::SqDistance::PntToSeg(const gp_Pnt2d& thePoint, const gp_Pnt2d& theA, const gp_Pnt2d& theB)
{
  const gp_XY  anAB  = theB.XY() - theA.XY();
  const gp_XY  anAP  = thePoint.XY() - theA.XY();
  const double aLen2 = anAB.SquareModulus();
  if (!(aLen2 > 0.0))
  {
    return anAP.SquareModulus();
  }
  const double aT = std::min(1.0, std::max(0.0, anAP.Dot(anAB) / aLen2));
  return (anAP - anAB * aT).SquareModulus();
}
