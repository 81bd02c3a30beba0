#include <Algo_Voxelization.hxx>
#include <Pelk_Configuration.hxx>
#include <Pelk_WrappingSettings.hxx>
#include <PelliskTest_Data.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace
{
// Reads a configuration file of the given text; "|" stands for a line end.
Pelk_Configuration read(std::string theText)
{
  std::replace(theText.begin(), theText.end(), '|', '\n');
  const std::string aFile = PelliskTest_Data::ScratchFolder("configuration") + "/Pellisk.conf";
  std::ofstream(aFile) << theText;
  return Pelk_Configuration(aFile.c_str(), "");
}

std::string threads(int theNbThreads)
{
  return theNbThreads == Pelk_Configuration::HardwareThreads() ? "hw" : std::to_string(theNbThreads);
}

// The keywords quoted, "Inner", the entries and the thread count ("hw": every hardware thread).
std::string describe(const Pelk_Configuration& theConfig)
{
  std::string aText = std::string("'") + theConfig.VoxelizationKeyword().ToCString() + "' '" +
                      theConfig.TessellationKeyword().ToCString() + (theConfig.InnerMode() ? "' Inner" : "'");
  for (NCollection_List<TCollection_AsciiString>::Iterator anIt(theConfig.RefinementEntries()); anIt.More();
       anIt.Next())
  {
    aText += std::string(" [") + anIt.Value().ToCString() + "]";
  }
  return aText + " " + threads(theConfig.NbThreads());
}
} // namespace

TEST(Pelk_ConfigurationTest, LinesAreReadWordForWord)
{
  // A line holding "#" anywhere is a comment, a setting before it included; later lines win; blanks after a
  // voxelization keyword are kept. The mode word is exact; a later tessellation line without one keeps the
  // mode, one with any other word (blanks included) clears it. 0 threads means every hardware thread;
  // anything but digits matches no line.
  for (const auto& [aText, aRead] : std::vector<std::pair<std::string, std::string>>{
           {"# Voxelization = GridSizeFunction|Voxelization = MinVoxelSize # comment|  "
            "Voxelization=GridSizeFunction|"
            "Tessellation = ShrinkWrapping Inner|Refinement = SwapEdge 0.5|Refinement = Smoothing Normal 10|"
            "unknown line|Refinement = SwapEdge 0.5|ParallelThreads = 3|ParallelThreads = 7",
            "'GridSizeFunction' 'ShrinkWrapping' Inner [SwapEdge 0.5] [Smoothing Normal 10] [SwapEdge 0.5] "
            "7"},
           {"Voxelization = MinVoxelSize  |", "'MinVoxelSize  ' '' hw"},
           {"Tessellation = ShrinkWrapping inner", "'' 'ShrinkWrapping' hw"},
           {"Tessellation = ShrinkWrapping Inner|Tessellation = CartesianWrapping",
            "'' 'CartesianWrapping' Inner hw"},
           {"Tessellation = ShrinkWrapping Inner|Tessellation = ShrinkWrapping Outer",
            "'' 'ShrinkWrapping' hw"},
           {"Tessellation = ShrinkWrapping Inner|Tessellation = ShrinkWrapping |", "'' 'ShrinkWrapping' hw"},
           {"ParallelThreads = 5|ParallelThreads = 0", "'' '' hw"},
           {"ParallelThreads = 5|ParallelThreads = x|ParallelThreads = -2", "'' '' 5"},
           {"", "'' '' hw"}})
  {
    const Pelk_Configuration aConfig = read(aText);
    EXPECT_TRUE(aConfig.IsLoaded()) << aText;
    EXPECT_EQ(describe(aConfig), aRead) << aText;
  }
  EXPECT_THROW(read("ParallelThreads = 99999999999"), std::out_of_range);
  EXPECT_FALSE(Pelk_Configuration("/nonexistent/folder/Pellisk.conf", "").IsLoaded());
  // The process-wide configuration is the file shipped beside the library.
  const Pelk_Configuration& aShipped = Pelk_Configuration::Instance();
  EXPECT_EQ(&aShipped, &Pelk_Configuration::Instance());
  EXPECT_TRUE(std::filesystem::exists(aShipped.CataloguePath().ToCString()));
  EXPECT_TRUE(aShipped.CataloguePath().EndsWith("/resource/PelliskMessages"));
  EXPECT_EQ(describe(aShipped),
            describe(Pelk_Configuration(PelliskTest_Data::SourceResource("Pellisk.conf").c_str(), "")));
  EXPECT_FALSE(aShipped.RefinementEntries().IsEmpty());
}

TEST(Pelk_ConfigurationTest, RefinementEntriesSelectStepsAndParameters)
{
  // Step class, parameter ("-": the step's default stays), smoothing component and count. A number alone is
  // the count, a later integer overrides it, another word is skipped. Length-like parameters are used only
  // above 0; the repair distance is taken as given.
  for (const auto& [anEntry, aSelected] : std::vector<std::pair<std::string, std::string>>{
           {"Smoothing Normal 10", "Algo_Smoothing - 1 10"},
           {"Smoothing 3", "Algo_Smoothing - -1 3"},
           {"Smoothing 3.9", "Algo_Smoothing - -1 3"},
           {"Smoothing 4abc", "Algo_Smoothing - -1 4"},
           {"Smoothing 3 7", "Algo_Smoothing - -1 7"},
           {"Smoothing Sideways 6", "Algo_Smoothing - -1 6"},
           {"Smoothing Tangential -2", "Algo_Smoothing - 0 0"},
           {"Smoothing Both", "Algo_Smoothing - 2 0"},
           {"CollapseSmallEdge -1", "Algo_CollapseSmallEdge - -1 0"},
           {"CollapseNarrowFace 12.5", "Algo_CollapseNarrowFace 12.5 -1 0"},
           {"SwapEdge 0.5", "Algo_SwapEdge 0.5 -1 0"},
           {"SwapEdge x", "Algo_SwapEdge - -1 0"},
           {"SwapEdge", "Algo_SwapEdge - -1 0"},
           {"FixSelfIntersections 0", "Algo_FixSelfIntersections 0 -1 0"},
           {"FixSelfIntersections -3", "Algo_FixSelfIntersections -3 -1 0"},
           {"FixSelfIntersections none", "Algo_FixSelfIntersections - -1 0"},
           {"FixSelfIntersections", "Algo_FixSelfIntersections - -1 0"},
           {"SplitEdge 4", "Algo_SplitEdge - -1 0"},
           {"splitedge", " - -1 0"},
           {"", " - -1 0"}})
  {
    const auto         aStep = Pelk_Configuration::ParseRefinement(anEntry.c_str());
    std::ostringstream aText;
    aText << aStep.ClassName << " ";
    aStep.HasParameter ? aText << aStep.Parameter : aText << "-";
    aText << " " << aStep.Component << " " << aStep.NbIterations;
    EXPECT_EQ(aText.str(), aSelected) << anEntry;
    EXPECT_TRUE(aStep.HasParameter || aStep.Parameter == 0.0) << anEntry;
  }
}

TEST(Pelk_ConfigurationTest, SettingsGetTheAvailableAlgorithmsThreadsAndMode)
{
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier("");
  // Voxelization class, whether a tessellation is held ("+"), number of steps, threads and mode. Keywords and
  // entries that name no available algorithm leave their stage empty, without a message.
  for (const auto& [aText, aMade] : std::vector<std::pair<std::string, std::string>>{
           {"Voxelization = MinVoxelSize|Tessellation = Unknown Inner|Refinement = SwapEdge|ParallelThreads "
            "= 3",
            "Algo_VoxelizationMinSize - 0 3 Inner"},
           {"Voxelization = GridSizeFunction", "Algo_VoxelizationGSF - 0 hw"},
           {"Voxelization = MinVoxelSize |", "- - 0 hw"}})
  {
    const Handle(Pelk_WrappingSettings) aSettings     = read(aText).CreateSettings(aNotifier);
    const Handle(Algo_Voxelization)&    aVoxelization = aSettings->Voxelization();
    EXPECT_EQ((aVoxelization.IsNull() ? "-" : aVoxelization->Name()) +
                  (aSettings->Tessellation().IsNull() ? " - " : " + ") +
                  std::to_string(aSettings->Refinements().size()) + " " + threads(aSettings->NbThreads()) +
                  (aSettings->InnerMode() ? " Inner" : ""),
              aMade);
    EXPECT_EQ(aSettings->ProgressNotifier(), aNotifier);
    EXPECT_TRUE(aVoxelization.IsNull() || aVoxelization->Notifier() == aNotifier);
  }
  EXPECT_EQ(aNotifier->NbMessages(), 0);
  EXPECT_TRUE(Pelk_Configuration("/nonexistent/Pellisk.conf", "").CreateSettings(aNotifier).IsNull());
  ASSERT_EQ(aNotifier->NbMessages(), 1);
  EXPECT_EQ(aNotifier->Messages().First().Key(), "Pelk_API.ConfigFileError");
  EXPECT_EQ(aNotifier->Messages().First().Severity(), Pelk_Warning);
}
