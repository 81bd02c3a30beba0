#include <Algo_CollapseNarrowFace.hxx>
#include <Algo_Refinement.hxx>
#include <Algo_SwapEdge.hxx>
#include <Algo_Tessellation.hxx>
#include <Algo_Voxelization.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <Pelk_WrappingSettings.hxx>

#include <gtest/gtest.h>

#include <sstream>

namespace
{
// No refinement step can be created by name yet.
class TestRefinement : public Algo_Refinement
{
public:
  TestRefinement()
      : Algo_Refinement(Pelk_DummyProgressNotifier::Instance())
  {
  }
  std::string Name() const override { return "TestRefinement"; }
  bool        Perform() override { return true; }
};

// The algorithm of each stage ("-" for none), then the steps; "!" marks an algorithm whose notifier or
// thread count (max(count, 1)) is not the settings' own.
std::string describe(const Handle(Pelk_WrappingSettings)& theSettings)
{
  std::vector<Handle(Algo_Transient)> anAlgos = {Handle(Algo_Transient)(theSettings->Voxelization()),
                                                 Handle(Algo_Transient)(theSettings->Tessellation())};
  anAlgos.insert(anAlgos.end(), theSettings->Refinements().begin(), theSettings->Refinements().end());
  std::string aText;
  for (const Handle(Algo_Transient)& anAlgo : anAlgos)
  {
    const bool isInStep =
        !anAlgo.IsNull() && anAlgo->Notifier() == theSettings->ProgressNotifier() &&
        anAlgo->NbThreads() == static_cast<unsigned int>(std::max(theSettings->NbThreads(), 1));
    aText += (aText.empty() ? "" : " ") + (anAlgo.IsNull() ? "-" : anAlgo->Name() + (isInStep ? "" : "!"));
  }
  return aText;
}
} // namespace

// The driver's access to the stages is checked through Pelk_API's runs.
TEST(Pelk_WrappingSettingsTest, HeldAlgorithmsFollowTheSettingsAndAreSharedByCopies)
{
  // No catalogue: the keys of the messages are checked, not the texts.
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier("");
  Handle(Pelk_WrappingSettings)       aSettings = new Pelk_WrappingSettings(aNotifier);
  aSettings->SetNbThreads(0);
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationGSF");
  aSettings->SetTessellationAlgorithm("Algo_CartesianWrapping");
  aSettings->AppendRefinement(new TestRefinement());
  aSettings->AppendRefinement(Handle(Algo_Refinement)());
  EXPECT_EQ(describe(aSettings), "Algo_VoxelizationGSF Algo_CartesianWrapping TestRefinement");
  EXPECT_EQ(aNotifier->NbMessages(), 0);

  // A class of another stage is refused and the stage stays: an error for a stage, a warning for a step.
  aSettings->SetVoxelizationAlgorithm("Algo_CartesianWrapping");
  aSettings->SetTessellationAlgorithm("Algo_VoxelizationMinSize");
  aSettings->AppendRefinementAlgorithm("Algo_VoxelizationMinSize", 0.5);
  EXPECT_EQ(describe(aSettings), "Algo_VoxelizationGSF Algo_CartesianWrapping TestRefinement");
  std::string aSeverities;
  for (NCollection_List<Pelk_Message>::Iterator anIt(aNotifier->Messages()); anIt.More(); anIt.Next())
  {
    EXPECT_EQ(anIt.Value().Key(), "Algo.NoAlgorithm");
    aSeverities += anIt.Value().Severity() == Pelk_Error ? "E" : "W";
  }
  EXPECT_EQ(aSeverities, "EEW");

  // A new notifier or thread count reaches every held algorithm, steps added later included.
  aSettings->SetProgressNotifier(new Pelk_ProgressNotifier(""));
  aSettings->SetNbThreads(3);
  aSettings->AppendRefinement(new TestRefinement());
  EXPECT_EQ(describe(aSettings), "Algo_VoxelizationGSF Algo_CartesianWrapping TestRefinement TestRefinement");

  // A copy shares the algorithm objects, but not the inner mode.
  aSettings->SetCellSize(0.25);
  aSettings->SetInnerMode(true);
  const Handle(Pelk_WrappingSettings) aCopy = aSettings->Copy();
  EXPECT_EQ(aCopy->NbThreads(), 3);
  EXPECT_EQ(aCopy->CellSize(), 0.25);
  EXPECT_FALSE(aCopy->InnerMode());
  aCopy->SetNbThreads(5);
  EXPECT_EQ(describe(aSettings),
            "Algo_VoxelizationGSF! Algo_CartesianWrapping! TestRefinement! TestRefinement!");
}

// A value of exactly 0.0 keeps the default, any other is taken where the step has a parameter; smoothing
// ignores it and takes its own through the overload, unchecked; unknown names only warn.
TEST(Pelk_WrappingSettingsTest, AppendedStepsTakeTheirValues)
{
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier("");
  Handle(Pelk_WrappingSettings)       aSettings = new Pelk_WrappingSettings(aNotifier);
  aSettings->AppendRefinementAlgorithm("Algo_SwapEdge", 0.0);
  aSettings->AppendRefinementAlgorithm("Algo_SwapEdge", -0.5);
  aSettings->AppendRefinementAlgorithm("Algo_CollapseNarrowFace", 12.0);
  aSettings->AppendRefinementAlgorithm("Algo_Smoothing", 0.3);
  aSettings->AppendRefinementAlgorithm("Algo_SplitEdge", 0.3);
  aSettings->AppendRefinementAlgorithm("Algo_Smoothing", static_cast<Algo_Smoothing::SmoothingComponent>(7),
                                       -4);
  aSettings->AppendRefinementAlgorithm("Algo_SwapEdge", Algo_Smoothing::Normal, 3);
  aSettings->AppendRefinementAlgorithm("SwapEdge", 0.5);
  std::ostringstream aText;
  for (const Handle(Algo_Refinement)& aStep : aSettings->Refinements())
  {
    aText << aStep->Name() << " ";
    if (const Handle(Algo_SwapEdge) aSwap = Handle(Algo_SwapEdge)::DownCast(aStep))
    {
      aText << aSwap->Parameter() << " ";
    }
    if (const Handle(Algo_CollapseNarrowFace) aNarrow = Handle(Algo_CollapseNarrowFace)::DownCast(aStep))
    {
      aText << aNarrow->Parameter() << " ";
    }
    if (const Handle(Algo_Smoothing) aSmoothing = Handle(Algo_Smoothing)::DownCast(aStep))
    {
      aText << aSmoothing->Component() << "," << aSmoothing->NbIterations() << " ";
    }
  }
  EXPECT_EQ(aText.str(), "Algo_SwapEdge 0.8 Algo_SwapEdge -0.5 Algo_CollapseNarrowFace 12 Algo_Smoothing 2,5 "
                         "Algo_SplitEdge Algo_Smoothing 7,-4 ");
  EXPECT_EQ(describe(aSettings).find('!'), std::string::npos);
  ASSERT_EQ(aNotifier->NbMessages(), 2);
  EXPECT_EQ(aNotifier->Messages().Last().Key(), "Algo.NoAlgorithm");
  EXPECT_EQ(aNotifier->Messages().Last().Severity(), Pelk_Warning);
}
