// Smoothing of flat and bumped grids: one averaging step by hand, boundaries, connectivity.
#include <HalfEdgeAlgo_SimpleSmooth.hxx>
#include <HalfEdgeAlgo_Smooth.hxx>
#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <list>
#include <vector>

TEST(HalfEdgeAlgo_SmoothTest, FlatGridStaysBumpFlattensBoundaryAndConnectivityStay)
{
  // 6 x 6 unit squares, node 24 = (3, 3) raised for the bump. One averaging step takes it to 6 x 0.5 / 18
  // (once in each of its 6 faces, its 6 neighbours twice), each neighbour to 2 x 0.5 / 18; later passes
  // change nothing.
  for (const double aBump : {0.0, 0.5})
  {
    for (const int aComponent : {-1, 0, 1, 2}) // -1: SimpleSmooth
    {
      for (const int aNbIterations : {-1, 0, 1, 5})
      {
        SCOPED_TRACE(testing::Message() << aBump << " " << aComponent << " " << aNbIterations);
        const Handle(HalfEdge_Mesh) aGrid = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(6, 6));
        aGrid->SetNode(24, gp_Pnt(3, 3, aBump));
        const Handle(HalfEdge_Mesh)       aBefore = new HalfEdge_Mesh(aGrid);
        Handle(HalfEdgeAlgo_SimpleSmooth) aSimple = new HalfEdgeAlgo_SimpleSmooth();
        Handle(HalfEdgeAlgo_Smooth)       aSmooth = new HalfEdgeAlgo_Smooth();
        aSimple->SetNbIterations(aNbIterations);
        aSmooth->SetNbIterations(aNbIterations);
        aSmooth->SetComponent(aComponent);
        // Collected, so that the point index follows the moves.
        EXPECT_TRUE(aComponent < 0 ? aGrid->Execute(aSimple, true) : aGrid->Execute(aSmooth, true));
        for (int i = 0; i < aGrid->NbNodes() || i < aGrid->NbFaces(); ++i)
        {
          gp_Pnt anExpected = aBefore->Node(i);
          if (aComponent < 0 && aNbIterations > 0)
          {
            anExpected.SetZ(i == 24 ? aBump / 3 : aGrid->EdgeIndex(24, i) >= 0 ? aBump / 9 : 0.0);
          }
          const bool isKnown =
              aComponent < 0 || aNbIterations <= 0 || aBump == 0.0 || aGrid->IsBoundaryNode(i);
          EXPECT_TRUE(!isKnown || aGrid->Node(i).IsEqual(anExpected, 1e-15)) << "node " << i;
          std::list<int> aCorners, anOld;
          aGrid->Face(i, aCorners);
          aBefore->Face(i, anOld);
          EXPECT_EQ(aCorners, anOld) << "face " << i;
        }
        // Moves along the surface alone cannot lower the top of the bump.
        EXPECT_EQ(aGrid->Node(24).Z() < 0.4, aBump == 0.0 || (aNbIterations > 0 && aComponent != 0));
      }
    }
  }
}

TEST(HalfEdgeAlgo_SmoothTest, LiftPushesInteriorNodesAlongTheNormalByTheirMeanEdgeLength)
{
  // On a flat grid averaging moves nothing, so each interior node moves by the lift alone: the share of
  // its mean edge length (measured here edge by edge) along the grid's normal (from one face's corners).
  // Pulled nodes (every third) go the other way; only the moved ones (even numbers, and the boundary's) move.
  for (const double aLift : {0.05, -0.1})
  {
    SCOPED_TRACE(aLift);
    const Handle(HalfEdge_Mesh) aGrid   = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(6, 6));
    const Handle(HalfEdge_Mesh) aBefore = new HalfEdge_Mesh(aGrid);
    std::list<int>              aCorners;
    aGrid->Face(0, aCorners);
    std::vector<gp_Pnt> aPoints;
    for (const int aNode : aCorners)
    {
      aPoints.push_back(aGrid->Node(aNode));
    }
    const gp_Dir aNormal(gp_Vec(aPoints[0], aPoints[1]).Crossed(gp_Vec(aPoints[0], aPoints[2])));
    Handle(HalfEdgeAlgo_SimpleSmooth) aSimple = new HalfEdgeAlgo_SimpleSmooth();
    aSimple->SetLift(aLift);
    for (int i = 0; i < aGrid->NbNodes(); ++i)
    {
      aSimple->PulledNodes().insert(i % 3 == 0 ? i : -1);
      aSimple->MovedNodes().insert(i % 2 == 0 || aGrid->IsBoundaryNode(i) ? i : -1);
    }
    EXPECT_TRUE(aGrid->Execute(aSimple, false));
    for (int i = 0; i < aGrid->NbNodes(); ++i)
    {
      double aSum = 0.0;
      int    aNb  = 0;
      for (int j = 0; j < aGrid->NbNodes(); ++j)
      {
        if (aBefore->EdgeIndex(i, j) >= 0)
        {
          aSum += aBefore->Node(i).Distance(aBefore->Node(j));
          ++aNb;
        }
      }
      const bool   isMoved = i % 2 == 0 && !aBefore->IsBoundaryNode(i);
      const double aShift  = isMoved ? (i % 3 == 0 ? -aLift : aLift) * aSum / aNb : 0.0;
      EXPECT_TRUE(aGrid->Node(i).IsEqual(aBefore->Node(i).Translated(gp_Vec(aNormal) * aShift), 1e-12))
          << "node " << i;
    }
  }
}

TEST(HalfEdgeAlgo_SmoothTest, NormalShareScalesHowFarAveragingShrinksASphere)
{
  // Averaging pulls the nodes of a sphere inwards, nearly along their normals, by about the square of the
  // edge length; with a share of that move kept along the normal, the sphere shrinks by that share.
  const auto aShrink = [](double theShare)
  {
    const Handle(HalfEdge_Mesh) aSphere = new HalfEdge_Mesh(PelliskTest_Meshes::IcoSphere(gp_Pnt(), 1.0, 2));
    Handle(HalfEdgeAlgo_SimpleSmooth) aSimple = new HalfEdgeAlgo_SimpleSmooth();
    aSimple->SetNormalShare(theShare);
    EXPECT_TRUE(aSphere->Execute(aSimple, false));
    double aSum = 0.0;
    for (int i = 0; i < aSphere->NbNodes(); ++i)
    {
      aSum += 1.0 - aSphere->Node(i).Distance(gp_Pnt());
    }
    return aSum / aSphere->NbNodes();
  };
  const double aPlain = aShrink(1.0);
  EXPECT_GT(aPlain, 0.005);
  for (const double aShare : {0.0, 0.5, 0.25})
  {
    EXPECT_NEAR(aShrink(aShare), aShare * aPlain, 0.02 * aPlain) << aShare;
  }
}
