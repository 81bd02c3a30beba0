// Edge split and division: where the new node goes, and division only ever lowers the worst face.
#include <HalfEdgeAlgo_SplitEdge.hxx>

#include <HalfEdge_Mesh.hxx>
#include <HalfEdgeAlgo_DivideEdges.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>
#include <Mesh.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <PelliskTest_Skins.hxx>

#include <gtest/gtest.h>

// Skewness of a triangle from its sides, written out again as an oracle.
static double skewness(const gp_Pnt& theA, const gp_Pnt& theB, const gp_Pnt& theC)
{
  const double a = theB.Distance(theC), b = theA.Distance(theC), c = theA.Distance(theB), p = a + b + c;
  return 1.0 - (p / a - 2.0) * (p / b - 2.0) * (p / c - 2.0);
}

static double worst(const Handle(HalfEdge_Mesh)& theMesh) // over its triangles
{
  double aWorst = -1.0;
  for (auto aFace = theMesh->FacesBegin(); aFace != theMesh->FacesEnd(); ++aFace)
  {
    const std::list<int> c = *aFace;
    aWorst                 = std::max(
                        aWorst, skewness(theMesh->Node(c.front()), theMesh->Node(*++c.begin()), theMesh->Node(c.back())));
  }
  return aWorst;
}

// Triangles (A, B, C0) and (B, A, C1): nodes 0 to 3, sharing A-B.
static Handle(HalfEdge_Mesh)
pair(const gp_Pnt& theA, const gp_Pnt& theB, const gp_Pnt& theC0, const gp_Pnt& theC1)
{
  return new HalfEdge_Mesh(PelliskTest_Meshes::Make({theA, theB, theC0, theC1}, {{1, 2, 3}, {2, 1, 4}}));
}

// Splits A-B of a pair; the parameter along A-B of the new node.
static double splitParameter(const Handle(HalfEdge_Mesh)& thePair)
{
  EXPECT_TRUE(thePair->Execute(new HalfEdgeAlgo_SplitEdge(thePair->EdgeIndex(0, 1)), false));
  const gp_Vec anAB(thePair->Node(0), thePair->Node(1));
  return gp_Vec(thePair->Node(0), thePair->Node(4)).Dot(anAB) / anAB.SquareMagnitude();
}

TEST(HalfEdgeAlgo_SplitEdgeTest, MidpointOfQuadsScannedBestPointOfTrianglePairsNothingForBadNumbers)
{
  const Handle(HalfEdge_Mesh) aQuads =
      new HalfEdge_Mesh(PelliskTest_Meshes::Grid(2, 1)); // made (0, 1, 4, 3) and (1, 2, 5, 4)
  for (int aFace = 0; aFace < 4; ++aFace)
  {
    aQuads->DeleteFace(aFace);
  }
  aQuads->AddFace({0, 1, 4, 3}, true);
  aQuads->AddFace({1, 2, 5, 4}, true);
  aQuads->SetNode(2, gp_Pnt(2.5, -0.4, 0));
  EXPECT_TRUE(aQuads->Execute(new HalfEdgeAlgo_SplitEdge(aQuads->EdgeIndex(1, 4)), true));
  EXPECT_TRUE(aQuads->Node(aQuads->NbNodes() - 1).XYZ().IsEqual(gp_XYZ(1, 0.5, 0), 0.0));
  EXPECT_EQ(PelliskTest_Mesh::Check(aQuads), "");
  EXPECT_EQ(splitParameter(pair({0, 0, 0}, {1, 0, 0}, {0.5, std::sqrt(0.75), 0}, {0.5, -std::sqrt(0.75), 0})),
            0.5);
  const gp_Pnt aPairs[][4] = {{{0, 0, 0}, {1, 0, 0}, {0.2, 0.5, 0}, {0.7, -0.3, 0}},
                              {{0, 0, 0}, {2, 0, 0}, {0.3, 0.4, 0}, {1.5, -0.6, 0.2}},
                              {{1, 1, 1}, {1, 1, 4}, {1, 2, 1.2}, {0, 1, 2}}};
  for (const auto& aPair : aPairs)
  {
    const auto g = [&aPair](double t)
    {
      const gp_Pnt aP(aPair[0].XYZ() + t * (aPair[1].XYZ() - aPair[0].XYZ()));
      return std::max({skewness(aP, aPair[2], aPair[0]), skewness(aP, aPair[2], aPair[1]),
                       skewness(aP, aPair[3], aPair[0]), skewness(aP, aPair[3], aPair[1])});
    };
    double aBest = 0.5;
    for (int i = 1; i < 100000; ++i) // the ends make triangles without area
    {
      aBest = g(i * 1e-5) < g(aBest) ? i * 1e-5 : aBest;
    }
    const Handle(HalfEdge_Mesh) aMesh  = pair(aPair[0], aPair[1], aPair[2], aPair[3]);
    const double                aFound = splitParameter(aMesh);
    EXPECT_NEAR(aFound, aBest, 1e-3) << "the search brackets to 0.618^15 = 7e-4";
    EXPECT_LT(g(aFound), g(aBest) + 2e-3);
    EXPECT_TRUE(aMesh->Execute(new HalfEdgeAlgo_Triangulate("skewness"), true));
    EXPECT_NEAR(worst(aMesh), g(aFound), 1e-12) << "the four triangles of the split";
  }
  // Grid(2, 1) without face 3 and its edge 8 (4-5); edge 1 is 1-4, node 6 loose, node 7 deleted.
  const int aCases[][3] = {{-1, -1, 0}, {9, -1, 0}, {8, -1, 0}, {1, -2, 0}, {1, 8, 0},
                           {1, 7, 0},   {1, 1, 0},  {1, 4, 0},  {1, 6, 1},  {1, -1, 1}};
  for (const auto& aCase : aCases)
  {
    SCOPED_TRACE(testing::Message() << aCase[0] << " at " << aCase[1]);
    const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(2, 1));
    aMesh->DeleteFace(3);
    aMesh->AddNode(gp_Pnt(5, 5, 5));
    aMesh->AddNode(gp_Pnt(6, 6, 6));
    PelliskTest_Mesh::Storage(aMesh).status(Mesh::VertexHandle(7)).set_deleted(true);
    Handle(HalfEdgeAlgo_SplitEdge) aSplit = new HalfEdgeAlgo_SplitEdge(aCase[0]);
    aSplit->SetNode(aCase[1]);
    EXPECT_EQ(aMesh->Execute(aSplit, true), aCase[2] == 1);
    EXPECT_EQ(aMesh->NbEdges(), 8 + aCase[2]) << "edge 8 collected";
    EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
  }
}

TEST(HalfEdgeAlgo_DivideEdgesTest, OnlyInteriorEdgesThatGainMoreThanTheToleranceAreSplit)
{
  // Boundary edges only: a flat triangle and another sharing a node.
  const Handle(HalfEdge_Mesh) aLoose = new HalfEdge_Mesh(PelliskTest_Meshes::Make(
      {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -0.05, 0}}, {{1, 2, 3}, {1, 4, 5}}));
  EXPECT_TRUE(aLoose->Execute(new HalfEdgeAlgo_DivideEdges(), false) && aLoose->NbNodes() == 5);
  // Rhombi of height 2h: flat ones gain from a split, others lose; bisect to gains of 0.5e-7, 2e-7.
  const auto aRhombus = [](double h) { return pair({0, 0, 0}, {1, 0, 0}, {0.5, h, 0}, {0.5, -h, 0}); };
  const auto aGain    = [&aRhombus](double h)
  {
    const Handle(HalfEdge_Mesh) aMesh   = aRhombus(h);
    const double                aBefore = worst(aMesh);
    splitParameter(aMesh);
    aMesh->Execute(new HalfEdgeAlgo_Triangulate("skewness"), true);
    return aBefore - worst(aMesh);
  };
  for (const double aTarget : {0.5e-7, 2e-7})
  {
    double aLo = 0.1, aHi = 0.85; // gains above and below the target
    for (int i = 0; i < 60; ++i)
    {
      (aGain(0.5 * (aLo + aHi)) > aTarget ? aLo : aHi) = 0.5 * (aLo + aHi);
    }
    ASSERT_NEAR(aGain(aLo), aTarget, 0.2e-7);
    const Handle(HalfEdge_Mesh) aMesh = aRhombus(aLo);
    EXPECT_TRUE(aMesh->Execute(new HalfEdgeAlgo_DivideEdges(), true));
    EXPECT_EQ(aMesh->NbNodes(), aTarget > 1e-7 ? 5 : 4) << aTarget;
  }
  // On a real skin: new edges are not visited again, and the worst face only gets better.
  const Handle(HalfEdge_Mesh) aSkin    = PelliskTest_Skins::Projected("teapot_utah.stl", 64, 0.1).Mesh;
  const double                aBefore  = worst(aSkin);
  const int                   aNbNodes = aSkin->NbNodes(), aNbEdges = aSkin->NbEdges();
  EXPECT_TRUE(aSkin->Execute(new HalfEdgeAlgo_DivideEdges(), true));
  EXPECT_LE(aSkin->NbNodes() - aNbNodes, aNbEdges);
  EXPECT_LT(worst(aSkin), aBefore);
  EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(*aSkin));
}
