#include <Pelk_DummyProgressNotifier.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <PelliskTest_Data.hxx>

#include <Standard_ProgramError.hxx>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
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
dump(const Handle(Pelk_ProgressNotifier)& theNotifier, Pelk_MessageSeverity theMinimum, bool isOnlyNew)
{
  std::ostringstream aStream;
  theNotifier->Dump(aStream, theMinimum, isOnlyNew);
  return aStream.str();
}
} // namespace

TEST(Pelk_ProgressNotifierTest, NestedScopesMapOntoOneGlobalPosition)
{
  Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier("");
  // The global position and the value in the innermost scope.
  const auto at = [&](double thePosition, double theValue) -> ::testing::AssertionResult
  {
    const double aPosition = aNotifier->GetPosition();
    const double aValue    = aNotifier->GetValue();
    return std::abs(aPosition - thePosition) < 1e-12 && std::abs(aValue - theValue) < 1e-12
               ? ::testing::AssertionSuccess()
               : ::testing::AssertionFailure() << "at " << aPosition << ", value " << aValue;
  };
  EXPECT_TRUE(aNotifier->NewScope("Run", 0.0, 1.0, 1.0));
  // Three steps filling 1% of the run, then half of the next 1%.
  EXPECT_TRUE(aNotifier->NewScope("Check", 0.0, 0.01, 0.01 / 3));
  aNotifier->Increment();
  EXPECT_TRUE(at(0.01 / 3, 0.01 / 3));
  aNotifier->Increment();
  aNotifier->Increment();
  EXPECT_TRUE(at(0.01, 0.01));
  EXPECT_TRUE(aNotifier->NextScope("Half", 0.0, 0.01, 0.005));
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 3);
  aNotifier->Increment();
  EXPECT_TRUE(at(0.015, 0.005));
  // A scope nested in it takes the fraction of its step; closing a scope jumps to its end.
  EXPECT_TRUE(aNotifier->NewScope("Inner", 0.0, 4.0, 1.0));
  aNotifier->Increment();
  EXPECT_TRUE(at(0.015 + 0.005 / 4, 1.0));
  EXPECT_TRUE(aNotifier->EndScope());
  EXPECT_TRUE(at(0.02, 0.01));
  EXPECT_TRUE(aNotifier->EndScope());
  EXPECT_TRUE(at(0.02, 0.02));
  // Increments never pass the end of their scope.
  EXPECT_TRUE(aNotifier->NewScope("Overrun", 0.0, 0.1, 0.05));
  for (int i = 0; i < 3; ++i)
  {
    aNotifier->Increment();
  }
  EXPECT_TRUE(at(0.12, 0.1));
  EXPECT_TRUE(aNotifier->EndScope());
  EXPECT_TRUE(aNotifier->EndScope());
  EXPECT_TRUE(at(1.0, 1.0));
  // Only the root is left: it stays, at the end.
  EXPECT_FALSE(aNotifier->EndScope());
  EXPECT_FALSE(aNotifier->NewScope("TooLate", 0.0, 1.0, 1.0));
  EXPECT_TRUE(at(1.0, 1.0));
  // Moving on from the root opens a scope without closing the root.
  aNotifier->Clear();
  EXPECT_TRUE(at(0.0, 0.0));
  EXPECT_TRUE(aNotifier->NextScope("Again", 0.0, 1.0, 0.5));
  aNotifier->Increment();
  EXPECT_TRUE(at(0.5, 0.5));
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 2);
  EXPECT_EQ(aNotifier->Indicator()->ScopeName(), TCollection_AsciiString("Again"));
}

TEST(Pelk_ProgressNotifierTest, TextsComeFromTheCatalogueAndTheArguments)
{
  const std::string             aCatalogue = PelliskTest_Data::ScratchFolder("catalogue") + "/Messages";
  Handle(Pelk_ProgressNotifier) aNotifier  = new Pelk_ProgressNotifier(aCatalogue.c_str());
  EXPECT_THROW(aNotifier->NewMessage(Pelk_Info, "PelliskTest.Sizes"), Standard_ProgramError);
  EXPECT_EQ(aNotifier->NbMessages(), 0);
  // The next message tries again and finds the file written meanwhile. The low 32 bits of a size are passed
  // on; an argument without placeholder is dropped; a placeholder without argument reads UNKNOWN; an unknown
  // key gets the kernel's text naming it.
  std::ofstream(aCatalogue)
      << ".PelliskTest.Sizes\n%d nodes, %d faces, ratio %.1f\n.PelliskTest.Step\nStep %s\n";
  aNotifier->NewMessage(Pelk_Warning, "PelliskTest.Sizes").Arg((size_t(1) << 32) + 5).Arg(7).Arg(2.5);
  aNotifier->NewMessage(Pelk_Info, "PelliskTest.Step").Arg(3).Arg("STARTED").Arg("again");
  const Pelk_Message& aBare = aNotifier->NewMessage(Pelk_Info, "PelliskTest.Step");
  EXPECT_EQ(aBare.Text(), aBare.Text()) << "reading the text must not change it";
  aNotifier->NewMessage(Pelk_Error, "PelliskTest.NoSuchKey");
  std::string aTexts;
  for (NCollection_List<Pelk_Message>::Iterator anIt(aNotifier->Messages()); anIt.More(); anIt.Next())
  {
    aTexts += std::string(anIt.Value().Text().ToCString()) + "\n";
  }
  EXPECT_EQ(aTexts.substr(0, aTexts.rfind("Step UNKNOWN\n") + 13),
            "5 nodes, 7 faces, ratio 2.5\nStep STARTED\nStep UNKNOWN\n");
  EXPECT_NE(aTexts.find("PelliskTest.NoSuchKey", 40), std::string::npos) << aTexts;

  // The default notifier loads the catalogue installed beside the library.
  Handle(Pelk_ProgressNotifier) aDefault = new Pelk_ProgressNotifier();
  EXPECT_TRUE(aDefault->ResourceFile().EndsWith("/resource/PelliskMessages"));
  EXPECT_EQ(aDefault->NewMessage(Pelk_Error, "STL_IO.FileDoesNotExist").Text(),
            "The STL file does not exist.");
}

TEST(Pelk_ProgressNotifierTest, DumpWritesEachMessageOnceOrAllAgainWithItsSeverity)
{
  const Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  aNotifier->NewMessage(Pelk_Info, "Pelk_API.VoxelizerProgress").Arg("STARTED");
  aNotifier->NewMessage(Pelk_Error, "STL_IO.FileDoesNotExist");
  EXPECT_EQ(dump(aNotifier, Pelk_Info, true),
            "0 [info]: Voxelization STARTED\n1 [error]: The STL file does not exist.\n");
  EXPECT_EQ(dump(aNotifier, Pelk_Info, true), "");
  // A message below the minimum is visited, so a later "only new" dump skips it. Errors are warnings only
  // while switched on.
  aNotifier->NewMessage(Pelk_Info, "Pelk_API.VoxelizerProgress").Arg("FINISHED");
  EXPECT_EQ(dump(aNotifier, Pelk_Warning, true), "");
  aNotifier->TreatErrorAsWarning(true);
  aNotifier->NewMessage(Pelk_Error, "STL_IO.ReadingError");
  aNotifier->NewMessage(Pelk_Info, "Pelk_API.Cancel");
  aNotifier->TreatErrorAsWarning(false);
  EXPECT_EQ(dump(aNotifier, Pelk_Info, true), "3 [warning]: The STL file could not be read, or it holds no "
                                              "triangles.\n4 [info]: The operation was cancelled.\n");
  const std::string anAll = dump(aNotifier, Pelk_Info, false);
  EXPECT_EQ(std::count(anAll.begin(), anAll.end(), '\n'), 5);
  EXPECT_EQ(dump(aNotifier, Pelk_Error, false), "1 [error]: The STL file does not exist.\n");
  aNotifier->Clear();
  EXPECT_EQ(aNotifier->NewMessage(Pelk_Info, "Pelk_API.Cancel").Index(), 0);
  EXPECT_EQ(dump(aNotifier, Pelk_Info, true), "0 [info]: The operation was cancelled.\n");
}

TEST(Pelk_ProgressNotifierTest, CancelFromAnotherThreadIsSeenAndRecorded)
{
  const Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  std::atomic<bool>                   isStarted(false);
  std::thread                         aCanceller(
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
  for (; !aNotifier->UserBreak(); ++aNbSteps)
  {
    aNotifier->NewMessage(Pelk_Info, "Pelk_API.VoxelizerProgress").Arg("STARTED");
    aNotifier->Increment();
    isStarted.store(true);
  }
  aCanceller.join();
  // Every message has its own index; exactly one is the cancel error.
  int anIndex   = 0;
  int aNbErrors = 0;
  for (NCollection_List<Pelk_Message>::Iterator anIt(aNotifier->Messages()); anIt.More();
       anIt.Next(), ++anIndex)
  {
    EXPECT_EQ(anIt.Value().Index(), anIndex);
    aNbErrors += anIt.Value().Severity() == Pelk_Error ? 1 : 0;
  }
  EXPECT_EQ(aNbErrors, 1);
  EXPECT_EQ(anIndex, aNbSteps + 1);
  // The request outlives Clear.
  aNotifier->Clear();
  EXPECT_TRUE(aNotifier->UserBreak());
}

TEST(Pelk_ProgressNotifierTest, DummyNotifierKeepsNoMessagesButACancel)
{
  // A dummy of our own, so that the shared one stays usable by other tests.
  const Handle(Pelk_DummyProgressNotifier) aDummy = new Pelk_DummyProgressNotifier();
  aDummy->NewMessage(Pelk_Error, "Pelk_API.Cancel").Arg(3).Arg("text");
  EXPECT_FALSE(aDummy->UserBreak());
  aDummy->Cancel();
  EXPECT_TRUE(aDummy->UserBreak());
  EXPECT_EQ(aDummy->NbMessages(), 0);
  EXPECT_EQ(dump(aDummy, Pelk_Info, false), "");
  EXPECT_FALSE(Pelk_DummyProgressNotifier::Instance()->UserBreak());
}
