#include <Algo_TriangulatePolygon3d.hxx>

#include <Algo_TriangulatePolygon2d.hxx>
#include <Planora_Project.hxx>

#include <gp_Dir.hxx>
#include <gp_Pln.hxx>
#include <gp_Pnt2d.hxx>

#include <algorithm>
#include <cmath>

namespace
{
// Squared diagonal of the box of the points; 0 when a coordinate is not a finite number.
double squareBoxDiagonal(const std::vector<gp_Pnt>& thePoints)
{
  gp_XYZ aMin = thePoints.front().XYZ(), aMax = aMin;
  for (const gp_Pnt& aPoint : thePoints)
  {
    for (int anAxis = 1; anAxis <= 3; ++anAxis)
    {
      const double aCoord = aPoint.Coord(anAxis);
      if (!std::isfinite(aCoord))
      {
        return 0.0;
      }
      aMin.SetCoord(anAxis, std::min(aMin.Coord(anAxis), aCoord));
      aMax.SetCoord(anAxis, std::max(aMax.Coord(anAxis), aCoord));
    }
  }
  return (aMax - aMin).SquareModulus();
}
} // namespace

Algo_TriangulatePolygon3d::Algo_TriangulatePolygon3d()
    : myIsDone(false)
{
}

void Algo_TriangulatePolygon3d::GetTriangleNodes(size_t  theIndex,
                                                 size_t& theFirst,
                                                 size_t& theSecond,
                                                 size_t& theThird) const
{
  if (theIndex >= NbTriangles())
  {
    return;
  }
  theFirst  = static_cast<size_t>(myTriangles[3 * theIndex]);
  theSecond = static_cast<size_t>(myTriangles[3 * theIndex + 1]);
  theThird  = static_cast<size_t>(myTriangles[3 * theIndex + 2]);
}

void Algo_TriangulatePolygon3d::Perform()
{
  myIsDone = false;
  myTriangles.clear();
  const size_t aNbPoints = myPoints.size();
  if (aNbPoints == 3)
  {
    myTriangles = {0, 1, 2};
    myIsDone    = true;
    return;
  }
  if (aNbPoints < 3)
  {
    return;
  }
  // The first corner whose sides are not parallel gives the plane; with a
  // corner that is reflex the normal points the other way, which only mirrors
  // the planar coordinates: the triangulation does not depend on orientation.
  // Flatness is judged relative to the polygon's size (a squared area).
  const double aSqSize = squareBoxDiagonal(myPoints);
  for (size_t i = 1; i + 1 < aNbPoints; ++i)
  {
    const gp_XYZ aCross =
        (myPoints[i].XYZ() - myPoints[i - 1].XYZ()).Crossed(myPoints[i + 1].XYZ() - myPoints[i - 1].XYZ());
    if (!(aCross.SquareModulus() > 1e-14 * aSqSize * aSqSize))
    {
      continue;
    }
    const gp_Pln          aPlane(myPoints[i], gp_Dir(aCross));
    std::vector<gp_Pnt2d> aPlanar(aNbPoints);
    for (size_t k = 0; k < aNbPoints; ++k)
    {
      Planora::Project::PntOnPlane(aPlane, myPoints[k], aPlanar[k]);
    }
    Algo_TriangulatePolygon2d aTriangulator;
    aTriangulator.SetPoints(aPlanar);
    aTriangulator.Perform();
    if (aTriangulator.IsDone())
    {
      myTriangles = aTriangulator.Triangles();
      myIsDone    = true;
    }
    return;
  }
}
