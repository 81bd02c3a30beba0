#include <PelliskTest_Meshes.hxx>

#include <Poly_Triangle.hxx>

#include <algorithm>
#include <cmath>
#include <map>

using namespace PelliskTest_Meshes;

namespace
{
using TriangleList = std::vector<std::array<int, 3>>;

// Nodes made once per key, numbered from 1 in the order of first use, and triangles over them.
struct Lattice
{
  int Node(const std::array<int, 3>& theKey, const gp_XYZ& thePoint)
  {
    const auto aFound = Numbers.emplace(theKey, static_cast<int>(Nodes.size()) + 1);
    Nodes.resize(Numbers.size(), gp_Pnt(thePoint));
    return aFound.first->second;
  }

  // theNbI x theNbJ quads over the nodes theNode(i, j) (made row by row first),
  // each split in two triangles turning from i towards j (the other way when reversed).
  template <typename Node_t>
  void AddSheet(int theNbI, int theNbJ, Node_t theNode, bool theIsReversed = false)
  {
    for (int k = 0; k < (theNbI + 1) * (theNbJ + 1); ++k)
    {
      theNode(k % (theNbI + 1), k / (theNbI + 1));
    }
    for (int k = 0; k < theNbI * theNbJ; ++k)
    {
      const int i = k % theNbI, j = k / theNbI;
      const int a = theNode(i, j), b = theNode(i + 1, j), c = theNode(i, j + 1), d = theNode(i + 1, j + 1);
      Triangles.push_back(theIsReversed ? std::array<int, 3>{a, d, b} : std::array<int, 3>{a, b, d});
      Triangles.push_back(theIsReversed ? std::array<int, 3>{a, c, d} : std::array<int, 3>{a, d, c});
    }
  }

  std::vector<gp_Pnt>               Nodes;
  std::map<std::array<int, 3>, int> Numbers;
  TriangleList                      Triangles;
};
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
  TriangleList aResult(theMesh.IsNull() ? 0 : theMesh->NbTriangles());
  for (size_t t = 0; t < aResult.size(); ++t)
  {
    theMesh->Triangle(static_cast<int>(t) + 1).Get(aResult[t][0], aResult[t][1], aResult[t][2]);
  }
  return aResult;
}

std::vector<double> PelliskTest_Meshes::SharpestAngles(const Handle(Poly_Triangulation)& theMesh)
{
  const std::vector<gp_Pnt> aNodes = Nodes(theMesh);
  std::vector<double>       anAngles;
  for (const std::array<int, 3>& aT : Triangles(theMesh))
  {
    double aSharpest = 180.0;
    for (int aCorner = 0; aCorner < 3; ++aCorner)
    {
      const gp_Pnt& aP = aNodes[static_cast<size_t>(aT[aCorner] - 1)];
      const gp_Vec  aToNext(aP, aNodes[static_cast<size_t>(aT[(aCorner + 1) % 3] - 1)]);
      const gp_Vec  aToPrev(aP, aNodes[static_cast<size_t>(aT[(aCorner + 2) % 3] - 1)]);
      aSharpest = std::min(aSharpest, aToNext.Angle(aToPrev) * 180.0 / M_PI);
    }
    anAngles.push_back(aSharpest);
  }
  return anAngles;
}

double PelliskTest_Meshes::SharpestAngle(const Handle(Poly_Triangulation)& theMesh)
{
  const std::vector<double> anAngles = SharpestAngles(theMesh);
  return anAngles.empty() ? 180.0 : *std::min_element(anAngles.begin(), anAngles.end());
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Tetrahedron()
{
  return Make({gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0), gp_Pnt(0, 0, 1)},
              {{1, 3, 2}, {1, 2, 4}, {2, 3, 4}, {1, 4, 3}});
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Grid(int theNbX, int theNbY)
{
  Lattice aGrid;
  aGrid.AddSheet(theNbX, theNbY, [&](int i, int j) { return aGrid.Node({i, j, 0}, gp_XYZ(i, j, 0)); });
  return Make(aGrid.Nodes, aGrid.Triangles);
}

Handle(Poly_Triangulation)
PelliskTest_Meshes::Box(const gp_Pnt& theMin, const gp_Pnt& theMax, int theNbDivisions)
{
  const int n = std::max(1, theNbDivisions);
  Lattice   aBox; // keys: lattice coordinates from 0 to n
  for (int anAxis = 0; anAxis < 3; ++anAxis)
  {
    for (const int aSide : {0, n})
    {
      // u x v points along +axis: counter-clockwise in (u, v) faces the high side.
      const auto aNode = [&](int i, int j)
      {
        std::array<int, 3> aKey;
        aKey[anAxis] = aSide, aKey[(anAxis + 1) % 3] = i, aKey[(anAxis + 2) % 3] = j;
        gp_XYZ p =
            theMin.XYZ() + (theMax.XYZ() - theMin.XYZ()).Multiplied(gp_XYZ(aKey[0], aKey[1], aKey[2])) / n;
        p.SetCoord(anAxis + 1, (aSide == 0 ? theMin : theMax).Coord(anAxis + 1));
        return aBox.Node(aKey, p);
      };
      aBox.AddSheet(n, n, aNode, aSide == 0);
    }
  }
  return Make(aBox.Nodes, aBox.Triangles);
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Torus(int theNbU, int theNbV)
{
  Lattice    aTorus;
  const auto aNode = [&](int u, int v)
  {
    const double aU = 2.0 * M_PI * (u % theNbU) / theNbU, aV = 2.0 * M_PI * (v % theNbV) / theNbV;
    const double aR = 2.0 + 0.5 * std::cos(aV);
    return aTorus.Node({u % theNbU, v % theNbV, 0},
                       gp_XYZ(aR * std::cos(aU), aR * std::sin(aU), 0.5 * std::sin(aV)));
  };
  aTorus.AddSheet(theNbU, theNbV, aNode);
  return Make(aTorus.Nodes, aTorus.Triangles);
}

Handle(Poly_Triangulation)
PelliskTest_Meshes::IcoSphere(const gp_Pnt& theCentre, double theRadius, int theNbSubdivisions)
{
  const double t = (1.0 + std::sqrt(5.0)) / 2.0;
  Lattice      aSphere; // unit vectors; corners keyed by their number, middles by their ends and level
  for (const gp_XYZ& p : {gp_XYZ(-1, t, 0), gp_XYZ(1, t, 0), gp_XYZ(-1, -t, 0), gp_XYZ(1, -t, 0),
                          gp_XYZ(0, -1, t), gp_XYZ(0, 1, t), gp_XYZ(0, -1, -t), gp_XYZ(0, 1, -t),
                          gp_XYZ(t, 0, -1), gp_XYZ(t, 0, 1), gp_XYZ(-t, 0, -1), gp_XYZ(-t, 0, 1)})
  {
    aSphere.Node({static_cast<int>(aSphere.Nodes.size()), -1, -1}, p.Normalized());
  }
  aSphere.Triangles = {{1, 12, 6},  {1, 6, 2},  {1, 2, 8},  {1, 8, 11}, {1, 11, 12}, {2, 6, 10}, {6, 12, 5},
                       {12, 11, 3}, {11, 8, 7}, {8, 2, 9},  {4, 10, 5}, {4, 5, 3},   {4, 3, 7},  {4, 7, 9},
                       {4, 9, 10},  {5, 10, 6}, {3, 5, 12}, {7, 3, 11}, {9, 7, 8},   {10, 9, 2}};
  for (int aLevel = 0; aLevel < theNbSubdivisions; ++aLevel)
  {
    const auto middle = [&](int a, int b)
    {
      const gp_XYZ aMiddle = (aSphere.Nodes[a - 1].XYZ() + aSphere.Nodes[b - 1].XYZ()).Normalized();
      return aSphere.Node({std::min(a, b), std::max(a, b), aLevel}, aMiddle);
    };
    TriangleList aFiner;
    for (const auto& f : aSphere.Triangles)
    {
      const int ab = middle(f[0], f[1]), bc = middle(f[1], f[2]), ca = middle(f[2], f[0]);
      aFiner.insert(aFiner.end(), {{f[0], ab, ca}, {f[1], bc, ab}, {f[2], ca, bc}, {ab, bc, ca}});
    }
    aSphere.Triangles.swap(aFiner);
  }
  for (gp_Pnt& p : aSphere.Nodes)
  {
    p.SetXYZ(theCentre.XYZ() + p.XYZ() * theRadius);
  }
  return Make(aSphere.Nodes, aSphere.Triangles);
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Soup(const Handle(Poly_Triangulation)& theTriangulation)
{
  std::vector<gp_Pnt> aNodes;
  TriangleList        aTriangles;
  for (const auto& f : Triangles(theTriangulation))
  {
    const int n = static_cast<int>(aNodes.size());
    aTriangles.push_back({n + 1, n + 2, n + 3});
    aNodes.insert(aNodes.end(),
                  {theTriangulation->Node(f[0]), theTriangulation->Node(f[1]), theTriangulation->Node(f[2])});
  }
  return Make(aNodes, aTriangles);
}

Handle(Poly_Triangulation) PelliskTest_Meshes::Append(const Handle(Poly_Triangulation)& theFirst,
                                                      const Handle(Poly_Triangulation)& theSecond)
{
  std::vector<gp_Pnt> aNodes = Nodes(theFirst), aSecond = Nodes(theSecond);
  TriangleList        aTriangles = Triangles(theFirst);
  const int           aShift     = static_cast<int>(aNodes.size());
  aNodes.insert(aNodes.end(), aSecond.begin(), aSecond.end());
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

Handle(Poly_Triangulation) PelliskTest_Meshes::Without(const Handle(Poly_Triangulation)& theMesh,
                                                       const std::vector<int>&           theTriangles)
{
  TriangleList aKept = Triangles(theMesh);
  for (auto t = theTriangles.rbegin(); t != theTriangles.rend(); ++t)
  {
    aKept.erase(aKept.begin() + (*t - 1));
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
    const bool   isHole  = aCentre.Z() > 0.85 || aCentre.X() > 0.9 || (aCentre.Y() < -0.5 && t % 3 == 0);
    if (isHole || aCentre.Y() < 0.7)
    {
      (isHole ? aHoles : aPatch).push_back(t);
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
