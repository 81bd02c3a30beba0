#include <PelliskTest_Meshes.hxx>

#include <Poly_Triangle.hxx>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

using namespace PelliskTest_Meshes;

namespace
{
using TriangleList = std::vector<std::array<int, 3>>;

// Appends theNbI x theNbJ quads, node (i, j) at thePoint(i, j), each split in
// two triangles turning from i towards j (the other way when reversed).
template <typename Point_t>
void addSheet(std::vector<gp_Pnt>& theNodes,
              TriangleList&        theTriangles,
              int                  theNbI,
              int                  theNbJ,
              Point_t              thePoint,
              bool                 theIsReversed = false)
{
  const int aFirst = static_cast<int>(theNodes.size()) + 1;
  for (int j = 0; j <= theNbJ; ++j)
  {
    for (int i = 0; i <= theNbI; ++i)
    {
      theNodes.emplace_back(thePoint(i, j));
    }
  }
  for (int j = 0; j < theNbJ; ++j)
  {
    for (int i = 0; i < theNbI; ++i)
    {
      const int a = aFirst + j * (theNbI + 1) + i, c = a + theNbI + 1;
      for (std::array<int, 3> f : {std::array<int, 3>{a, a + 1, c + 1}, {a, c + 1, c}})
      {
        theTriangles.push_back(theIsReversed ? std::array<int, 3>{f[0], f[2], f[1]} : f);
      }
    }
  }
}
} // namespace

Handle(Poly_Triangulation) PelliskTest_Meshes::Make(const std::vector<gp_Pnt>& theNodes,
                                                    const TriangleList&        theTriangles)
{
  Handle(Poly_Triangulation) aResult = new Poly_Triangulation(
      static_cast<int>(theNodes.size()), static_cast<int>(theTriangles.size()), Standard_False);
  for (size_t i = 0; i < theNodes.size(); ++i)
  {
    aResult->SetNode(static_cast<int>(i) + 1, theNodes[i]);
  }
  for (size_t t = 0; t < theTriangles.size(); ++t)
  {
    const std::array<int, 3>& f = theTriangles[t];
    aResult->SetTriangle(static_cast<int>(t) + 1, Poly_Triangle(f[0], f[1], f[2]));
  }
  return aResult;
}

std::vector<gp_Pnt> PelliskTest_Meshes::Nodes(const Handle(Poly_Triangulation)& theMesh)
{
  std::vector<gp_Pnt> aResult;
  for (int i = 1; !theMesh.IsNull() && i <= theMesh->NbNodes(); ++i)
  {
    aResult.push_back(theMesh->Node(i));
  }
  return aResult;
}

TriangleList PelliskTest_Meshes::Triangles(const Handle(Poly_Triangulation)& theMesh)
{
  TriangleList aResult;
  for (int t = 1; !theMesh.IsNull() && t <= theMesh->NbTriangles(); ++t)
  {
    std::array<int, 3> f;
    theMesh->Triangle(t).Get(f[0], f[1], f[2]);
    aResult.push_back(f);
  }
  return aResult;
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Tetrahedron()
{
  return Make({gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0), gp_Pnt(0, 0, 1)},
              {{1, 3, 2}, {1, 2, 4}, {2, 3, 4}, {1, 4, 3}});
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Grid(int theNbX, int theNbY)
{
  std::vector<gp_Pnt> aNodes;
  TriangleList        aTriangles;
  addSheet(aNodes, aTriangles, theNbX, theNbY, [](int i, int j) { return gp_Pnt(i, j, 0.0); });
  return Make(aNodes, aTriangles);
}

Handle(Poly_Triangulation)
PelliskTest_Meshes::Box(const gp_Pnt& theMin, const gp_Pnt& theMax, int theNbDivisions)
{
  const int           n = std::max(1, theNbDivisions);
  std::vector<gp_Pnt> aNodes;
  TriangleList        aTriangles;
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    // u x v points along +axis: counter-clockwise in (u, v) faces the high side.
    const int u = anAxis % 3 + 1, v = (anAxis + 1) % 3 + 1;
    for (const bool isHigh : {false, true})
    {
      const auto aPoint = [&](int i, int j)
      {
        gp_XYZ p;
        p.SetCoord(anAxis, (isHigh ? theMax : theMin).Coord(anAxis));
        p.SetCoord(u, theMin.Coord(u) + (theMax.Coord(u) - theMin.Coord(u)) * i / n);
        p.SetCoord(v, theMin.Coord(v) + (theMax.Coord(v) - theMin.Coord(v)) * j / n);
        return gp_Pnt(p);
      };
      addSheet(aNodes, aTriangles, n, n, aPoint, !isHigh);
    }
  }
  return Welded(Make(aNodes, aTriangles), 1e-6 * theMin.Distance(theMax) / n);
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Torus(int theNbU, int theNbV)
{
  std::vector<gp_Pnt> aNodes;
  TriangleList        aTriangles;
  // The seams wrap to the first row and column, giving the same points to weld.
  const auto aPoint = [&](int u, int v)
  {
    const double aU = 2.0 * M_PI * (u % theNbU) / theNbU, aV = 2.0 * M_PI * (v % theNbV) / theNbV;
    const double aR = 2.0 + 0.5 * std::cos(aV);
    return gp_Pnt(aR * std::cos(aU), aR * std::sin(aU), 0.5 * std::sin(aV));
  };
  addSheet(aNodes, aTriangles, theNbU, theNbV, aPoint);
  return Welded(Make(aNodes, aTriangles), 1e-9);
}

Handle(Poly_Triangulation)
PelliskTest_Meshes::IcoSphere(const gp_Pnt& theCentre, double theRadius, int theNbSubdivisions)
{
  const double        t     = (1.0 + std::sqrt(5.0)) / 2.0;
  std::vector<gp_XYZ> aUnit = {{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
                               {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
  TriangleList aFaces = {{0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
                         {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
                         {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
  for (gp_XYZ& p : aUnit)
  {
    p.Normalize();
  }
  for (int aLevel = 0; aLevel < theNbSubdivisions; ++aLevel)
  {
    std::map<std::pair<int, int>, int> aMiddles;
    const auto                         middle = [&](int a, int b)
    {
      const auto aFound = aMiddles.emplace(std::minmax(a, b), static_cast<int>(aUnit.size()));
      if (aFound.second)
      {
        aUnit.push_back(((aUnit[a] + aUnit[b]) * 0.5).Normalized());
      }
      return aFound.first->second;
    };
    TriangleList aFiner;
    for (const auto& f : aFaces)
    {
      const int ab = middle(f[0], f[1]), bc = middle(f[1], f[2]), ca = middle(f[2], f[0]);
      aFiner.insert(aFiner.end(), {{f[0], ab, ca}, {f[1], bc, ab}, {f[2], ca, bc}, {ab, bc, ca}});
    }
    aFaces.swap(aFiner);
  }
  std::vector<gp_Pnt> aNodes;
  for (const gp_XYZ& p : aUnit)
  {
    aNodes.emplace_back(theCentre.XYZ() + p * theRadius);
  }
  for (auto& f : aFaces)
  {
    f = {f[0] + 1, f[1] + 1, f[2] + 1};
  }
  return Make(aNodes, aFaces);
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Soup(const Handle(Poly_Triangulation)& theTriangulation)
{
  std::vector<gp_Pnt> aNodes;
  TriangleList        aTriangles;
  for (const auto& f : Triangles(theTriangulation))
  {
    const int aFirst = static_cast<int>(aNodes.size()) + 1;
    for (const int aCorner : f)
    {
      aNodes.push_back(theTriangulation->Node(aCorner));
    }
    aTriangles.push_back({aFirst, aFirst + 1, aFirst + 2});
  }
  return Make(aNodes, aTriangles);
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Append(const Handle(Poly_Triangulation)& theFirst,
                                                      const Handle(Poly_Triangulation)& theSecond)
{
  std::vector<gp_Pnt> aNodes     = Nodes(theFirst);
  TriangleList        aTriangles = Triangles(theFirst);
  const int           aShift     = static_cast<int>(aNodes.size());
  for (const gp_Pnt& p : Nodes(theSecond))
  {
    aNodes.push_back(p);
  }
  for (const auto& f : Triangles(theSecond))
  {
    aTriangles.push_back({f[0] + aShift, f[1] + aShift, f[2] + aShift});
  }
  return Make(aNodes, aTriangles);
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Transformed(const Handle(Poly_Triangulation)& theMesh,
                                                           const gp_Trsf&                    theMove)
{
  std::vector<gp_Pnt> aNodes = Nodes(theMesh);
  for (gp_Pnt& p : aNodes)
  {
    p.Transform(theMove);
  }
  const Handle(Poly_Triangulation) aResult = Make(aNodes, Triangles(theMesh));
  return theMove.IsNegative() ? Reversed(aResult) : aResult;
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Reversed(const Handle(Poly_Triangulation)& theMesh)
{
  TriangleList aTriangles = Triangles(theMesh);
  for (auto& f : aTriangles)
  {
    std::swap(f[1], f[2]);
  }
  return Make(Nodes(theMesh), aTriangles);
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Welded(const Handle(Poly_Triangulation)& theMesh,
                                                      double                            theTolerance)
{
  const std::vector<gp_Pnt>  aNodes = Nodes(theMesh);
  std::vector<gp_Pnt>        aKept;
  std::vector<int>           aNewIndex(aNodes.size() + 1, 0);
  std::multimap<double, int> aKeptByX; // only nodes close in x can be close
  for (size_t i = 0; i < aNodes.size(); ++i)
  {
    const double x = aNodes[i].X();
    for (auto anIt = aKeptByX.lower_bound(x - theTolerance);
         anIt != aKeptByX.end() && anIt->first <= x + theTolerance && aNewIndex[i + 1] == 0; ++anIt)
    {
      aNewIndex[i + 1] = aKept[anIt->second - 1].Distance(aNodes[i]) <= theTolerance ? anIt->second : 0;
    }
    if (aNewIndex[i + 1] == 0)
    {
      aKept.push_back(aNodes[i]);
      aNewIndex[i + 1] = static_cast<int>(aKept.size());
      aKeptByX.emplace(x, aNewIndex[i + 1]);
    }
  }
  TriangleList aTriangles;
  for (const auto& f : Triangles(theMesh))
  {
    const std::array<int, 3> g = {aNewIndex[f[0]], aNewIndex[f[1]], aNewIndex[f[2]]};
    if (g[0] != g[1] && g[1] != g[2] && g[0] != g[2])
    {
      aTriangles.push_back(g);
    }
  }
  return Make(aKept, aTriangles);
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Without(const Handle(Poly_Triangulation)& theMesh,
                                                       const std::vector<int>&           theTriangles)
{
  TriangleList aKept;
  const auto   anAll = Triangles(theMesh);
  for (size_t t = 0; t < anAll.size(); ++t)
  {
    if (std::find(theTriangles.begin(), theTriangles.end(), static_cast<int>(t) + 1) == theTriangles.end())
    {
      aKept.push_back(anAll[t]);
    }
  }
  return Make(Nodes(theMesh), aKept);
}

Handle(Poly_Triangulation) PelliskTest_Meshes::OverlappingBoxes()
{
  return Append(Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1)), Box(gp_Pnt(0.5, 0.5, 0.5), gp_Pnt(1.5, 1.5, 1.5)));
}

Handle(Poly_Triangulation) PelliskTest_Meshes::HoledSphereWithShiftedPatch()
{
  const Handle(Poly_Triangulation) aSphere = IcoSphere(gp_Pnt(0, 0, 0), 1.0, 2);
  std::vector<int>                 aHoles, aPatch;
  for (int t = 1; t <= aSphere->NbTriangles(); ++t)
  {
    int a, b, c;
    aSphere->Triangle(t).Get(a, b, c);
    const gp_XYZ aCentre = (aSphere->Node(a).XYZ() + aSphere->Node(b).XYZ() + aSphere->Node(c).XYZ()) / 3.0;
    if (aCentre.Z() > 0.85 || aCentre.X() > 0.9 || (aCentre.Y() < -0.5 && t % 3 == 0))
    {
      aHoles.push_back(t);
    }
    else if (aCentre.Y() < 0.7)
    {
      aPatch.push_back(t);
    }
  }
  gp_Trsf aShift;
  aShift.SetTranslation(gp_Vec(0.05, 0.05, 0.0));
  return Append(Without(aSphere, aHoles), Transformed(Without(aSphere, aPatch), aShift));
}

Handle(Poly_Triangulation) PelliskTest_Meshes::PlateInPieces()
{
  return Soup(Box(gp_Pnt(0, 0, 0), gp_Pnt(2, 1, 0.04), 4));
}

Handle(Poly_Triangulation) PelliskTest_Meshes::FarApartObjects()
{
  return Append(Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1)), IcoSphere(gp_Pnt(20, 0, 0), 0.5, 2));
}

Handle(Poly_Triangulation) PelliskTest_Meshes::HollowBox()
{
  return Append(Box(gp_Pnt(-1, -1, -1), gp_Pnt(1, 1, 1)),
                Reversed(Box(gp_Pnt(-0.5, -0.5, -0.5), gp_Pnt(0.5, 0.5, 0.5))));
}
