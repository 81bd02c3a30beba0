#include <Mesh.hxx>

#include <Algo_Voxelization.hxx>
#include <HalfEdgeAlgo_SquashVertices.hxx>
#include <Pelk_API.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace
{
// Half-edge faults of theMesh, then whether its faces (split around a node) are manifold, oriented, closed.
std::string problems(const Handle(HalfEdge_Mesh)& theMesh, bool theIsClosed = true)
{
  std::string                     aProblems = PelliskTest_Mesh::Check(theMesh);
  std::vector<gp_Pnt>             aNodes;
  std::vector<std::array<int, 3>> aTriangles;
  for (int aNode = 0; aNode < theMesh->NbNodes(); ++aNode)
  {
    aNodes.push_back(theMesh->Node(aNode));
  }
  for (int aFace = 0; aFace < theMesh->NbFaces(); ++aFace)
  {
    std::list<int> aList;
    theMesh->Face(aFace, aList);
    const std::vector<int> aCorners(aList.begin(), aList.end());
    aNodes.push_back(aNodes[size_t(aCorners[0])]); // where the added node lies does not matter here
    for (size_t i = 0; i < aCorners.size(); ++i)
    {
      aTriangles.push_back({int(aNodes.size()), aCorners[i] + 1, aCorners[(i + 1) % aCorners.size()] + 1});
    }
  }
  const auto aCheck = aTriangles.empty()
                          ? PelliskTest_MeshCheck::Result()
                          : PelliskTest_MeshCheck::Check(PelliskTest_Meshes::Make(aNodes, aTriangles));
  for (const auto* aProperty :
       {&aCheck.EdgeManifold, &aCheck.VertexManifold, &aCheck.Oriented, &aCheck.Closed})
  {
    const bool isWanted = !aTriangles.empty() && (theIsClosed || aProperty != &aCheck.Closed);
    aProblems += isWanted && !aProperty->IsOk() ? aProperty->FirstFault + "\n" : "";
  }
  return aProblems;
}

// 8 x 3 quadrilaterals numbered as PelliskTest_Meshes::Torus(8, 3): its tube is three edges round.
Handle(HalfEdge_Mesh) quadTorus()
{
  Handle(HalfEdge_Mesh) aTorus = new HalfEdge_Mesh();
  for (int k = 0; k < 24; ++k)
  {
    const double u = M_PI * (k % 8) / 4.0, v = 2.0 * M_PI * (k / 8) / 3.0, r = 2.0 + 0.5 * std::cos(v);
    aTorus->AddNode(gp_Pnt(r * std::cos(u), r * std::sin(u), 0.5 * std::sin(v)));
  }
  for (int k = 0; k < 24; ++k)
  {
    const int i = k % 8, j = k / 8, i1 = (i + 1) % 8, j1 = (j + 1) % 3;
    aTorus->AddFace({8 * j + i, 8 * j + i1, 8 * j1 + i1, 8 * j1 + i}, true);
  }
  return aTorus;
}

bool collapse(const Handle(HalfEdge_Mesh)& theMesh, const std::set<int>& theEdges, bool theWithGC = true)
{
  Handle(HalfEdgeAlgo_CollapseEdges) aCollapse = new HalfEdgeAlgo_CollapseEdges();
  aCollapse->SetEdges(theEdges);
  return theMesh->Execute(aCollapse, theWithGC);
}

bool squash(const Handle(HalfEdge_Mesh)& theMesh, int theRemoved, int theKept)
{
  Handle(HalfEdgeAlgo_SquashVertices) aSquash = new HalfEdgeAlgo_SquashVertices();
  aSquash->SetNodes(theRemoved, theKept);
  return theMesh->Execute(aSquash, false);
}

std::vector<std::array<double, 3>> places(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::vector<std::array<double, 3>> aPlaces;
  for (int aNode = 0; aNode < theMesh->NbNodes(); ++aNode)
  {
    aPlaces.push_back({theMesh->Node(aNode).X(), theMesh->Node(aNode).Y(), theMesh->Node(aNode).Z()});
  }
  return aPlaces;
}

double length(const Handle(HalfEdge_Mesh)& theMesh, int theEdge)
{
  int anEnds[2];
  theMesh->Edge(theEdge, anEnds);
  return theMesh->Node(anEnds[0]).Distance(theMesh->Node(anEnds[1]));
}
} // namespace

TEST(HalfEdgeAlgo_CollapseEdgesTest, GroupsShrinkToTheirCentroidAndSquashesKeepTheKeptNode)
{
  const Handle(HalfEdge_Mesh) aSphere = new HalfEdge_Mesh(PelliskTest_Meshes::IcoSphere(gp_Pnt(), 1.0, 1));
  const auto                  aBefore = places(aSphere);
  std::vector<int>            aRing, aFar; // the neighbours of node 0, the others
  for (int aNode = 1; aNode < aSphere->NbNodes(); ++aNode)
  {
    (aSphere->EdgeIndex(0, aNode) >= 0 ? aRing : aFar).push_back(aNode);
  }
  EXPECT_TRUE(collapse(aSphere, {}, false));
  for (const auto& [aRemoved, aKept] : {std::make_pair(0, aFar[0]), {0, 0}, {-1, 0}, {0, 1000}})
  {
    EXPECT_FALSE(squash(aSphere, aRemoved, aKept)) << aRemoved << " into " << aKept;
  }
  EXPECT_EQ(places(aSphere), aBefore) << "nothing changes";
  // Two edges from node 0 to nodes that are no neighbours: one node at the average of the three.
  const int    a = aRing[0], b = *std::find_if(aRing.begin() + 1, aRing.end(),
                                               [&](int c) { return aSphere->EdgeIndex(a, c) < 0; });
  const gp_Pnt aCentroid((aSphere->Node(0).XYZ() + aSphere->Node(a).XYZ() + aSphere->Node(b).XYZ()) / 3.0);
  const std::set<int> anEdges = {aSphere->EdgeIndex(0, a), aSphere->EdgeIndex(0, b)};
  EXPECT_TRUE(collapse(aSphere, anEdges, false));
  const auto aCollapsed = places(aSphere);
  EXPECT_TRUE(collapse(aSphere, {-1, *anEdges.begin(), aSphere->NbEdges()}, false)) << "deleted or missing";
  EXPECT_EQ(places(aSphere), aCollapsed);
  // Then a squash of a neighbour of the far node into it.
  const int aNear =
      *std::find_if(aFar.begin(), aFar.end(), [&](int c) { return aSphere->EdgeIndex(aFar[0], c) >= 0; });
  const gp_Pnt aKeptPlace = aSphere->Node(aFar[0]);
  EXPECT_TRUE(squash(aSphere, aNear, aFar[0]));
  EXPECT_FALSE(squash(aSphere, aNear, aFar[0])) << "a deleted node";
  EXPECT_TRUE(aSphere->Node(aFar[0]).IsEqual(aKeptPlace, 0.0));
  aSphere->GarbageCollection();
  EXPECT_EQ(aSphere->NbNodes(), 39);
  EXPECT_EQ(aSphere->NbFaces(), 74);
  EXPECT_GE(aSphere->NodeIndex(aCentroid), 0);
  EXPECT_EQ(problems(aSphere), "");
}

TEST(HalfEdgeAlgo_CollapseEdgesTest, RefusedCollapsesAreRepairedWhereTheSurfaceAllowsIt)
{
  // An octahedron whose face (0, 2, 4) has a node 6 inside (valence 3); then one whose
  // face (2, 4, 6) has a further node 7 inside (a pocket of five faces).
  const std::vector<gp_Pnt>       anOcta  = {gp_Pnt(1, 0, 0),       gp_Pnt(-1, 0, 0),     gp_Pnt(0, 1, 0),
                                             gp_Pnt(0, -1, 0),      gp_Pnt(0, 0, 1),      gp_Pnt(0, 0, -1),
                                             gp_Pnt(0.3, 0.3, 0.3), gp_Pnt(0.1, 0.4, 0.4)};
  std::vector<std::array<int, 3>> aSplit  = {{3, 2, 5}, {2, 4, 5}, {4, 1, 5}, {3, 1, 6}, {2, 3, 6},
                                             {4, 2, 6}, {1, 4, 6}, {1, 3, 7}, {5, 1, 7}, {3, 5, 7}};
  std::vector<std::array<int, 3>> aPocket = aSplit;
  aPocket.back()                          = {3, 5, 8};
  aPocket.insert(aPocket.end(), {{5, 7, 8}, {7, 3, 8}});
  const auto aPillow =
      PelliskTest_Meshes::Make({gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0)}, {{1, 2, 3}, {1, 3, 2}});
  const auto aTetra = PelliskTest_Meshes::Tetrahedron(), aGrid = PelliskTest_Meshes::Grid(2, 2);
  const auto aValence3 = PelliskTest_Meshes::Make({anOcta.begin(), anOcta.end() - 1}, aSplit);
  struct Case
  {
    const char*           Name;
    Handle(HalfEdge_Mesh) Mesh;
    std::vector<int>      Ends; // node pairs of the edges to collapse
    bool                  IsDone, IsClosed;
    int                   NbFaces; // after collapsing
  };
  const std::vector<Case> aCases = {
      {"pillow", new HalfEdge_Mesh(aPillow), {0, 1}, true, true, 0},
      {"tetrahedron", new HalfEdge_Mesh(aTetra), {0, 1}, true, true, 2},
      {"all of a tetrahedron",
       new HalfEdge_Mesh(aTetra),
       {0, 1, 0, 2, 0, 3, 1, 2, 1, 3, 2, 3},
       true,
       true,
       0},
      {"valence-3 corner", new HalfEdge_Mesh(aValence3), {0, 2}, true, true, 6},
      {"pocket", new HalfEdge_Mesh(PelliskTest_Meshes::Make(anOcta, aPocket)), {0, 2}, true, true, 6},
      {"triangle tube", new HalfEdge_Mesh(PelliskTest_Meshes::Torus(8, 3)), {0, 8}, true, true, 46},
      {"quadrilateral tube", quadTorus(), {0, 8}, true, true, 23},
      {"boundary edge", new HalfEdge_Mesh(aGrid), {0, 1}, true, false, 7},
      {"edge between boundary nodes", new HalfEdge_Mesh(aGrid), {1, 5}, false, false, 8}};
  for (const Case& aCase : aCases)
  {
    SCOPED_TRACE(aCase.Name);
    std::set<int> anEdges;
    for (size_t i = 0; i < aCase.Ends.size(); i += 2)
    {
      anEdges.insert(aCase.Mesh->EdgeIndex(aCase.Ends[i], aCase.Ends[i + 1]));
    }
    EXPECT_EQ(collapse(aCase.Mesh, anEdges), aCase.IsDone);
    EXPECT_EQ(aCase.Mesh->NbFaces(), aCase.NbFaces);
    EXPECT_EQ(problems(aCase.Mesh, aCase.IsClosed), "");
  }
}

// Five batches on real skins, polygons or triangles: a random twentieth of the edges, or after moving the
// nodes by up to 0.4 cell along each axis, the edges under 0.6 cell. A refusal leaves an edge of length 0.
TEST(HalfEdgeAlgo_CollapseEdgesTest, RealSkinsStayManifoldAndRarelyRefuseACollapse)
{
  for (const auto& [aName, isTriangulated, isJittered] : {std::make_tuple("spider_assimp.stl", false, false),
                                                          {"spider_assimp.stl", true, false},
                                                          {"teapot_utah.stl", true, true},
                                                          {"boeing_cgal.stl", false, true}})
  {
    SCOPED_TRACE(std::string(aName) + (isTriangulated ? " triangles" : "") + (isJittered ? " moved" : ""));
    // The Cartesian skin (polygons) with cells of 1/32 of the bounding cube.
    Pelk_API anAPI;
    ASSERT_TRUE(anAPI.ImportSTL(PelliskTest_Data::File(aName).c_str()));
    const Bnd_Box                 aCube     = Algo_Voxelization::BoundingCube(anAPI.DirtyMesh());
    const double                  aCell     = (aCube.CornerMax().X() - aCube.CornerMin().X()) / 32.0;
    Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(anAPI.Notifier());
    aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
    aSettings->SetTessellationAlgorithm("Algo_CartesianWrapping");
    aSettings->SetCellSize(aCell);
    ASSERT_TRUE(anAPI.PerformWrapping(aSettings));
    const Handle(HalfEdge_Mesh) aSkin = anAPI.GetResultMesh();
    std::mt19937                aRandom(7);
    Mesh&                       aStorage = PelliskTest_Mesh::Storage(aSkin);
    if (isTriangulated)
    {
      aStorage.triangulate();
    }
    for (const Mesh::VertexHandle aNode : aStorage.vertices())
    {
      for (int i = 0; i < 3 && isJittered; ++i)
      {
        aStorage.point(aNode)[i] += (double(aRandom()) / aRandom.max() - 0.5) * 0.8 * aCell;
      }
    }
    int aNbAsked = 0, aNbRefused = 0;
    for (int aBatch = 0; aBatch < 5; ++aBatch)
    {
      std::set<int> anEdges;
      for (int anEdge = 0; anEdge < aSkin->NbEdges(); ++anEdge)
      {
        if (isJittered ? length(aSkin, anEdge) < 0.6 * aCell : aRandom() % 20 == 0)
        {
          anEdges.insert(anEdge);
        }
      }
      aNbAsked += static_cast<int>(anEdges.size());
      collapse(aSkin, anEdges);
      for (int anEdge = 0; anEdge < aSkin->NbEdges(); ++anEdge)
      {
        aNbRefused += length(aSkin, anEdge) == 0.0 ? 1 : 0;
      }
      ASSERT_EQ(problems(aSkin), "") << "batch " << aBatch;
    }
    EXPECT_GT(aNbAsked, 150);
    EXPECT_LE(aNbRefused, aNbAsked / 100) << aNbRefused << " refused of " << aNbAsked;
  }
}
