#include <Pelk_Configuration.hxx>
#include <PelliskTest_Data.hxx>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace
{
// Reads a configuration written from the given lines.
Pelk_Configuration readLines(const std::string& theName, const std::vector<std::string>& theLines)
{
  const std::string aFile = PelliskTest_Data::ScratchFolder("configuration_" + theName) + "/Pellisk.conf";
  std::ofstream     aStream(aFile);
  for (const std::string& aLine : theLines)
  {
    aStream << aLine << "\n";
  }
  aStream.close();
  return Pelk_Configuration(aFile.c_str(), "");
}

std::vector<std::string> entries(const Pelk_Configuration& theConfig)
{
  std::vector<std::string> aList;
  for (NCollection_List<TCollection_AsciiString>::Iterator anIt(theConfig.RefinementEntries()); anIt.More();
       anIt.Next())
  {
    aList.emplace_back(anIt.Value().ToCString());
  }
  return aList;
}
} // namespace

TEST(Pelk_ConfigurationTest, ReadsSettingsAndSkipsComments)
{
  const Pelk_Configuration aConfig =
      readLines("settings", {
                                "# Voxelization = GridSizeFunction",
                                "Voxelization = MinVoxelSize # trailing comment",
                                "  Voxelization=GridSizeFunction",
                                "Tessellation = ShrinkWrapping Inner",
                                "Refinement = SwapEdge 0.5",
                                "Refinement = Smoothing Normal 10",
                                "unknown line",
                                "Refinement = SwapEdge 0.5",
                                "ParallelThreads = 3",
                                "ParallelThreads = 7",
                            });
  EXPECT_TRUE(aConfig.IsLoaded());
  // The line with a comment after the setting is a comment as a whole.
  EXPECT_EQ(aConfig.VoxelizationKeyword(), TCollection_AsciiString("GridSizeFunction"));
  EXPECT_EQ(aConfig.TessellationKeyword(), TCollection_AsciiString("ShrinkWrapping"));
  EXPECT_TRUE(aConfig.InnerMode());
  EXPECT_EQ(entries(aConfig),
            (std::vector<std::string>{"SwapEdge 0.5", "Smoothing Normal 10", "SwapEdge 0.5"}));
  EXPECT_EQ(aConfig.NbThreads(), 7);
}

TEST(Pelk_ConfigurationTest, ValuesKeepTrailingBlanksAndWordsAreExact)
{
  const Pelk_Configuration aTrailing = readLines("trailing", {"Voxelization = MinVoxelSize  "});
  EXPECT_EQ(aTrailing.VoxelizationKeyword(), TCollection_AsciiString("MinVoxelSize  "));

  EXPECT_FALSE(readLines("lower", {"Tessellation = ShrinkWrapping inner"}).InnerMode());

  // A later line without a mode word keeps the mode; one with any other word clears it.
  const Pelk_Configuration aKept =
      readLines("kept", {"Tessellation = ShrinkWrapping Inner", "Tessellation = CartesianWrapping"});
  EXPECT_EQ(aKept.TessellationKeyword(), TCollection_AsciiString("CartesianWrapping"));
  EXPECT_TRUE(aKept.InnerMode());
  EXPECT_FALSE(
      readLines("cleared", {"Tessellation = ShrinkWrapping Inner", "Tessellation = ShrinkWrapping Outer"})
          .InnerMode());
  // Blanks after the keyword count as something following it.
  EXPECT_FALSE(readLines("blank", {"Tessellation = ShrinkWrapping Inner", "Tessellation = ShrinkWrapping "})
                   .InnerMode());
}

TEST(Pelk_ConfigurationTest, ThreadCountFallsBackToTheHardware)
{
  const int aHardware = Pelk_Configuration::HardwareThreads();
  EXPECT_GE(aHardware, 1);
  EXPECT_EQ(readLines("zero", {"ParallelThreads = 5", "ParallelThreads = 0"}).NbThreads(), aHardware);
  // Not a number: the line matches nothing and the earlier value stays.
  EXPECT_EQ(readLines("word", {"ParallelThreads = 5", "ParallelThreads = x"}).NbThreads(), 5);
  EXPECT_EQ(readLines("negative", {"ParallelThreads = -2"}).NbThreads(), aHardware);
  EXPECT_EQ(readLines("none", {"Voxelization = MinVoxelSize"}).NbThreads(), aHardware);
  EXPECT_THROW(readLines("huge", {"ParallelThreads = 99999999999"}), std::out_of_range);
}

TEST(Pelk_ConfigurationTest, MissingOrEmptyFile)
{
  const Pelk_Configuration aMissing("/nonexistent/folder/Pellisk.conf", "");
  EXPECT_FALSE(aMissing.IsLoaded());
  EXPECT_TRUE(aMissing.VoxelizationKeyword().IsEmpty());

  // A file that exists but says nothing is read all the same.
  const Pelk_Configuration anEmpty = readLines("empty", {});
  EXPECT_TRUE(anEmpty.IsLoaded());
  EXPECT_TRUE(anEmpty.RefinementEntries().IsEmpty());
  EXPECT_FALSE(anEmpty.InnerMode());
}

TEST(Pelk_ConfigurationTest, ProcessConfigurationIsTheShippedFile)
{
  const Pelk_Configuration& aConfig = Pelk_Configuration::Instance();
  EXPECT_EQ(&aConfig, &Pelk_Configuration::Instance());
  ASSERT_TRUE(aConfig.IsLoaded());
  EXPECT_TRUE(aConfig.CataloguePath().EndsWith("/resource/PelliskMessages"));
  EXPECT_TRUE(std::filesystem::exists(aConfig.CataloguePath().ToCString()));

  // Same content as the source file it was copied from.
  const Pelk_Configuration aSource(PelliskTest_Data::SourceResource("Pellisk.conf").c_str(), "");
  EXPECT_EQ(aConfig.VoxelizationKeyword(), aSource.VoxelizationKeyword());
  EXPECT_EQ(aConfig.TessellationKeyword(), aSource.TessellationKeyword());
  EXPECT_EQ(entries(aConfig), entries(aSource));
  EXPECT_FALSE(entries(aConfig).empty());
}

TEST(Pelk_ConfigurationTest, RefinementEntriesSelectStepsAndParameters)
{
  using Entry            = Pelk_Configuration::RefinementEntry;
  const Entry aSmoothing = Pelk_Configuration::ParseRefinement("Smoothing Normal 10");
  EXPECT_EQ(aSmoothing.ClassName, "Algo_Smoothing");
  EXPECT_EQ(aSmoothing.Component, 1);
  EXPECT_EQ(aSmoothing.NbIterations, 10);

  // A number alone is the count; the component keeps its default.
  const Entry aCount = Pelk_Configuration::ParseRefinement("Smoothing 3");
  EXPECT_EQ(aCount.Component, -1);
  EXPECT_EQ(aCount.NbIterations, 3);
  EXPECT_EQ(Pelk_Configuration::ParseRefinement("Smoothing 3.9").NbIterations, 3);
  EXPECT_EQ(Pelk_Configuration::ParseRefinement("Smoothing 4abc").NbIterations, 4);
  // A later integer overrides the count; a word that is neither is skipped.
  EXPECT_EQ(Pelk_Configuration::ParseRefinement("Smoothing 3 7").NbIterations, 7);
  const Entry aWord = Pelk_Configuration::ParseRefinement("Smoothing Sideways 6");
  EXPECT_EQ(aWord.Component, -1);
  EXPECT_EQ(aWord.NbIterations, 6);
  const Entry aTangential = Pelk_Configuration::ParseRefinement("Smoothing Tangential -2");
  EXPECT_EQ(aTangential.Component, 0);
  EXPECT_EQ(aTangential.NbIterations, 0);
  EXPECT_EQ(Pelk_Configuration::ParseRefinement("Smoothing Both").Component, 2);

  // Length-like parameters are used only above 0.
  const Entry aNegative = Pelk_Configuration::ParseRefinement("CollapseSmallEdge -1");
  EXPECT_EQ(aNegative.ClassName, "Algo_CollapseSmallEdge");
  EXPECT_FALSE(aNegative.HasParameter);
  const Entry aRatio = Pelk_Configuration::ParseRefinement("CollapseNarrowFace 12.5");
  EXPECT_EQ(aRatio.ClassName, "Algo_CollapseNarrowFace");
  EXPECT_TRUE(aRatio.HasParameter);
  EXPECT_EQ(aRatio.Parameter, 12.5);
  EXPECT_FALSE(Pelk_Configuration::ParseRefinement("SwapEdge x").HasParameter);
  EXPECT_FALSE(Pelk_Configuration::ParseRefinement("SwapEdge").HasParameter);

  // The repair distance is taken as given, zero and negative included.
  const Entry aZero = Pelk_Configuration::ParseRefinement("FixSelfIntersections 0");
  EXPECT_EQ(aZero.ClassName, "Algo_FixSelfIntersections");
  EXPECT_TRUE(aZero.HasParameter);
  EXPECT_EQ(aZero.Parameter, 0.0);
  EXPECT_EQ(Pelk_Configuration::ParseRefinement("FixSelfIntersections -3").Parameter, -3.0);
  EXPECT_FALSE(Pelk_Configuration::ParseRefinement("FixSelfIntersections none").HasParameter);
  EXPECT_FALSE(Pelk_Configuration::ParseRefinement("FixSelfIntersections").HasParameter);

  EXPECT_EQ(Pelk_Configuration::ParseRefinement("SplitEdge 4").ClassName, "Algo_SplitEdge");
  EXPECT_TRUE(Pelk_Configuration::ParseRefinement("splitedge").ClassName.empty());
  EXPECT_TRUE(Pelk_Configuration::ParseRefinement("").ClassName.empty());
}
