#ifndef Trivex_TestMeshes_HeaderFile
#define Trivex_TestMeshes_HeaderFile

// Triangle sets and brute-force helpers shared by the Trivex tests.

#include <Trivex_TriangleData.hxx>
#include <Trivex_TriangleSet.hxx>

#include <Poly_Triangulation.hxx>

#include <cmath>
#include <random>
#include <vector>

namespace TrivexTest
{
//! A closed torus around Z, outward oriented.
inline Handle(Poly_Triangulation) Torus(double theR, double theRr, int theNu, int theNv)
{
  Handle(Poly_Triangulation) aMesh = new Poly_Triangulation(theNu * theNv, 2 * theNu * theNv, Standard_False);
  for (int i = 0; i < theNu; ++i)
  {
    for (int j = 0; j < theNv; ++j)
    {
      const double aU = 2.0 * M_PI * i / theNu, aV = 2.0 * M_PI * j / theNv;
      aMesh->SetNode(1 + i * theNv + j,
                     gp_Pnt((theR + theRr * std::cos(aV)) * std::cos(aU),
                            (theR + theRr * std::cos(aV)) * std::sin(aU), theRr * std::sin(aV)));
    }
  }
  int aT = 1;
  for (int i = 0; i < theNu; ++i)
  {
    for (int j = 0; j < theNv; ++j)
    {
      const int a = 1 + i * theNv + j, b = 1 + ((i + 1) % theNu) * theNv + j;
      const int c = 1 + ((i + 1) % theNu) * theNv + (j + 1) % theNv, d = 1 + i * theNv + (j + 1) % theNv;
      aMesh->SetTriangle(aT++, Poly_Triangle(a, b, c));
      aMesh->SetTriangle(aT++, Poly_Triangle(a, c, d));
    }
  }
  return aMesh;
}

//! The records of a triangulation, numbered as a set numbers them.
inline std::vector<Trivex::TriangleData> Records(const Handle(Poly_Triangulation)& theMesh)
{
  std::vector<Trivex::TriangleData> aRecords;
  for (int t = 1; t <= theMesh->NbTriangles(); ++t)
  {
    int a, b, c;
    theMesh->Triangle(t).Get(a, b, c);
    aRecords.emplace_back(theMesh->Node(a), theMesh->Node(b), theMesh->Node(c), t);
  }
  return aRecords;
}

//! A random coordinate: half of them on a lattice of step 0.5 in [0, 4], so that
//! corners, sides and planes coincide exactly and boxes touch exactly.
inline double Coord(std::mt19937& theGen, bool theIsLattice)
{
  if (theIsLattice)
  {
    return 0.5 * static_cast<int>(theGen() % 9);
  }
  return 4.0 * (theGen() / 4294967296.0);
}

inline gp_Pnt Point(std::mt19937& theGen, bool theIsLattice)
{
  const double aX = Coord(theGen, theIsLattice), aY = Coord(theGen, theIsLattice);
  return gp_Pnt(aX, aY, Coord(theGen, theIsLattice));
}

//! A soup in [0, 4]^3: lattice triangles (shared corners and sides, coplanar
//! pairs, triangles in the lattice planes), small random ones, degenerate ones
//! (repeated or collinear corners) and fans sharing a corner.
inline std::vector<Trivex::TriangleData> Soup(std::mt19937& theGen, int theNb)
{
  std::vector<Trivex::TriangleData> aSoup;
  while (static_cast<int>(aSoup.size()) < theNb)
  {
    const int anIndex = static_cast<int>(aSoup.size());
    switch (theGen() % 5)
    {
    case 0:
      aSoup.emplace_back(Point(theGen, true), Point(theGen, true), Point(theGen, true), anIndex);
      break;
    case 1:
    {
      const gp_Pnt aP = Point(theGen, false);
      const double aS = 0.05 + 0.5 * (theGen() / 4294967296.0);
      aSoup.emplace_back(aP, aP.Translated(gp_Vec(aS, 0.1 * aS, 0.3 * aS)),
                         aP.Translated(gp_Vec(0.2 * aS, aS, -0.4 * aS)), anIndex);
      break;
    }
    case 2:
    {
      // Degenerate: a repeated corner, or three collinear corners.
      const gp_Pnt aP = Point(theGen, theGen() % 2 == 0), aQ = Point(theGen, true);
      if (theGen() % 2 == 0)
      {
        aSoup.emplace_back(aP, aP, aQ, anIndex);
      }
      else
      {
        aSoup.emplace_back(aP, gp_Pnt(0.5 * (aP.XYZ() + aQ.XYZ())), aQ, anIndex);
      }
      break;
    }
    case 3:
    {
      // A lattice triangle lying in a plane z = const.
      const double aZ = 0.5 * static_cast<int>(theGen() % 9);
      gp_Pnt       aP[3];
      for (gp_Pnt& aCorner : aP)
      {
        aCorner = Point(theGen, true);
        aCorner.SetZ(aZ);
      }
      aSoup.emplace_back(aP[0], aP[1], aP[2], anIndex);
      break;
    }
    default:
    {
      // Copies of an earlier triangle's side with a new third corner.
      if (aSoup.empty())
      {
        break;
      }
      const Trivex::TriangleData& aBase = aSoup[theGen() % aSoup.size()];
      aSoup.emplace_back(aBase.Point(1), aBase.Point(0), Point(theGen, theGen() % 2 == 0), anIndex);
      break;
    }
    }
  }
  return aSoup;
}

//! A built set over theTriangles.
inline Handle(Trivex::TriangleSet) Built(const std::vector<Trivex::TriangleData>& theTriangles,
                                         int                                      theNbThreads = 1)
{
  Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(theTriangles);
  aSet->SetNbBuilderThreads(theNbThreads);
  aSet->InitBuilder();
  aSet->Build();
  return aSet;
}

//! One built set per triangle: a query on each is the exhaustive answer that
//! the hierarchy's pruning must reproduce.
inline std::vector<Handle(Trivex::TriangleSet)> Singles(const std::vector<Trivex::TriangleData>& theTriangles)
{
  std::vector<Handle(Trivex::TriangleSet)> aSets;
  for (const Trivex::TriangleData& aTri : theTriangles)
  {
    aSets.push_back(Built({aTri}));
  }
  return aSets;
}
} // namespace TrivexTest

#endif
