#include <Algo_Refinement.hxx>
#include <Algo_Tessellation.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace
{
Handle(Poly_Triangulation) tetrahedron(double theShift = 0.0)
{
  return PelliskTest_Meshes::Make(
      {gp_Pnt(theShift, 0, 0), gp_Pnt(theShift + 4, 0, 0), gp_Pnt(theShift, 2, 0), gp_Pnt(theShift, 0, 1)},
      {{1, 3, 2}, {1, 2, 4}, {2, 3, 4}, {3, 1, 4}});
}

// A tessellation that returns the tetrahedron, cancelling the run when told.
class CopyTessellation : public Algo_Tessellation
{
public:
  CopyTessellation(const Handle(Pelk_ProgressNotifier)& theNotifier, bool theIsCancelling)
      : Algo_Tessellation(theNotifier),
        myIsCancelling(theIsCancelling)
  {
  }
  std::string Name() const override { return "CopyTessellation"; }
  bool        Perform() override
  {
    myResult = new HalfEdge_Mesh(tetrahedron());
    if (myIsCancelling)
    {
      myNotifier->Cancel();
    }
    return !myTree.IsNull() && !myTriangleSet.IsNull();
  }

private:
  bool myIsCancelling;
};

// A refinement that moves the first node by minus its number along X, so
// that a test can see which steps edited which mesh object; it fails when its
// number is negative.
class MarkRefinement : public Algo_Refinement
{
public:
  explicit MarkRefinement(int theId)
      : Algo_Refinement(Pelk_DummyProgressNotifier::Instance()),
        myId(theId)
  {
  }
  std::string Name() const override { return "Algo_Mark" + std::to_string(std::abs(myId)); }
  bool        Perform() override
  {
    CheckInputData();
    myMesh->SetNode(0, myMesh->Node(0).Translated(gp_Vec(-std::abs(myId), 0, 0)));
    myResult = myMesh;
    return myId > 0;
  }

private:
  int myId;
};

// Min-size voxelization, the copy tessellation and the refinements of the given numbers.
Handle(Pelk_WrappingSettings) stages(const Handle(Pelk_ProgressNotifier)& theNotifier,
                                     const std::vector<int>&              theRefinements  = {},
                                     bool                                 theIsCancelling = false)
{
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(theNotifier);
  aSettings->SetVoxelization(new Algo_VoxelizationMinSize(theNotifier));
  aSettings->SetTessellation(new CopyTessellation(theNotifier, theIsCancelling));
  aSettings->SetCellSize(1.0);
  for (const int anId : theRefinements)
  {
    aSettings->AppendRefinement(new MarkRefinement(anId));
  }
  return aSettings;
}

// The messages: the text of those of the stages' progress, the key of the others.
std::string log(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  std::string aLog;
  for (NCollection_List<Pelk_Message>::Iterator anIt(theNotifier->Messages()); anIt.More(); anIt.Next())
  {
    const std::string aKey    = anIt.Value().Key().ToCString();
    const bool        isStage = aKey.find("Progress") != std::string::npos || aKey == "Pelk_API.Refinement";
    aLog += (isStage ? std::string(anIt.Value().Text().ToCString()) : aKey) + "; ";
  }
  return aLog;
}
} // namespace

TEST(Pelk_APITest, ChainRunsInOrderOnTheFirstCubeAndStopsAtTheFirstFailureOrCancellation)
{
  Handle(Pelk_ProgressNotifier) aNotifier =
      new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
  Pelk_API anAPI(aNotifier);
  anAPI.SetDirtyMesh(tetrahedron());
  EXPECT_FALSE(anAPI.PerformWrapping(stages(aNotifier, {1, -2, 3})));
  EXPECT_EQ(
      log(aNotifier),
      "Voxelization STARTED; Pelk_API.MemoryEstimate; Voxelization FINISHED; Tessellation STARTED; "
      "Tessellation FINISHED; Refinement step Algo_Mark1 STARTED; Refinement step Algo_Mark1 FINISHED; "
      "Refinement step Algo_Mark2 STARTED; Refinement step FAILED; Refinement step Algo_Mark2 FINISHED; ");
  // The result is the mesh object that the first two steps edited.
  ASSERT_FALSE(anAPI.GetResultMesh().IsNull());
  EXPECT_EQ(anAPI.GetResultMesh()->Node(0).X(), -3.0);
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 1);
  EXPECT_EQ(aNotifier->GetPosition(), 1.0);
  // The cube of the first run is kept for later meshes.
  EXPECT_TRUE(anAPI.BoundingBox().CornerMin().IsEqual(gp_Pnt(0, -1, -1.5), 1e-12));
  EXPECT_TRUE(anAPI.BoundingBox().CornerMax().IsEqual(gp_Pnt(4, 3, 2.5), 1e-12));
  const Handle(Pelk_WrappingSettings) aSettings = stages(aNotifier, {4});
  anAPI.SetDirtyMesh(tetrahedron(1.0));
  EXPECT_TRUE(anAPI.PerformWrapping(aSettings));
  EXPECT_TRUE(aSettings->Voxelization()->Box().CornerMax().IsEqual(gp_Pnt(4, 3, 2.5), 1e-12));
  ASSERT_FALSE(anAPI.GetResultTriangulation().IsNull());
  EXPECT_EQ(anAPI.GetResultTriangulation()->Node(1).X(), -4.0);
  EXPECT_EQ(anAPI.GetResultTriangulation()->NbTriangles(), 4);
  // The result written both ways and read back as the next input.
  const std::string aDir = PelliskTest_Data::ScratchFolder("api_stl");
  for (const char* aFile : {"/binary.stl", "/ascii.stl"})
  {
    EXPECT_TRUE(anAPI.ExportSTL((aDir + aFile).c_str(), aFile[1] == 'b'));
    ASSERT_TRUE(anAPI.ImportSTL((aDir + aFile).c_str()));
    EXPECT_EQ(anAPI.DirtyMesh()->NbTriangles(), 4);
    EXPECT_EQ(anAPI.DirtyMesh()->NbNodes(), 4);
  }
  EXPECT_FALSE(anAPI.ExportSTL((aDir + "/no/such/folder/out.stl").c_str(), true));
  // Cancelled during the tessellation: its result is kept, the refinements skipped.
  aNotifier->Clear();
  EXPECT_FALSE(anAPI.PerformWrapping(stages(aNotifier, {5}, true)));
  const Handle(HalfEdge_Mesh) aResult = anAPI.GetResultMesh();
  ASSERT_FALSE(aResult.IsNull());
  EXPECT_EQ(aResult->Node(0).X(), 0.0);
  EXPECT_EQ(log(aNotifier),
            "Voxelization STARTED; Pelk_API.MemoryEstimate; Voxelization FINISHED; Tessellation STARTED; "
            "Pelk_API.Cancel; ");
  // Cancelled before the run: nothing after the voxelization.
  aNotifier->Clear();
  EXPECT_FALSE(anAPI.PerformWrapping(stages(aNotifier, {6})));
  EXPECT_EQ(anAPI.GetResultMesh(), aResult);
  EXPECT_EQ(aResult->Node(0).X(), 0.0);
  EXPECT_EQ(log(aNotifier), "Voxelization STARTED; Pelk_API.MemoryEstimate; Voxelization FINISHED; ");
}

TEST(Pelk_APITest, MissingStagesAndBadInputsAreReported)
{
  const std::string             aDir = PelliskTest_Data::ScratchFolder("api_missing");
  Handle(Pelk_ProgressNotifier) aNotifier =
      new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
  Pelk_API anAPI(aNotifier);
  EXPECT_TRUE(anAPI.GetResultTriangulation().IsNull());
  EXPECT_FALSE(anAPI.ExportSTL((aDir + "/never_written.stl").c_str(), true));
  EXPECT_FALSE(std::filesystem::exists(aDir + "/never_written.stl"));
  EXPECT_FALSE(anAPI.ImportSTL((aDir + "/missing.stl").c_str()));
  EXPECT_TRUE(anAPI.DirtyMesh().IsNull());
  std::ofstream(aDir + "/garbage.stl") << "this is no STL file\n";
  EXPECT_FALSE(anAPI.ImportSTL((aDir + "/garbage.stl").c_str()));
  // No settings at all, and settings without stages.
  EXPECT_FALSE(anAPI.PerformWrapping(Handle(Pelk_WrappingSettings)()));
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(aNotifier);
  aSettings->SetVoxelization(new Algo_VoxelizationMinSize(aNotifier));
  aSettings->SetCellSize(1.0);
  anAPI.SetDirtyMesh(tetrahedron());
  EXPECT_FALSE(anAPI.PerformWrapping(aSettings));
  // A given box is used as given: a non-cube is refused by the voxelization.
  anAPI.SetBoundingBox(Bnd_Box(gp_Pnt(0, 0, 0), gp_Pnt(5, 5, 6)));
  EXPECT_FALSE(anAPI.PerformWrapping(aSettings));
  // An empty mesh without a box: the voxelization reports the missing mesh.
  anAPI.SetDirtyMesh(new Poly_Triangulation());
  anAPI.SetBoundingBox(Bnd_Box());
  EXPECT_FALSE(anAPI.PerformWrapping(aSettings));
  EXPECT_EQ(
      log(aNotifier),
      "Pelk_API.ExportEmptyMesh; STL import STARTED; STL_IO.FileDoesNotExist; STL import FINISHED; "
      "STL import STARTED; STL_IO.KernelMessage; STL_IO.ReadingError; STL import FINISHED; "
      "Voxelization STARTED; Pelk_API.NoVoxelizationAlgo; Algo.NoAlgorithm; Voxelization STARTED; "
      "Pelk_API.MemoryEstimate; Voxelization FINISHED; "
      "Tessellation STARTED; Pelk_API.NoTessellationAlgo; Algo.NoAlgorithm; Voxelization STARTED; "
      "Pelk_API.MemoryEstimate; Algo_Voxelization.NonCubeBox; Voxelization FINISHED; Voxelization STARTED; "
      "Algo_Voxelization.NoMesh; Algo_Voxelization.NoInputBox; Voxelization FINISHED; ");
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 1);
}
