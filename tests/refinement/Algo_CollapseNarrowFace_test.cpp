#include <Algo_CollapseNarrowFace.hxx>
#include <HalfEdgeAlgo_AspectRatioCriterion.hxx>
#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <PelliskTest_Skins.hxx>
#include <RefinementTest_Notifier.hxx>

#include <gtest/gtest.h>

// A skin projected without gap has faces flattened onto the input's edges: the cycle flattens them all.
TEST(Algo_CollapseNarrowFaceTest, RealSkinEndsWithoutNarrowFaces)
{
  std::vector<gp_Pnt> aNodes[2];
  for (const unsigned int aNbThreads : {1u, 2u})
  {
    const Handle(HalfEdge_Mesh)     aSkin = PelliskTest_Skins::Projected("teapot_utah.stl", 64, 0.0).Mesh;
    Handle(Algo_CollapseNarrowFace) aStep = new Algo_CollapseNarrowFace(new RefinementTest_Notifier());
    aStep->SetNbThreads(aNbThreads);
    aStep->SetMesh(aSkin);
    ASSERT_TRUE(aStep->Perform());
    EXPECT_EQ(aStep->Result(), aSkin);
    int aNbNarrow = 0;
    for (int aFace = 0; aFace < aSkin->NbFaces(); ++aFace)
    {
      std::list<int> aCorners;
      aSkin->Face(aFace, aCorners);
      std::vector<gp_Pnt> aLoop;
      for (const int aCorner : aCorners)
      {
        aLoop.push_back(aSkin->Node(aCorner));
      }
      aNbNarrow += HalfEdgeAlgo_AspectRatioCriterion::AspectRatio(aLoop) >= 10.0 ? 1 : 0;
    }
    EXPECT_EQ(aNbNarrow, 0);
    EXPECT_TRUE(aSkin->IsTriangular());
    EXPECT_EQ(PelliskTest_Mesh::Check(aSkin), "");
    const auto aCheck = PelliskTest_MeshCheck::Check(*aSkin);
    for (const PelliskTest_MeshCheck::Property* aProperty :
         {&aCheck.Closed, &aCheck.EdgeManifold, &aCheck.VertexManifold, &aCheck.Oriented,
          &aCheck.NonDegenerate})
    {
      EXPECT_TRUE(aProperty->IsOk()) << aCheck.Summary();
    }
    for (int aNode = 0; aNode < aSkin->NbNodes(); ++aNode)
    {
      aNodes[aNbThreads - 1].push_back(aSkin->Node(aNode));
    }
  }
  ASSERT_EQ(aNodes[0].size(), aNodes[1].size());
  for (size_t i = 0; i < aNodes[0].size(); ++i)
  {
    ASSERT_TRUE(aNodes[0][i].IsEqual(aNodes[1][i], 0.0)) << "node " << i;
  }
}

// A needle whose short side joins two boundary nodes cannot be flattened: the first failed collapse is
// followed by one sticking-face removal and another round, the second ends the step. Without the needle
// one round finds nothing and the step succeeds.
TEST(Algo_CollapseNarrowFaceTest, SecondFailedCollapseEndsTheStep)
{
  const std::string aCycle = " +Algo_CollapseNarrowFace::Perform +Algo_CollapseNarrowFace::PerformCycle";
  for (const bool hasNeedle : {true, false})
  {
    SCOPED_TRACE(hasNeedle ? "needle" : "plain grid");
    const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(2, 2));
    if (hasNeedle)
    {
      aMesh->SetNode(5, gp_Pnt(1.1, 0.1, 0.0));
    }
    Handle(RefinementTest_Notifier) aNotifier = new RefinementTest_Notifier();
    Handle(Algo_CollapseNarrowFace) aStep     = new Algo_CollapseNarrowFace(aNotifier);
    aStep->SetParameter(5.0);
    aStep->SetMesh(aMesh);
    EXPECT_EQ(aStep->Perform(), !hasNeedle);
    EXPECT_EQ(aNotifier->Events, aCycle + (hasNeedle ? " i i i - -" : " i - -"));
    EXPECT_EQ(aStep->Result().IsNull(), hasNeedle);
    EXPECT_EQ(aMesh->NbFaces(), 8);
    EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
  }
}
