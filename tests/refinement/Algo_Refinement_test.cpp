#include <Algo_CollapseNarrowFace.hxx>
#include <Algo_CollapseSmallEdge.hxx>
#include <Algo_Smoothing.hxx>
#include <Algo_SplitEdge.hxx>
#include <Algo_SwapEdge.hxx>
#include <HalfEdgeAlgo_AspectRatioCriterion.hxx>
#include <HalfEdge_Mesh.hxx>
#include <HalfEdge_Skewness.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <PelliskTest_Skins.hxx>
#include <RefinementTest_Notifier.hxx>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <regex>

// The whole chain on a real skin, every step on the mesh the previous one left; the host sees each
// step's scopes in turn, with its increments.
TEST(Algo_RefinementTest, ChainKeepsARealSkinValid)
{
  const PelliskTest_Skins::Skin   aSkin     = PelliskTest_Skins::Projected("teapot_utah.stl", 64, 0.01);
  Handle(RefinementTest_Notifier) aNotifier = new RefinementTest_Notifier();
  Handle(Algo_CollapseSmallEdge)  aSmall    = new Algo_CollapseSmallEdge(aNotifier);
  aSmall->SetParameter(aSkin.Cell / 5.0);
  const std::vector<Handle(Algo_Refinement)> aChain = {
      aSmall, new Algo_CollapseNarrowFace(aNotifier), new Algo_SwapEdge(aNotifier),
      new Algo_Smoothing(aNotifier), new Algo_SplitEdge(aNotifier)};
  for (const Handle(Algo_Refinement)& aStep : aChain)
  {
    SCOPED_TRACE(aStep->Name());
    aStep->SetNbThreads(2);
    aStep->SetMesh(aSkin.Mesh);
    const auto aStart  = std::chrono::steady_clock::now();
    const bool isDone  = aStep->Perform();
    const auto aTime   = std::chrono::duration<double>(std::chrono::steady_clock::now() - aStart).count();
    int        aNarrow = 0;
    double     aWorst  = 0.0;
    for (int aFace = 0; aFace < aSkin.Mesh->NbFaces(); ++aFace)
    {
      std::list<int> aCorners;
      aSkin.Mesh->Face(aFace, aCorners);
      std::vector<gp_Pnt> aLoop;
      for (const int aCorner : aCorners)
      {
        aLoop.push_back(aSkin.Mesh->Node(aCorner));
      }
      aNarrow += HalfEdgeAlgo_AspectRatioCriterion::AspectRatio(aLoop) >= 10.0 ? 1 : 0;
      aWorst = std::max(aWorst, HalfEdge_Skewness::Of(aLoop));
    }
    const auto aCheck = PelliskTest_MeshCheck::Check(*aSkin.Mesh);
    std::printf("%-24s %d faces, %d narrow, worst skewness %.4f, %d crossing faults, %.3f s\n",
                aStep->Name().c_str(), aSkin.Mesh->NbFaces(), aNarrow, aWorst, aCheck.NoCrossing.NbFaults,
                aTime);
    ASSERT_TRUE(isDone);
    EXPECT_EQ(aStep->Result(), aSkin.Mesh);
    EXPECT_TRUE(aSkin.Mesh->IsTriangular());
    EXPECT_EQ(PelliskTest_Mesh::Check(aSkin.Mesh), "");
    for (const PelliskTest_MeshCheck::Property* aProperty :
         {&aCheck.Closed, &aCheck.EdgeManifold, &aCheck.VertexManifold, &aCheck.Oriented,
          &aCheck.NonDegenerate})
    {
      EXPECT_TRUE(aProperty->IsOk()) << aCheck.Summary();
    }
  }
  EXPECT_TRUE(std::regex_match(
      aNotifier->Events,
      std::regex(" \\+Algo_CollapseSmallEdge::Perform i - \\+Algo_CollapseNarrowFace::Perform"
                 " \\+Algo_CollapseNarrowFace::PerformCycle( i)+ - - \\+Algo_SwapEdge::Perform i i -"
                 " \\+Algo_Smoothing::Perform i i - \\+Algo_SplitEdge::Perform -")))
      << aNotifier->Events;
}

// A quad cube stays quads (true); a tetrahedron has no edge to flip, so the swap itself fails, and the
// step still succeeds; smoothing component 7 moves the nodes exactly as "both" does.
TEST(Algo_RefinementTest, StepFrameAndComponents)
{
  const Handle(HalfEdge_Mesh) aCube = new HalfEdge_Mesh();
  for (int aNode = 0; aNode < 8; ++aNode)
  {
    aCube->AddNode(gp_Pnt(aNode & 1, (aNode >> 1) & 1, (aNode >> 2) & 1));
  }
  for (const std::list<int>& aQuad : std::vector<std::list<int>>{
           {0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}})
  {
    aCube->AddFace(aQuad, true);
  }
  for (const Handle(Algo_Refinement)& aStep :
       std::vector<Handle(Algo_Refinement)>{new Algo_CollapseSmallEdge(new Pelk_ProgressNotifier("")),
                                            new Algo_SwapEdge(new Pelk_ProgressNotifier("")),
                                            new Algo_Smoothing(new Pelk_ProgressNotifier(""))})
  {
    aStep->SetMesh(aCube);
    EXPECT_TRUE(aStep->Perform()) << aStep->Name();
    EXPECT_FALSE(aStep->WasTriangular());
    EXPECT_EQ(aCube->NbFaces(), 6) << aStep->Name();
  }
  Handle(Algo_SwapEdge) aSwap = new Algo_SwapEdge(new Pelk_ProgressNotifier(""));
  aSwap->SetMesh(new HalfEdge_Mesh(PelliskTest_Meshes::Tetrahedron()));
  EXPECT_TRUE(aSwap->Perform());
  EXPECT_TRUE(aSwap->WasTriangular());

  std::vector<gp_Pnt> aNodes[4];
  for (const int aComponent : {0, 1, 2, 7})
  {
    const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::IcoSphere(gp_Pnt(), 1.0, 2));
    aMesh->SetNode(0, aMesh->Node(0).Scaled(gp_Pnt(), 1.3));
    Handle(Algo_Smoothing) aSmoothing = new Algo_Smoothing(new Pelk_ProgressNotifier(""));
    aSmoothing->SetComponent(static_cast<Algo_Smoothing::SmoothingComponent>(aComponent));
    aSmoothing->SetMesh(aMesh);
    ASSERT_TRUE(aSmoothing->Perform());
    for (int aNode = 0; aNode < aMesh->NbNodes(); ++aNode)
    {
      aNodes[std::min(aComponent, 3)].push_back(aMesh->Node(aNode));
    }
  }
  const auto isSame = [](const std::vector<gp_Pnt>& theA, const std::vector<gp_Pnt>& theB)
  {
    return std::equal(theA.begin(), theA.end(), theB.begin(),
                      [](auto a, auto b) { return a.IsEqual(b, 0.0); });
  };
  EXPECT_TRUE(isSame(aNodes[3], aNodes[2]));
  EXPECT_FALSE(isSame(aNodes[3], aNodes[0]));
  EXPECT_FALSE(isSame(aNodes[3], aNodes[1]));
}
