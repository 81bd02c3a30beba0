#include <Algo_Refinement.hxx>
#include <Algo_Tessellation.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <PelliskTest_Data.hxx>
#include <SVO_Tree.hxx>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{
Handle(Poly_Triangulation) tetrahedron(const gp_XYZ& theShift)
{
  Handle(Poly_Triangulation) aMesh = new Poly_Triangulation(4, 4, Standard_False);
  const gp_XYZ aCorners[4]         = {gp_XYZ(0, 0, 0), gp_XYZ(4, 0, 0), gp_XYZ(0, 2, 0), gp_XYZ(0, 0, 1)};
  for (int i = 0; i < 4; ++i)
  {
    aMesh->SetNode(i + 1, gp_Pnt(aCorners[i] + theShift));
  }
  aMesh->SetTriangle(1, Poly_Triangle(1, 3, 2));
  aMesh->SetTriangle(2, Poly_Triangle(1, 2, 4));
  aMesh->SetTriangle(3, Poly_Triangle(2, 3, 4));
  aMesh->SetTriangle(4, Poly_Triangle(3, 1, 4));
  return aMesh;
}

// A tessellation that returns a copy of the input as its surface.
class CopyTessellation : public Algo_Tessellation
{
public:
  CopyTessellation()
      : Algo_Tessellation(Pelk_DummyProgressNotifier::Instance())
  {
  }
  std::string Name() const override { return "CopyTessellation"; }
  bool        Perform() override
  {
    myResult = new HalfEdge_Mesh(tetrahedron(gp_XYZ()));
    return IsSuccessful && !myTree.IsNull() && !myTriangleSet.IsNull();
  }
  bool IsSuccessful = true;
};

// A refinement that records its run and succeeds as told; it moves a node so
// that a test can see which mesh object it edited.
class MarkRefinement : public Algo_Refinement
{
public:
  MarkRefinement(std::vector<int>& theLog, int theId, bool theIsSuccessful)
      : Algo_Refinement(Pelk_DummyProgressNotifier::Instance()),
        myLog(theLog),
        myId(theId),
        myIsSuccessful(theIsSuccessful)
  {
  }
  std::string Name() const override { return "Algo_Mark" + std::to_string(myId); }
  bool        Perform() override
  {
    myLog.push_back(myId);
    CheckInputData();
    myMesh->SetNode(0, gp_Pnt(-myId, 0, 0));
    myResult = myMesh;
    return myIsSuccessful;
  }

private:
  std::vector<int>& myLog;
  int               myId;
  bool              myIsSuccessful;
};

Handle(Pelk_ProgressNotifier) newNotifier()
{
  return new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
}

Handle(Pelk_WrappingSettings) stages(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(theNotifier);
  aSettings->SetVoxelization(new Algo_VoxelizationMinSize(theNotifier));
  aSettings->SetTessellation(new CopyTessellation());
  aSettings->SetCellSize(1.0);
  return aSettings;
}

// "key argument" of each message, e.g. "Pelk_API.VoxelizerProgress STARTED".
std::vector<std::string> log(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  std::vector<std::string> aLines;
  for (NCollection_List<Pelk_Message>::Iterator anIt(theNotifier->Messages()); anIt.More(); anIt.Next())
  {
    std::string       aLine = anIt.Value().Key().ToCString();
    const std::string aText = anIt.Value().Text().ToCString();
    const size_t      aLast = aText.rfind(' ');
    if (aLine.rfind("Pelk_API.", 0) == 0 && aLine.find("Progress") != std::string::npos)
    {
      aLine += aText.substr(aLast);
    }
    else if (aLine == "Pelk_API.Refinement")
    {
      aLine += " " + aText.substr(std::string("Refinement step ").size());
    }
    aLines.push_back(aLine);
  }
  return aLines;
}
} // namespace

TEST(Pelk_APITest, ChainRunsInOrderAndStopsAtTheFirstFailure)
{
  Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  Handle(Pelk_WrappingSettings) aSettings = stages(aNotifier);
  std::vector<int>              aLog;
  aSettings->AppendRefinement(new MarkRefinement(aLog, 1, true));
  aSettings->AppendRefinement(new MarkRefinement(aLog, 2, false));
  aSettings->AppendRefinement(new MarkRefinement(aLog, 3, true));

  Pelk_API anAPI(aNotifier);
  anAPI.SetDirtyMesh(tetrahedron(gp_XYZ()));
  EXPECT_FALSE(anAPI.PerformWrapping(aSettings));
  EXPECT_EQ(aLog, (std::vector<int>{1, 2}));
  EXPECT_EQ(log(aNotifier),
            (std::vector<std::string>{
                "Pelk_API.VoxelizerProgress STARTED", "Pelk_API.VoxelizerProgress FINISHED",
                "Pelk_API.TessellatorProgress STARTED", "Pelk_API.TessellatorProgress FINISHED",
                "Pelk_API.Refinement Algo_Mark1 STARTED", "Pelk_API.Refinement Algo_Mark1 FINISHED",
                "Pelk_API.Refinement Algo_Mark2 STARTED", "Pelk_API.Refinement FAILED",
                "Pelk_API.Refinement Algo_Mark2 FINISHED"}));
  // The result is the mesh object the failing step edited.
  ASSERT_FALSE(anAPI.GetResultMesh().IsNull());
  EXPECT_EQ(anAPI.GetResultMesh()->Node(0).X(), -2.0);
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 1);
  EXPECT_EQ(aNotifier->GetPosition(), 1.0);

  // A run whose steps all succeed; the voxelization's box was the computed cube.
  aLog.clear();
  Handle(Pelk_WrappingSettings) aPassing = stages(aNotifier);
  aPassing->AppendRefinement(new MarkRefinement(aLog, 4, true));
  EXPECT_TRUE(anAPI.PerformWrapping(aPassing));
  EXPECT_EQ(aLog, std::vector<int>{4});
  EXPECT_TRUE(anAPI.GetResultMesh()->IsTriangular());
  ASSERT_FALSE(anAPI.GetResultTriangulation().IsNull());
  EXPECT_EQ(anAPI.GetResultTriangulation()->NbTriangles(), 4);
}

TEST(Pelk_APITest, FirstRunCubeIsKeptForLaterMeshes)
{
  Pelk_API anAPI(newNotifier());
  anAPI.SetDirtyMesh(tetrahedron(gp_XYZ()));
  EXPECT_TRUE(anAPI.PerformWrapping(stages(anAPI.Notifier())));
  EXPECT_TRUE(anAPI.BoundingBox().CornerMin().IsEqual(gp_Pnt(0, -1, -1.5), 1e-12));
  EXPECT_TRUE(anAPI.BoundingBox().CornerMax().IsEqual(gp_Pnt(4, 3, 2.5), 1e-12));

  const Handle(Pelk_WrappingSettings) aSettings = stages(anAPI.Notifier());
  anAPI.SetDirtyMesh(tetrahedron(gp_XYZ(1, 0, 0)));
  EXPECT_TRUE(anAPI.PerformWrapping(aSettings));
  EXPECT_TRUE(aSettings->Voxelization()->Box().CornerMax().IsEqual(gp_Pnt(4, 3, 2.5), 1e-12));

  // A given box is used as given: a non-cube is refused by the voxelization.
  anAPI.Notifier()->Clear();
  anAPI.SetBoundingBox(Bnd_Box(gp_Pnt(0, 0, 0), gp_Pnt(5, 5, 6)));
  EXPECT_FALSE(anAPI.PerformWrapping(stages(anAPI.Notifier())));
  EXPECT_EQ(log(anAPI.Notifier()),
            (std::vector<std::string>{"Pelk_API.VoxelizerProgress STARTED", "Algo_Voxelization.NonCubeBox",
                                      "Pelk_API.VoxelizerProgress FINISHED"}));
}

TEST(Pelk_APITest, MissingStagesAndInputsAreReported)
{
  Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  Pelk_API                      anAPI(aNotifier);
  EXPECT_TRUE(anAPI.GetResultTriangulation().IsNull());
  EXPECT_FALSE(anAPI.ExportSTL("never_written.stl", true));
  EXPECT_FALSE(std::filesystem::exists("never_written.stl"));

  // No settings at all, and settings without stages.
  EXPECT_FALSE(anAPI.PerformWrapping(Handle(Pelk_WrappingSettings)()));
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(aNotifier);
  aSettings->SetVoxelization(new Algo_VoxelizationMinSize(aNotifier));
  aSettings->SetCellSize(1.0);
  anAPI.SetDirtyMesh(tetrahedron(gp_XYZ()));
  EXPECT_FALSE(anAPI.PerformWrapping(aSettings));
  // An empty mesh without a box: the voxelization reports the missing mesh.
  anAPI.SetDirtyMesh(new Poly_Triangulation());
  anAPI.SetBoundingBox(Bnd_Box());
  EXPECT_FALSE(anAPI.PerformWrapping(aSettings));
  EXPECT_EQ(
      log(aNotifier),
      (std::vector<std::string>{
          "Pelk_API.ExportEmptyMesh", "Pelk_API.VoxelizerProgress STARTED", "Pelk_API.NoVoxelizationAlgo",
          "Algo.NoAlgorithm", "Pelk_API.VoxelizerProgress STARTED", "Pelk_API.VoxelizerProgress FINISHED",
          "Pelk_API.TessellatorProgress STARTED", "Pelk_API.NoTessellationAlgo", "Algo.NoAlgorithm",
          "Pelk_API.VoxelizerProgress STARTED", "Algo_Voxelization.NoMesh", "Algo_Voxelization.NoInputBox",
          "Pelk_API.VoxelizerProgress FINISHED"}));
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 1);
}

TEST(Pelk_APITest, CancelledRunKeepsTheTessellationResult)
{
  Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  Handle(Pelk_WrappingSettings) aSettings = stages(aNotifier);
  std::vector<int>              aLog;
  aSettings->AppendRefinement(new MarkRefinement(aLog, 1, true));
  Pelk_API anAPI(aNotifier);
  anAPI.SetDirtyMesh(tetrahedron(gp_XYZ()));
  aNotifier->Cancel();
  EXPECT_FALSE(anAPI.PerformWrapping(aSettings));
  EXPECT_TRUE(aLog.empty());
  EXPECT_TRUE(anAPI.GetResultMesh().IsNull());
  EXPECT_EQ(log(aNotifier).back(), "Pelk_API.VoxelizerProgress FINISHED");
}

TEST(Pelk_APITest, ImportAndExportThroughSTLFiles)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("api_stl");
  Pelk_API          anAPI(newNotifier());
  EXPECT_FALSE(anAPI.ImportSTL((aDir + "/missing.stl").c_str()));
  EXPECT_TRUE(anAPI.DirtyMesh().IsNull());

  std::ofstream(aDir + "/garbage.stl") << "this is no STL file\n";
  EXPECT_FALSE(anAPI.ImportSTL((aDir + "/garbage.stl").c_str()));
  EXPECT_EQ(
      log(anAPI.Notifier()),
      (std::vector<std::string>{"Pelk_API.ImportSTLProgress STARTED", "STL_IO.FileDoesNotExist",
                                "Pelk_API.ImportSTLProgress FINISHED", "Pelk_API.ImportSTLProgress STARTED",
                                "STL_IO.ReadingError", "Pelk_API.ImportSTLProgress FINISHED"}));

  anAPI.SetDirtyMesh(tetrahedron(gp_XYZ()));
  ASSERT_TRUE(anAPI.PerformWrapping(stages(anAPI.Notifier())));
  for (bool isBinary : {true, false})
  {
    const std::string aFile = aDir + (isBinary ? "/binary.stl" : "/ascii.stl");
    EXPECT_TRUE(anAPI.ExportSTL(aFile.c_str(), isBinary));
    Pelk_API aReader(newNotifier());
    ASSERT_TRUE(aReader.ImportSTL(aFile.c_str()));
    EXPECT_EQ(aReader.DirtyMesh()->NbTriangles(), 4);
    EXPECT_EQ(aReader.DirtyMesh()->NbNodes(), 4);
  }
  EXPECT_FALSE(anAPI.ExportSTL((aDir + "/no/such/folder/out.stl").c_str(), true));
}
