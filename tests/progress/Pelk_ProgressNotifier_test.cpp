#include <Pelk_DummyProgressNotifier.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <PelliskTest_Data.hxx>

#include <Standard_ProgramError.hxx>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

namespace
{
Handle(Pelk_ProgressNotifier) catalogueNotifier()
{
  return new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
}

std::string
dump(const Handle(Pelk_ProgressNotifier)& theNotifier, Pelk_MessageSeverity theMinimum, bool theOnlyNew)
{
  std::ostringstream aStream;
  theNotifier->Dump(aStream, theMinimum, theOnlyNew);
  return aStream.str();
}
} // namespace

TEST(Pelk_ProgressNotifierTest, NestedScopesMapOntoOneGlobalPosition)
{
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  EXPECT_TRUE(aNotifier->NewScope("Pelk_API::Perform", 0.0, 1.0, 1.0));

  // A check of three steps filling 1% of the run.
  EXPECT_TRUE(aNotifier->NewScope("Algo_Voxelization::CheckInputData", 0.0, 0.01, 0.01 / 3));
  for (int i = 0; i < 3; ++i)
  {
    aNotifier->Increment();
  }
  EXPECT_NEAR(aNotifier->GetPosition(), 0.01, 1e-12);
  EXPECT_NEAR(aNotifier->GetValue(), 0.01, 1e-12);
  EXPECT_TRUE(aNotifier->EndScope());
  EXPECT_NEAR(aNotifier->GetPosition(), 0.01, 1e-12);

  // Half of the next scope, then closing it jumps to its end.
  EXPECT_TRUE(aNotifier->NewScope("Algo_Voxelization::ComputeTriangleSet", 0.0, 0.01, 0.005));
  aNotifier->Increment();
  EXPECT_NEAR(aNotifier->GetPosition(), 0.015, 1e-12);
  EXPECT_NEAR(aNotifier->GetValue(), 0.005, 1e-12);

  // A scope nested two deep takes the fraction of its parent's step.
  EXPECT_TRUE(aNotifier->NewScope("Inner", 0.0, 4.0, 1.0));
  aNotifier->Increment();
  EXPECT_NEAR(aNotifier->GetPosition(), 0.015 + 0.005 / 4, 1e-12);
  EXPECT_TRUE(aNotifier->EndScope());
  EXPECT_NEAR(aNotifier->GetPosition(), 0.02, 1e-12);
  EXPECT_TRUE(aNotifier->EndScope());
  EXPECT_NEAR(aNotifier->GetPosition(), 0.02, 1e-12);

  // Increments never pass the end of their scope.
  EXPECT_TRUE(aNotifier->NewScope("Overrun", 0.0, 0.1, 0.05));
  for (int i = 0; i < 10; ++i)
  {
    aNotifier->Increment();
  }
  EXPECT_NEAR(aNotifier->GetPosition(), 0.12, 1e-12);
  EXPECT_TRUE(aNotifier->EndScope());

  EXPECT_TRUE(aNotifier->EndScope());
  EXPECT_NEAR(aNotifier->GetPosition(), 1.0, 1e-12);
  // Only the root is left: closing it fails and leaves the position at the end.
  EXPECT_FALSE(aNotifier->EndScope());
  EXPECT_NEAR(aNotifier->GetPosition(), 1.0, 1e-12);
  EXPECT_FALSE(aNotifier->NewScope("TooLate", 0.0, 1.0, 1.0));
}

TEST(Pelk_ProgressNotifierTest, NextScopeMovesOnAndClearResetsTheScopes)
{
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  EXPECT_TRUE(aNotifier->NextScope("First", 0.0, 0.5, 0.5));
  EXPECT_EQ(aNotifier->Indicator()->ScopeName(), TCollection_AsciiString("First"));
  EXPECT_TRUE(aNotifier->NextScope("Second", 0.0, 0.5, 0.25));
  EXPECT_NEAR(aNotifier->GetPosition(), 0.5, 1e-12);
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 2);
  EXPECT_EQ(aNotifier->Indicator()->ScopeName(), TCollection_AsciiString("Second"));

  aNotifier->Clear();
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 1);
  EXPECT_EQ(aNotifier->GetPosition(), 0.0);
  EXPECT_TRUE(aNotifier->NewScope("Again", 0.0, 1.0, 0.5));
  aNotifier->Increment();
  EXPECT_NEAR(aNotifier->GetPosition(), 0.5, 1e-12);
}

TEST(Pelk_ProgressNotifierTest, DumpWritesEachMessageOnceOrAllAgain)
{
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  aNotifier->NewMessage(Pelk_Info, "Pelk_API.VoxelizerProgress").Arg("STARTED");
  aNotifier->NewMessage(Pelk_Error, "Algo_Voxelization.NoMesh");
  EXPECT_EQ(dump(aNotifier, Pelk_Info, true), "0 [info]: Voxelization STARTED\n"
                                              "1 [error]: There is no input mesh, or it has no triangles.\n");
  EXPECT_EQ(dump(aNotifier, Pelk_Info, true), "");

  // A message below the minimum is visited, so a later "only new" dump skips it.
  aNotifier->NewMessage(Pelk_Info, "Pelk_API.VoxelizerProgress").Arg("FINISHED");
  EXPECT_EQ(dump(aNotifier, Pelk_Warning, true), "");
  aNotifier->NewMessage(Pelk_Warning, "Algo_Voxelization.NoInputBox");
  EXPECT_EQ(dump(aNotifier, Pelk_Info, true),
            "3 [warning]: No bounding box was given: the bounding cube of the input mesh is used.\n");

  const std::string anAll = dump(aNotifier, Pelk_Info, false);
  EXPECT_EQ(std::count(anAll.begin(), anAll.end(), '\n'), 4);
  EXPECT_EQ(dump(aNotifier, Pelk_Error, false),
            "1 [error]: There is no input mesh, or it has no triangles.\n");

  aNotifier->Clear();
  EXPECT_EQ(aNotifier->NbMessages(), 0);
  EXPECT_EQ(aNotifier->NewMessage(Pelk_Info, "Pelk_API.Cancel").Index(), 0);
  EXPECT_EQ(dump(aNotifier, Pelk_Info, true), "0 [info]: The operation was cancelled.\n");
}

TEST(Pelk_ProgressNotifierTest, ErrorsBecomeWarningsOnlyWhileSwitchedOn)
{
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  aNotifier->TreatErrorAsWarning(true);
  aNotifier->NewMessage(Pelk_Error, "STL_IO.ReadingError");
  aNotifier->NewMessage(Pelk_Info, "Pelk_API.ImportSTLProgress").Arg("STARTED");
  aNotifier->TreatErrorAsWarning(false);
  aNotifier->NewMessage(Pelk_Error, "STL_IO.WritingError");

  const std::string aText = dump(aNotifier, Pelk_Info, false);
  EXPECT_NE(aText.find("0 [warning]: The STL file could not be read"), std::string::npos);
  EXPECT_NE(aText.find("1 [info]: STL import STARTED"), std::string::npos);
  EXPECT_NE(aText.find("2 [error]: The STL file could not be written."), std::string::npos);
}

TEST(Pelk_ProgressNotifierTest, ArgumentsFillPlaceholdersOfTheirType)
{
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  // The low 32 bits of a size are passed on.
  const size_t aLarge = (size_t(1) << 32) + 5;
  aNotifier->NewMessage(Pelk_Warning, "HalfEdge.WrongMesh").Arg(aLarge).Arg(7);
  aNotifier->NewMessage(Pelk_Error, "Algo_ShrinkWrapping.CollapseNarrowFacesFailed").Arg(2.5);
  // An argument without placeholder is dropped; a placeholder without argument reads UNKNOWN.
  aNotifier->NewMessage(Pelk_Info, "Pelk_API.Refinement").Arg(3).Arg("Algo_SwapEdge STARTED");
  aNotifier->NewMessage(Pelk_Info, "Pelk_API.Refinement");

  NCollection_List<Pelk_Message>::Iterator anIt(aNotifier->Messages());
  EXPECT_EQ(
      std::string(anIt.Value().Text().ToCString()),
      "The mesh has no nodes or no triangles to convert (5 nodes, 7 faces); no triangulation was made.");
  anIt.Next();
  EXPECT_NE(std::string(anIt.Value().Text().ToCString()).find("2.5"), std::string::npos);
  anIt.Next();
  EXPECT_EQ(std::string(anIt.Value().Text().ToCString()), "Refinement step Algo_SwapEdge STARTED");
  anIt.Next();
  // Reading the text twice gives the same text.
  EXPECT_EQ(anIt.Value().Text(), anIt.Value().Text());
  EXPECT_EQ(std::string(anIt.Value().Text().ToCString()), "Refinement step UNKNOWN");
}

TEST(Pelk_ProgressNotifierTest, CatalogueIsLoadedOnFirstMessageOrReported)
{
  const std::string             aDir      = PelliskTest_Data::ScratchFolder("catalogue");
  const std::string             aMissing  = aDir + "/NoSuchCatalogue";
  Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier(aMissing.c_str());
  try
  {
    aNotifier->NewMessage(Pelk_Info, "Pelk_API.Cancel");
    FAIL() << "a missing catalogue must be reported";
  }
  catch (const Standard_ProgramError& theError)
  {
    EXPECT_STREQ(theError.GetMessageString(), "Cannot find resource file with messages");
  }
  EXPECT_EQ(aNotifier->NbMessages(), 0);

  // The next message tries again and finds the file written meanwhile.
  std::ofstream(aMissing) << ".PelliskTest.Own\nOwn text %d\n";
  aNotifier->NewMessage(Pelk_Info, "PelliskTest.Own").Arg(4);
  EXPECT_EQ(std::string(aNotifier->Messages().First().Text().ToCString()), "Own text 4");

  // An unknown key is still recorded, with the kernel's text naming it.
  aNotifier->NewMessage(Pelk_Error, "PelliskTest.NoSuchKey");
  EXPECT_NE(std::string(aNotifier->Messages().Last().Text().ToCString()).find("PelliskTest.NoSuchKey"),
            std::string::npos);
}

TEST(Pelk_ProgressNotifierTest, DefaultNotifierUsesTheCatalogueBesideTheLibrary)
{
  Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier();
  EXPECT_TRUE(aNotifier->ResourceFile().EndsWith("/resource/PelliskMessages"));
  aNotifier->NewMessage(Pelk_Error, "STL_IO.FileDoesNotExist");
  EXPECT_EQ(std::string(aNotifier->Messages().First().Text().ToCString()), "The STL file does not exist.");
}

TEST(Pelk_ProgressNotifierTest, CancelFromAnotherThreadIsSeenAndRecorded)
{
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  std::atomic<bool>             isStarted(false);
  std::thread                   aCanceller(
      [&]
      {
        while (!isStarted.load())
        {
          std::this_thread::yield();
        }
        aNotifier->Cancel();
      });

  // The working thread issues messages and checks for a break, as the pipeline does.
  int aNbSteps = 0;
  aNotifier->NewScope("Work", 0.0, 1.0, 1e-6);
  while (!aNotifier->UserBreak())
  {
    aNotifier->NewMessage(Pelk_Info, "Pelk_API.VoxelizerProgress").Arg("STARTED");
    aNotifier->Increment();
    isStarted.store(true);
    ++aNbSteps;
  }
  aCanceller.join();

  int aNbCancel = 0;
  int anIndex   = 0;
  for (NCollection_List<Pelk_Message>::Iterator anIt(aNotifier->Messages()); anIt.More();
       anIt.Next(), ++anIndex)
  {
    EXPECT_EQ(anIt.Value().Index(), anIndex);
    if (anIt.Value().Severity() == Pelk_Error)
    {
      ++aNbCancel;
    }
  }
  EXPECT_EQ(aNbCancel, 1);
  EXPECT_EQ(aNotifier->NbMessages(), aNbSteps + 1);

  // The request outlives Clear.
  aNotifier->Clear();
  EXPECT_TRUE(aNotifier->UserBreak());
}

TEST(Pelk_ProgressNotifierTest, DummyNotifierIgnoresEverythingButCancel)
{
  const Handle(Pelk_DummyProgressNotifier)& aDummy = Pelk_DummyProgressNotifier::Instance();
  EXPECT_EQ(aDummy, Pelk_DummyProgressNotifier::Instance());
  EXPECT_TRUE(aDummy->Indicator().IsNull());
  EXPECT_TRUE(aDummy->NewScope("Scope", 0.0, 1.0, 0.5));
  aDummy->Increment();
  EXPECT_TRUE(aDummy->NextScope("Next", 0.0, 1.0, 0.5));
  EXPECT_TRUE(aDummy->EndScope());
  EXPECT_EQ(aDummy->GetPosition(), 0.0);
  EXPECT_EQ(aDummy->GetValue(), 0.0);

  Pelk_Message& aMessage = aDummy->NewMessage(Pelk_Error, "Pelk_API.Cancel");
  aMessage.Arg(3).Arg("text");
  EXPECT_EQ(aMessage.Index(), 0);
  EXPECT_EQ(aMessage.Severity(), Pelk_Info);
  EXPECT_EQ(aDummy->NbMessages(), 0);
  std::ostringstream aStream;
  aDummy->Dump(aStream, Pelk_Info, false);
  EXPECT_TRUE(aStream.str().empty());

  // A separate dummy, so that the shared one stays usable by other tests.
  Handle(Pelk_DummyProgressNotifier) anOwn = new Pelk_DummyProgressNotifier();
  EXPECT_FALSE(anOwn->UserBreak());
  anOwn->Cancel();
  EXPECT_TRUE(anOwn->UserBreak());
  EXPECT_EQ(anOwn->NbMessages(), 0);
  EXPECT_FALSE(aDummy->UserBreak());
}
