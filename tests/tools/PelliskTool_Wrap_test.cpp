#include <PelliskTest_Data.hxx>
#include <PelliskTool_Process.hxx>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
