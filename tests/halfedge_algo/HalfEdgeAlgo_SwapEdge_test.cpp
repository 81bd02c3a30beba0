// Edge flips: which edges may flip, the quality rule at its bound, crossings, whole-mesh runs on real skins.
#include <Mesh.hxx>

#include <HalfEdgeAlgo_SwapEdge.hxx>
#include <HalfEdge_FaceMetrics.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <PelliskTest_Skins.hxx>

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
using Faces = std::vector<std::list<int>>;

// Corners of every face number, each list starting at its smallest node.
Faces faces(const Handle(HalfEdge_Mesh)& theMesh)
{
  Faces aFaces(size_t(theMesh->NbFaces()));
  for (int f = 0; f < theMesh->NbFaces(); ++f)
  {
    std::list<int>& aCorners = aFaces[size_t(f)];
    theMesh->Face(f, aCorners);
    std::rotate(aCorners.begin(), std::min_element(aCorners.begin(), aCorners.end()), aCorners.end());
  }
  return aFaces;
}

bool swap(const Handle(HalfEdge_Mesh)& theMesh, int theEdge, double theLimit, unsigned theNbThreads = 1)
{
  Handle(HalfEdgeAlgo_SwapEdge) aSwap = new HalfEdgeAlgo_SwapEdge();
  aSwap->SetEdge(theEdge);
  aSwap->SetSkewnessLimit(theLimit);
  aSwap->SetNbThreads(theNbThreads);
  return theMesh->Execute(aSwap, false);
}

// By the public queries alone: two triangles whose corners off the edge differ and are not joined.
bool isFlippable(const Handle(HalfEdge_Mesh)& theMesh, int theEdge, std::set<int>& theOpposite)
{
  std::list<int> aSides, aCorners;
  int            anEnds[2] = {-1, -1};
  theMesh->FacesForEdge(theEdge, aSides);
  theMesh->Edge(theEdge, anEnds);
  for (const int aFace : aSides)
  {
    theMesh->Face(aFace, aCorners);
    theOpposite.insert(aCorners.begin(), aCorners.end());
  }
  theOpposite.erase(anEnds[0]);
  theOpposite.erase(anEnds[1]); // a quadrangle would leave three
  return aSides.size() == 2 && theOpposite.size() == 2 &&
         theMesh->EdgeIndex(*theOpposite.begin(), *theOpposite.rbegin()) < 0;
}
} // namespace

TEST(HalfEdgeAlgo_SwapEdgeTest, FlipsExactlyTheFlippableEdgesKeepingOrientationAndFlipsBack)
{
  // A strip of three squares: the first deleted (its diagonal with it), the last one quadrangle.
  const Handle(HalfEdge_Mesh) aStrip = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(3, 1));
  for (const int aFace : {0, 1, 4, 5})
  {
    aStrip->DeleteFace(aFace);
  }
  ASSERT_GE(aStrip->AddFace({2, 3, 7, 6}, true), 0);
  const std::pair<Handle(HalfEdge_Mesh), int> aCases[] = {
      {new HalfEdge_Mesh(PelliskTest_Meshes::Tetrahedron()), 0}, // every flip would double an edge
      {aStrip, 1},
      {new HalfEdge_Mesh(PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1), 2)), 72}};
  for (const auto& [aMesh, aNbFlippable] : aCases)
  {
    int aNbFlipped = 0;
    for (int anEdge = -2; anEdge <= aMesh->NbEdges() + 1; anEdge += anEdge == -2 ? 2 : 1) // -1: whole mesh
    {
      SCOPED_TRACE(anEdge);
      std::set<int>  anOpposite;
      std::list<int> aSides;
      const bool     isFlippable = ::isFlippable(aMesh, anEdge, anOpposite);
      Faces          aFaces      = faces(aMesh);
      aMesh->FacesForEdge(anEdge, aSides);
      EXPECT_EQ(PelliskTest_Mesh::Storage(aMesh).IsFlipOk(Mesh::EdgeHandle(anEdge)), isFlippable);
      ASSERT_EQ(swap(aMesh, anEdge, -1.0), isFlippable) << "the quality rule is off";
      if (!isFlippable)
      {
        EXPECT_EQ(faces(aMesh), aFaces);
        continue;
      }
      ++aNbFlipped;
      EXPECT_EQ(aMesh->EdgeIndex(*anOpposite.begin(), *anOpposite.rbegin()), anEdge);
      EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
      const Handle(HalfEdge_Mesh) aCopy  = new HalfEdge_Mesh(aMesh);
      const auto                  aCheck = PelliskTest_MeshCheck::Check(*aCopy);
      EXPECT_TRUE(aCheck.Oriented.IsOk() && aCheck.EdgeManifold.IsOk()) << aCheck.Summary();
      // Flipping again turns the edge on round: the triangles come back, the two faces traded.
      EXPECT_TRUE(swap(aMesh, anEdge, -1.0));
      std::swap(aFaces[size_t(aSides.front())], aFaces[size_t(aSides.back())]);
      EXPECT_EQ(faces(aMesh), aFaces);
    }
    EXPECT_EQ(aNbFlipped, aNbFlippable);
  }
}

TEST(HalfEdgeAlgo_SwapEdgeTest, QualityRuleKeepsTiesUndoesAnyRiseAndIsOffBelowItsBound)
{
  // The unit square split along 0-2, corner 2 moved along that diagonal by Shift.
  const std::tuple<double, double, bool> aCases[] = {
      {0, 0, true}, {1e-9, 0, true}, {-1e-9, 0, false}, {-1e-9, -1e-7, false}, {-1e-9, -1.01e-7, true}};
  for (const auto& [aShift, aLimit, isKept] : aCases)
  {
    SCOPED_TRACE(testing::Message() << aShift << " " << aLimit);
    const double                c       = 1.0 + aShift;
    const Handle(HalfEdge_Mesh) aMesh   = new HalfEdge_Mesh(PelliskTest_Meshes::Make(
          {gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(c, c, 0), gp_Pnt(0, 1, 0)}, {{1, 2, 3}, {1, 3, 4}}));
    const Faces                 aBefore = faces(aMesh);
    EXPECT_EQ(swap(aMesh, aMesh->EdgeIndex(0, 2), aLimit), isKept);
    EXPECT_EQ(aMesh->EdgeIndex(1, 3) >= 0 && faces(aMesh) != aBefore, isKept);
  }
}

TEST(HalfEdgeAlgo_SwapEdgeTest, FlipThroughAnotherSheetIsRefused)
{
  // A bent square a b c d split along its long diagonal a-c; the fold a-d-p of the strip runs from
  // a inside the wedge of the square, through where b-c-d would be after the flip.
  const Handle(HalfEdge_Mesh) aMesh   = new HalfEdge_Mesh(PelliskTest_Meshes::Make(
        {gp_Pnt(-2, 0, 0), gp_Pnt(0, -1, 0.5), gp_Pnt(2, 0, 0), gp_Pnt(0, 1, 0.5), gp_Pnt(2, 0.2, 0.5)},
        {{1, 2, 3}, {1, 3, 4}, {1, 4, 5}}));
  const Handle(HalfEdge_Mesh) aCopy   = new HalfEdge_Mesh(aMesh);
  const Faces                 aBefore = faces(aMesh);
  EXPECT_FALSE(swap(aMesh, -1, 0.0));
  EXPECT_EQ(faces(aMesh), aBefore);
  // Alone (no crossing test) the flip of a-c is kept, and the fold crosses b-c-d.
  EXPECT_TRUE(swap(aCopy, aCopy->EdgeIndex(0, 2), 0.0));
  EXPECT_TRUE(PelliskTest_MeshCheck::CrossingPairs(*aCopy, PelliskTest_MeshCheck::CrossingSearch::BruteForce)
                  .size() == 1);
}

TEST(HalfEdgeAlgo_SwapEdgeTest, WholeMeshOnRealSkinsMakesNoFaceWorseAndKeepsTheSurfaceValid)
{
  const std::pair<const char*, double> aSkins[] = {
      {"teapot_utah.stl", 0.1}, {"teapot_utah.stl", 0.01}, {"bones_cgal.stl", 0.1}, {"bones_cgal.stl", 0.01}};
  for (const auto& [aFile, aGap] : aSkins)
  {
    SCOPED_TRACE(testing::Message() << aFile << " " << aGap);
    const Handle(HalfEdge_Mesh) aMesh = PelliskTest_Skins::Projected(aFile, 64, aGap).Mesh;
    ASSERT_FALSE(aMesh.IsNull());
    const Handle(HalfEdge_Mesh) aTwo = new HalfEdge_Mesh(aMesh), aCopy = new HalfEdge_Mesh(aMesh);
    const auto                  aBefore = PelliskTest_MeshCheck::Check(*aCopy);
    PelliskTest_Mesh::Storage(aMesh).RequestMetrics("skewness");
    const auto   aMetric = PelliskTest_Mesh::Storage(aMesh).GetMetrics("skewness");
    const double aWorst  = aMetric->Max();
    EXPECT_TRUE(swap(aMesh, -1, 0.0, 1));
    EXPECT_TRUE(swap(aTwo, -1, 0.0, 2));
    // The cached values follow the new triangles: a metric made afresh (on a copy) agrees.
    EXPECT_EQ(aMetric->Mean(), Mesh(PelliskTest_Mesh::Storage(aMesh)).GetMetrics("skewness")->Mean());
    EXPECT_LE(aMetric->Max(), aWorst);
    EXPECT_FALSE(swap(aMesh, -1, aMetric->Max() + 1e-9)) << "every triangle below the limit";
    EXPECT_EQ(faces(aMesh), faces(aTwo)) << "1 and 2 threads, and nothing done below the limit";
    const auto anAfter = PelliskTest_MeshCheck::Check(*aTwo);
    EXPECT_TRUE(anAfter.Closed.IsOk() && anAfter.EdgeManifold.IsOk() && anAfter.VertexManifold.IsOk() &&
                anAfter.Oriented.IsOk() && anAfter.NonDegenerate.IsOk() &&
                anAfter.NoCrossing.NbFaults <= aBefore.NoCrossing.NbFaults)
        << aBefore.Summary() << anAfter.Summary();
  }
}
