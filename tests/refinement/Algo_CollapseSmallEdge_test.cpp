#include <Algo_CollapseSmallEdge.hxx>
#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

// Two nodes of a sphere are moved next to a neighbour, 5e-8 and 2e-6 away: the default length removes
// only the degenerate edge, lengths at the bound are collapsed (bounds included). Giving back triangles
// collapses edges up to 1e-6 on its own, so even a length of 0 loses the degenerate edge.
TEST(Algo_CollapseSmallEdgeTest, DefaultRemovesOnlyDegenerateEdges)
{
  for (const auto& [aLength, aNbRemoved] : std::vector<std::pair<double, int>>{
           {0.0, 1}, {1e-7, 1}, {2e-6 * (1 - 1e-9), 1}, {2e-6 * (1 + 1e-9), 2}})
  {
    SCOPED_TRACE(aLength);
    const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::IcoSphere(gp_Pnt(), 1.0, 2));
    const int                   aNbBefore = aMesh->NbNodes();
    for (const auto& [aNode, aDistance] : std::vector<std::pair<int, double>>{{0, 5e-8}, {20, 2e-6}})
    {
      std::list<int> aFaces, aCorners;
      aMesh->FacesForNode(aNode, aFaces);
      aMesh->Face(aFaces.front(), aCorners);
      const int aNeighbour = aCorners.front() != aNode ? aCorners.front() : aCorners.back();
      aMesh->SetNode(aNode, aMesh->Node(aNeighbour).Translated(gp_Vec(0.0, 0.0, aDistance)));
    }
    Handle(Algo_CollapseSmallEdge) aStep = new Algo_CollapseSmallEdge(new Pelk_ProgressNotifier(""));
    EXPECT_EQ(aStep->Parameter(), 1e-7);
    aStep->SetMesh(aMesh);
    aStep->SetParameter(aLength);
    ASSERT_TRUE(aStep->Perform());
    EXPECT_EQ(aMesh->NbNodes(), aNbBefore - aNbRemoved);
    EXPECT_TRUE(aMesh->IsTriangular());
    EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
  }
}
