#include <PelliskTest_Mesh.hxx>

#include <Poly_Triangle.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <list>
#include <sstream>
#include <vector>

namespace
{
Handle(Poly_Triangulation) make(const std::vector<gp_Pnt>&             theNodes,
                                const std::vector<std::array<int, 3>>& theTris)
{
  Handle(Poly_Triangulation) aResult = new Poly_Triangulation(
      static_cast<int>(theNodes.size()), static_cast<int>(theTris.size()), Standard_False);
  for (size_t i = 0; i < theNodes.size(); ++i)
  {
    aResult->SetNode(static_cast<int>(i) + 1, theNodes[i]);
  }
  for (size_t i = 0; i < theTris.size(); ++i)
  {
    aResult->SetTriangle(static_cast<int>(i) + 1, Poly_Triangle(theTris[i][0], theTris[i][1], theTris[i][2]));
  }
  return aResult;
}

// Counts the positions from begin to end, checking each one.
template <typename Check_t>
int walk(HalfEdge_Mesh::Iterator theIt, const HalfEdge_Mesh::Iterator& theEnd, Check_t theCheck)
{
  int aCount = 0;
  for (; theIt != theEnd && aCount <= 100000000; ++theIt, ++aCount)
  {
    theCheck(theIt.Index(), *theIt);
  }
  return aCount;
}
} // namespace

Handle(Poly_Triangulation) PelliskTest_Mesh::Tetrahedron()
{
  return make({gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0), gp_Pnt(0, 0, 1)},
              {{1, 3, 2}, {1, 2, 4}, {2, 3, 4}, {1, 4, 3}});
}

Handle(Poly_Triangulation) PelliskTest_Mesh::Pillow()
{
  return make({gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0)}, {{1, 2, 3}, {1, 3, 2}});
}

Handle(Poly_Triangulation) PelliskTest_Mesh::Grid(int theNbX, int theNbY)
{
  std::vector<gp_Pnt>             aNodes;
  std::vector<std::array<int, 3>> aTris;
  for (int j = 0; j <= theNbY; ++j)
  {
    for (int i = 0; i <= theNbX; ++i)
    {
      aNodes.emplace_back(i, j, 0.0);
    }
  }
  for (int j = 0; j < theNbY; ++j)
  {
    for (int i = 0; i < theNbX; ++i)
    {
      const int a = j * (theNbX + 1) + i + 1;
      const int b = a + 1;
      const int c = a + theNbX + 1;
      const int d = c + 1;
      aTris.push_back({a, b, d});
      aTris.push_back({a, d, c});
    }
  }
  return make(aNodes, aTris);
}

Handle(Poly_Triangulation) PelliskTest_Mesh::Torus(int theNbU, int theNbV)
{
  std::vector<gp_Pnt>             aNodes;
  std::vector<std::array<int, 3>> aTris;
  const double                    aTwoPi = 2.0 * M_PI;
  for (int u = 0; u < theNbU; ++u)
  {
    for (int v = 0; v < theNbV; ++v)
    {
      const double aU = aTwoPi * u / theNbU;
      const double aV = aTwoPi * v / theNbV;
      const double aR = 2.0 + 0.5 * std::cos(aV);
      aNodes.emplace_back(aR * std::cos(aU), aR * std::sin(aU), 0.5 * std::sin(aV));
    }
  }
  const auto node = [&](int u, int v) { return (u % theNbU) * theNbV + (v % theNbV) + 1; };
  for (int u = 0; u < theNbU; ++u)
  {
    for (int v = 0; v < theNbV; ++v)
    {
      aTris.push_back({node(u, v), node(u + 1, v), node(u + 1, v + 1)});
      aTris.push_back({node(u, v), node(u + 1, v + 1), node(u, v + 1)});
    }
  }
  return make(aNodes, aTris);
}

Handle(Poly_Triangulation) PelliskTest_Mesh::Soup(const Handle(Poly_Triangulation)& theTriangulation)
{
  std::vector<gp_Pnt>             aNodes;
  std::vector<std::array<int, 3>> aTris;
  for (int t = 1; t <= theTriangulation->NbTriangles(); ++t)
  {
    int a, b, c;
    theTriangulation->Triangle(t).Get(a, b, c);
    const int aFirst = static_cast<int>(aNodes.size()) + 1;
    for (const int aCorner : {a, b, c})
    {
      aNodes.push_back(theTriangulation->Node(aCorner));
    }
    aTris.push_back({aFirst, aFirst + 1, aFirst + 2});
  }
  return make(aNodes, aTris);
}

int PelliskTest_Mesh::NbLiveFaces(const Handle(HalfEdge_Mesh)& theMesh)
{
  int aCount = 0;
  for (int f = 0; f < theMesh->NbFaces(); ++f)
  {
    std::list<int> aNodes;
    theMesh->Face(f, aNodes);
    aCount += aNodes.empty() ? 0 : 1;
  }
  return aCount;
}

int PelliskTest_Mesh::NbLiveNodes(const Handle(HalfEdge_Mesh)& theMesh)
{
  return walk(theMesh->VerticesBegin(), theMesh->VerticesEnd(), [](int, const std::list<int>&) {});
}

std::string PelliskTest_Mesh::Check(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::ostringstream aProblems;
  const int          aNbNodes = walk(theMesh->VerticesBegin(), theMesh->VerticesEnd(),
                                     [&](int theNode, const std::list<int>& theValue)
                                     {
                              if (theValue != std::list<int>{theNode})
                              {
                                aProblems << "node " << theNode << " dereferences wrongly\n";
                              }
                              const int aFound = theMesh->NodeIndex(theMesh->Node(theNode));
                              if (aFound < 0 || theMesh->Node(aFound).Distance(theMesh->Node(theNode)) > 2e-7)
                              {
                                aProblems << "node " << theNode << " is not found at its point\n";
                              }
                            });
  const int          aNbFaces =
      walk(theMesh->FacesBegin(), theMesh->FacesEnd(),
           [&](int theFace, const std::list<int>& theCorners)
           {
             if (theCorners.size() < 3)
             {
               aProblems << "face " << theFace << " has " << theCorners.size() << " corners\n";
               return;
             }
             auto aPrev = std::prev(theCorners.end());
             for (auto aCorner = theCorners.begin(); aCorner != theCorners.end(); aPrev = aCorner++)
             {
               std::list<int> aFaces;
               theMesh->FacesForEdge(theMesh->EdgeIndex(*aPrev, *aCorner), aFaces);
               if (std::find(aFaces.begin(), aFaces.end(), theFace) == aFaces.end())
               {
                 aProblems << "face " << theFace << " is not beside its edge " << *aPrev << "-" << *aCorner
                           << "\n";
               }
             }
           });
  walk(theMesh->EdgesBegin(), theMesh->EdgesEnd(),
       [&](int theEdge, const std::list<int>& theEnds)
       {
         std::list<int> aFaces;
         theMesh->FacesForEdge(theEdge, aFaces);
         if (theEnds.size() != 2 || aFaces.empty() ||
             theMesh->EdgeIndex(theEnds.front(), theEnds.back()) != theEdge)
         {
           aProblems << "edge " << theEdge << " is dangling or not found from its ends\n";
         }
       });
  if (aNbFaces != NbLiveFaces(theMesh))
  {
    aProblems << "face iteration visits " << aNbFaces << " faces of " << NbLiveFaces(theMesh) << "\n";
  }
  if (aNbNodes > theMesh->NbNodes())
  {
    aProblems << "node iteration visits more than all nodes\n";
  }
  return aProblems.str();
}
