// Settling nodes back onto a triangle set without making faces cross or turn
// into slivers.
#include <HalfEdgeAlgo_SettleNodes.hxx>
#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <PelliskTest_Skins.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <cmath>

namespace
{
Handle(HalfEdgeAlgo_SettleNodes) settle(const Handle(HalfEdge_Mesh)&      theMesh,
                                        const Handle(Poly_Triangulation)& theInput,
                                        double                            theGap,
                                        double                            theThreshold,
                                        int                               theNbThreads,
                                        double                            theSharpestAngle = 3.0)
{
  Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(theInput);
  aSet->InitBuilder();
  aSet->Build();
  Handle(HalfEdgeAlgo_SettleNodes) aSettle = new HalfEdgeAlgo_SettleNodes();
  aSettle->SetTriangleSet(aSet);
  aSettle->SetGap(theGap);
  aSettle->SetThreshold(theThreshold);
  aSettle->SetNbThreads(static_cast<unsigned int>(theNbThreads));
  aSettle->SetSharpestAngle(theSharpestAngle);
  EXPECT_TRUE(theMesh->Execute(aSettle, false));
  return aSettle;
}

// The winding number of the first theNbTriangles triangles of theMesh around
// theP: 1 inside a closed outward surface, 0 outside.
double winding(const Handle(Poly_Triangulation)& theMesh, int theNbTriangles, const gp_Pnt& theP)
{
  const std::vector<gp_Pnt>             aNodes     = PelliskTest_Meshes::Nodes(theMesh);
  const std::vector<std::array<int, 3>> aTriangles = PelliskTest_Meshes::Triangles(theMesh);
  double                                aSolid     = 0.0;
  for (int aT = 0; aT < theNbTriangles; ++aT)
  {
    const gp_Vec a(theP, aNodes[aTriangles[aT][0] - 1]), b(theP, aNodes[aTriangles[aT][1] - 1]),
        c(theP, aNodes[aTriangles[aT][2] - 1]);
    const double la = a.Magnitude(), lb = b.Magnitude(), lc = c.Magnitude();
    aSolid +=
        2.0 * std::atan2(a.Dot(b.Crossed(c)), la * lb * lc + a.Dot(b) * lc + b.Dot(c) * la + c.Dot(a) * lb);
  }
  return aSolid / (4.0 * M_PI);
}
} // namespace

TEST(HalfEdgeAlgo_SettleNodesTest, FarNodesComeTheWholeWayWhereNothingStandsInTheirWay)
{
  // The inner sphere has its nodes on the rays of the outer one's: each outer
  // node heads for the inner node below it.
  const Handle(Poly_Triangulation) anInner = PelliskTest_Meshes::IcoSphere(gp_Pnt(0, 0, 0), 0.7, 2);
  const Handle(HalfEdge_Mesh)      anOuter =
      new HalfEdge_Mesh(PelliskTest_Meshes::IcoSphere(gp_Pnt(0, 0, 0), 1.0, 2));

  const Handle(HalfEdge_Mesh) aStaying = new HalfEdge_Mesh(anOuter);
  EXPECT_EQ(settle(aStaying, anInner, 0.01, 0.31, 2)->NbMoved(), 0);
  for (int aNode = 0; aNode < anOuter->NbNodes(); ++aNode)
  {
    EXPECT_TRUE(aStaying->Node(aNode).IsEqual(anOuter->Node(aNode), 0.0)) << aNode;
  }

  const Handle(HalfEdge_Mesh) aSettled = new HalfEdge_Mesh(anOuter);
  EXPECT_EQ(settle(aSettled, anInner, 0.01, 0.29, 2)->NbMoved(), anOuter->NbNodes());
  for (int aNode = 0; aNode < anOuter->NbNodes(); ++aNode)
  {
    EXPECT_NEAR(aSettled->Node(aNode).Distance(gp_Pnt(0, 0, 0)), 0.71, 1e-12) << aNode;
  }
}

TEST(HalfEdgeAlgo_SettleNodesTest, NodesThatWouldCrossOrMakeSliversStopShort)
{
  // A slab around a plate, as a wrap of a thin sheet: the nodes of its sides
  // all head for the plate's rim, where they would crowd and cross. The
  // slab's floor lies within the threshold under the plate and stays.
  const Handle(Poly_Triangulation) aPlate = PelliskTest_Meshes::Grid(4, 4);
  const Handle(Poly_Triangulation) aSlab =
      PelliskTest_Meshes::Box(gp_Pnt(-0.5, -0.5, -0.04), gp_Pnt(4.5, 4.5, 0.5), 10);
  const double                aGap = 0.01;
  const Handle(HalfEdge_Mesh) aOne = new HalfEdge_Mesh(aSlab), aTwo = new HalfEdge_Mesh(aSlab);
  settle(aOne, aPlate, aGap, 0.05, 1);
  settle(aTwo, aPlate, aGap, 0.05, 2);

  const Handle(Poly_Triangulation) aResult = *aOne;
  EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aResult));
  const std::vector<double> aBefore = PelliskTest_Meshes::SharpestAngles(aSlab),
                            anAfter = PelliskTest_Meshes::SharpestAngles(aResult);
  ASSERT_EQ(aBefore.size(), anAfter.size());
  for (size_t aFace = 0; aFace < aBefore.size(); ++aFace)
  {
    EXPECT_GE(anAfter[aFace], std::min(aBefore[aFace], 3.0) - 1e-9) << aFace;
  }
  int aNbShort = 0;
  for (int aNode = 0; aNode < aOne->NbNodes(); ++aNode)
  {
    const gp_Pnt aFrom = aSlab->Node(aNode + 1), aTo = aOne->Node(aNode);
    EXPECT_TRUE(aTo.IsEqual(aTwo->Node(aNode), 0.0)) << aNode;
    const double aWas = PelliskTest_MeshCheck::PointMeshDistance(aPlate, aFrom),
                 anIs = PelliskTest_MeshCheck::PointMeshDistance(aPlate, aTo);
    EXPECT_LE(anIs, aWas + 1e-12) << aNode;
    // Above the plate, away from its rim, nothing stands in the way.
    const bool isInside = aFrom.X() > 0.5 && aFrom.X() < 3.5 && aFrom.Y() > 0.5 && aFrom.Y() < 3.5;
    if (isInside)
    {
      EXPECT_NEAR(anIs, aFrom.Z() > 0.0 ? aGap : aWas, 1e-12) << aNode;
    }
    aNbShort += anIs > aGap + 1e-9 ? 1 : 0;
  }
  // The rim is crowded: some nodes must have stopped short.
  EXPECT_GT(aNbShort, 0);

  // Without the bound on sharp corners, the crowd makes slivers.
  const Handle(HalfEdge_Mesh) aFree = new HalfEdge_Mesh(aSlab);
  settle(aFree, aPlate, aGap, 0.05, 2, 0.0);
  const std::vector<double> aFreeAngles = PelliskTest_Meshes::SharpestAngles(*aFree);
  EXPECT_LT(*std::min_element(aFreeAngles.begin(), aFreeAngles.end()), 3.0);
}

TEST(HalfEdgeAlgo_SettleNodesTest, NoTriangleShrinksTooSmallForTheCrossingCheck)
{
  // A triangle whose apex heads for the input plane under it: the whole way
  // would leave it 5e-8 high, below the 1e-7 under which the
  // self-intersection check takes a triangle for no triangle and never tests
  // it. Its base lies on the input and stays.
  const Handle(Poly_Triangulation) aPlane =
      PelliskTest_Meshes::Make({gp_Pnt(-1, 0, -1), gp_Pnt(2, 0, -1), gp_Pnt(0.5, 0, 2)}, {{1, 2, 3}});
  const Handle(HalfEdge_Mesh) aTriangle = new HalfEdge_Mesh(
      PelliskTest_Meshes::Make({gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0.5, 1, 0)}, {{1, 2, 3}}));
  EXPECT_EQ(settle(aTriangle, aPlane, 5e-8, 1e-4, 1, 0.0)->NbMoved(), 1);
  // The whole way is too far; slowed, it gives up half of what it gained
  // after the first half of its way, and ends three quarters of the way down.
  EXPECT_NEAR(aTriangle->Node(2).Y(), 1.0 - 0.75 * (1.0 - 5e-8), 1e-15);
}

TEST(HalfEdgeAlgo_SettleNodesTest, NodesStopBeforeFacesCrossWhetherTheOthersMoveOrNot)
{
  // A sphere shrinking onto a smaller one around a second closed surface that
  // it must neither cross nor pass: one that stays within the threshold, or
  // one that shrinks onto the same place.
  struct Case
  {
    gp_Pnt Centre;
    double Radius;
    double Threshold;
  };
  const Case                       aCases[] = {{gp_Pnt(0, 0, 0.85), 0.1, 0.28}, {gp_Pnt(0, 0, 0), 0.85, 0.1}};
  const Handle(Poly_Triangulation) anInner  = PelliskTest_Meshes::IcoSphere(gp_Pnt(0, 0, 0), 0.7, 2);
  for (const Case& aCase : aCases)
  {
    SCOPED_TRACE(aCase.Radius);
    const Handle(Poly_Triangulation) aSpheres =
        PelliskTest_Meshes::Append(PelliskTest_Meshes::IcoSphere(gp_Pnt(0, 0, 0), 1.0, 2),
                                   PelliskTest_Meshes::IcoSphere(aCase.Centre, aCase.Radius, 2));
    const Handle(HalfEdge_Mesh) aOne = new HalfEdge_Mesh(aSpheres), aTwo = new HalfEdge_Mesh(aSpheres);
    const int aNbOuter = PelliskTest_Meshes::IcoSphere(gp_Pnt(0, 0, 0), 1.0, 2)->NbTriangles();
    EXPECT_GT(settle(aOne, anInner, 0.01, aCase.Threshold, 1)->NbMoved(), 0);
    settle(aTwo, anInner, 0.01, aCase.Threshold, 2);
    const Handle(Poly_Triangulation) aResult = *aOne;
    EXPECT_TRUE(
        PelliskTest_MeshCheck::CrossingPairs(aResult, PelliskTest_MeshCheck::CrossingSearch::BruteForce)
            .empty());
    for (int aNode = 0; aNode < aOne->NbNodes(); ++aNode)
    {
      EXPECT_TRUE(aOne->Node(aNode).IsEqual(aTwo->Node(aNode), 0.0)) << aNode;
      EXPECT_LE(PelliskTest_MeshCheck::PointMeshDistance(anInner, aOne->Node(aNode)),
                PelliskTest_MeshCheck::PointMeshDistance(anInner, aSpheres->Node(aNode + 1)) + 1e-12);
      if (aNode >= aSpheres->NbNodes() / 2)
      {
        EXPECT_NEAR(winding(aResult, aNbOuter, aOne->Node(aNode)), 1.0, 1e-6) << aNode;
      }
    }
  }
}

TEST(HalfEdgeAlgo_SettleNodesTest, OnRealSkinsEveryCrossingLeftIsOneOfFacesThatDidNotMove)
{
  // The teapot's skin in triangles, the elephant's in quadrangles and in triangles.
  for (const auto& [aName, isTriangulated] : {std::pair{"teapot_utah.stl", true},
                                              {"elephant_holes_cgal.stl", false},
                                              {"elephant_holes_cgal.stl", true}})
  {
    SCOPED_TRACE(aName);
    const PelliskTest_Skins::Skin    aSkin   = PelliskTest_Skins::Projected(aName, 64, 0.4, isTriangulated);
    const Handle(HalfEdge_Mesh)      aBefore = new HalfEdge_Mesh(aSkin.Mesh);
    Handle(HalfEdgeAlgo_SettleNodes) aSettle = new HalfEdgeAlgo_SettleNodes();
    aSettle->SetTriangleSet(aSkin.Input);
    aSettle->SetGap(0.01 * aSkin.Cell);
    aSettle->SetThreshold(0.05 * aSkin.Cell);
    ASSERT_TRUE(aSkin.Mesh->Execute(aSettle, false));
    EXPECT_GT(aSettle->NbMoved(), aSkin.Mesh->NbNodes() / 2);

    Handle(HalfEdgeAlgo_CheckSelfIntersections) aCheck = new HalfEdgeAlgo_CheckSelfIntersections();
    aCheck->SetCollectGroups(true);
    aSkin.Mesh->Execute(aCheck, false);
    for (const auto& [aFirst, aSecond] : aCheck->Pairs())
    {
      for (const int aFace : {aFirst, aSecond})
      {
        std::list<int> aNodes;
        aSkin.Mesh->Face(aFace, aNodes);
        for (const int aNode : aNodes)
        {
          EXPECT_TRUE(aSkin.Mesh->Node(aNode).IsEqual(aBefore->Node(aNode), 0.0))
              << aFirst << " x " << aSecond;
        }
      }
    }
  }
}
