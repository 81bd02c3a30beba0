// Smoothing of flat and bumped grids: one averaging step by hand, boundaries, connectivity.
#include <HalfEdgeAlgo_SimpleSmooth.hxx>
#include <HalfEdgeAlgo_Smooth.hxx>
#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

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
