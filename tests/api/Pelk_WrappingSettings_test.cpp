#include <Algo_Refinement.hxx>
#include <Algo_Tessellation.hxx>
#include <Algo_Voxelization.hxx>
#include <Pelk_Configuration.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <Pelk_WrappingSettings.hxx>
#include <PelliskTest_Data.hxx>

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace
{
class TestVoxelization : public Algo_Voxelization
{
public:
  TestVoxelization()
      : Algo_Voxelization(Pelk_DummyProgressNotifier::Instance())
  {
  }
  std::string Name() const override { return "TestVoxelization"; }

protected:
  void init() override {}
  bool isSplit(SVO_Node*) override { return false; }
  void finalize() override {}
};

class TestTessellation : public Algo_Tessellation
{
public:
  TestTessellation()
      : Algo_Tessellation(Pelk_DummyProgressNotifier::Instance())
  {
  }
  std::string Name() const override { return "TestTessellation"; }
  bool        Perform() override { return true; }
};

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

Handle(Pelk_ProgressNotifier) newNotifier()
{
  return new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
}

// Keys and severities of the notifier's messages, in order.
std::vector<std::pair<std::string, Pelk_MessageSeverity>>
messages(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  std::vector<std::pair<std::string, Pelk_MessageSeverity>> aList;
  for (NCollection_List<Pelk_Message>::Iterator anIt(theNotifier->Messages()); anIt.More(); anIt.Next())
  {
    aList.emplace_back(anIt.Value().Key().ToCString(), anIt.Value().Severity());
  }
  return aList;
}

// Every held algorithm reports to the settings' notifier and runs max(count, 1) threads.
void expectInStep(const Pelk_WrappingSettings& theSettings)
{
  const unsigned int aThreads = static_cast<unsigned int>(std::max(theSettings.NbThreads(), 1));
  std::vector<const Algo_Transient*> anAlgos = {theSettings.Voxelization().get(),
                                                theSettings.Tessellation().get()};
  for (const Handle(Algo_Refinement)& aStep : theSettings.Refinements())
  {
    anAlgos.push_back(aStep.get());
  }
  for (const Algo_Transient* anAlgo : anAlgos)
  {
    if (anAlgo == nullptr)
    {
      continue;
    }
    EXPECT_EQ(anAlgo->NbThreads(), aThreads);
    EXPECT_EQ(anAlgo->Notifier(), theSettings.ProgressNotifier());
  }
}
} // namespace

TEST(Pelk_WrappingSettingsTest, HeldAlgorithmsFollowNotifierAndThreadCount)
{
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(newNotifier());
  EXPECT_EQ(aSettings->NbThreads(), Pelk_Configuration::HardwareThreads());
  EXPECT_EQ(aSettings->CellSize(), 0.001);
  EXPECT_FALSE(aSettings->InnerMode());

  aSettings->SetVoxelization(new TestVoxelization());
  aSettings->SetTessellation(new TestTessellation());
  aSettings->AppendRefinement(new TestRefinement());
  expectInStep(*aSettings);

  aSettings->SetNbThreads(0);
  EXPECT_EQ(aSettings->NbThreads(), 0);
  expectInStep(*aSettings);

  aSettings->SetNbThreads(3);
  aSettings->SetProgressNotifier(newNotifier());
  aSettings->AppendRefinement(new TestRefinement());
  expectInStep(*aSettings);
  EXPECT_EQ(aSettings->Refinements().size(), 2u);
}

TEST(Pelk_WrappingSettingsTest, UnknownClassNamesAreReportedAndChangeNothing)
{
  Handle(Pelk_ProgressNotifier) aNotifier     = newNotifier();
  Handle(Pelk_WrappingSettings) aSettings     = new Pelk_WrappingSettings(aNotifier);
  Handle(Algo_Voxelization)     aVoxelization = new TestVoxelization();
  Handle(Algo_Tessellation)     aTessellation = new TestTessellation();
  aSettings->SetVoxelization(aVoxelization);
  aSettings->SetTessellation(aTessellation);

  aSettings->SetVoxelizationAlgorithm("MinVoxelSize");
  aSettings->SetTessellationAlgorithm("ShrinkWrapping");
  aSettings->AppendRefinementAlgorithm("SwapEdge", 0.5);
  EXPECT_EQ(aSettings->Voxelization(), aVoxelization);
  EXPECT_EQ(aSettings->Tessellation(), aTessellation);
  EXPECT_TRUE(aSettings->Refinements().empty());
  EXPECT_EQ(messages(aNotifier), (std::vector<std::pair<std::string, Pelk_MessageSeverity>>{
                                     {"Algo.NoAlgorithm", Pelk_Error},
                                     {"Algo.NoAlgorithm", Pelk_Error},
                                     {"Algo.NoAlgorithm", Pelk_Warning},
                                 }));
}

TEST(Pelk_WrappingSettingsTest, CopySharesTheAlgorithmsButNotTheInnerMode)
{
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(newNotifier());
  aSettings->SetVoxelization(new TestVoxelization());
  aSettings->SetTessellation(new TestTessellation());
  aSettings->AppendRefinement(new TestRefinement());
  aSettings->SetNbThreads(2);
  aSettings->SetCellSize(0.25);
  aSettings->SetInnerMode(true);

  Handle(Pelk_WrappingSettings) aCopy = aSettings->Copy();
  EXPECT_EQ(aCopy->ProgressNotifier(), aSettings->ProgressNotifier());
  EXPECT_EQ(aCopy->Voxelization(), aSettings->Voxelization());
  EXPECT_EQ(aCopy->Tessellation(), aSettings->Tessellation());
  EXPECT_EQ(aCopy->Refinements(), aSettings->Refinements());
  EXPECT_EQ(aCopy->NbThreads(), 2);
  EXPECT_EQ(aCopy->CellSize(), 0.25);
  EXPECT_FALSE(aCopy->InnerMode());

  // The objects are shared: the copy's thread count reaches the first settings' algorithms.
  aCopy->SetNbThreads(5);
  EXPECT_EQ(aSettings->Voxelization()->NbThreads(), 5u);
  EXPECT_EQ(aSettings->Refinements().front()->NbThreads(), 5u);
  EXPECT_EQ(aSettings->NbThreads(), 2);
}

TEST(Pelk_WrappingSettingsTest, DriverAccessReportsMissingStagesAndWalksTheChain)
{
  Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(aNotifier);
  Handle(Poly_Triangulation)    aMesh     = new Poly_Triangulation(3, 1, Standard_False);
  EXPECT_TRUE(aSettings->VoxelizationAlgorithm(aMesh).IsNull());
  EXPECT_TRUE(aSettings->TessellationAlgorithm().IsNull());
  EXPECT_EQ(messages(aNotifier), (std::vector<std::pair<std::string, Pelk_MessageSeverity>>{
                                     {"Pelk_API.NoVoxelizationAlgo", Pelk_Error},
                                     {"Pelk_API.NoTessellationAlgo", Pelk_Error},
                                 }));

  aSettings->SetVoxelization(new TestVoxelization());
  EXPECT_EQ(aSettings->VoxelizationAlgorithm(aMesh)->Triangulation(), aMesh);

  // The cursor starts at the end, until the driver resets it.
  Handle(Algo_Refinement) aFirst  = new TestRefinement();
  Handle(Algo_Refinement) aSecond = new TestRefinement();
  aSettings->AppendRefinement(aFirst);
  aSettings->AppendRefinement(aSecond);
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

TEST(Pelk_WrappingSettingsTest, SettingsFromTheConfigurationFile)
{
  Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  const Pelk_Configuration      aMissing("/nonexistent/Pellisk.conf", "");
  EXPECT_TRUE(aMissing.CreateSettings(aNotifier).IsNull());
  EXPECT_TRUE(aMissing.CreateSettings(aNotifier).IsNull());
  EXPECT_EQ(messages(aNotifier), (std::vector<std::pair<std::string, Pelk_MessageSeverity>>{
                                     {"Pelk_API.ConfigFileError", Pelk_Warning},
                                     {"Pelk_API.ConfigFileError", Pelk_Warning},
                                 }));

  const std::string aFile = PelliskTest_Data::ScratchFolder("settings_from_file") + "/Pellisk.conf";
  std::ofstream(aFile) << "Voxelization = Unknown\nTessellation = Unknown Inner\nRefinement = Nothing\n"
                          "ParallelThreads = 3\n";
  aNotifier->Clear();
  const Handle(Pelk_WrappingSettings) aSettings =
      Pelk_Configuration(aFile.c_str(), "").CreateSettings(aNotifier);
  ASSERT_FALSE(aSettings.IsNull());
  // Unknown keywords leave the stages empty without a message; the driver reports them.
  EXPECT_EQ(aNotifier->NbMessages(), 0);
  EXPECT_TRUE(aSettings->Voxelization().IsNull());
  EXPECT_TRUE(aSettings->Tessellation().IsNull());
  EXPECT_TRUE(aSettings->Refinements().empty());
  EXPECT_EQ(aSettings->NbThreads(), 3);
  EXPECT_TRUE(aSettings->InnerMode());
  EXPECT_EQ(aSettings->CellSize(), 0.001);
  EXPECT_EQ(aSettings->ProgressNotifier(), aNotifier);
}

TEST(Pelk_WrappingSettingsTest, AlgorithmsChosenByNameOrKeywordReportToTheSettings)
{
  Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(aNotifier);
  aSettings->SetNbThreads(2);
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
  ASSERT_FALSE(aSettings->Voxelization().IsNull());
  EXPECT_EQ(aSettings->Voxelization()->Name(), "Algo_VoxelizationMinSize");
  expectInStep(*aSettings->Copy());
  // A voxelization is no tessellation.
  aSettings->SetTessellationAlgorithm("Algo_VoxelizationMinSize");
  EXPECT_TRUE(aSettings->Tessellation().IsNull());
  EXPECT_EQ(aNotifier->NbMessages(), 1);

  const std::string aDir = PelliskTest_Data::ScratchFolder("settings_keywords");
  std::ofstream(aDir + "/exact.conf") << "Voxelization = MinVoxelSize\n";
  std::ofstream(aDir + "/trailing.conf") << "Voxelization = MinVoxelSize \n";
  const Handle(Pelk_WrappingSettings) anExact =
      Pelk_Configuration((aDir + "/exact.conf").c_str(), "").CreateSettings(aNotifier);
  ASSERT_FALSE(anExact->Voxelization().IsNull());
  EXPECT_EQ(anExact->Voxelization()->Notifier(), aNotifier);
  EXPECT_TRUE(Pelk_Configuration((aDir + "/trailing.conf").c_str(), "")
                  .CreateSettings(aNotifier)
                  ->Voxelization()
                  .IsNull());
  EXPECT_EQ(aNotifier->NbMessages(), 1);
}
