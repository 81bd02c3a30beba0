#include <PelliskTest_Meshes.hxx>

#include <Poly_Triangle.hxx>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace
{
using TriangleList = std::vector<std::array<int, 3>>;

// Square grid of one box side: axis theAxis at theLevel, oriented along +axis
// (theIsHigh) or -axis, the side spanning theMin..theMax on the other axes.
void addSide(std::vector<gp_Pnt>& theNodes,
             TriangleList&        theTriangles,
             const gp_XYZ&        theMin,
             const gp_XYZ&        theMax,
             int                  theAxis,
             bool                 theIsHigh,
             int                  theNbDivisions)
{
  const int u = (theAxis + 1) % 3, v = (theAxis + 2) % 3, n = theNbDivisions;
  const int aFirst = static_cast<int>(theNodes.size()) + 1;
  for (int j = 0; j <= n; ++j)
  {
    for (int i = 0; i <= n; ++i)
    {
      gp_XYZ p;
      p.SetCoord(theAxis + 1, theIsHigh ? theMax.Coord(theAxis + 1) : theMin.Coord(theAxis + 1));
      p.SetCoord(u + 1, theMin.Coord(u + 1) + (theMax.Coord(u + 1) - theMin.Coord(u + 1)) * i / n);
      p.SetCoord(v + 1, theMin.Coord(v + 1) + (theMax.Coord(v + 1) - theMin.Coord(v + 1)) * j / n);
      theNodes.emplace_back(p);
    }
  }
  for (int j = 0; j < n; ++j)
  {
    for (int i = 0; i < n; ++i)
    {
      const int a = aFirst + j * (n + 1) + i, b = a + 1, d = a + n + 1, c = d + 1;
      // u x v points along +axis: counter-clockwise in (u, v) faces the high side.
      if (theIsHigh)
      {
        theTriangles.push_back({a, b, c});
        theTriangles.push_back({a, c, d});
      }
      else
      {
        theTriangles.push_back({a, c, b});
        theTriangles.push_back({a, d, c});
      }
    }
  }
}

std::array<long long, 3> cellOf(const gp_Pnt& thePoint, double theSize)
{
  return {static_cast<long long>(std::floor(thePoint.X() / theSize)),
          static_cast<long long>(std::floor(thePoint.Y() / theSize)),
          static_cast<long long>(std::floor(thePoint.Z() / theSize))};
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
    aResult->SetTriangle(static_cast<int>(t) + 1,
                         Poly_Triangle(theTriangles[t][0], theTriangles[t][1], theTriangles[t][2]));
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
    int a, b, c;
    theMesh->Triangle(t).Get(a, b, c);
    aResult.push_back({a, b, c});
  }
  return aResult;
}

Handle(Poly_Triangulation)
PelliskTest_Meshes::Box(const gp_Pnt& theMin, const gp_Pnt& theMax, int theNbDivisions)
{
  std::vector<gp_Pnt> aNodes;
  TriangleList        aTriangles;
  for (int anAxis = 0; anAxis < 3; ++anAxis)
  {
    for (const bool isHigh : {false, true})
    {
      addSide(aNodes, aTriangles, theMin.XYZ(), theMax.XYZ(), anAxis, isHigh, std::max(1, theNbDivisions));
    }
  }
  const double aSize = theMin.Distance(theMax) / std::max(1, theNbDivisions);
  return Welded(Make(aNodes, aTriangles), 1e-6 * aSize);
}

Handle(Poly_Triangulation)
PelliskTest_Meshes::UVSphere(const gp_Pnt& theCentre, double theRadius, int theNbU, int theNbV)
{
  std::vector<gp_Pnt> aNodes = {theCentre.XYZ() + gp_XYZ(0, 0, theRadius)};
  for (int v = 1; v < theNbV; ++v)
  {
    const double aTheta = M_PI * v / theNbV;
    for (int u = 0; u < theNbU; ++u)
    {
      const double aPhi = 2.0 * M_PI * u / theNbU;
      aNodes.emplace_back(theCentre.XYZ() + gp_XYZ(std::sin(aTheta) * std::cos(aPhi),
                                                   std::sin(aTheta) * std::sin(aPhi), std::cos(aTheta)) *
                                                theRadius);
    }
  }
  aNodes.emplace_back(theCentre.XYZ() - gp_XYZ(0, 0, theRadius));
  const int    aSouth = static_cast<int>(aNodes.size());
  const auto   ring   = [&](int v, int u) { return 2 + (v - 1) * theNbU + (u % theNbU); };
  TriangleList aTriangles;
  for (int u = 0; u < theNbU; ++u)
  {
    aTriangles.push_back({1, ring(1, u), ring(1, u + 1)});
    for (int v = 1; v + 1 < theNbV; ++v)
    {
      aTriangles.push_back({ring(v, u), ring(v + 1, u), ring(v + 1, u + 1)});
      aTriangles.push_back({ring(v, u), ring(v + 1, u + 1), ring(v, u + 1)});
    }
    aTriangles.push_back({aSouth, ring(theNbV - 1, u + 1), ring(theNbV - 1, u)});
  }
  return Make(aNodes, aTriangles);
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
      const auto aKey = std::make_pair(std::min(a, b), std::max(a, b));
      const auto aIt  = aMiddles.find(aKey);
      if (aIt != aMiddles.end())
      {
        return aIt->second;
      }
      aUnit.push_back(((aUnit[a] + aUnit[b]) * 0.5).Normalized());
      return aMiddles[aKey] = static_cast<int>(aUnit.size()) - 1;
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
  const std::vector<gp_Pnt>                            aNodes = Nodes(theMesh);
  const double                                         aCell  = std::max(theTolerance, 1e-300);
  std::map<std::array<long long, 3>, std::vector<int>> aGrid;
  std::vector<gp_Pnt>                                  aKept;
  std::vector<int>                                     aNewIndex(aNodes.size() + 1, 0);
  for (size_t i = 0; i < aNodes.size(); ++i)
  {
    const std::array<long long, 3> c = cellOf(aNodes[i], aCell);
    for (long long dx = -1; dx <= 1 && aNewIndex[i + 1] == 0; ++dx)
    {
      for (long long dy = -1; dy <= 1 && aNewIndex[i + 1] == 0; ++dy)
      {
        for (long long dz = -1; dz <= 1 && aNewIndex[i + 1] == 0; ++dz)
        {
          const auto aIt = aGrid.find({c[0] + dx, c[1] + dy, c[2] + dz});
          for (size_t k = 0; aIt != aGrid.end() && k < aIt->second.size() && aNewIndex[i + 1] == 0; ++k)
          {
            if (aKept[static_cast<size_t>(aIt->second[k]) - 1].Distance(aNodes[i]) <= theTolerance)
            {
              aNewIndex[i + 1] = aIt->second[k];
            }
          }
        }
      }
    }
    if (aNewIndex[i + 1] == 0)
    {
      aKept.push_back(aNodes[i]);
      aNewIndex[i + 1] = static_cast<int>(aKept.size());
      aGrid[c].push_back(aNewIndex[i + 1]);
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
  const auto   aAll = Triangles(theMesh);
  for (size_t t = 0; t < aAll.size(); ++t)
  {
    if (std::find(theTriangles.begin(), theTriangles.end(), static_cast<int>(t) + 1) == theTriangles.end())
    {
      aKept.push_back(aAll[t]);
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
  const Handle(Poly_Triangulation) aPlate = Box(gp_Pnt(0, 0, 0), gp_Pnt(2, 1, 0.04), 4);
  std::vector<gp_Pnt>              aNodes;
  TriangleList                     aTriangles;
  for (const auto& f : Triangles(aPlate))
  {
    const int aFirst = static_cast<int>(aNodes.size()) + 1;
    for (const int aCorner : f)
    {
      aNodes.push_back(aPlate->Node(aCorner));
    }
    aTriangles.push_back({aFirst, aFirst + 1, aFirst + 2});
  }
  return Make(aNodes, aTriangles);
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
