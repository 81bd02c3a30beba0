#include <Mesh.hxx>

#include <HalfEdgeAlgo_AspectRatioCriterion.hxx>
#include <HalfEdgeAlgo_CollapseFaces.hxx>
#include <HalfEdgeAlgo_EdgeLengthCriterion.hxx>
#include <HalfEdgeAlgo_FindEdges.hxx>
#include <HalfEdgeAlgo_FindFaces.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <PelliskTest_Skins.hxx>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace
{
// Half-edge faults, then the faults of the triangulation in the properties every edit must keep.
std::string problems(const Handle(HalfEdge_Mesh)& theMesh, bool theIsClosed)
{
  std::string aProblems = PelliskTest_Mesh::Check(theMesh);
  const auto  aCheck    = PelliskTest_MeshCheck::Check(*theMesh);
  for (const auto& [aName, aProperty] : aCheck.Properties())
  {
    const std::string aKey     = aName;
    const bool        isWanted = aKey == "edge-manifold" || aKey == "vertex-manifold" || aKey == "oriented" ||
                          aKey == "no degenerate face" || (aKey == "closed" && theIsClosed);
    aProblems += isWanted && !aProperty->IsOk() ? aKey + ": " + aProperty->FirstFault + "\n" : "";
  }
  return aProblems;
}

bool collapse(const Handle(HalfEdge_Mesh)& theMesh, const std::set<int>& theFaces)
{
  Handle(HalfEdgeAlgo_CollapseFaces) aCollapse = new HalfEdgeAlgo_CollapseFaces();
  aCollapse->SetFaces(theFaces);
  const bool isDone = theMesh->Execute(aCollapse, true);
  EXPECT_TRUE(aCollapse->Faces().empty());
  return isDone;
}

// The faces of aspect ratio theLimit or more.
std::set<int> narrowFaces(const Handle(HalfEdge_Mesh)& theMesh, double theLimit)
{
  Handle(HalfEdgeAlgo_FindFaces) aSearch = new HalfEdgeAlgo_FindFaces();
  aSearch->AddCriterion(new HalfEdgeAlgo_AspectRatioCriterion(theLimit, 1.7976931348623157e308));
  theMesh->Execute(aSearch, false);
  return aSearch->Found();
}

// The live faces that have both nodes as corners.
std::set<int> facesWith(const Handle(HalfEdge_Mesh)& theMesh, int theA, int theB)
{
  std::list<int> aFaces;
  std::set<int>  aBoth;
  theMesh->FacesForNode(theA, aFaces);
  for (const int aFace : aFaces)
  {
    std::list<int> aCorners;
    theMesh->Face(aFace, aCorners);
    if (std::find(aCorners.begin(), aCorners.end(), theB) != aCorners.end())
    {
      aBoth.insert(aFace);
    }
  }
  return aBoth;
}

gp_Pnt along(const gp_Pnt& theFrom, const gp_Pnt& theTo, double theParameter)
{
  return gp_Pnt(theFrom.XYZ() + theParameter * (theTo.XYZ() - theFrom.XYZ()));
}

// What a case made narrow, and where its collapse must leave a node and leave none.
struct Narrow
{
  std::set<int>       Faces;
  gp_Pnt              Expected;
  std::vector<gp_Pnt> Gone;
};
} // namespace

// Narrow faces made by moving nodes of a sphere (corners a, b, c of face 0, e a neighbour of b
// but not of a) or of a 2 x 2 grid (node j * 3 + i at (i, j)). A needle's ends merge at the
// middle of its short side, a sliver's apex lands on its foot on the base.
TEST(HalfEdgeAlgo_CollapseFacesTest, NarrowFacesFlattenOntoTheirSkeleton)
{
  typedef std::function<Narrow(const Handle(HalfEdge_Mesh)&, int, int, int, int)> Maker;
  const Maker aNeedle = [](const Handle(HalfEdge_Mesh)& m, int a, int b, int, int)
  {
    m->SetNode(a, along(m->Node(b), m->Node(a), 0.03));
    return Narrow{
        {*facesWith(m, a, b).begin()}, along(m->Node(a), m->Node(b), 0.5), {m->Node(a), m->Node(b)}};
  };
  const Maker aSliver = [](const Handle(HalfEdge_Mesh)& m, int a, int b, int c, int)
  {
    m->SetNode(c, along(along(m->Node(a), m->Node(b), 0.5), m->Node(c), 0.03));
    const gp_XYZ aBase = m->Node(b).XYZ() - m->Node(a).XYZ();
    const gp_Pnt aFoot(m->Node(a).XYZ() +
                       aBase * ((m->Node(c).XYZ() - m->Node(a).XYZ()).Dot(aBase) / aBase.SquareModulus()));
    return Narrow{{0}, aFoot, {m->Node(c)}};
  };
  struct Case
  {
    const char* Name;
    bool        IsGrid, IsDone;
    Maker       Make;
  };
  const std::vector<Case> aCases = {
      {"needle", false, true, aNeedle},
      {"two needles on an edge", false, true,
       [&](const Handle(HalfEdge_Mesh)& m, int a, int b, int c, int e)
       {
         Narrow aNarrow = aNeedle(m, a, b, c, e);
         aNarrow.Faces  = facesWith(m, a, b);
         return aNarrow;
       }},
      {"two needles on a node", false, true,
       [&](const Handle(HalfEdge_Mesh)& m, int a, int b, int c, int e)
       {
         const gp_Pnt aFirst  = along(m->Node(b), m->Node(a), 0.03),
                      aSecond = along(m->Node(b), m->Node(e), 0.03);
         Narrow aNarrow       = aNeedle(m, a, b, c, e);
         m->SetNode(e, aSecond);
         aNarrow.Faces.insert(*facesWith(m, e, b).begin());
         aNarrow.Expected = gp_Pnt((aFirst.XYZ() + aSecond.XYZ() + m->Node(b).XYZ()) / 3.0);
         aNarrow.Gone.push_back(aSecond);
         return aNarrow;
       }},
      {"sliver", false, true, aSliver},
      {"sliver on the boundary", true, true,
       [](const Handle(HalfEdge_Mesh)& m, int, int, int, int)
       {
         m->SetNode(4, gp_Pnt(0.5, 0.02, 0.0));
         return Narrow{facesWith(m, 0, 1), gp_Pnt(0.5, 0.0, 0.0), {m->Node(4)}};
       }},
      {"needle between boundary nodes", true, false,
       [](const Handle(HalfEdge_Mesh)& m, int, int, int, int)
       {
         m->SetNode(5, gp_Pnt(1.1, 0.1, 0.0));
         return Narrow{facesWith(m, 1, 2), m->Node(5), {}};
       }},
      {"empty set, missing faces", false, true, [](const Handle(HalfEdge_Mesh)& m, int a, int, int, int) {
         return Narrow{{-1, m->NbFaces()}, m->Node(a), {}};
       }}};
  for (const Case& aCase : aCases)
  {
    SCOPED_TRACE(aCase.Name);
    const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(
        aCase.IsGrid ? PelliskTest_Meshes::Grid(2, 2) : PelliskTest_Meshes::IcoSphere(gp_Pnt(), 1.0, 2));
    std::list<int> aCorners;
    aMesh->Face(0, aCorners);
    const int a = aCorners.front(), b = *std::next(aCorners.begin()), c = aCorners.back();
    int       e = 0;
    while (aMesh->EdgeIndex(b, e) < 0 || aMesh->EdgeIndex(a, e) >= 0 || e == a)
    {
      ++e;
    }
    const Narrow        aNarrow       = aCase.Make(aMesh, a, b, c, e);
    const std::set<int> aNarrowBefore = narrowFaces(aMesh, 5.0);
    const size_t        aNbInSet      = std::count_if(aNarrow.Faces.begin(), aNarrow.Faces.end(),
                                                      [&](int f) { return aNarrowBefore.count(f) != 0; });
    EXPECT_EQ(collapse(aMesh, aNarrow.Faces), aCase.IsDone);
    EXPECT_EQ(problems(aMesh, !aCase.IsGrid), "");
    EXPECT_GE(aMesh->NodeIndex(aNarrow.Expected), 0);
    for (const gp_Pnt& aGone : aNarrow.Gone)
    {
      EXPECT_LT(aMesh->NodeIndex(aGone), 0) << aGone.X() << " " << aGone.Y() << " " << aGone.Z();
    }
    // The faces of the set are gone (those made narrow by the moves may stay); a failure changes nothing.
    EXPECT_LE(narrowFaces(aMesh, 5.0).size() + (aCase.IsDone ? aNbInSet : 0), aNarrowBefore.size());
  }
}

// The narrow-face cycle of the refinement on real skins whose projection flattened faces onto the
// input's edges: tiny edges collapsed, then the faces of aspect ratio 10 or more, a few rounds.
TEST(HalfEdgeAlgo_CollapseFacesTest, RealSkinsLoseTheirNarrowFaces)
{
  for (const char* aName : {"teapot_utah.stl", "bones_cgal.stl", "spider_assimp.stl"})
  {
    SCOPED_TRACE(aName);
    std::vector<gp_Pnt> aResults[2];
    for (const unsigned int aNbThreads : {1u, 2u})
    {
      const Handle(HalfEdge_Mesh) aSkin = PelliskTest_Skins::Projected(aName, 64, 0.0, true, aNbThreads).Mesh;
      const size_t                aNbFirst  = narrowFaces(aSkin, 10.0).size();
      std::string                 aCounts   = std::to_string(aNbFirst);
      int                         aNbFailed = 0;
      for (int aRound = 0; aRound < 4; ++aRound)
      {
        Handle(HalfEdgeAlgo_FindEdges) aTiny = new HalfEdgeAlgo_FindEdges();
        aTiny->AddCriterion(new HalfEdgeAlgo_EdgeLengthCriterion(0.0, 1e-14));
        aSkin->Execute(aTiny, false);
        Handle(HalfEdgeAlgo_CollapseEdges) aCollapse = new HalfEdgeAlgo_CollapseEdges();
        aCollapse->SetEdges(aTiny->Found());
        aSkin->Execute(aCollapse, true);
        const std::set<int> aNarrow = narrowFaces(aSkin, 10.0);
        aNbFailed += !aNarrow.empty() && !collapse(aSkin, aNarrow) ? 1 : 0;
        aCounts += " " + std::to_string(narrowFaces(aSkin, 10.0).size());
      }
      std::printf("%s, %u threads: narrow faces %s, failed rounds %d\n", aName, aNbThreads, aCounts.c_str(),
                  aNbFailed);
      EXPECT_GT(aNbFirst, 20u);
      EXPECT_LE(narrowFaces(aSkin, 10.0).size() * 100, aNbFirst);
      EXPECT_EQ(problems(aSkin, true), "");
      for (int aNode = 0; aNode < aSkin->NbNodes(); ++aNode)
      {
        aResults[aNbThreads - 1].push_back(aSkin->Node(aNode));
      }
    }
    ASSERT_EQ(aResults[0].size(), aResults[1].size());
    for (size_t i = 0; i < aResults[0].size(); ++i)
    {
      ASSERT_TRUE(aResults[0][i].IsEqual(aResults[1][i], 0.0)) << "node " << i;
    }
  }
}

// A torus of 4 x 3 quads whose tube loops are 3-edge loops; the diagonal of the first quad is
// turned so that its face (a, b, c) has its corner b joined to the whole tube loop of a and c.
// With c flattened onto the middle of a-b, the corner f across a-b is joined to c by that loop:
// the base flip would double c-f, and on so coarse a torus every squash of c into a or b is
// refused too, repairs included. Cutting the handle pinched onto a-b leaves a sphere.
TEST(HalfEdgeAlgo_CollapseFacesTest, SliverOnAPinchedHandleCutsIt)
{
  const Handle(Poly_Triangulation) aTorus     = PelliskTest_Meshes::Torus(4, 3);
  auto                             aTriangles = PelliskTest_Meshes::Triangles(aTorus);
  const int a = aTriangles[0][0], b = aTriangles[0][1], d = aTriangles[0][2], c = aTriangles[1][2];
  aTriangles[0] = {a, b, c};
  aTriangles[1] = {b, d, c};
  const Handle(HalfEdge_Mesh) aMesh =
      new HalfEdge_Mesh(PelliskTest_Meshes::Make(PelliskTest_Meshes::Nodes(aTorus), aTriangles));
  // Numbers from 0 in the half-edge mesh.
  aMesh->SetNode(c - 1, along(along(aMesh->Node(a - 1), aMesh->Node(b - 1), 0.5), aMesh->Node(c - 1), 0.03));
  std::set<int> aSliver;
  for (const int aFace : facesWith(aMesh, a - 1, c - 1))
  {
    aSliver.insert(facesWith(aMesh, b - 1, c - 1).count(aFace) != 0 ? aFace : -1);
  }
  aSliver.erase(-1);
  ASSERT_EQ(aSliver.size(), 1u);
  ASSERT_EQ(narrowFaces(aMesh, 5.0).count(*aSliver.begin()), 1u);
  EXPECT_TRUE(collapse(aMesh, aSliver));
  EXPECT_LT(aMesh->EdgeIndex(a - 1, b - 1), 0); // the base went with the sliver
  EXPECT_EQ(problems(aMesh, true), "");
  const auto aCheck = PelliskTest_MeshCheck::Check(*aMesh);
  EXPECT_EQ(aCheck.NbShells, 1);
  // Euler characteristic of a closed triangulation: nodes - triangles / 2; 0 for the torus.
  EXPECT_EQ(2 * aCheck.NbNodes - aCheck.NbTriangles, 2 * 2);
}
