// Collapsing the nodes of a wrap that lie far from its input.
#include <HalfEdgeAlgo_CollapseFarNodes.hxx>
#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <PelliskTest_Skins.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{
// theMesh after collapsing its nodes farther than theBound from theInput on
// one and on two threads, which must give the same mesh.
Handle(Poly_Triangulation) collapsed(const Handle(Poly_Triangulation)& theMesh,
                                     const Handle(Poly_Triangulation)& theInput,
                                     double                            theBound,
                                     int&                              theNbCollapsed)
{
  Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(theInput);
  aSet->InitBuilder();
  aSet->Build();
  Handle(Poly_Triangulation) aResults[2];
  for (int aNbThreads = 1; aNbThreads <= 2; ++aNbThreads)
  {
    Handle(HalfEdgeAlgo_CollapseFarNodes) aCollapse = new HalfEdgeAlgo_CollapseFarNodes();
    aCollapse->SetTriangleSet(aSet);
    aCollapse->SetBound(theBound);
    aCollapse->SetNbThreads(static_cast<unsigned int>(aNbThreads));
    const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(theMesh);
    EXPECT_TRUE(aMesh->Execute(aCollapse, true));
    aResults[aNbThreads - 1] = *aMesh;
    theNbCollapsed           = aCollapse->NbCollapsed();
  }
  EXPECT_EQ(PelliskTest_Meshes::Nodes(aResults[0]).size(), PelliskTest_Meshes::Nodes(aResults[1]).size());
  EXPECT_EQ(PelliskTest_Meshes::Triangles(aResults[0]), PelliskTest_Meshes::Triangles(aResults[1]));
  return aResults[0];
}
} // namespace

TEST(HalfEdgeAlgo_CollapseFarNodesTest, NodesOverAHoleGoAndTheFacesSpanItFromTheRim)
{
  // The wrap is the input's own box; the input lacks the middle quarter of
  // its top, so the 3 x 3 nodes inside that square are 1/8 or 1/4 from it.
  const Handle(Poly_Triangulation)      aBox   = PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1), 8);
  const std::vector<gp_Pnt>             aNodes = PelliskTest_Meshes::Nodes(aBox);
  std::vector<int>                      aHole;
  const std::vector<std::array<int, 3>> aTriangles = PelliskTest_Meshes::Triangles(aBox);
  for (size_t aT = 0; aT < aTriangles.size(); ++aT)
  {
    gp_XYZ aCentre;
    for (const int aNode : aTriangles[aT])
    {
      aCentre += aNodes[static_cast<size_t>(aNode - 1)].XYZ() / 3.0;
    }
    if (aCentre.Z() > 1.0 - 1e-9 && std::abs(aCentre.X() - 0.5) < 0.25 && std::abs(aCentre.Y() - 0.5) < 0.25)
    {
      aHole.push_back(static_cast<int>(aT) + 1);
    }
  }
  const Handle(Poly_Triangulation) anInput = PelliskTest_Meshes::Without(aBox, aHole);

  int                              aNbCollapsed = 0;
  const Handle(Poly_Triangulation) aResult      = collapsed(aBox, anInput, 0.1, aNbCollapsed);
  EXPECT_EQ(aNbCollapsed, 9);
  const PelliskTest_MeshCheck::Result aCheck = PelliskTest_MeshCheck::Check(aResult);
  EXPECT_TRUE(aCheck.IsValid()) << aCheck.Summary();
  EXPECT_NEAR(aCheck.Volume, 1.0, 1e-12);
  EXPECT_EQ(aCheck.NbNodes, static_cast<int>(aNodes.size()) - 9);
  for (const gp_Pnt& aNode : PelliskTest_Meshes::Nodes(aResult))
  {
    EXPECT_LE(PelliskTest_MeshCheck::PointMeshDistance(anInput, aNode), 1e-12);
  }
  EXPECT_GE(PelliskTest_Meshes::SharpestAngle(aResult), 3.0);
}

TEST(HalfEdgeAlgo_CollapseFarNodesTest, RealSkinsStayValid)
{
  // Cartesian skins lie up to a cell or so off their input, in folds and
  // narrow places where careless collapses cross or turn faces.
  for (const char* aName : {"teapot_utah.stl", "elephant_holes_cgal.stl"})
  {
    SCOPED_TRACE(aName);
    const PelliskTest_Skins::Skin         aSkin     = PelliskTest_Skins::Projected(aName, 64, -1.0);
    const Handle(Poly_Triangulation)      aMesh     = *aSkin.Mesh;
    Handle(HalfEdgeAlgo_CollapseFarNodes) aCollapse = new HalfEdgeAlgo_CollapseFarNodes();
    aCollapse->SetTriangleSet(aSkin.Input);
    aCollapse->SetBound(0.3 * aSkin.Cell);
    ASSERT_TRUE(aSkin.Mesh->Execute(aCollapse, true));
    EXPECT_GT(aCollapse->NbCollapsed(), aMesh->NbNodes() / 20);
    const Handle(Poly_Triangulation) aResult = *aSkin.Mesh;
    EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aResult));
    EXPECT_GE(PelliskTest_Meshes::SharpestAngle(aResult),
              std::min(PelliskTest_Meshes::SharpestAngle(aMesh), 3.0));
  }
}

TEST(HalfEdgeAlgo_CollapseFarNodesTest, CollapsesThatWouldFoldCrossOrMakeSliversAreRefused)
{
  // A slab around a plate: its top and its sides are all far from the plate,
  // and collapsing them all would fold the slab flat onto its floor.
  const Handle(Poly_Triangulation) aPlate = PelliskTest_Meshes::Grid(4, 4);
  const Handle(Poly_Triangulation) aSlab =
      PelliskTest_Meshes::Box(gp_Pnt(-0.5, -0.5, -0.04), gp_Pnt(4.5, 4.5, 0.5), 10);
  int                              aNbCollapsed = 0;
  const Handle(Poly_Triangulation) aResult      = collapsed(aSlab, aPlate, 0.05, aNbCollapsed);
  EXPECT_GT(aNbCollapsed, 0);
  const PelliskTest_MeshCheck::Result aCheck = PelliskTest_MeshCheck::Check(aResult);
  EXPECT_TRUE(aCheck.IsValid()) << aCheck.Summary();
  EXPECT_EQ(aCheck.NbNodes, static_cast<int>(PelliskTest_Meshes::Nodes(aSlab).size()) - aNbCollapsed);
  EXPECT_GE(PelliskTest_Meshes::SharpestAngle(aResult), 3.0);
}

TEST(HalfEdgeAlgo_CollapseFarNodesTest, ACollapseThatWouldTurnAFaceOverGoesToAnotherNeighbour)
{
  // A fan around an apex over an arrowhead-shaped rim, seen from above: the
  // apex is far from a small input triangle under the rim's corner a1. Moved
  // onto a1, the face (apex, a2, a3) would turn over and fold onto its
  // neighbour without meeting it beyond their side (a2 lies above the
  // rim's plane); moved onto a2, every face keeps facing up.
  const gp_Pnt anApex(0, 0, 2), a0(1, 0, 0), a1(-1, 1, 0), a2(-0.3, 0, 0.3), a3(-1, -1, 0);
  const Handle(Poly_Triangulation) aFan = PelliskTest_Meshes::Make(
      {anApex, a0, a1, a2, a3}, {{{1, 2, 3}}, {{1, 3, 4}}, {{1, 4, 5}}, {{1, 5, 2}}});
  const Handle(Poly_Triangulation) anInput = PelliskTest_Meshes::Make(
      {gp_Pnt(-1, 1, -0.1), gp_Pnt(-0.9, 1, -0.1), gp_Pnt(-1, 0.9, -0.1)}, {{{1, 2, 3}}});
  int                              aNbCollapsed = 0;
  const Handle(Poly_Triangulation) aResult      = collapsed(aFan, anInput, 2.3, aNbCollapsed);
  EXPECT_EQ(aNbCollapsed, 1);
  const std::vector<gp_Pnt> aNodes = PelliskTest_Meshes::Nodes(aResult);
  ASSERT_EQ(aNodes.size(), 4u);
  EXPECT_TRUE(std::find_if(aNodes.begin(), aNodes.end(),
                           [&](const gp_Pnt& theP) { return theP.IsEqual(a2, 0.0); }) != aNodes.end());
  for (const std::array<int, 3>& aT : PelliskTest_Meshes::Triangles(aResult))
  {
    const gp_Vec aNormal =
        gp_Vec(aNodes[aT[0] - 1], aNodes[aT[1] - 1]).Crossed(gp_Vec(aNodes[aT[0] - 1], aNodes[aT[2] - 1]));
    EXPECT_GT(aNormal.Z(), 0.0);
  }
}
