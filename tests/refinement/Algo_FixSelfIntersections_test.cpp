// Self-intersection repair: clean input kept, a fold cured by one mirrored flip, cancellation, real skins.
#include <Algo_FixSelfIntersections.hxx>
#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <PelliskTest_Skins.hxx>

#include <gtest/gtest.h>

#include <array>

namespace
{
// A notifier that cancels at its theAt-th increment.
class CancellingNotifier : public Pelk_ProgressNotifier
{
public:
  explicit CancellingNotifier(int theAt)
      : Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str()),
        myLeft(theAt)
  {
  }
  void Increment() override
  {
    Pelk_ProgressNotifier::Increment();
    if (--myLeft == 0)
    {
      Cancel();
    }
  }

private:
  int myLeft;
};

bool repair(const Handle(HalfEdge_Mesh)&         theMesh,
            int                                  theNbIterations = 2,
            unsigned int                         theNbThreads    = 2,
            const Handle(Pelk_ProgressNotifier)& theNotifier     = new CancellingNotifier(-1))
{
  Handle(Algo_FixSelfIntersections) aStep = new Algo_FixSelfIntersections(theNotifier);
  aStep->SetMesh(theMesh);
  aStep->SetNbIterations(theNbIterations);
  aStep->SetNbThreads(theNbThreads);
  const bool isDone = aStep->Perform();
  EXPECT_TRUE(isDone ? aStep->Result() == theMesh : aStep->Result().IsNull());
  return isDone;
}

int nbCrossingGroups(const Handle(HalfEdge_Mesh)& theMesh)
{
  Handle(HalfEdgeAlgo_CheckSelfIntersections) aCheck = new HalfEdgeAlgo_CheckSelfIntersections();
  aCheck->SetCollectGroups(true);
  theMesh->Execute(aCheck, false);
  return static_cast<int>(aCheck->Groups().size());
}

std::vector<std::array<double, 3>> nodes(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::vector<std::array<double, 3>> aNodes;
  for (int aNode = 0; aNode < theMesh->NbNodes(); ++aNode)
  {
    aNodes.push_back({theMesh->Node(aNode).X(), theMesh->Node(aNode).Y(), theMesh->Node(aNode).Z()});
  }
  return aNodes;
}

// A valley a-b-c-d (a-b low, c and d high) pierced along a-b by a small
// upright sheet below the far diagonal c-d: no node has all its edges through
// the surface, so moving nodes cannot help, but flipping a-b to c-d clears it.
Handle(HalfEdge_Mesh) fold()
{
  return new HalfEdge_Mesh(PelliskTest_Meshes::Make(
      {gp_Pnt(-1, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, -1, 1), gp_Pnt(0, 1, 1), gp_Pnt(0, -0.5, -0.3),
       gp_Pnt(0, 0.5, -0.3), gp_Pnt(0, 0.5, 0.1), gp_Pnt(0, -0.5, 0.1)},
      {{1, 2, 4}, {2, 1, 3}, {5, 6, 7}, {5, 7, 8}}));
}
} // namespace

TEST(Algo_FixSelfIntersectionsTest, LeavesASurfaceWithoutCrossingsAsItIsWhateverTheRounds)
{
  const Handle(Poly_Triangulation) aCrossing =
      PelliskTest_Meshes::Append(PelliskTest_Meshes::IcoSphere(gp_Pnt(0, 0, 0), 1.0, 2),
                                 PelliskTest_Meshes::IcoSphere(gp_Pnt(1, 0, 0), 1.0, 2));
  const struct
  {
    Handle(Poly_Triangulation) Mesh;
    int                        NbIterations;
  } aCases[] = {{PelliskTest_Meshes::IcoSphere(gp_Pnt(0, 0, 0), 1.0, 2), 2},
                {PelliskTest_Meshes::Torus(24, 12), 2},
                {PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 2, 3), 3), 0},
                {aCrossing, 0}};
  for (const auto& aCase : aCases)
  {
    SCOPED_TRACE(testing::Message() << aCase.Mesh->NbTriangles() << " triangles, " << aCase.NbIterations);
    const Handle(HalfEdge_Mesh) aMesh    = new HalfEdge_Mesh(aCase.Mesh);
    const auto                  aBefore  = nodes(aMesh);
    const int                   aNbFaces = aMesh->NbFaces(), aNbGroups = nbCrossingGroups(aMesh);
    EXPECT_EQ(aNbGroups > 0, aCase.Mesh == aCrossing);
    EXPECT_TRUE(repair(aMesh, aCase.NbIterations));
    EXPECT_EQ(nodes(aMesh), aBefore);
    EXPECT_EQ(aMesh->NbFaces(), aNbFaces);
    EXPECT_EQ(nbCrossingGroups(aMesh), aNbGroups);
    EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
  }
}

TEST(Algo_FixSelfIntersectionsTest, FlipsTheEdgeThroughTheSheetOnTheSurfaceWithoutMovingANode)
{
  for (const unsigned int aNbThreads : {1u, 2u})
  {
    const Handle(HalfEdge_Mesh) aMesh   = fold();
    const auto                  aBefore = nodes(aMesh);
    const int aA = aMesh->NodeIndex(gp_Pnt(-1, 0, 0)), aB = aMesh->NodeIndex(gp_Pnt(1, 0, 0));
    const int aC = aMesh->NodeIndex(gp_Pnt(0, -1, 1)), aD = aMesh->NodeIndex(gp_Pnt(0, 1, 1));
    const int anEdge = aMesh->EdgeIndex(aA, aB);
    ASSERT_GE(anEdge, 0);
    ASSERT_EQ(nbCrossingGroups(aMesh), 1);
    EXPECT_TRUE(repair(aMesh, 2, aNbThreads));
    EXPECT_EQ(nodes(aMesh), aBefore);
    EXPECT_EQ(aMesh->EdgeIndex(aA, aB), -1);
    EXPECT_EQ(aMesh->EdgeIndex(aC, aD), anEdge);
    EXPECT_EQ(nbCrossingGroups(aMesh), 0);
    EXPECT_TRUE(
        PelliskTest_MeshCheck::CrossingPairs(*aMesh, PelliskTest_MeshCheck::CrossingSearch::BruteForce)
            .empty());
    EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
  }
}

TEST(Algo_FixSelfIntersectionsTest, CancellingAtAnyCheckpointStopsWithoutTheFailureMessage)
{
  // The fold passes six increments: sticking faces, the copy's check, the
  // node stage, the one flip, the edge stage and the second round's clean check.
  for (int anAt = 1; anAt <= 6; ++anAt)
  {
    SCOPED_TRACE(anAt);
    const Handle(Pelk_ProgressNotifier) aNotifier = new CancellingNotifier(anAt);
    EXPECT_EQ(repair(fold(), 2, 2, aNotifier), anAt == 6);
    EXPECT_TRUE(aNotifier->UserBreak());
    ASSERT_EQ(aNotifier->NbMessages(), 1);
    EXPECT_STREQ(aNotifier->Messages().First().Key().ToCString(), "Pelk_API.Cancel");
  }
}

TEST(Algo_FixSelfIntersectionsTest, RepairsTheCrossingsOfRealSkinsAlikeOnOneAndTwoThreads)
{
  int aNbAllPairs = 0;
  for (const char* aFile : {"teapot_utah.stl", "bones_cgal.stl", "spider_assimp.stl", "maxexport_assimp.stl"})
  {
    for (const double aGap : {0.1, 0.01})
    {
      SCOPED_TRACE(testing::Message() << aFile << " " << aGap);
      const Handle(HalfEdge_Mesh) aMesh = PelliskTest_Skins::Projected(aFile, 64, aGap).Mesh;
      const Handle(HalfEdge_Mesh) aTwo  = new HalfEdge_Mesh(aMesh);
      aNbAllPairs += PelliskTest_MeshCheck::Check(*new HalfEdge_Mesh(aMesh)).NoCrossing.NbFaults;
      EXPECT_TRUE(repair(aMesh, 2, 1));
      EXPECT_TRUE(repair(aTwo, 2, 2));
      EXPECT_EQ(nodes(aTwo), nodes(aMesh));
      EXPECT_EQ(nbCrossingGroups(aMesh), 0);
      EXPECT_TRUE(aMesh->IsTriangular());
      EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(*aMesh));
    }
  }
  EXPECT_GT(aNbAllPairs, 20) << "the skins cross somewhere";
}
