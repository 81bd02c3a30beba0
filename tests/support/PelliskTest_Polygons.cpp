#include <PelliskTest_Polygons.hxx>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <utility>

namespace
{
using Cell   = std::pair<int, int>;
using Vertex = std::pair<int, int>;

double orient(const gp_Pnt2d& theA, const gp_Pnt2d& theB, const gp_Pnt2d& theC)
{
  return (theB.X() - theA.X()) * (theC.Y() - theA.Y()) - (theB.Y() - theA.Y()) * (theC.X() - theA.X());
}

// True when the open segments cross at one point inside both.
bool crossProperly(const gp_Pnt2d& theA1, const gp_Pnt2d& theB1, const gp_Pnt2d& theA2, const gp_Pnt2d& theB2)
{
  const double aD1 = orient(theA2, theB2, theA1), aD2 = orient(theA2, theB2, theB1);
  const double aD3 = orient(theA1, theB1, theA2), aD4 = orient(theA1, theB1, theB2);
  return ((aD1 > 0 && aD2 < 0) || (aD1 < 0 && aD2 > 0)) && ((aD3 > 0 && aD4 < 0) || (aD3 < 0 && aD4 > 0));
}

// Counter-clockwise outline of the cells, or an empty list when the outline is
// not one simple loop (a hole, or cells meeting at a corner only).
std::vector<Vertex> outline(const std::set<Cell>& theCells)
{
  std::map<Vertex, Vertex> aNext;
  for (const Cell& aCell : theCells)
  {
    const int    x = aCell.first, y = aCell.second;
    const Vertex aCorners[4] = {{x, y}, {x + 1, y}, {x + 1, y + 1}, {x, y + 1}};
    const Cell   aAcross[4]  = {{x, y - 1}, {x + 1, y}, {x, y + 1}, {x - 1, y}};
    for (int k = 0; k < 4; ++k)
    {
      if (theCells.count(aAcross[k]) == 0 && !aNext.emplace(aCorners[k], aCorners[(k + 1) % 4]).second)
      {
        return {};
      }
    }
  }
  std::vector<Vertex> aLoop;
  Vertex              aCurrent = aNext.begin()->first;
  do
  {
    aLoop.push_back(aCurrent);
    aCurrent = aNext[aCurrent];
  } while (aCurrent != aLoop.front() && aLoop.size() <= aNext.size());
  return aLoop.size() == aNext.size() ? aLoop : std::vector<Vertex>();
}

// True when thePoint lies strictly inside the polygon (points on the outline may answer either way).
bool isInside(const std::vector<gp_Pnt2d>& thePolygon, const gp_Pnt2d& thePoint)
{
  bool isIn = false;
  for (size_t i = 0, j = thePolygon.size() - 1; i < thePolygon.size(); j = i++)
  {
    const gp_Pnt2d &a = thePolygon[i], &b = thePolygon[j];
    isIn ^= (a.Y() > thePoint.Y()) != (b.Y() > thePoint.Y()) &&
            thePoint.X() < (b.X() - a.X()) * (thePoint.Y() - a.Y()) / (b.Y() - a.Y()) + a.X();
  }
  return isIn;
}
} // namespace

std::vector<gp_Pnt2d> PelliskTest_Polygons::Star(std::mt19937& theGenerator, int theNbPoints)
{
  std::uniform_real_distribution<double> anAngle(0.0, 2.0 * M_PI), aRadius(0.2, 1.0);
  std::vector<double>                    anAngles(static_cast<size_t>(theNbPoints));
  std::generate(anAngles.begin(), anAngles.end(), [&] { return anAngle(theGenerator); });
  std::sort(anAngles.begin(), anAngles.end());
  std::vector<gp_Pnt2d> aResult;
  for (const double a : anAngles)
  {
    aResult.emplace_back(gp_XY(std::cos(a), std::sin(a)) * aRadius(theGenerator));
  }
  // The origin sees every point only when no angular gap reaches a half
  // turn; points closer than the triangulation's length tolerance are
  // avoided too. Otherwise the polygon is drawn again.
  for (size_t i = 0; i < aResult.size(); ++i)
  {
    const double aGap = i + 1 < anAngles.size() ? anAngles[i + 1] - anAngles[i]
                                                : anAngles.front() + 2.0 * M_PI - anAngles.back();
    if (aGap > 0.9 * M_PI || aResult[i].SquareDistance(aResult[(i + 1) % aResult.size()]) < 1e-5)
    {
      return Star(theGenerator, theNbPoints);
    }
  }
  return aResult;
}

std::vector<gp_Pnt2d> PelliskTest_Polygons::Rectilinear(std::mt19937& theGenerator,
                                                        int           theGridSize,
                                                        int           theNbCells,
                                                        bool          theIsKeepingCollinear)
{
  std::uniform_int_distribution<int> aCoord(0, theGridSize - 1), aSide(0, 3);
  std::set<Cell>                     aCells = {{aCoord(theGenerator), aCoord(theGenerator)}};
  for (int anAttempt = 0; anAttempt < 50 * theNbCells && static_cast<int>(aCells.size()) < theNbCells;
       ++anAttempt)
  {
    auto aFrom = aCells.begin();
    std::advance(aFrom, std::uniform_int_distribution<size_t>(0, aCells.size() - 1)(theGenerator));
    const int  dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
    const int  s = aSide(theGenerator);
    const Cell aNew(aFrom->first + dx[s], aFrom->second + dy[s]);
    // A cell that would make a hole or touch the others at a corner only is taken back.
    if (aNew.first >= 0 && aNew.second >= 0 && aNew.first < theGridSize && aNew.second < theGridSize &&
        aCells.insert(aNew).second && outline(aCells).empty())
    {
      aCells.erase(aNew);
    }
  }
  const std::vector<Vertex> aLoop = outline(aCells);
  std::vector<gp_Pnt2d>     aResult;
  for (size_t i = 0; i < aLoop.size(); ++i)
  {
    const Vertex &aPrev = aLoop[(i + aLoop.size() - 1) % aLoop.size()],
                 &aNext = aLoop[(i + 1) % aLoop.size()];
    if (theIsKeepingCollinear || (aPrev.first != aNext.first && aPrev.second != aNext.second))
    {
      aResult.emplace_back(aLoop[i].first, aLoop[i].second);
    }
  }
  return aResult;
}

double PelliskTest_Polygons::SignedArea(const std::vector<gp_Pnt2d>& thePolygon)
{
  double aTwice = 0.0;
  for (size_t i = 0; i < thePolygon.size(); ++i)
  {
    aTwice += thePolygon[i].XY().Crossed(thePolygon[(i + 1) % thePolygon.size()].XY());
  }
  return 0.5 * aTwice;
}

std::string PelliskTest_Polygons::CheckTriangulation(const std::vector<gp_Pnt2d>&      thePolygon,
                                                     const std::vector<std::uint64_t>& theTriangles,
                                                     double                            theMinArea)
{
  std::ostringstream aProblems;
  const size_t       n = thePolygon.size();
  if (n < 3)
  {
    return "fewer than three points\n";
  }
  if (theTriangles.size() != 3 * (n - 2))
  {
    aProblems << theTriangles.size() / 3 << " triangles for " << n << " points\n";
  }
  const double aSign = SignedArea(thePolygon) < 0.0 ? -1.0 : 1.0;
  double       aSum  = 0.0;
  for (size_t t = 0; 3 * t + 2 < theTriangles.size(); ++t)
  {
    const std::uint64_t* c = &theTriangles[3 * t];
    if (c[0] >= n || c[1] >= n || c[2] >= n || c[0] == c[1] || c[1] == c[2] || c[0] == c[2])
    {
      aProblems << "triangle " << t << " has invalid corners\n";
      return aProblems.str();
    }
    const gp_Pnt2d &a = thePolygon[c[0]], &b = thePolygon[c[1]], &d = thePolygon[c[2]];
    const double    anArea = 0.5 * orient(a, b, d) * aSign;
    aSum += anArea;
    if (anArea <= theMinArea)
    {
      aProblems << "triangle " << t << " (" << c[0] << ", " << c[1] << ", " << c[2] << ") has area "
                << anArea * aSign << "\n";
    }
    if (!isInside(thePolygon, gp_Pnt2d((a.XY() + b.XY() + d.XY()) / 3.0)))
    {
      aProblems << "triangle " << t << " lies outside\n";
    }
    for (size_t s = 0; s < 3; ++s)
    {
      const gp_Pnt2d &p = thePolygon[c[s]], &q = thePolygon[c[(s + 1) % 3]];
      for (size_t e = 0; e < n; ++e)
      {
        if (crossProperly(p, q, thePolygon[e], thePolygon[(e + 1) % n]))
        {
          aProblems << "triangle " << t << " crosses polygon edge " << e << "\n";
        }
      }
      for (size_t u = t + 1; 3 * u + 2 < theTriangles.size(); ++u)
      {
        for (size_t r = 0; r < 3; ++r)
        {
          if (crossProperly(p, q, thePolygon[theTriangles[3 * u + r] % n],
                            thePolygon[theTriangles[3 * u + (r + 1) % 3] % n]))
          {
            aProblems << "triangles " << t << " and " << u << " cross\n";
          }
        }
      }
    }
  }
  const double anArea = std::abs(SignedArea(thePolygon));
  if (std::abs(aSum - anArea) > 1e-9 * std::max(1.0, anArea))
  {
    aProblems << "triangle areas sum to " << aSum << " instead of " << anArea << "\n";
  }
  return aProblems.str();
}
