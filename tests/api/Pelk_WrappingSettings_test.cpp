#include <Algo_Refinement.hxx>
#include <Algo_Tessellation.hxx>
#include <Algo_Voxelization.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <Pelk_WrappingSettings.hxx>

#include <gtest/gtest.h>

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

// Notifiers without a catalogue: the keys of their messages are checked, not the texts.
Handle(Pelk_ProgressNotifier) newNotifier()
{
  return new Pelk_ProgressNotifier("");
}

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

// Keys and severities (0 info, 1 warning, 2 error) of the messages, in order.
std::string messages(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  std::string aText;
  for (NCollection_List<Pelk_Message>::Iterator anIt(theNotifier->Messages()); anIt.More(); anIt.Next())
  {
    aText +=
        std::string(anIt.Value().Key().ToCString()) + ":" + std::to_string(anIt.Value().Severity()) + " ";
  }
  return aText;
}
} // namespace

TEST(Pelk_WrappingSettingsTest, HeldAlgorithmsFollowTheSettingsAndAreSharedByCopies)
{
  const Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  Handle(Pelk_WrappingSettings)       aSettings = new Pelk_WrappingSettings(aNotifier);
  aSettings->SetNbThreads(0);
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationGSF");
  aSettings->SetTessellationAlgorithm("Algo_CartesianWrapping");
  aSettings->AppendRefinement(new TestRefinement());
  aSettings->AppendRefinement(Handle(Algo_Refinement)());
  EXPECT_EQ(describe(aSettings), "Algo_VoxelizationGSF Algo_CartesianWrapping TestRefinement");
  EXPECT_EQ(messages(aNotifier), "");

  // Configuration keywords, step words and classes of another stage are refused; the stages stay.
  const Handle(Algo_Voxelization) aVoxelization = aSettings->Voxelization();
  for (const std::string aName : {"MinVoxelSize", "Algo_CartesianWrapping", "algo_voxelizationgsf"})
  {
    aSettings->SetVoxelizationAlgorithm(aName);
  }
  aSettings->SetTessellationAlgorithm("ShrinkWrapping");
  aSettings->SetTessellationAlgorithm("Algo_VoxelizationMinSize");
  aSettings->AppendRefinementAlgorithm("SwapEdge", 0.5);
  aSettings->AppendRefinementAlgorithm("Algo_VoxelizationMinSize", 0.5);
  EXPECT_EQ(aSettings->Voxelization(), aVoxelization);
  EXPECT_EQ(describe(aSettings), "Algo_VoxelizationGSF Algo_CartesianWrapping TestRefinement");
  EXPECT_EQ(messages(aNotifier),
            "Algo.NoAlgorithm:2 Algo.NoAlgorithm:2 Algo.NoAlgorithm:2 Algo.NoAlgorithm:2 "
            "Algo.NoAlgorithm:2 Algo.NoAlgorithm:1 Algo.NoAlgorithm:1 ");

  // A new notifier or thread count reaches every held algorithm, steps added later included.
  aSettings->SetProgressNotifier(newNotifier());
  aSettings->SetNbThreads(3);
  aSettings->AppendRefinement(new TestRefinement());
  EXPECT_EQ(describe(aSettings), "Algo_VoxelizationGSF Algo_CartesianWrapping TestRefinement TestRefinement");
  EXPECT_EQ(aVoxelization->NbThreads(), 3u);

  // A copy shares the algorithm objects, but not the inner mode.
  aSettings->SetCellSize(0.25);
  aSettings->SetInnerMode(true);
  const Handle(Pelk_WrappingSettings) aCopy = aSettings->Copy();
  EXPECT_EQ(aCopy->ProgressNotifier(), aSettings->ProgressNotifier());
  EXPECT_EQ(aCopy->Refinements(), aSettings->Refinements());
  EXPECT_EQ(aCopy->NbThreads(), 3);
  EXPECT_EQ(aCopy->CellSize(), 0.25);
  EXPECT_FALSE(aCopy->InnerMode());
  aCopy->SetNbThreads(5);
  EXPECT_EQ(describe(aSettings),
            "Algo_VoxelizationGSF! Algo_CartesianWrapping! TestRefinement! TestRefinement!");
  EXPECT_EQ(aSettings->NbThreads(), 3);
}

TEST(Pelk_WrappingSettingsTest, DriverAccessReportsMissingStagesAndWalksTheChain)
{
  const Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  Handle(Pelk_WrappingSettings)       aSettings = new Pelk_WrappingSettings(aNotifier);
  const Handle(Poly_Triangulation)    aMesh     = new Poly_Triangulation(3, 1, Standard_False);
  EXPECT_TRUE(aSettings->VoxelizationAlgorithm(aMesh).IsNull());
  EXPECT_TRUE(aSettings->TessellationAlgorithm().IsNull());
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
  aSettings->SetTessellationAlgorithm("Algo_CartesianWrapping");
  EXPECT_EQ(aSettings->VoxelizationAlgorithm(aMesh)->Triangulation(), aMesh);
  EXPECT_EQ(aSettings->TessellationAlgorithm(), aSettings->Tessellation());
  EXPECT_EQ(messages(aNotifier), "Pelk_API.NoVoxelizationAlgo:2 Pelk_API.NoTessellationAlgo:2 ");

  const Handle(Algo_Refinement) aFirst  = new TestRefinement();
  const Handle(Algo_Refinement) aSecond = new TestRefinement();
  aSettings->AppendRefinement(aFirst);
  aSettings->AppendRefinement(aSecond);
  // The cursor starts at the end, until the driver resets it.
  EXPECT_TRUE(aSettings->NextRefinement().IsNull());
  for (int aRun = 0; aRun < 2; ++aRun)
  {
    aSettings->ResetRefinements();
    EXPECT_EQ(aSettings->NextRefinement(), aFirst);
    EXPECT_EQ(aSettings->NextRefinement(), aSecond);
    EXPECT_TRUE(aSettings->NextRefinement().IsNull());
    EXPECT_TRUE(aSettings->NextRefinement().IsNull());
  }
}
