#include <Mesh.hxx>

#include <HalfEdgeAlgo_CheckMesh.hxx>
#include <HalfEdgeAlgo_Export.hxx>
#include <HalfEdgeAlgo_ModifyMesh.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <vector>

namespace
{
// Deletes every other face and reports failure: the collection must follow anyway.
class DeleteEveryOtherFace : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTI_INLINE(DeleteEveryOtherFace, HalfEdgeAlgo_ModifyMesh)
public:
  std::string Name() const override { return "DeleteEveryOtherFace"; }
  bool        Perform(Mesh& theMesh) override
  {
    for (const Mesh::FaceHandle aFace : theMesh.faces())
    {
      if (aFace.idx() % 2 == 0)
      {
        theMesh.delete_face(aFace, false);
      }
    }
    return false;
  }
};

// Keeps the boundary edges it found; true when there are some.
class FindBoundaryEdges : public HalfEdgeAlgo_CheckMesh
{
  DEFINE_STANDARD_RTTI_INLINE(FindBoundaryEdges, HalfEdgeAlgo_CheckMesh)
public:
  std::string Name() const override { return "FindBoundaryEdges"; }
  bool        Perform(Mesh& theMesh) override
  {
    myFound.clear();
    for (const Mesh::EdgeHandle anEdge : theMesh.edges())
    {
      if (theMesh.is_boundary(anEdge))
      {
        myFound.push_back(anEdge.idx());
      }
    }
    return !myFound.empty();
  }
  std::vector<int> myFound;
};
} // namespace

TEST(HalfEdgeAlgo_AlgorithmTest, RunTimeTypesNamesAndDefaults)
{
  Handle(HalfEdgeAlgo_Export) anExport = new HalfEdgeAlgo_Export("out.ply", true);
  EXPECT_EQ(anExport->Name(), "HalfEdgeAlgo_Export");
  EXPECT_STREQ(anExport->DynamicType()->Name(), "HalfEdgeAlgo_Export");
  EXPECT_STREQ(anExport->DynamicType()->Parent()->Name(), "HalfEdgeAlgo_Algorithm");
  EXPECT_STREQ(STANDARD_TYPE(HalfEdgeAlgo_Algorithm)->Parent()->Name(), "Standard_Transient");
  EXPECT_STREQ(STANDARD_TYPE(HalfEdgeAlgo_ModifyMesh)->Parent()->Name(), "HalfEdgeAlgo_Algorithm");
  EXPECT_STREQ(STANDARD_TYPE(HalfEdgeAlgo_CheckMesh)->Parent()->Name(), "HalfEdgeAlgo_Algorithm");
  EXPECT_EQ(anExport->FileName(), "out.ply");
  EXPECT_TRUE(anExport->Binary());

  Handle(HalfEdgeAlgo_Algorithm) aModify = new DeleteEveryOtherFace();
  EXPECT_TRUE(aModify->IsKind(STANDARD_TYPE(HalfEdgeAlgo_ModifyMesh)));
  EXPECT_FALSE(aModify->IsKind(STANDARD_TYPE(HalfEdgeAlgo_CheckMesh)));
  EXPECT_TRUE(Handle(HalfEdgeAlgo_CheckMesh)::DownCast(aModify).IsNull());
  EXPECT_FALSE(Handle(HalfEdgeAlgo_ModifyMesh)::DownCast(aModify).IsNull());

  for (const Handle(HalfEdgeAlgo_Algorithm)& anAlgo :
       {aModify, Handle(HalfEdgeAlgo_Algorithm)(anExport),
        Handle(HalfEdgeAlgo_Algorithm)(new FindBoundaryEdges())})
  {
    // Only Execute runs a mesh algorithm; the interface's Perform() refuses.
    Algo_Interface& anInterface = *anAlgo;
    EXPECT_FALSE(anInterface.Perform());
    EXPECT_EQ(anAlgo->NbThreads(), 0u);
    EXPECT_EQ(anAlgo->Tolerance(), 1e-7);
    EXPECT_EQ(anAlgo->Notifier(), Pelk_DummyProgressNotifier::Instance());
  }
}

TEST(HalfEdgeAlgo_AlgorithmTest, ExecuteCollectsGarbageWhateverTheResult)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Mesh::Grid(4, 3));
  ASSERT_EQ(aMesh->NbFaces(), 24);
  EXPECT_FALSE(aMesh->Execute(new DeleteEveryOtherFace(), true));
  EXPECT_EQ(aMesh->NbFaces(), 12);
  EXPECT_EQ(PelliskTest_Mesh::NbLiveFaces(aMesh), 12);
  EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");

  // Without collection the deleted faces keep their numbers.
  EXPECT_FALSE(aMesh->Execute(new DeleteEveryOtherFace(), false));
  EXPECT_EQ(aMesh->NbFaces(), 12);
  EXPECT_EQ(PelliskTest_Mesh::NbLiveFaces(aMesh), 6);
  EXPECT_FALSE(aMesh->Execute(Handle(HalfEdgeAlgo_Algorithm)(), true));
  EXPECT_EQ(aMesh->NbFaces(), 12) << "a null algorithm does nothing, not even the collection";
}

TEST(HalfEdgeAlgo_AlgorithmTest, ChecksKeepTheirResultsAndStartAfreshEachRun)
{
  Handle(FindBoundaryEdges) aCheck = new FindBoundaryEdges();
  Handle(HalfEdge_Mesh)     aGrid  = new HalfEdge_Mesh(PelliskTest_Mesh::Grid(2, 2));
  EXPECT_TRUE(aGrid->Execute(aCheck, false));
  EXPECT_EQ(aCheck->myFound.size(), 8u);
  for (const int anEdge : aCheck->myFound)
  {
    EXPECT_TRUE(aGrid->IsBoundaryEdge(anEdge));
  }
  Handle(HalfEdge_Mesh) aBox = new HalfEdge_Mesh(PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1)));
  EXPECT_FALSE(aBox->Execute(aCheck, true));
  EXPECT_TRUE(aCheck->myFound.empty());
  EXPECT_EQ(aBox->NbFaces(), 12);
}
