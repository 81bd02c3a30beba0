// Sub-meshes by faces, by nodes and by a clip box, with their maps.
#include <HalfEdgeAlgo_AABBClipping.hxx>
#include <HalfEdgeAlgo_SubMeshByFaces.hxx>
#include <HalfEdgeAlgo_SubMeshByNodes.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <set>

namespace
{
// The copy holds exactly theFaces, each with the source's corners from the same corner
// on; both node maps are inverse and cover the copy; all else maps to -1.
void expectCopy(const HalfEdgeAlgo_SubMesh&  theAlgo,
                const Handle(HalfEdge_Mesh)& theSource,
                const std::set<int>&         theFaces)
{
  const Handle(HalfEdge_Mesh)& aSub = theAlgo.Result();
  ASSERT_FALSE(aSub.IsNull());
  EXPECT_EQ(PelliskTest_Mesh::Check(aSub), "");
  EXPECT_EQ(aSub->NbFaces(), static_cast<int>(theFaces.size()));
  EXPECT_EQ(theAlgo.SourceNodeMap().size(), static_cast<size_t>(aSub->NbNodes()));
  for (int aNode = -1; aNode <= aSub->NbNodes(); ++aNode)
  {
    const int aSource = theAlgo.SourceNode(aNode);
    EXPECT_EQ(aSource < 0, aNode < 0 || aNode == aSub->NbNodes()) << aNode;
    EXPECT_EQ(theAlgo.SubNode(aSource), aSource < 0 ? -1 : aNode);
    EXPECT_TRUE(aSource < 0 || aSub->Node(aNode).IsEqual(theSource->Node(aSource), 0.0)) << aNode;
  }
  for (int aFace = -1; aFace <= theSource->NbFaces(); ++aFace)
  {
    const int      aSubFace = theAlgo.SubFace(aFace);
    std::list<int> aCorners, aSubCorners, aMapped;
    theSource->Face(aFace, aCorners);
    aSub->Face(aSubFace, aSubCorners);
    for (const int aNode : aSubCorners)
    {
      aMapped.push_back(theAlgo.SourceNode(aNode));
    }
    EXPECT_EQ(aMapped, theFaces.count(aFace) > 0 ? aCorners : std::list<int>()) << aFace;
  }
}
} // namespace

TEST(HalfEdgeAlgo_SubMeshTest, SelectionsCopyTheirFacesWithExactMapsThatCarryMovesBack)
{
  // Grid node (i, j) is 5 j + i; square (i, j) holds faces 2 k and 2 k + 1, k = 4 j + i.
  // Faces 0 and 1 are deleted: node 0 keeps no face and is not copied.
  const Handle(HalfEdge_Mesh) aSource = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(4, 3));
  aSource->DeleteFace(0);
  aSource->DeleteFace(1);
  // Nodes 6 and 7 share faces 3 and 10; 19 is the far corner; 20 does not exist.
  const std::set<int> aNodes = {0, 6, 7, 19, 20, -3}, anAround = {2, 3, 5, 8, 10, 11, 12, 13, 22, 23};
  // The clip box meets or touches squares (1, 0) to (2, 1).
  const std::set<int>                 aClipped = {2, 3, 4, 5, 10, 11, 12, 13};
  Handle(HalfEdgeAlgo_SubMeshByFaces) aByFaces = new HalfEdgeAlgo_SubMeshByFaces();
  aByFaces->SetFaces({0, 3, 7, 8, 20, 23, 24, -1});
  ASSERT_TRUE(aSource->Execute(aByFaces, false));
  expectCopy(*aByFaces, aSource, {3, 7, 8, 20, 23});
  Handle(HalfEdgeAlgo_SubMeshByNodes) aByNodes = new HalfEdgeAlgo_SubMeshByNodes();
  aByNodes->SetNodes(aNodes);
  ASSERT_TRUE(aSource->Execute(aByNodes, false));
  expectCopy(*aByNodes, aSource, anAround);
  Handle(HalfEdgeAlgo_AABBClipping) aClip = new HalfEdgeAlgo_AABBClipping();
  aClip->SetBox(Bnd_Box(gp_Pnt(1.5, 0.5, -1.0), gp_Pnt(2.0, 1.0, 1.0)));
  ASSERT_TRUE(aSource->Execute(aClip, false));
  expectCopy(*aClip, aSource, aClipped);

  // Failures keep the previous result and maps.
  const Handle(HalfEdge_Mesh) aPrevious = aClip->Result();
  aClip->SetBox(Bnd_Box(gp_Pnt(0.2, 0.2, -1.0), gp_Pnt(0.8, 0.8, 1.0)));
  EXPECT_FALSE(aSource->Execute(aClip, false)) << "the box meets only deleted faces";
  EXPECT_EQ(aClip->Result(), aPrevious);
  expectCopy(*aClip, aSource, aClipped);
  aByNodes->SetNodes({});
  EXPECT_FALSE(aSource->Execute(aByNodes, false));
  expectCopy(*aByNodes, aSource, anAround);

  // Moving a copied node moves its source node only.
  const Handle(HalfEdge_Mesh) aBefore = new HalfEdge_Mesh(aSource);
  aByNodes->Result()->SetNode(aByNodes->SubNode(7), gp_Pnt(5, 6, 7));
  aByNodes->UpdateSource(aSource);
  for (int aNode = 0; aNode < aSource->NbNodes(); ++aNode)
  {
    EXPECT_TRUE(aSource->Node(aNode).IsEqual(aNode == 7 ? gp_Pnt(5, 6, 7) : aBefore->Node(aNode), 0.0))
        << aNode;
  }
}

TEST(HalfEdgeAlgo_SubMeshTest, IndexedClippingCopiesWhatTheWalkCopiesAfterToldEdits)
{
  const Handle(HalfEdge_Mesh)         aSource = new HalfEdge_Mesh(PelliskTest_Meshes::Torus(48, 16));
  Handle(HalfEdgeAlgo_AABBClipping)   aWalk   = new HalfEdgeAlgo_AABBClipping();
  Handle(HalfEdgeAlgo_AABBClipping)   anIndex = new HalfEdgeAlgo_AABBClipping();
  Handle(HalfEdgeAlgo_SubMeshByNodes) aNodes  = new HalfEdgeAlgo_SubMeshByNodes();
  anIndex->SetIndexed(true);
  const auto expectSame = [&](const char* theStage)
  {
    // Every 37th node, and the two nodes the edits move.
    std::vector<int> aProbes = {100, 101};
    for (int aNode = 0; aNode < aSource->NbNodes(); aNode += 37)
    {
      aProbes.push_back(aNode);
    }
    for (const int aNode : aProbes)
    {
      for (const double aHalf : {0.0, 0.05, 0.3, 5.0})
      {
        SCOPED_TRACE(::testing::Message() << theStage << ", node " << aNode << ", half side " << aHalf);
        const gp_XYZ aCentre = aSource->Node(aNode).XYZ(), aSide(aHalf, aHalf, 0.5 * aHalf);
        for (const Handle(HalfEdgeAlgo_AABBClipping)& aClip : {aWalk, anIndex})
        {
          aClip->SetBox(Bnd_Box(gp_Pnt(aCentre - aSide), gp_Pnt(aCentre + aSide)));
        }
        EXPECT_EQ(aSource->Execute(anIndex, false), aSource->Execute(aWalk, false));
        EXPECT_EQ(anIndex->FaceMap(), aWalk->FaceMap());
        EXPECT_EQ(anIndex->SubNodeMap(), aWalk->SubNodeMap());
      }
    }
  };
  expectSame("as built");
  // Nodes around node 100 move, one of them far (its faces get wider than
  // any cell), and a face goes: the index follows once told.
  aNodes->SetNodes({100, 101});
  ASSERT_TRUE(aSource->Execute(aNodes, false));
  const gp_Pnt aFirst = aNodes->Result()->Node(0);
  for (int aNode = 0; aNode < aNodes->Result()->NbNodes(); ++aNode)
  {
    const gp_Pnt aPoint = aNodes->Result()->Node(aNode);
    aNodes->Result()->SetNode(aNode, aNode == 0 ? gp_Pnt(0, 0, 9) : gp_Pnt(aPoint.XYZ() * 1.1));
  }
  aNodes->UpdateSource(aSource);
  aSource->DeleteFace(aNodes->FaceMap().begin()->first);
  anIndex->MarkEdited(*aNodes);
  expectSame("after the edits");
  // Moved again, the far node back where it was: the faces filed anew leave
  // the places of the first edit.
  for (int aNode = 0; aNode < aNodes->Result()->NbNodes(); ++aNode)
  {
    const gp_Pnt aPoint = aNodes->Result()->Node(aNode);
    aNodes->Result()->SetNode(aNode, aNode == 0 ? aFirst : gp_Pnt(aPoint.XYZ() * 0.85));
  }
  aNodes->UpdateSource(aSource);
  anIndex->MarkEdited(*aNodes);
  expectSame("after the second edits");
}
