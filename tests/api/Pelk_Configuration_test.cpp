#include <Algo_CollapseSmallEdge.hxx>
#include <Algo_Smoothing.hxx>
#include <Algo_SwapEdge.hxx>
#include <Algo_Voxelization.hxx>
#include <Pelk_Configuration.hxx>
#include <Pelk_WrappingSettings.hxx>
#include <PelliskTest_Data.hxx>

#include <gtest/gtest.h>

#include <algorithm>
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

// The keywords quoted, "Inner", the entries and the thread count.
std::string describe(const Pelk_Configuration& theConfig)
{
  std::string aText = std::string("'") + theConfig.VoxelizationKeyword().ToCString() + "' '" +
                      theConfig.TessellationKeyword().ToCString() + (theConfig.InnerMode() ? "' Inner" : "'");
  for (NCollection_List<TCollection_AsciiString>::Iterator anIt(theConfig.RefinementEntries()); anIt.More();
       anIt.Next())
  {
    aText += std::string(" [") + anIt.Value().ToCString() + "]";
  }
  return aText + " " + std::to_string(theConfig.NbThreads());
}
} // namespace

TEST(Pelk_ConfigurationTest, LinesAreReadWordForWordAndMadeIntoSettings)
{
  // A line holding "#" anywhere is a comment, a setting before it included; later lines win; blanks after a
  // voxelization keyword are kept. The mode word is exact; a later tessellation line without one keeps the
  // mode, one with blanks after the keyword clears it. 0 threads means all hardware threads; anything but
  // digits matches no line. Settings: voxelization class ("-": none), tessellation held ("+"), number of
  // steps, threads, mode; names of no available algorithm leave their stage empty, without a message.
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier("");
  const std::string                   anAll     = std::to_string(Pelk_Configuration::HardwareThreads());
  for (const auto& [aText, aRead, aMade] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {"# Voxelization = GridSizeFunction|Voxelization = MinVoxelSize # comment|  "
            "Voxelization=GridSizeFunction |Tessellation = ShrinkWrapping inner|Refinement = SwapEdge 0.5|"
            "Refinement = Smoothing Normal 10|unknown line|Refinement = SwapEdge 0.5|ParallelThreads = 3|"
            "ParallelThreads = 7|ParallelThreads = x|ParallelThreads = -2",
            "'GridSizeFunction ' 'ShrinkWrapping' [SwapEdge 0.5] [Smoothing Normal 10] [SwapEdge 0.5] 7",
            "- + 3 7"},
           {"Voxelization = MinVoxelSize|Tessellation = ShrinkWrapping Inner|"
            "Tessellation = CartesianWrapping|ParallelThreads = 5|ParallelThreads = 0",
            "'MinVoxelSize' 'CartesianWrapping' Inner " + anAll,
            "Algo_VoxelizationMinSize - 0 " + anAll + " Inner"},
           {"Voxelization = GridSizeFunction|Tessellation = ShrinkWrapping Inner|"
            "Tessellation = ShrinkWrapping |",
            "'GridSizeFunction' 'ShrinkWrapping' " + anAll, "Algo_VoxelizationGSF + 0 " + anAll}})
  {
    const Pelk_Configuration aConfig = read(aText);
    EXPECT_TRUE(aConfig.IsLoaded()) << aText;
    EXPECT_EQ(describe(aConfig), aRead) << aText;
    const Handle(Pelk_WrappingSettings) aSettings     = aConfig.CreateSettings(aNotifier);
    const Handle(Algo_Voxelization)&    aVoxelization = aSettings->Voxelization();
    EXPECT_EQ((aVoxelization.IsNull() ? "-" : aVoxelization->Name()) +
                  (aSettings->Tessellation().IsNull() ? " - " : " + ") +
                  std::to_string(aSettings->Refinements().size()) + " " +
                  std::to_string(aSettings->NbThreads()) + (aSettings->InnerMode() ? " Inner" : ""),
              aMade);
  }
  EXPECT_EQ(aNotifier->NbMessages(), 0);
  EXPECT_THROW(read("ParallelThreads = 99999999999"), std::out_of_range);
  const Pelk_Configuration aMissing("/nonexistent/folder/Pellisk.conf", "");
  EXPECT_FALSE(aMissing.IsLoaded());
  EXPECT_TRUE(aMissing.CreateSettings(aNotifier).IsNull());
  ASSERT_EQ(aNotifier->NbMessages(), 1);
  EXPECT_EQ(aNotifier->Messages().First().Key(), "Pelk_API.ConfigFileError");
  EXPECT_EQ(aNotifier->Messages().First().Severity(), Pelk_Warning);
  // The process-wide configuration is the file shipped beside the library.
  const Pelk_Configuration& aShipped = Pelk_Configuration::Instance();
  EXPECT_EQ(describe(aShipped),
            describe(Pelk_Configuration(PelliskTest_Data::SourceResource("Pellisk.conf").c_str(), "")));
}

TEST(Pelk_ConfigurationTest, RefinementEntriesSelectStepsAndParameters)
{
  // Step class, parameter ("-": the step's default stays), smoothing component and count. A leading number is
  // the count, a later integer overrides it. Length-like parameters are used only above 0; the repair
  // distance is taken as given.
  for (const auto& [anEntry, aSelected] : std::vector<std::pair<std::string, std::string>>{
           {"Smoothing Normal 10", "Algo_Smoothing - 1 10"},
           {"Smoothing Tangential -2", "Algo_Smoothing - 0 0"},
           {"Smoothing Both", "Algo_Smoothing - 2 0"},
           {"Smoothing 4abc", "Algo_Smoothing - -1 4"},
           {"Smoothing 3 7", "Algo_Smoothing - -1 7"},
           {"CollapseSmallEdge 0", "Algo_CollapseSmallEdge - -1 0"},
           {"CollapseNarrowFace 12.5", "Algo_CollapseNarrowFace 12.5 -1 0"},
           {"SwapEdge", "Algo_SwapEdge - -1 0"},
           {"FixSelfIntersections -3", "Algo_FixSelfIntersections -3 -1 0"},
           {"FixSelfIntersections none", "Algo_FixSelfIntersections - -1 0"},
           {"SplitEdge 4", "Algo_SplitEdge - -1 0"},
           {"splitedge", " - -1 0"}})
  {
    const auto         aStep = Pelk_Configuration::ParseRefinement(anEntry.c_str());
    std::ostringstream aText;
    aText << aStep.ClassName << " ";
    aStep.HasParameter ? aText << aStep.Parameter : aText << "-";
    aText << " " << aStep.Component << " " << aStep.NbIterations;
    EXPECT_EQ(aText.str(), aSelected) << anEntry;
  }
}

TEST(Pelk_ConfigurationTest, RefinementLinesGiveStepsWithTheirParameters)
{
  const Handle(Pelk_WrappingSettings) aSettings =
      read("Refinement = SwapEdge 0.5|Refinement = Smoothing Normal 10|Refinement = CollapseSmallEdge -1|"
           "Refinement = Smoothing 3|Refinement = SplitEdge")
          .CreateSettings(new Pelk_ProgressNotifier(""));
  std::ostringstream aText;
  for (const Handle(Algo_Refinement)& aStep : aSettings->Refinements())
  {
    aText << aStep->Name() << " ";
    if (const Handle(Algo_SwapEdge) aSwap = Handle(Algo_SwapEdge)::DownCast(aStep))
    {
      aText << aSwap->Parameter() << " ";
    }
    if (const Handle(Algo_CollapseSmallEdge) aSmall = Handle(Algo_CollapseSmallEdge)::DownCast(aStep))
    {
      aText << aSmall->Parameter() << " ";
    }
    if (const Handle(Algo_Smoothing) aSmoothing = Handle(Algo_Smoothing)::DownCast(aStep))
    {
      aText << aSmoothing->Component() << "," << aSmoothing->NbIterations() << " ";
    }
  }
  EXPECT_EQ(aText.str(),
            "Algo_SwapEdge 0.5 Algo_Smoothing 1,10 Algo_CollapseSmallEdge 1e-07 Algo_Smoothing 2,3 "
            "Algo_SplitEdge ");
}
