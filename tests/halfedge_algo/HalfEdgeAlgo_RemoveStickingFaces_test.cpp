// Removal of faces stuck back to back, and welding of what remains.
#include <HalfEdgeAlgo_CheckSplash.hxx>
#include <HalfEdgeAlgo_FixSplash.hxx>
#include <HalfEdgeAlgo_Projection.hxx>
#include <HalfEdgeAlgo_RemoveStickingFaces.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <PelliskTest_Skins.hxx>

#include <Mesh.hxx>
#include <gp_Ax2.hxx>

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace
{
// The triangles (corners from 1) on the nodes, every node kept apart even where it coincides with another.
Handle(HalfEdge_Mesh) unmerged(const std::vector<gp_Pnt>& theNodes, const Handle(Poly_Triangulation)& theMesh)
{
  const Handle(HalfEdge_Mesh) aMesh    = new HalfEdge_Mesh();
  Mesh&                       aStorage = PelliskTest_Mesh::Storage(aMesh);
  for (const gp_Pnt& aNode : theNodes)
  {
    aStorage.add_vertex(Mesh::Point(aNode.X(), aNode.Y(), aNode.Z()));
  }
  for (const std::array<int, 3>& aT : PelliskTest_Meshes::Triangles(theMesh))
  {
    const Mesh::VertexHandle aCorners[3] = {Mesh::VertexHandle(aT[0] - 1), Mesh::VertexHandle(aT[1] - 1),
                                            Mesh::VertexHandle(aT[2] - 1)};
    EXPECT_TRUE(aStorage.add_face(aCorners, 3).is_valid());
  }
  return aMesh;
}
} // namespace

TEST(HalfEdgeAlgo_RemoveStickingFacesTest, BoxesTouchingFaceToFaceBecomeOneBoxWhenTheirNodesCoincide)
{
  // The second box is the first mirrored across x = 1, then moved a little: by twice the tolerance in one
  // axis, nothing coincides and the surface is left as it was.
  const Handle(Poly_Triangulation) aBox = PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1), 2);
  gp_Trsf                          aMirror, aShift;
  aMirror.SetMirror(gp_Ax2(gp_Pnt(1, 0, 0), gp_Dir(1, 0, 0)));
  const std::tuple<gp_Vec, bool> aCases[] = {
      {{0, 0, 0}, true}, {{5e-8, 5e-8, -5e-8}, true}, {{2e-7, 0, 0}, false}, {{0, 0, -2e-7}, false}};
  for (const auto& [aMove, isWelded] : aCases)
  {
    SCOPED_TRACE(testing::Message() << aMove.X() << " " << aMove.Y() << " " << aMove.Z());
    aShift.SetTranslation(aMove);
    const Handle(Poly_Triangulation) aBoth = PelliskTest_Meshes::Append(
        aBox, PelliskTest_Meshes::Transformed(PelliskTest_Meshes::Transformed(aBox, aMirror), aShift));
    const Handle(HalfEdge_Mesh)                    aMesh = unmerged(PelliskTest_Meshes::Nodes(aBoth), aBoth);
    const Handle(HalfEdgeAlgo_RemoveStickingFaces) aRemove = new HalfEdgeAlgo_RemoveStickingFaces();
    EXPECT_TRUE(aMesh->Execute(aRemove, true));
    EXPECT_EQ(aRemove->NbPairs(), isWelded ? 8 : 0);
    EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
    const Handle(Poly_Triangulation) aResult = *aMesh;
    EXPECT_EQ(PelliskTest_Meshes::Triangles(aResult).size(), isWelded ? 80u : 96u);
    EXPECT_EQ(aResult->NbNodes(), isWelded ? 42 : 52) << "the node amid the shared side is gone";
    EXPECT_TRUE(!isWelded || PelliskTest_MeshCheck::IsValidWrap(aResult));
    EXPECT_TRUE(isWelded || PelliskTest_Meshes::Triangles(aResult) == PelliskTest_Meshes::Triangles(aBoth));
  }
}

TEST(HalfEdgeAlgo_RemoveStickingFacesTest, AWeldTheSurfaceCannotTakeLeavesThoseNodesApart)
{
  // Two boxes under the plane z = 1 and two over it, all four touching it
  // with a whole side: removing the two pairs of stuck sides and welding
  // would hang four faces on each edge of the first box's top.
  using namespace PelliskTest_Meshes;
  const Handle(Poly_Triangulation) aBoxes =
      Append(Append(Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1), 2), Box(gp_Pnt(0, 0, 1), gp_Pnt(1, 1, 2), 2)),
             Append(Box(gp_Pnt(0, 0, 0.5), gp_Pnt(1, 1, 1), 2), Box(gp_Pnt(0, 0, 1), gp_Pnt(1, 1, 1.5), 2)));
  const Handle(HalfEdge_Mesh)                    aMesh   = unmerged(Nodes(aBoxes), aBoxes);
  const Handle(HalfEdgeAlgo_RemoveStickingFaces) aRemove = new HalfEdgeAlgo_RemoveStickingFaces();
  EXPECT_TRUE(aMesh->Execute(aRemove, true));
  EXPECT_EQ(aRemove->NbRefusedFaces(), 0);
  EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
  const PelliskTest_MeshCheck::Result aResult = PelliskTest_MeshCheck::Check(*aMesh);
  EXPECT_TRUE(aResult.Closed.IsOk() && aResult.EdgeManifold.IsOk() && aResult.Oriented.IsOk())
      << aResult.Summary();
}

TEST(HalfEdgeAlgo_RemoveStickingFacesTest, PairsCoincidentFacesOfOppositeOrientationOnly)
{
  // Nodes 3k + 1, 3k + 2, 3k + 3 (k = 0, 1, 2) are three copies of one triangle's corners.
  const std::tuple<std::vector<std::array<int, 3>>, std::set<int>> aCases[] = {
      {{{1, 2, 3}, {4, 5, 6}}, {0, 1}},                   // same orientation: not paired
      {{{1, 2, 3}, {4, 6, 5}}, {}},                       // opposite: both removed
      {{{1, 2, 3}, {4, 5, 6}, {7, 9, 8}}, {1}},           // the first face of side A takes side B's only one
      {{{1, 3, 2}, {4, 5, 6}, {7, 8, 9}}, {2}},           // no shared nodes: the lowest number wins
      {{{1, 2, 3}, {4, 6, 5}, {1, 3, 2}}, {1}},           // the face on the same nodes wins
      {{{1, 2, 3}, {4, 5, 6}, {1, 3, 2}, {4, 6, 5}}, {}}, // two pairs
      {{{1, 2, 4}, {4, 5, 6}}, {2}}, // cut to nothing through a cluster twice, the other welded anew
  };
  std::vector<gp_Pnt> aNodes;
  for (int aNode = 0; aNode < 9; ++aNode)
  {
    aNodes.emplace_back(aNode % 3 == 1 ? 1.0 : 0.0, aNode % 3 == 2 ? 1.0 : 0.0, 0.0);
  }
  for (const auto& [aTriangles, aLeft] : aCases)
  {
    SCOPED_TRACE(testing::PrintToString(aTriangles));
    const Handle(HalfEdge_Mesh) aMesh = unmerged(aNodes, PelliskTest_Meshes::Make(aNodes, aTriangles));
    const Handle(HalfEdgeAlgo_RemoveStickingFaces) aRemove = new HalfEdgeAlgo_RemoveStickingFaces();
    EXPECT_TRUE(aMesh->Execute(aRemove, false));
    EXPECT_EQ(aRemove->NbPairs(), static_cast<int>(aTriangles.size() - aLeft.size()) / 2);
    EXPECT_TRUE(aMesh->Execute(aRemove, false)) << "again, among deleted faces and nodes without faces";
    std::set<int> aLive;
    for (HalfEdge_Mesh::Iterator anIt = aMesh->FacesBegin(); anIt != aMesh->FacesEnd(); ++anIt)
    {
      aLive.insert(anIt.Index());
    }
    EXPECT_EQ(aLive, aLeft);
  }
}

TEST(HalfEdgeAlgo_RemoveStickingFacesTest, RealSkinsProjectedWithoutGapStayClosedManifoldAndOriented)
{
  // The teapot's skin in quads at 1/128 has sheets that touch at single nodes, which must not be welded.
  const std::tuple<const char*, int, bool> aCases[] = {
      {"teapot_utah.stl", 128, false}, {"boeing_cgal.stl", 64, true}, {"maxexport_assimp.stl", 64, true}};
  size_t aNbSplashes = 0, aNbPairs = 0;
  for (const auto& [aFile, aNbCells, isTriangulated] : aCases)
  {
    SCOPED_TRACE(aFile);
    const PelliskTest_Skins::Skin aSkin = PelliskTest_Skins::Projected(aFile, aNbCells, -1.0, isTriangulated);
    Handle(HalfEdgeAlgo_Projection) aProjection = new HalfEdgeAlgo_Projection();
    aProjection->SetTriangleSet(aSkin.Input);
    aSkin.Mesh->Execute(aProjection, true);
    const Handle(HalfEdgeAlgo_CheckSplash) aCheck = new HalfEdgeAlgo_CheckSplash();
    aSkin.Mesh->Execute(aCheck, false);
    const std::set<int> aSplashes = aCheck->SplashNodes();
    EXPECT_EQ(aSkin.Mesh->Execute(new HalfEdgeAlgo_FixSplash(aSplashes), false), !aSplashes.empty());
    aSkin.Mesh->Execute(aCheck, false);
    EXPECT_TRUE(aSplashes.empty() || aCheck->SplashNodes().size() < aSplashes.size());
    const Handle(HalfEdgeAlgo_RemoveStickingFaces) aRemove = new HalfEdgeAlgo_RemoveStickingFaces();
    EXPECT_TRUE(aSkin.Mesh->Execute(aRemove, true));
    EXPECT_GT(aRemove->NbCutFaces(), 0);
    EXPECT_EQ(PelliskTest_Mesh::Check(aSkin.Mesh), "");
    const PelliskTest_MeshCheck::Result aResult = PelliskTest_MeshCheck::Check(*aSkin.Mesh);
    EXPECT_TRUE(aResult.Closed.IsOk() && aResult.EdgeManifold.IsOk() && aResult.VertexManifold.IsOk() &&
                aResult.Oriented.IsOk() && aResult.NbShells == 1)
        << aResult.Summary();
    aNbSplashes += aSplashes.size();
    aNbPairs += static_cast<size_t>(aRemove->NbPairs());
  }
  EXPECT_GT(aNbSplashes * aNbPairs, 0u) << "some splashes and some pairs";
}
