// "pellisk batch" run as a user runs it: one JSON line per mesh, the files it writes, resumption and Ctrl-C.
#include <PelliskTest_Data.hxx>
#include <PelliskTest_MeshCheck.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <tuple>
#include <sys/wait.h>

namespace
{
namespace fs = std::filesystem;

// Runs "pellisk batch" through the shell on theArgs (quoted for the shell), after thePrefix;
// returns the exit status and the lines of standard output and error.
std::pair<int, std::vector<std::string>> batch(const std::string& theArgs, const std::string& thePrefix = "")
{
  const std::string anOut = fs::temp_directory_path() / ("pellisk_batch_out_" + std::to_string(getpid()));
  const int         aStatus =
      std::system((thePrefix + " '" PELLISK_TOOL "' batch " + theArgs + " >" + anOut + " 2>&1").c_str());
  std::ifstream            aStream(anOut);
  std::vector<std::string> aLines;
  for (std::string aLine; std::getline(aStream, aLine);)
  {
    aLines.push_back(aLine);
  }
  return {WEXITSTATUS(aStatus), aLines};
}

// A string field of a JSON line, decoded as far as these texts need: quotes, backslashes and tabs.
std::string text(const std::string& theLine, const std::string& theName)
{
  std::smatch aMatch; // no match: the field reads empty
  std::regex_search(theLine, aMatch, std::regex("\"" + theName + "\": \"((?:[^\"\\\\]|\\\\.)*)\""));
  const std::string anEscaped = aMatch[1];
  std::string       aResult;
  for (size_t i = 0; i < anEscaped.size(); ++i)
  {
    const bool isEscaped = anEscaped[i] == '\\' && ++i < anEscaped.size();
    aResult += isEscaped && anEscaped[i] == 't' ? '\t' : anEscaped[i];
  }
  return aResult;
}

std::string bytes(const std::string& theFileName)
{
  std::ifstream aStream(theFileName, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(aStream), {});
}

// The lines sorted, without their timings and with theFolder written as "OUT".
std::vector<std::string> comparable(std::vector<std::string> theLines, const std::string& theFolder)
{
  for (std::string& aLine : theLines)
  {
    aLine = std::regex_replace(std::regex_replace(aLine, std::regex("\"seconds\": [0-9.]+"), ""),
                               std::regex(theFolder), "OUT");
  }
  std::sort(theLines.begin(), theLines.end());
  return theLines;
}
} // namespace

TEST(PelliskToolBatchTest, EveryLineGivesOneJsonLineAndAnotherRunSkipsWhatIsDone)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("batch_manifest");
  const std::string aPot = aDir + "/my \"pot\" a.stl";
  fs::copy_file(PelliskTest_Data::File("teapot_utah.stl"), aPot);
  const std::string aSpider = fs::relative(PelliskTest_Data::File("spider_assimp.stl"), aDir).string();
  // A relative path, the same file again, one with a blank and quotes, a missing one with a tab in its name.
  std::ofstream(aDir + "/list.txt")
      << "# small meshes and a missing one\n"
      << aSpider << " --cell-rel 0.03\n\n./" << aSpider << " --cell-rel 0.03\n"
      << "  \"my \\\"pot\\\" a.stl\" --cell-rel 0.03\n\"missing\tfile.stl\"\r\n";
  // Each row: the input, its output's name, its status on the first run and on the run again.
  const std::vector<std::array<std::string, 4>> aRows = {
      {aDir + "/" + aSpider, "spider_assimp.stl", "ok", "skipped"},
      {aDir + "/./" + aSpider, "spider_assimp-2.stl", "ok", "ok"}, // damaged before the run again
      {aPot, "my \"pot\" a.stl", "ok", "skipped"},
      {aDir + "/missing\tfile.stl", "missing\tfile.stl", "failed", "failed"}};
  // The same manifest: one job, again one job into the same folder, then two jobs into another.
  std::vector<std::vector<std::string>> aRuns;
  for (const auto& [aJobs, anOut, isAgain] : std::vector<std::tuple<std::string, std::string, bool>>{
           {"1", aDir + "/out", false}, {"1", aDir + "/out", true}, {"2", aDir + "/out2", false}})
  {
    if (isAgain)
    {
      // An output that exists but is no valid wrap (the dirty input itself) is wrapped anew.
      fs::copy_file(PelliskTest_Data::File("spider_assimp.stl"), anOut + "/spider_assimp-2.stl",
                    fs::copy_options::overwrite_existing);
    }
    const auto [aStatus, aLines] = batch("'" + aDir + "/list.txt' '" + anOut + "' --jobs " + aJobs);
    EXPECT_EQ(aStatus, 1);
    ASSERT_EQ(aLines.size(), aRows.size());
    for (const auto& [anInput, anOutput, aFirst, anAgain] : aRows)
    {
      SCOPED_TRACE(anInput + " in " + anOut + (isAgain ? " again" : ""));
      const auto aLine =
          std::find_if(aLines.begin(), aLines.end(),
                       [&](const std::string& theLine) { return text(theLine, "input") == anInput; });
      ASSERT_NE(aLine, aLines.end());
      const std::string aFile = anOut + "/" + anOutput;
      EXPECT_EQ(text(*aLine, "output"), aFile);
      EXPECT_EQ(aLine->find('\t'), std::string::npos) << "control characters are escaped";
      EXPECT_EQ(text(*aLine, "status"), isAgain ? anAgain : aFirst);
      EXPECT_EQ(aLine->find("\"key\": \"Batch_Failed\"") != std::string::npos, aFirst == "failed");
      EXPECT_EQ(fs::exists(aFile), aFirst == "ok");
      if (aFirst == "ok")
      {
        // The tests' own checker as the oracle of the wrap and of its face count.
        const Handle(Poly_Triangulation) aWrap = RWStl::ReadFile(OSD_Path(aFile.c_str()));
        EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aWrap));
        const std::string aFaces =
            "\"faces\": " + std::to_string(aWrap->NbTriangles()) + ", \"check\": {\"valid\": true";
        EXPECT_NE(aLine->find(aFaces), std::string::npos);
        EXPECT_EQ(bytes(aFile), bytes(aDir + "/out/" + anOutput));
      }
    }
    aRuns.push_back(aLines);
  }
  // Two jobs print the same lines, in any order.
  EXPECT_EQ(comparable(aRuns[2], aDir + "/out2"), comparable(aRuns[0], aDir + "/out"));
}

TEST(PelliskToolBatchTest, ManifestFromStandardInputWithTheLinesOwnOptions)
{
  const std::string aDir       = PelliskTest_Data::ScratchFolder("batch_stdin");
  const std::string aLine      = PelliskTest_Data::File("spider_assimp.stl") + " --cell-rel 0.03 --ascii";
  const auto [aStatus, aLines] = batch("- '" + aDir + "'", "echo '" + aLine + "' |");
  EXPECT_EQ(aStatus, 0);
  EXPECT_EQ(aLines.size(), 1u);
  // --ascii reached the wrap: an ASCII file.
  EXPECT_EQ(bytes(aDir + "/spider_assimp.stl").rfind("solid", 0), 0u);
}

TEST(PelliskToolBatchTest, BadUsageOrManifestStopsBeforeAnyWrap)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("batch_usage");
  std::ofstream(aDir + "/quote.txt") << "# fine\n\"open quote.stl\n";
  std::ofstream(aDir + "/option.txt") << "a.stl --cell-rel 0.03\nb.stl --cell -1\n";
  const std::string anIn = "'" + aDir + "/", anOut = "' '" + aDir + "/out'";
  for (const auto& [anArguments, aSays] : std::vector<std::pair<std::string, std::string>>{
           {"m.txt out --jobs 0", "--jobs needs a whole number above 0, not '0'"},
           {anIn + "none.txt" + anOut, "cannot read the manifest"},
           {anIn + "quote.txt" + anOut, "manifest line 2 (\"open quote.stl): a double quote"},
           {anIn + "option.txt" + anOut, "manifest line 2 (b.stl --cell -1): --cell needs"}})
  {
    const auto [aStatus, aLines] = batch(anArguments);
    EXPECT_EQ(aStatus, 2) << aSays;
    EXPECT_FALSE(aLines.empty() || aLines[0].find(aSays) == std::string::npos) << aSays;
  }
  EXPECT_FALSE(fs::exists(aDir + "/out"));
}

TEST(PelliskToolBatchTest, CtrlCStopsTheChildrenAndLeavesNoFile)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("batch_cancel");
  // A fine wrap that takes several seconds, then one that must never start.
  std::ofstream(aDir + "/list.txt") << PelliskTest_Data::File("bones_cgal.stl") << " --cell-rel 0.0008\n"
                                    << PelliskTest_Data::File("teapot_utah.stl") << "\n";
  const auto [aStatus, aLines] = batch("'" + aDir + "/list.txt' '" + aDir + "/out' --threads 1",
                                       "timeout --preserve-status --signal=INT 0.7");
  EXPECT_EQ(aStatus, 130);
  ASSERT_EQ(aLines.size(), 1u);
  EXPECT_TRUE(std::regex_search(aLines[0], std::regex("\"failed\".*\"Pelk_API\\.Cancel\""))) << aLines[0];
  EXPECT_TRUE(fs::is_empty(aDir + "/out"));
}
