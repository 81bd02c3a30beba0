// The "pellisk" program run as a user runs it: its exit status, what it prints and what it writes.
#include <PelliskTest_Data.hxx>
#include <PelliskTest_MeshCheck.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
struct ToolRun
{
  int         Status = -1; // exit status; 128 + signal number when killed
  std::string Out;         // standard output and error
};

// Runs the program through the shell, after thePrefix (a command such as "timeout" that runs it).
ToolRun run(const std::vector<std::string>& theArguments, const std::string& thePrefix = "")
{
  const std::string anOut = PelliskTest_Data::ScratchFolder("process_" + std::to_string(getpid())) + "/out";
  std::string       aCommand = thePrefix + " '" PELLISK_TOOL "'";
  for (const std::string& anArg : theArguments)
  {
    aCommand += " '" + anArg + "'";
  }
  const int     aStatus = std::system((aCommand + " >" + anOut + " 2>&1").c_str());
  std::ifstream aStream(anOut);
  return {WEXITSTATUS(aStatus), std::string(std::istreambuf_iterator<char>(aStream), {})};
}
} // namespace

TEST(PelliskToolTest, InvocationsExitWithTheirStatusAndSayWhy)
{
  const std::string aDir  = PelliskTest_Data::ScratchFolder("tool_usage");
  const std::string anOut = aDir + "/out.stl";
  const std::string aBad  = aDir + "/garbage.stl";
  const std::string aGood = PelliskTest_Data::File("teapot_utah.stl");
  std::ofstream(aBad) << "not an STL file";
  std::ofstream(aDir + "/broken.ply")
      << "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nelement face 1\n"
         "property list uchar int vertex_indices\nend_header\n0\n1\n2\n3 0 1 7\n";
  // One row per way out of the program.
  for (const auto& [anArguments, aStatus, aSays] :
       std::vector<std::tuple<std::vector<std::string>, int, std::string>>{
           {{"wrap", aBad}, 2, "wrap needs an input and an output file"},
           {{"wrap", aBad, aDir + "/out.obj"}, 2, "the output must be a .stl or .ply file"},
           {{"wrap", aBad, anOut, "--cell", "-1"}, 2, "--cell needs a number above 0"},
           {{"wrap", aBad, anOut, "--cell-rel"}, 2, "--cell-rel needs a value"},
           {{"wrap", aBad, anOut, "--frobnicate"}, 2, "unknown option --frobnicate"},
           {{"wrap", aBad, anOut}, 2, "cannot read"},
           {{"wrap", aGood, anOut, "--tessellation", "shrink"}, 2, "'shrink' is not available yet"},
           {{"wrap", aGood, anOut, "--voxelization", "fine"}, 2, "unknown algorithm 'fine'"},
           {{"info"}, 2, "Usage:"},
           {{"info", aDir + "/broken.ply"}, 2, "cannot read"},
           {{"unknown-command"}, 2, "Usage:"},
           {{"--help"}, 0, "Usage:"}})
  {
    const ToolRun aRun = run(anArguments);
    EXPECT_EQ(aRun.Status, aStatus) << aSays << "\n" << aRun.Out;
    EXPECT_NE(aRun.Out.find(aSays), std::string::npos) << aSays << " not in\n" << aRun.Out;
  }
  EXPECT_FALSE(std::filesystem::exists(anOut));
}

TEST(PelliskToolTest, WrapsARealDirtyMeshIntoAValidClosedSurface)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("tool_wrap_teapot");
  const std::string anIn = PelliskTest_Data::File("teapot_utah.stl");
  for (const std::string aName : {"wrap.stl", "wrap.ply"})
  {
    // A second --verbose stands in for --ascii where the output is binary.
    const ToolRun aRun = run({"wrap", anIn, aDir + "/" + aName, "--cell-rel", "0.03125", "--verbose",
                              aName == "wrap.ply" ? "--ascii" : "--verbose"});
    ASSERT_EQ(aRun.Status, 0) << aRun.Out;
    // Every message is shown with --verbose, the driver's last one included.
    EXPECT_NE(aRun.Out.find("[info]: Tessellation FINISHED"), std::string::npos) << aRun.Out;
    EXPECT_NE(aRun.Out.find("100%"), std::string::npos);
    const ToolRun anInfo = run({"info", aDir + "/" + aName});
    EXPECT_TRUE(std::regex_search(
        anInfo.Out, std::regex("closed: yes\nconsistently oriented: yes\nvolume: [0-9.e+]+ \\(outward\\)\n")))
        << anInfo.Out;
  }
  EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(RWStl::ReadFile(OSD_Path((aDir + "/wrap.stl").c_str())),
                                                 RWStl::ReadFile(OSD_Path(anIn.c_str()))));
}

TEST(PelliskToolTest, CtrlCCancelsAndLeavesNoOutput)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("tool_wrap_cancel");
  // A fine wrap that takes several seconds, interrupted early as Ctrl-C does.
  const ToolRun aRun = run({"wrap", PelliskTest_Data::File("bones_cgal.stl"), aDir + "/bones.stl",
                            "--cell-rel", "0.0008", "--threads", "1"},
                           "timeout --preserve-status --signal=INT 0.7");
  EXPECT_EQ(aRun.Status, 130) << aRun.Out;
  EXPECT_NE(aRun.Out.find("[error]: The operation was cancelled."), std::string::npos) << aRun.Out;
  EXPECT_TRUE(std::filesystem::is_empty(aDir));
}
