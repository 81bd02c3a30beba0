#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace
{
std::vector<int> indices(HalfEdge_Mesh::Iterator theIt, const HalfEdge_Mesh::Iterator& theEnd)
{
  std::vector<int> anIndices;
  for (; theIt != theEnd && anIndices.size() < 10000; ++theIt)
  {
    anIndices.push_back(theIt.Index());
  }
  return anIndices;
}
} // namespace

TEST(HalfEdge_MeshIteratorTest, EmptyMeshesBeginAtTheEndAndIteratorsOfTwoMeshesDiffer)
{
  Handle(HalfEdge_Mesh) aMesh   = new HalfEdge_Mesh();
  Handle(HalfEdge_Mesh) anOther = new HalfEdge_Mesh();
  EXPECT_TRUE(aMesh->VerticesBegin() == aMesh->VerticesEnd());
  EXPECT_TRUE(aMesh->EdgesBegin() == aMesh->EdgesEnd());
  EXPECT_TRUE(aMesh->FacesBegin() == aMesh->FacesEnd());
  EXPECT_TRUE(aMesh->BoundaryEdgesBegin() == aMesh->BoundaryEdgesEnd());
  EXPECT_TRUE(aMesh->VerticesBegin() != anOther->VerticesBegin());
  EXPECT_TRUE((*aMesh->FacesEnd()).empty());
  // Nodes and faces at the same number are different positions.
  Handle(HalfEdge_Mesh) aTetra = new HalfEdge_Mesh(PelliskTest_Mesh::Tetrahedron());
  EXPECT_TRUE(aTetra->VerticesBegin() != aTetra->FacesBegin());
}

TEST(HalfEdge_MeshIteratorTest, ElementsComeAsNodeListsAndDeletedOnesAreSkipped)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1)));
  for (auto anIt = aMesh->VerticesBegin(); anIt != aMesh->VerticesEnd(); ++anIt)
  {
    EXPECT_EQ(*anIt, std::list<int>{anIt.Index()});
  }
  for (auto anIt = aMesh->EdgesBegin(); anIt != aMesh->EdgesEnd(); ++anIt)
  {
    int anEnds[2];
    aMesh->Edge(anIt.Index(), anEnds);
    EXPECT_EQ(*anIt, (std::list<int>{anEnds[0], anEnds[1]}));
  }
  aMesh->DeleteFace(0);
  aMesh->DeleteFace(1);
  aMesh->DeleteFace(11);
  const std::vector<int> aFaces = indices(aMesh->FacesBegin(), aMesh->FacesEnd());
  EXPECT_EQ(aFaces, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10}));
  for (auto anIt = aMesh->FacesBegin(); anIt != aMesh->FacesEnd(); ++anIt)
  {
    std::list<int> aNodes;
    aMesh->Face(anIt.Index(), aNodes);
    EXPECT_EQ(*anIt, aNodes);
  }
  std::set<int> aLiveEdges;
  for (int e = 0; e < aMesh->NbEdges(); ++e)
  {
    std::list<int> aSides;
    aMesh->FacesForEdge(e, aSides);
    if (!aSides.empty())
    {
      aLiveEdges.insert(e);
    }
  }
  const std::vector<int> anEdges = indices(aMesh->EdgesBegin(), aMesh->EdgesEnd());
  EXPECT_EQ(std::set<int>(anEdges.begin(), anEdges.end()), aLiveEdges);
  // Gone: the diagonal of the low-x side, and its top edge, whose other face (11, on the top) went too.
  EXPECT_EQ(aLiveEdges.size(), 16u);
}

TEST(HalfEdge_MeshIteratorTest, BoundaryEdgesOfClosedAndOpenMeshes)
{
  Handle(HalfEdge_Mesh) aBox = new HalfEdge_Mesh(PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1)));
  EXPECT_TRUE(aBox->BoundaryEdgesBegin() == aBox->BoundaryEdgesEnd());

  Handle(HalfEdge_Mesh) aTriangle = new HalfEdge_Mesh();
  aTriangle->AddFace(aTriangle->AddNode(gp_Pnt(0, 0, 0)), aTriangle->AddNode(gp_Pnt(1, 0, 0)),
                     aTriangle->AddNode(gp_Pnt(0, 1, 0)), true);
  EXPECT_EQ(indices(aTriangle->BoundaryEdgesBegin(), aTriangle->BoundaryEdgesEnd()),
            (std::vector<int>{0, 1, 2}));

  // A grid's boundary edges are exactly the edges with one face; stepping
  // back on a boundary position steps forward.
  Handle(HalfEdge_Mesh)  aGrid     = new HalfEdge_Mesh(PelliskTest_Mesh::Grid(3, 2));
  const std::vector<int> aBoundary = indices(aGrid->BoundaryEdgesBegin(), aGrid->BoundaryEdgesEnd());
  EXPECT_EQ(aBoundary.size(), 10u);
  for (const int anEdge : aBoundary)
  {
    EXPECT_TRUE(aGrid->IsBoundaryEdge(anEdge));
  }
  auto anIt = aGrid->BoundaryEdgesBegin();
  --anIt;
  EXPECT_EQ(anIt.Index(), aBoundary[1]);
}

TEST(HalfEdge_MeshIteratorTest, CopiesShareThePositionPostStepsDoNot)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Mesh::Tetrahedron());
  auto                  anIt  = aMesh->VerticesBegin();
  auto                  aCopy = anIt;
  ++anIt;
  EXPECT_EQ(aCopy.Index(), 1);
  auto aBefore = anIt++;
  EXPECT_EQ(aBefore.Index(), 1);
  EXPECT_EQ(anIt.Index(), 2);
  auto anAfterBack = anIt--;
  EXPECT_EQ(anAfterBack.Index(), 2);
  EXPECT_EQ(anIt.Index(), 1);

  // Backwards from the end over the live faces, then before the first one.
  aMesh->DeleteFace(3);
  auto aFace = aMesh->FacesEnd();
  --aFace;
  EXPECT_EQ(aFace.Index(), 2);
  --aFace;
  --aFace;
  --aFace;
  EXPECT_EQ(aFace.Index(), -1);
  --aFace;
  EXPECT_EQ(aFace.Index(), -1);
  EXPECT_TRUE((*aFace).empty());
  ++aFace;
  EXPECT_EQ(aFace.Index(), 0);
}

TEST(HalfEdge_MeshIteratorTest, IteratorsKeepTheStorageAndSurviveItsShrinking)
{
  HalfEdge_Mesh::Iterator anIt = []
  {
    Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Mesh::Tetrahedron());
    return aMesh->FacesBegin();
  }();
  EXPECT_EQ((*anIt).size(), 3u);

  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Mesh::Torus(6, 5));
  auto                  aFar  = aMesh->FacesEnd();
  --aFar;
  const int aLast = aFar.Index();
  aMesh->Clear();
  EXPECT_TRUE((*aFar).empty());
  --aFar;
  EXPECT_EQ(aFar.Index(), -1);
  EXPECT_EQ(aLast, 59);
  auto aBeyond = aMesh->VerticesBegin();
  ++aBeyond;
  ++aBeyond;
  EXPECT_TRUE(aBeyond == aMesh->VerticesEnd());
}
