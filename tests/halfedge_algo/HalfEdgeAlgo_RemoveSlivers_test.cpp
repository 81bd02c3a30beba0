// Removing the triangles with a sharp corner from a closed surface.
#include <HalfEdgeAlgo_RemoveSlivers.hxx>
#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <PelliskTest_Skins.hxx>
#include <Trivex_ProjectPntMesh.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace
{
const double THE_ANGLE = 12.0;

// theMesh with its slivers removed on one and on two threads, which must give
// the same mesh; theNbEdits tells how many edits were made.
Handle(Poly_Triangulation) mended(const Handle(HalfEdge_Mesh)&       theMesh,
                                  const Handle(Trivex::TriangleSet)& theInput,
                                  double                             theMaxLift,
                                  int&                               theNbEdits)
{
  const Handle(Poly_Triangulation) aBefore = *theMesh;
  Handle(Poly_Triangulation)       aResults[2];
  for (int aNbThreads = 1; aNbThreads <= 2; ++aNbThreads)
  {
    Handle(HalfEdgeAlgo_RemoveSlivers) aRemove = new HalfEdgeAlgo_RemoveSlivers();
    aRemove->SetTriangleSet(theInput);
    aRemove->SetAngle(THE_ANGLE);
    aRemove->SetMaxLift(theMaxLift);
    aRemove->SetNbThreads(static_cast<unsigned int>(aNbThreads));
    const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(aBefore);
    EXPECT_TRUE(aMesh->Execute(aRemove, true));
    aResults[aNbThreads - 1] = *aMesh;
    theNbEdits               = aRemove->NbEdits();
  }
  EXPECT_EQ(PelliskTest_Meshes::Triangles(aResults[0]), PelliskTest_Meshes::Triangles(aResults[1]));
  // A node that moved went onto the input.
  std::set<std::array<double, 3>> aNodes;
  for (const gp_Pnt& aNode : PelliskTest_Meshes::Nodes(aBefore))
  {
    aNodes.insert({aNode.X(), aNode.Y(), aNode.Z()});
  }
  Trivex::ProjectPntMesh aQuery(theInput);
  for (const gp_Pnt& aNode : PelliskTest_Meshes::Nodes(aResults[0]))
  {
    if (aNodes.count({aNode.X(), aNode.Y(), aNode.Z()}) == 0)
    {
      EXPECT_LE(aQuery.Perform(aNode).Distance(aNode), 1e-12);
    }
  }
  return aResults[0];
}

int nbSlivers(const Handle(Poly_Triangulation)& theMesh)
{
  const std::vector<double> anAngles = PelliskTest_Meshes::SharpestAngles(theMesh);
  return static_cast<int>(
      std::count_if(anAngles.begin(), anAngles.end(), [](double theAngle) { return theAngle < THE_ANGLE; }));
}

// The largest distance of a triangle's centre of theMesh from theSurface.
double farthestCentre(const Handle(Poly_Triangulation)& theMesh, const Handle(Poly_Triangulation)& theSurface)
{
  const std::vector<gp_Pnt> aNodes    = PelliskTest_Meshes::Nodes(theMesh);
  double                    aFarthest = 0.0;
  for (const std::array<int, 3>& aT : PelliskTest_Meshes::Triangles(theMesh))
  {
    const gp_Pnt aCentre((aNodes[aT[0] - 1].XYZ() + aNodes[aT[1] - 1].XYZ() + aNodes[aT[2] - 1].XYZ()) / 3.0);
    aFarthest = std::max(aFarthest, PelliskTest_MeshCheck::PointMeshDistance(theSurface, aCentre));
  }
  return aFarthest;
}
} // namespace

TEST(HalfEdgeAlgo_RemoveSliversTest, CapsAndNeedlesOnABoxGoWithoutCuttingItsEdges)
{
  // Nodes of a box's top moved within its plane: one near the middle of the
  // rim (needles and caps over the rim edges, whose edits could cut the box's
  // edge by a sixth of a grid side), one near another node (needles), one
  // near the middle of a diagonal (a cap that a swap within the top mends).
  const Handle(Poly_Triangulation) aBox     = PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1), 8);
  std::vector<gp_Pnt>              aNodes   = PelliskTest_Meshes::Nodes(aBox);
  const std::pair<gp_Pnt, gp_Pnt>  aMoves[] = {{gp_Pnt(0.5, 0.125, 1), gp_Pnt(0.5, 0.02, 1)},
                                               {gp_Pnt(0.375, 0.5, 1), gp_Pnt(0.49, 0.5, 1)},
                                               {gp_Pnt(0.75, 0.75, 1), gp_Pnt(0.69, 0.81, 1)}};
  for (const auto& aMove : aMoves)
  {
    const auto aNode = std::find_if(aNodes.begin(), aNodes.end(),
                                    [&](const gp_Pnt& theP) { return theP.IsEqual(aMove.first, 1e-12); });
    ASSERT_NE(aNode, aNodes.end());
    *aNode = aMove.second;
  }
  const Handle(Poly_Triangulation) aDented =
      PelliskTest_Meshes::Make(aNodes, PelliskTest_Meshes::Triangles(aBox));
  ASSERT_GT(nbSlivers(aDented), 4);
  Handle(Trivex::TriangleSet) anInput = new Trivex::TriangleSet(aBox);
  anInput->InitBuilder();
  anInput->Build();

  int aNbEdits = 0;
  mended(new HalfEdge_Mesh(aDented), nullptr, 0.01, aNbEdits);
  EXPECT_EQ(aNbEdits, 0) << "without an input, nothing changes";
  const Handle(Poly_Triangulation) aResult = mended(new HalfEdge_Mesh(aDented), anInput, 0.01, aNbEdits);
  EXPECT_GT(aNbEdits, 0);
  EXPECT_EQ(nbSlivers(aResult), 0);
  const PelliskTest_MeshCheck::Result aCheck = PelliskTest_MeshCheck::Check(aResult);
  EXPECT_TRUE(aCheck.IsValid()) << aCheck.Summary();
  EXPECT_NEAR(aCheck.Volume, 1.0, 1e-12);
  // Every face still lies on the box: no edit cut across its edge.
  EXPECT_LE(farthestCentre(aResult, aBox), 1e-12);
}

TEST(HalfEdgeAlgo_RemoveSliversTest, RealSkinsLoseMostSliversAndStayValid)
{
  // Projected Cartesian skins have slivers along the input's sharp edges and
  // in its narrow places, where careless edits fold or cross faces; these two
  // have no crossing to begin with.
  for (const char* aName : {"teapot_utah.stl", "mech_holes_shark_cgal.stl"})
  {
    SCOPED_TRACE(aName);
    const PelliskTest_Skins::Skin    aSkin   = PelliskTest_Skins::Projected(aName, 64, 0.1);
    const Handle(Poly_Triangulation) aBefore = *aSkin.Mesh;
    ASSERT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aBefore));
    int                              aNbEdits = 0;
    const Handle(Poly_Triangulation) aResult  = mended(aSkin.Mesh, aSkin.Input, 0.2 * aSkin.Cell, aNbEdits);
    EXPECT_GT(aNbEdits, 0);
    EXPECT_LT(nbSlivers(aResult), nbSlivers(aBefore) / 4);
    EXPECT_GE(PelliskTest_Meshes::SharpestAngle(aResult), PelliskTest_Meshes::SharpestAngle(aBefore));
    EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aResult));
  }
}

TEST(HalfEdgeAlgo_RemoveSliversTest, EditsAcrossARidgeMoveTheSurfaceNoFartherThanTheLift)
{
  // A roof whose ridge runs along x. The mesh over it has nodes a and b on
  // either slope near the ridge's middle, and two needles over the ridge
  // between them: any edit of theirs moves the surface by a few hundredths.
  const std::vector<gp_Pnt>        aRoofNodes = {gp_Pnt(0, 0, 1),  gp_Pnt(4, 0, 1), gp_Pnt(0, -1, 0),
                                                 gp_Pnt(4, -1, 0), gp_Pnt(0, 1, 0), gp_Pnt(4, 1, 0)};
  const Handle(Poly_Triangulation) aRoof =
      PelliskTest_Meshes::Make(aRoofNodes, {{3, 4, 2}, {3, 2, 1}, {5, 1, 2}, {5, 2, 6}});
  std::vector<gp_Pnt> aNodes = aRoofNodes;
  aNodes.push_back(gp_Pnt(2, -0.05, 0.95));
  aNodes.push_back(gp_Pnt(2, 0.05, 0.95));
  const Handle(Poly_Triangulation) aMesh = PelliskTest_Meshes::Make(
      aNodes, {{3, 4, 7}, {3, 7, 1}, {4, 2, 7}, {1, 7, 8}, {7, 2, 8}, {6, 5, 8}, {5, 1, 8}, {2, 6, 8}});
  Handle(Trivex::TriangleSet) anInput = new Trivex::TriangleSet(aRoof);
  anInput->InitBuilder();
  anInput->Build();
  int aNbEdits = 0;
  mended(new HalfEdge_Mesh(aMesh), anInput, 0.01, aNbEdits);
  EXPECT_EQ(aNbEdits, 0);
  // Allowed to move it a tenth, one collapse of the needles' shared edge
  // into a point of the ridge mends both.
  const Handle(Poly_Triangulation) aResult = mended(new HalfEdge_Mesh(aMesh), anInput, 0.1, aNbEdits);
  EXPECT_EQ(aNbEdits, 1);
  EXPECT_EQ(aResult->NbNodes(), 7);
  EXPECT_GE(PelliskTest_Meshes::SharpestAngle(aResult), THE_ANGLE);

  // A cap on one slope over the whole ridge: swapping the ridge would cut
  // the roof by a third, while its apex collapses into a ridge end in place.
  std::vector<gp_Pnt> aCapNodes = aRoofNodes;
  aCapNodes.push_back(gp_Pnt(2, -0.21, 0.79));
  const Handle(Poly_Triangulation) aCapped =
      mended(new HalfEdge_Mesh(PelliskTest_Meshes::Make(
                 aCapNodes, {{3, 4, 7}, {3, 7, 1}, {4, 2, 7}, {1, 7, 2}, {1, 2, 5}, {2, 6, 5}})),
             anInput, 0.01, aNbEdits);
  EXPECT_EQ(aCapped->NbNodes(), 6);
  EXPECT_LE(farthestCentre(aCapped, aRoof), 1e-12);
}
