#include <PelliskTest_Data.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTool_Process.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <filesystem>
#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

TEST(PelliskTool_WrapTest, BadUsageAndUnreadableInputExitWithTwo)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("tool_wrap_usage");
  std::ofstream(aDir + "/garbage.stl") << "not an STL file";
  const std::string                           anOut  = aDir + "/out.stl";
  const std::vector<std::vector<std::string>> aCases = {
      {"wrap"},
      {"wrap", aDir + "/garbage.stl"},
      {"wrap", aDir + "/garbage.stl", aDir + "/out.obj"},
      {"wrap", aDir + "/garbage.stl", anOut, "--cell", "-1"},
      {"wrap", aDir + "/garbage.stl", anOut, "--cell", "abc"},
      {"wrap", aDir + "/garbage.stl", anOut, "--cell-rel"},
      {"wrap", aDir + "/garbage.stl", anOut, "--frobnicate"},
      {"wrap", aDir + "/garbage.stl", anOut},
      {"wrap", aDir + "/missing.stl", anOut},
      {"unknown-command"},
  };
  for (const auto& anArgs : aCases)
  {
    const PelliskTool_Process aRun = PelliskTool_Process::Run(anArgs);
    EXPECT_EQ(aRun.Status, 2) << anArgs.back() << "\n" << aRun.Err;
    EXPECT_FALSE(aRun.Err.empty());
  }
  EXPECT_FALSE(std::filesystem::exists(anOut));
  EXPECT_EQ(PelliskTool_Process::Run({"--help"}).Status, 0);
}

TEST(PelliskTool_WrapTest, UnavailableAlgorithmIsNamed)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("tool_wrap_shrink");
  std::ofstream(aDir + "/tri.stl") << "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n"
                                      "vertex 0 1 0\nendloop\nendfacet\nendsolid t\n";
  const PelliskTool_Process aRun =
      PelliskTool_Process::Run({"wrap", aDir + "/tri.stl", aDir + "/out.stl", "--tessellation", "shrink"});
  EXPECT_EQ(aRun.Status, 2);
  EXPECT_NE(aRun.Err.find("'shrink' is not available yet"), std::string::npos) << aRun.Err;
  EXPECT_FALSE(std::filesystem::exists(aDir + "/out.stl"));
}

TEST(PelliskTool_WrapTest, WrapsARealDirtyMeshIntoAValidClosedSurface)
{
  const std::string aDir    = PelliskTest_Data::ScratchFolder("tool_wrap_teapot");
  const std::string anIn    = PelliskTest_Data::File("teapot_utah.stl");
  const auto        anInput = RWStl::ReadFile(OSD_Path(anIn.c_str()));
  for (const std::string aName : {"wrap.stl", "wrap_ascii.stl", "wrap.ply"})
  {
    std::vector<std::string> anArgs = {"wrap",       anIn,      aDir + "/" + aName,
                                       "--cell-rel", "0.03125", "--verbose"};
    if (aName == "wrap_ascii.stl")
    {
      anArgs.push_back("--ascii");
    }
    const PelliskTool_Process aRun = PelliskTool_Process::Run(anArgs);
    ASSERT_EQ(aRun.Status, 0) << aRun.Err;
    // Every message is shown with --verbose, the driver's last one included.
    EXPECT_NE(aRun.Err.find("[info]: Tessellation FINISHED"), std::string::npos) << aRun.Err;
    EXPECT_NE(aRun.Err.find("100%"), std::string::npos);

    const PelliskTool_Process anInfo = PelliskTool_Process::Run({"info", aDir + "/" + aName});
    EXPECT_NE(anInfo.Out.find("closed: yes\nconsistently oriented: yes\n"), std::string::npos) << anInfo.Out;
  }
  const auto aWrap = RWStl::ReadFile(OSD_Path((aDir + "/wrap.stl").c_str()));
  ASSERT_FALSE(aWrap.IsNull());
  EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aWrap, anInput));
  EXPECT_EQ(aWrap->NbTriangles(),
            RWStl::ReadFile(OSD_Path((aDir + "/wrap_ascii.stl").c_str()))->NbTriangles());
}

TEST(PelliskTool_WrapTest, CtrlCCancelsAndLeavesNoOutput)
{
  const std::string aDir    = PelliskTest_Data::ScratchFolder("tool_wrap_cancel");
  const std::string anOut   = aDir + "/bones.stl";
  const auto        aCancel = [](int theChild)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    kill(theChild, SIGINT);
  };
  // A fine wrap that takes several seconds, interrupted early.
  const PelliskTool_Process aRun = PelliskTool_Process::Run(
      {"wrap", PelliskTest_Data::File("bones_cgal.stl"), anOut, "--cell-rel", "0.0008", "--threads", "1"},
      aCancel);
  EXPECT_EQ(aRun.Status, 130) << aRun.Err;
  EXPECT_NE(aRun.Err.find("[error]: The operation was cancelled."), std::string::npos) << aRun.Err;
  EXPECT_TRUE(std::filesystem::is_empty(aDir));
}
