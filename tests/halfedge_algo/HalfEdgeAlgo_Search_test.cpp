#include <HalfEdgeAlgo_AspectRatioCriterion.hxx>
#include <HalfEdgeAlgo_EdgeLengthCriterion.hxx>
#include <HalfEdgeAlgo_EdgesOnFacesCriterion.hxx>
#include <HalfEdgeAlgo_FaceByNodesCriterion.hxx>
#include <HalfEdgeAlgo_FindEdges.hxx>
#include <HalfEdgeAlgo_FindFaces.hxx>
#include <HalfEdgeAlgo_FindVertices.hxx>
#include <HalfEdgeAlgo_RenegadeEdgeCriterion.hxx>
#include <HalfEdgeAlgo_RenegadeVertexCriterion.hxx>
#include <HalfEdgeAlgo_VerticesOnFacesCriterion.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <Mesh.hxx>

#include <gtest/gtest.h>

#include <limits>

namespace
{
// What a search with the criterion (or none) finds, checked to be the same with two threads and with one.
template <class Search>
std::set<int> found(const Handle(HalfEdge_Mesh)&                theMesh,
                    const Handle(HalfEdgeAlgo_SearchCriterion)& theCriterion = nullptr)
{
  Handle(HalfEdgeAlgo_Search) aSearch = new Search();
  aSearch->AddCriterion(theCriterion);
  aSearch->SetNbThreads(2);
  const bool          isFound = theMesh->Execute(aSearch, false);
  const std::set<int> aFound  = aSearch->Found();
  aSearch->SetNbThreads(1);
  EXPECT_TRUE(isFound == !aFound.empty() && theMesh->Execute(aSearch, false) == isFound);
  EXPECT_EQ(aSearch->Found(), aFound) << "one thread against two";
  return aFound;
}

// The edges (or the corners) of the faces; none of a deleted or missing face.
std::set<int> ofFaces(const Handle(HalfEdge_Mesh)& theMesh, const std::set<int>& theFaces, bool theIsEdges)
{
  std::set<int> anElements;
  for (const int aFace : theFaces)
  {
    std::list<int> aNodes;
    theMesh->Face(aFace, aNodes);
    int aPrevious = aNodes.empty() ? 0 : aNodes.back();
    for (const int aNode : aNodes)
    {
      anElements.insert(theIsEdges ? theMesh->EdgeIndex(aPrevious, aNode) : aNode);
      aPrevious = aNode;
    }
  }
  return anElements;
}

// The mesh's triangles in a set (built by the criteria), each record carrying its face number.
Handle(Trivex::TriangleSet) triangleSet(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::vector<Trivex::TriangleData> aTriangles;
  for (HalfEdge_Mesh::Iterator aFace = theMesh->FacesBegin(); aFace != theMesh->FacesEnd(); ++aFace)
  {
    const std::list<int> aNodes = *aFace;
    aTriangles.emplace_back(theMesh->Node(aNodes.front()), theMesh->Node(*std::next(aNodes.begin())),
                            theMesh->Node(aNodes.back()), aFace.Index());
  }
  return new Trivex::TriangleSet(aTriangles);
}
} // namespace

TEST(HalfEdgeAlgo_SearchTest, LiveElementsEdgeLengthsAndOnFacesCriteria)
{
  Handle(HalfEdge_Mesh)             aMesh     = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(3, 3));
  const Handle(Trivex::TriangleSet) aSet      = triangleSet(aMesh);
  const int                         aGoneEdge = aMesh->EdgeIndex(0, 1);
  Mesh&                             aStorage  = PelliskTest_Mesh::Storage(aMesh);
  aStorage.delete_vertex(Mesh::VertexHandle(5), false); // and its faces 0, 1, 3, 6, 8, 9
  const std::set<int> aLiveFaces = {2, 4, 5, 7, 10, 11, 12, 13, 14, 15, 16, 17};
  std::set<int>       aLiveNodes = ofFaces(aMesh, aLiveFaces, false);
  aLiveNodes.insert(0); // alone now, but not deleted
  EXPECT_EQ(found<HalfEdgeAlgo_FindFaces>(aMesh), aLiveFaces);
  EXPECT_EQ(found<HalfEdgeAlgo_FindEdges>(aMesh), ofFaces(aMesh, aLiveFaces, true));
  EXPECT_EQ(found<HalfEdgeAlgo_FindVertices>(aMesh), aLiveNodes);
  // Squared lengths are 1 (sides) and 2 (diagonals: 7 of 9 are left), met exactly by the bounds.
  const Handle(HalfEdgeAlgo_EdgeLengthCriterion) aLength = new HalfEdgeAlgo_EdgeLengthCriterion(2, 2);
  std::set<int>                                  aBoth   = found<HalfEdgeAlgo_FindEdges>(aMesh, aLength);
  aLength->SetRange(1, 1);
  const std::set<int> aSides = found<HalfEdgeAlgo_FindEdges>(aMesh, aLength);
  aBoth.insert(aSides.begin(), aSides.end());
  EXPECT_EQ(aBoth.size(), 7 + aSides.size());
  EXPECT_EQ(aBoth, ofFaces(aMesh, aLiveFaces, true));
  aLength->SetRange(1 + 1e-9, 2 - 1e-9);
  EXPECT_TRUE(found<HalfEdgeAlgo_FindEdges>(aMesh, aLength).empty());

  // Criteria that would pass the deleted elements alive pass neither them nor missing ones.
  const double anAll = std::numeric_limits<double>::max();
  for (const Handle(HalfEdgeAlgo_SearchCriterion)& aCriterion :
       std::vector<Handle(HalfEdgeAlgo_SearchCriterion)>{
           new HalfEdgeAlgo_EdgeLengthCriterion(0, anAll), new HalfEdgeAlgo_AspectRatioCriterion(0, anAll),
           new HalfEdgeAlgo_EdgesOnFacesCriterion({0}), new HalfEdgeAlgo_VerticesOnFacesCriterion({0}),
           new HalfEdgeAlgo_RenegadeEdgeCriterion(aSet), new HalfEdgeAlgo_RenegadeVertexCriterion(aSet),
           new HalfEdgeAlgo_FaceByNodesCriterion({0, 1, 5})})
  {
    EXPECT_FALSE(aCriterion->TestVertex(aStorage, 5) || aCriterion->TestFace(aStorage, 0) ||
                 aCriterion->TestEdge(aStorage, aGoneEdge) || aCriterion->TestVertex(aStorage, -1) ||
                 aCriterion->TestFace(aStorage, 1000) || aCriterion->TestEdge(aStorage, -1))
        << aCriterion->DynamicType()->Name();
  }

  // On-faces criteria: the first search gathers on two threads at once, the second runs after
  // the faces changed in place and keeps the gathering. Face 0 is deleted, 99 and -1 missing.
  const Handle(HalfEdgeAlgo_EdgesOnFacesCriterion)    anEdges   = new HalfEdgeAlgo_EdgesOnFacesCriterion();
  const Handle(HalfEdgeAlgo_VerticesOnFacesCriterion) aVertices = new HalfEdgeAlgo_VerticesOnFacesCriterion();
  for (const std::set<int>& aFaces : {std::set<int>{0, 2, 16, 99, -1}, std::set<int>{13}})
  {
    anEdges->SetFaces(aFaces);
    aVertices->SetFaces(aFaces);
    for (int aPass = 0; aPass < 2; ++aPass)
    {
      EXPECT_EQ(found<HalfEdgeAlgo_FindEdges>(aMesh, anEdges), ofFaces(aMesh, aFaces, true)) << aFaces.size();
      EXPECT_EQ(found<HalfEdgeAlgo_FindVertices>(aMesh, aVertices), ofFaces(aMesh, aFaces, false));
      anEdges->ChangeFaces()   = {4};
      aVertices->ChangeFaces() = {4};
    }
  }
}

TEST(HalfEdgeAlgo_SearchTest, AspectRatioAndFaceByNodesCriteria)
{
  EXPECT_EQ(HalfEdgeAlgo_AspectRatioCriterion::AspectRatio({{0, 0, 0}, {1, 0, 0}, {3, 0, 0}}),
            std::numeric_limits<double>::max());
  // A 4 x 1 quad (face 0 of nodes 0-3), a unit square (1) beside it and a thin triangle (2) on the square.
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh();
  const auto node = [&](double theX, double theY) { return aMesh->AddNode(gp_Pnt(theX, theY, 0)); };
  ASSERT_EQ((std::vector<int>{aMesh->AddFace({node(0, 0), node(4, 0), node(4, 1), node(0, 1)}, true),
                              aMesh->AddFace({node(4, 0), node(5, 0), node(5, 1), node(4, 1)}, true),
                              aMesh->AddFace({node(4, 1), node(5, 1), node(4.5, 1.01)}, true)}),
            (std::vector<int>{0, 1, 2}));
  const Handle(HalfEdgeAlgo_AspectRatioCriterion) aRatio = new HalfEdgeAlgo_AspectRatioCriterion(4, 4);
  EXPECT_EQ(found<HalfEdgeAlgo_FindFaces>(aMesh, aRatio), std::set<int>{0});
  EXPECT_EQ(found<HalfEdgeAlgo_FindEdges>(aMesh, aRatio), ofFaces(aMesh, {0}, true)) << "first on 0";
  // Answers are remembered by face: a face whose corners moved is measured anew.
  aMesh->SetNode(4, gp_Pnt(8, 0, 0));
  aMesh->SetNode(5, gp_Pnt(8, 1, 0));
  EXPECT_EQ(found<HalfEdgeAlgo_FindFaces>(aMesh, aRatio), (std::set<int>{0, 1}));
  aMesh->SetNode(4, gp_Pnt(5, 0, 0));
  aMesh->SetNode(5, gp_Pnt(5, 1, 0));

  const Handle(HalfEdgeAlgo_FaceByNodesCriterion) aByNodes = new HalfEdgeAlgo_FaceByNodesCriterion();
  const std::pair<std::set<int>, std::set<int>>   aCases[] = {
        {{2, 5, 6}, {2}}, {{1, 2, 4, 5}, {1}}, {{1, 2, 5}, {}}, {{2, 5, 6, 99}, {}}};
  for (const auto& aCase : aCases)
  {
    aByNodes->SetNodes(aCase.first);
    EXPECT_EQ(found<HalfEdgeAlgo_FindFaces>(aMesh, aByNodes), aCase.second) << aCase.first.size() << " nodes";
  }
  aMesh->DeleteFace(0);
  aRatio->SetRange(1, 1);
  EXPECT_EQ(found<HalfEdgeAlgo_FindEdges>(aMesh, aRatio), ofFaces(aMesh, {1}, true)) << "by 2nd side";
}

TEST(HalfEdgeAlgo_SearchTest, RenegadesPierceASheet)
{
  // A sheet (node (i, j) is 5 j + i) and an open pyramid whose apex hangs below it, the base above
  // grid square (2, 2) off its diagonal; with one base corner below, an apex edge crosses nothing.
  const gp_Pnt anApex(2.55, 2.45, -0.5);
  for (const double aLastZ : {0.5, -0.3})
  {
    const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(4, 4));
    aMesh->AddMesh(new HalfEdge_Mesh(PelliskTest_Meshes::Make(
        {{2.3, 2.3, 0.5}, {2.7, 2.3, 0.5}, {2.7, 2.7, aLastZ}, {2.3, 2.7, 0.5}, anApex},
        {{1, 2, 5}, {2, 3, 5}, {3, 4, 5}, {4, 1, 5}})));
    EXPECT_EQ(
        found<HalfEdgeAlgo_FindVertices>(aMesh, new HalfEdgeAlgo_RenegadeVertexCriterion(triangleSet(aMesh))),
        aLastZ > 0 ? std::set<int>{aMesh->NodeIndex(anApex)} : std::set<int>())
        << aLastZ;
  }
  // Triangles (a, b, c), (b, a, d) with a-b down through square (2, 2), c-d above: a-b is renegade,
  // and so is 12-18, which crosses (a, b, c) while 13-17 meets only faces around 13 and 17.
  const gp_Pnt                aA(2.35, 2.25, -0.5), aB(2.55, 2.45, 0.5);
  const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(4, 4));
  aMesh->AddMesh(new HalfEdge_Mesh(
      PelliskTest_Meshes::Make({aA, aB, {2.2, 2.6, 0.5}, {2.6, 2.1, 0.5}}, {{1, 2, 3}, {2, 1, 4}})));
  EXPECT_EQ(found<HalfEdgeAlgo_FindEdges>(aMesh, new HalfEdgeAlgo_RenegadeEdgeCriterion(triangleSet(aMesh))),
            (std::set<int>{aMesh->EdgeIndex(aMesh->NodeIndex(aA), aMesh->NodeIndex(aB)),
                           aMesh->EdgeIndex(12, 18)}));
}
