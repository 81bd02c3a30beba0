// Projection of nodes onto a triangle set, and the node update.
#include <HalfEdgeAlgo_Projection.hxx>
#include <HalfEdgeAlgo_UpdateNodes.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>

#include <Mesh.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace
{
bool project(const Handle(HalfEdge_Mesh)&      theMesh,
             const Handle(Poly_Triangulation)& theInput,
             double                            theGap,
             int                               theNbThreads)
{
  Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(theInput);
  aSet->InitBuilder();
  aSet->Build();
  Handle(HalfEdgeAlgo_Projection) aProjection = new HalfEdgeAlgo_Projection();
  aProjection->SetTriangleSet(aSet);
  aProjection->SetGap(theGap);
  aProjection->SetNbThreads(static_cast<unsigned int>(theNbThreads));
  return theMesh->Execute(aProjection, false);
}

} // namespace

TEST(HalfEdgeAlgo_ProjectionTest, NodesMoveStraightTowardsTheirClosestPointAndStopAtTheGap)
{
  // The input is the square [0, 4] x [0, 4] of the plane z = 0.
  const std::tuple<gp_Pnt, double, gp_Pnt> aCases[] = {
      {{1.5, 1.5, 0.5}, 0.5, {1.5, 1.5, 0.5}},   // exactly at the gap: stays
      {{1.5, 1.5, 2.0}, 0.5, {1.5, 1.5, 0.5}},   // straight down to the gap
      {{1.0, 1.0, 0.0}, 0.0, {1.0, 1.0, 0.0}},   // on the input: no division by zero
      {{-1.0, 2.0, 0.0}, 0.0, {0.0, 2.0, 0.0}},  // onto the border
      {{-3.0, 2.0, 4.0}, 1.0, {-0.6, 2.0, 0.8}}, // towards (0, 2, 0), 1 from it
      {{2.0, 2.0, -3.0}, -1.0, {2.0, 2.0, 0.0}}, // a negative gap counts as 0
  };
  for (const auto& [aFrom, aGap, aTo] : aCases)
  {
    SCOPED_TRACE(aGap);
    const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh();
    aMesh->AddNode(aFrom);
    EXPECT_TRUE(project(aMesh, PelliskTest_Meshes::Grid(4, 4), aGap, 1));
    EXPECT_NEAR(aMesh->Node(0).Distance(aTo), 0.0, 1e-12);
  }
  const Handle(HalfEdge_Mesh) anEmpty = new HalfEdge_Mesh();
  EXPECT_TRUE(project(anEmpty, PelliskTest_Meshes::Grid(4, 4), 0.0, 2));
  EXPECT_EQ(anEmpty->NbNodes(), 0);

  // Onto a sphere: with 1 and 2 threads alike, straight towards a closest point, up to the gap.
  const Handle(Poly_Triangulation) aSphere = PelliskTest_Meshes::IcoSphere(gp_Pnt(0.1, 0.0, -0.2), 1.0, 2);
  const Handle(HalfEdge_Mesh)      aBox =
      new HalfEdge_Mesh(PelliskTest_Meshes::Box(gp_Pnt(-1.5, -1.5, -1.5), gp_Pnt(1.5, 1.5, 1.5), 6));
  for (const double aGap : {0.0, 0.25, 0.55})
  {
    SCOPED_TRACE(aGap);
    const Handle(HalfEdge_Mesh) aOne = new HalfEdge_Mesh(aBox), aTwo = new HalfEdge_Mesh(aBox);
    EXPECT_TRUE(project(aOne, aSphere, aGap, 1));
    EXPECT_TRUE(project(aTwo, aSphere, aGap, 2));
    for (int aNode = 0; aNode < aBox->NbNodes(); ++aNode)
    {
      const gp_Pnt aFrom = aBox->Node(aNode), aTo = aOne->Node(aNode);
      const double aWas = PelliskTest_MeshCheck::PointMeshDistance(aSphere, aFrom);
      EXPECT_TRUE(aTo.IsEqual(aTwo->Node(aNode), 0.0)) << aNode;
      EXPECT_NEAR(PelliskTest_MeshCheck::PointMeshDistance(aSphere, aTo), std::min(aWas, aGap), 1e-9)
          << aNode;
      EXPECT_NEAR(aFrom.Distance(aTo), std::max(aWas - aGap, 0.0), 1e-9) << aNode;
    }
  }
}

TEST(HalfEdgeAlgo_UpdateNodesTest, OnlyLiveNodesInRangeMove)
{
  const Handle(HalfEdge_Mesh) aMesh    = new HalfEdge_Mesh(PelliskTest_Meshes::Tetrahedron());
  Mesh&                       aStorage = PelliskTest_Mesh::Storage(aMesh);
  aStorage.status(Mesh::VertexHandle(3)).set_deleted(true);
  Handle(HalfEdgeAlgo_UpdateNodes) anUpdate = new HalfEdgeAlgo_UpdateNodes();
  anUpdate->SetNodes(
      {{-1, gp_Pnt(7, 7, 7)}, {1, gp_Pnt(9, 9, 9)}, {3, gp_Pnt(8, 8, 8)}, {4, gp_Pnt(7, 7, 7)}});
  EXPECT_TRUE(aMesh->Execute(anUpdate, false));
  const std::vector<Mesh::Point> anExpected = {{0, 0, 0}, {9, 9, 9}, {0, 1, 0}, {0, 0, 1}};
  EXPECT_EQ(std::vector<Mesh::Point>(aStorage.points(), aStorage.points() + aStorage.n_vertices()),
            anExpected);
}
