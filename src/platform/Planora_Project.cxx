#include <Planora_Project.hxx>

#include <algorithm>

gp_Pnt Planora::Project::PntOnSeg(const gp_Pnt& thePoint, const gp_Pnt& theA, const gp_Pnt& theB)
{
  const gp_XYZ anAB  = theB.XYZ() - theA.XYZ();
  const double aLen2 = anAB.SquareModulus();
  if (!(aLen2 > 0.0))
  {
    return theA;
  }
  const double aT = std::min(1.0, std::max(0.0, (thePoint.XYZ() - theA.XYZ()).Dot(anAB) / aLen2));
  return gp_Pnt(theA.XYZ() + anAB * aT);
}

void Planora::Project::PntOnPlane(const gp_Pln& thePlane, const gp_Pnt& thePoint, gp_Pnt2d& theResult)
{
  const gp_Ax3& aPos = thePlane.Position();
  const gp_XYZ  aV   = thePoint.XYZ() - aPos.Location().XYZ();
  theResult.SetCoord(aV.Dot(aPos.XDirection().XYZ()), aV.Dot(aPos.YDirection().XYZ()));
}
