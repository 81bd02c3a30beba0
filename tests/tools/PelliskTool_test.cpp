// The "pellisk" program run as a user runs it: its exit status, what it prints and what it writes.
#include <Algo_Voxelization.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_MeshCheck.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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

// The value of a field of the JSON object "pellisk check --json" prints; NaN when missing.
double field(const std::string& theJson, const std::string& theName)
{
  std::smatch aMatch;
  if (!std::regex_search(theJson, aMatch, std::regex("\"" + theName + "\": ([^,}]+)")))
  {
    return std::nan("");
  }
  return aMatch[1] == "true" ? 1.0 : aMatch[1] == "false" ? 0.0 : std::stod(aMatch[1]);
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
  // Triangles with their corners on one line: nothing to wrap.
  std::ofstream(aDir + "/flat.ply")
      << "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
         "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
         "end_header\n0 0 0\n1 0 0\n2 0 0\n3 0 1 2\n";
  // One row per way out of the program.
  for (const auto& [anArguments, aStatus, aSays] :
       std::vector<std::tuple<std::vector<std::string>, int, std::string>>{
           {{"wrap", aBad}, 2, "wrap needs an input and an output file"},
           {{"wrap", aBad, aDir + "/out.obj"}, 2, "the output must be a .stl or .ply file"},
           {{"wrap", aBad, anOut, "--cell", "-1"}, 2, "--cell needs a number above 0"},
           {{"wrap", aBad, anOut, "--cell-rel"}, 2, "--cell-rel needs a value"},
           {{"wrap", aBad, anOut, "--frobnicate"}, 2, "unknown option --frobnicate"},
           {{"wrap", aBad, anOut}, 2, "cannot read"},
           {{"wrap", aDir + "/flat.ply", anOut}, 2, "Every triangle has zero area"},
           {{"wrap", aGood, anOut, "--tessellation", "round"},
            2,
            "--tessellation takes cartesian or shrink, not 'round'"},
           {{"wrap", aGood, anOut, "--voxelization", "cartesian"}, 2, "--voxelization takes minsize or gsf"},
           {{"wrap", aGood, anOut, "--threads", "2.5"}, 2, "--threads needs a whole number"},
           {{"wrap", aBad, anOut, "--refine", "Bogus"}, 2, "unknown refinement step 'Bogus'"},
           {{"wrap", aBad, anOut, "--refine", "SplitEdge=2"}, 2, "SplitEdge takes no value"},
           {{"wrap", aBad, anOut, "--refine", "SwapEdge="}, 2, "SwapEdge needs a number above 0, not ''"},
           {{"wrap", aBad, anOut, "--refine", "CollapseSmallEdge=-1"}, 2, "needs a number above 0, not '-1'"},
           {{"wrap", aBad, anOut, "--refine", "Smoothing=Sideways:3"},
            2,
            "Smoothing takes Normal, Tangential"},
           {{"wrap", aBad, anOut, "--refine", "Smoothing=Normal:0"}, 2, "whole number above 0, not '0'"},
           {{"wrap", aBad, anOut, "--refine", "Smoothing=2.5"}, 2, "whole number above 0, not '2.5'"},
           {{"wrap", aBad, anOut, "--refine"}, 2, "--refine needs a value"},
           {{"check", aGood}, 2, "check needs an input and a wrap file"},
           {{"check", aGood, aBad}, 2, "cannot read"},
           {{"check", aGood, aGood, "--threads", "0"}, 2, "--threads needs a whole number above 0"},
           {{"info"}, 2, "Usage:"},
           {{"info", aDir + "/broken.ply"}, 2, "cannot read"},
           {{"unknown-command"}, 2, "Usage:"},
           {{"--help"}, 0, "Usage:"},
           {{"wrap", "--help"}, 0, "pellisk wrap INPUT OUTPUT"}})
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
  // The default pipeline pulls the skin onto the input, so input nodes may lie just outside it.
  EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(RWStl::ReadFile(OSD_Path((aDir + "/wrap.stl").c_str()))));
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

TEST(PelliskToolTest, RefinementStepsRunInTheOrderGivenWithTheirValues)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("tool_refine");
  const std::string anIn = PelliskTest_Data::File("teapot_utah.stl");
  // A configuration without refinement steps, so that only the --refine steps run.
  std::ofstream(aDir + "/bare.conf") << "Voxelization = MinVoxelSize\nTessellation = ShrinkWrapping\n";
  // Each row: the --refine values, the steps that must run in order, and a group: rows of one group
  // spell the same chain (defaults written out or not) and must give the same wrap, other groups another.
  std::map<int, std::string> aWraps;
  for (const auto& [aSteps, aRan, aGroup] :
       std::vector<std::tuple<std::vector<std::string>, std::string, int>>{
           {{}, "", 0},
           {{"Smoothing"}, "Smoothing ", 1},
           {{"Smoothing=5"}, "Smoothing ", 1},
           {{"Smoothing=Both:5"}, "Smoothing ", 1},
           {{"Smoothing=Both:2"}, "Smoothing ", 2},
           {{"Smoothing=Normal"}, "Smoothing ", 3},
           {{"Smoothing=Tangential:5"}, "Smoothing ", 4},
           {{"Smoothing=3", "CollapseSmallEdge"}, "Smoothing CollapseSmallEdge ", 5},
           {{"Smoothing=3", "CollapseSmallEdge=0.7"}, "Smoothing CollapseSmallEdge ", 6},
           {{"SwapEdge=0.5", "CollapseNarrowFace=2", "SplitEdge", "FixSelfIntersections=1e-6", "Smoothing=1"},
            "SwapEdge CollapseNarrowFace SplitEdge FixSelfIntersections Smoothing ",
            7}})
  {
    std::vector<std::string> anArguments = {
        "wrap",           anIn,        aDir + "/wrap.stl", "--cell-rel",        "0.03125",
        "--tessellation", "cartesian", "--config",         aDir + "/bare.conf", "--verbose"};
    for (const std::string& aStep : aSteps)
    {
      anArguments.insert(anArguments.end(), {"--refine", aStep});
    }
    const ToolRun aRun = run(anArguments);
    SCOPED_TRACE(aRan + std::to_string(aGroup));
    ASSERT_EQ(aRun.Status, 0) << aRun.Out;
    std::string      aSeen;
    const std::regex aStarted("Refinement step Algo_(\\w+) STARTED");
    for (auto anIt = std::sregex_iterator(aRun.Out.begin(), aRun.Out.end(), aStarted);
         anIt != std::sregex_iterator(); ++anIt)
    {
      aSeen += (*anIt)[1].str() + " ";
    }
    EXPECT_EQ(aSeen, aRan);
    const ToolRun aCheck = run({"check", anIn, aDir + "/wrap.stl", "--json"});
    EXPECT_EQ(aCheck.Status, 0) << aCheck.Out;
    for (const auto& [anOtherGroup, anOtherWrap] : aWraps)
    {
      EXPECT_EQ(anOtherGroup == aGroup, anOtherWrap == aCheck.Out) << anOtherGroup << "\n" << aCheck.Out;
    }
    aWraps[aGroup] = aCheck.Out;
  }
}

TEST(PelliskToolTest, CheckTellsAValidWrapFromAFaultyMesh)
{
  const std::string aDir  = PelliskTest_Data::ScratchFolder("tool_check");
  const std::string anIn  = PelliskTest_Data::File("teapot_utah.stl");
  const std::string aWrap = aDir + "/wrap.stl";
  ASSERT_EQ(run({"wrap", anIn, aWrap, "--cell-rel", "0.015625", "--tessellation", "cartesian"}).Status, 0);
  const Bnd_Box aCube = Algo_Voxelization::BoundingCube(RWStl::ReadFile(OSD_Path(anIn.c_str())));
  const double  aCell = (aCube.CornerMax().X() - aCube.CornerMin().X()) / 64.0;
  // The skin of the teapot is valid; the teapot itself is open, non-manifold and crosses itself.
  for (const auto& [aMesh, aStatus] : std::vector<std::pair<std::string, int>>{{aWrap, 0}, {anIn, 1}})
  {
    SCOPED_TRACE(aMesh);
    const ToolRun aRun = run({"check", anIn, aMesh, "--json", "--threads", "2"});
    EXPECT_EQ(aRun.Status, aStatus) << aRun.Out;
    EXPECT_EQ(run({"check", anIn, aMesh, "--json", "--threads", "1"}).Out, aRun.Out);
    // The tests' own validity check, written independently, as the oracle.
    const Handle(Poly_Triangulation)    aFile  = RWStl::ReadFile(OSD_Path(aMesh.c_str()));
    const PelliskTest_MeshCheck::Result aCheck = PelliskTest_MeshCheck::Check(aFile);
    EXPECT_EQ(field(aRun.Out, "valid"), aCheck.IsValid() ? 1.0 : 0.0);
    EXPECT_EQ(field(aRun.Out, "nodes"), aCheck.NbNodes);
    EXPECT_EQ(field(aRun.Out, "faces"), aCheck.NbTriangles);
    EXPECT_EQ(field(aRun.Out, "boundary_edges"), aCheck.Closed.NbFaults);
    EXPECT_EQ(field(aRun.Out, "non_manifold_edges"), aCheck.EdgeManifold.NbFaults);
    EXPECT_EQ(field(aRun.Out, "misoriented_edges"), aCheck.Oriented.NbFaults);
    EXPECT_EQ(field(aRun.Out, "crossing_pairs"), aCheck.NoCrossing.NbFaults);
    EXPECT_NEAR(field(aRun.Out, "volume"), aCheck.Volume, 1e-9 * std::abs(aCheck.Volume));
    // Skin nodes are corners of cells that meet the input: within a cell's diagonal of it.
    EXPECT_LE(field(aRun.Out, "distance_mean"), aMesh == anIn ? 0.0 : aCell);
    EXPECT_LE(field(aRun.Out, "distance_max"), aMesh == anIn ? 0.0 : std::sqrt(3.0) * aCell * (1.0 + 1e-9));
    EXPECT_NEAR(field(aRun.Out, "distance_max_relative") * field(aRun.Out, "input_diagonal"),
                field(aRun.Out, "distance_max"), 1e-9);
  }
}
