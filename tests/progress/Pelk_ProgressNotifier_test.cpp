#include <Pelk_DummyProgressNotifier.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <PelliskTest_Data.hxx>

#include <Standard_ProgramError.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

namespace
{
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
  // Operations in turn: a new scope (N) or the next one (X) from 0 to Max by Step, the end of a scope (E), an
  // increment (I) or clearing (C); what each returns, the global position and the innermost scope's value.
  struct Operation
  {
    char   Kind;
    double Max, Step;
    bool   Returns;
    double Position, Value;
  };
  for (const Operation& anOp : std::vector<Operation>{
           {'N', 1.0, 1.0, true, 0.0, 0.0},
           // Three steps filling 1% of the run.
           {'N', 0.01, 0.01 / 3, true, 0.0, 0.0},
           {'I', 0, 0, true, 0.01 / 3, 0.01 / 3},
           {'I', 0, 0, true, 0.02 / 3, 0.02 / 3},
           {'I', 0, 0, true, 0.01, 0.01},
           // Moving on closes the scope: the next one is a step of the run, not of the scope just filled.
           {'X', 0.01, 0.005, true, 0.01, 0.0},
           {'I', 0, 0, true, 0.015, 0.005},
           // A scope nested in it takes the fraction of its step; closing a scope jumps to its end.
           {'N', 4.0, 1.0, true, 0.015, 0.0},
           {'I', 0, 0, true, 0.015 + 0.005 / 4, 1.0},
           {'E', 0, 0, true, 0.02, 0.01},
           {'E', 0, 0, true, 0.02, 0.02},
           // Increments never pass the end of their scope.
           {'N', 0.1, 0.05, true, 0.02, 0.0},
           {'I', 0, 0, true, 0.07, 0.05},
           {'I', 0, 0, true, 0.12, 0.1},
           {'I', 0, 0, true, 0.12, 0.1},
           {'E', 0, 0, true, 0.12, 0.12},
           {'E', 0, 0, true, 1.0, 1.0},
           // Only the root is left: it stays, at the end.
           {'E', 0, 0, false, 1.0, 1.0},
           {'N', 1.0, 1.0, false, 1.0, 1.0},
           // Moving on from the root opens a scope without closing the root.
           {'C', 0, 0, true, 0.0, 0.0},
           {'X', 1.0, 0.5, true, 0.0, 0.0},
           {'I', 0, 0, true, 0.5, 0.5}})
  {
    const bool isReturned = anOp.Kind == 'N'   ? aNotifier->NewScope("Scope", 0.0, anOp.Max, anOp.Step)
                            : anOp.Kind == 'X' ? aNotifier->NextScope("Scope", 0.0, anOp.Max, anOp.Step)
                            : anOp.Kind == 'E' ? aNotifier->EndScope()
                            : anOp.Kind == 'I' ? (aNotifier->Increment(), true)
                                               : (aNotifier->Clear(), true);
    SCOPED_TRACE(std::string(1, anOp.Kind) + " to " + std::to_string(anOp.Position));
    EXPECT_EQ(isReturned, anOp.Returns);
    EXPECT_NEAR(aNotifier->GetPosition(), anOp.Position, 1e-12);
    EXPECT_NEAR(aNotifier->GetValue(), anOp.Value, 1e-12);
  }
}

TEST(Pelk_ProgressNotifierTest, TextsComeFromTheCatalogueAndDumpsShowEachOnceWithItsSeverity)
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
  aNotifier->NewMessage(Pelk_Info, "PelliskTest.Step");
  aNotifier->NewMessage(Pelk_Error, "PelliskTest.NoSuchKey");
  const std::string aDump = dump(aNotifier, Pelk_Info, true);
  EXPECT_EQ(aDump.substr(0, aDump.find("3 [error]: ")),
            "0 [warning]: 5 nodes, 7 faces, ratio 2.5\n1 [info]: Step STARTED\n2 [info]: Step UNKNOWN\n");
  EXPECT_NE(aDump.find("PelliskTest.NoSuchKey"), std::string::npos) << aDump;
  EXPECT_EQ(dump(aNotifier, Pelk_Info, true), "");

  // A message below the minimum is visited, so a later "only new" dump skips it. Errors are warnings only
  // while switched on. Texts read again do not change.
  aNotifier->NewMessage(Pelk_Info, "PelliskTest.Step").Arg("skipped");
  EXPECT_EQ(dump(aNotifier, Pelk_Warning, true), "");
  aNotifier->TreatErrorAsWarning(true);
  aNotifier->NewMessage(Pelk_Error, "PelliskTest.Step").Arg("A");
  aNotifier->TreatErrorAsWarning(false);
  aNotifier->NewMessage(Pelk_Error, "PelliskTest.Step").Arg("B");
  EXPECT_EQ(dump(aNotifier, Pelk_Info, true), "5 [warning]: Step A\n6 [error]: Step B\n");
  EXPECT_EQ(dump(aNotifier, Pelk_Info, false),
            aDump + "4 [info]: Step skipped\n5 [warning]: Step A\n6 [error]: Step B\n");
  EXPECT_EQ(dump(aNotifier, Pelk_Error, false),
            aDump.substr(aDump.find("3 [error]")) + "6 [error]: Step B\n");
  aNotifier->Clear();
  EXPECT_EQ(aNotifier->NewMessage(Pelk_Info, "PelliskTest.Step").Arg("C").Index(), 0);
  EXPECT_EQ(dump(aNotifier, Pelk_Info, true), "0 [info]: Step C\n");
}

TEST(Pelk_ProgressNotifierTest, CancelFromAnotherThreadIsSeenAndRecorded)
{
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier("");
  // The working thread issues messages and checks for a break, as the pipeline does.
  std::thread aCanceller;
  int         aNbSteps = 0;
  aNotifier->NewScope("Work", 0.0, 1.0, 1e-6);
  for (; !aNotifier->UserBreak(); ++aNbSteps)
  {
    aNotifier->NewMessage(Pelk_Info, "Pelk_API.VoxelizerProgress").Arg("STARTED");
    aNotifier->Increment();
    if (aNbSteps == 0)
    {
      aCanceller = std::thread([&] { aNotifier->Cancel(); });
    }
  }
  aCanceller.join();
  // Every message has its own index; exactly one is the cancel error.
  EXPECT_EQ(aNotifier->NbMessages(), aNbSteps + 1);
  EXPECT_EQ(aNotifier->Messages().Last().Index(), aNbSteps);
  const std::string anErrors = dump(aNotifier, Pelk_Error, false);
  EXPECT_EQ(std::count(anErrors.begin(), anErrors.end(), '\n'), 1) << anErrors;
  // The request outlives Clear.
  aNotifier->Clear();
  EXPECT_TRUE(aNotifier->UserBreak());

  // The dummy notifier keeps no messages, but a cancel; one of our own keeps the shared one usable.
  const Handle(Pelk_DummyProgressNotifier) aDummy = new Pelk_DummyProgressNotifier();
  aDummy->NewMessage(Pelk_Error, "Pelk_API.Cancel").Arg(3).Arg("text");
  aDummy->Cancel();
  EXPECT_TRUE(aDummy->UserBreak());
  EXPECT_EQ(aDummy->NbMessages(), 0);
  EXPECT_FALSE(Pelk_DummyProgressNotifier::Instance()->UserBreak());
}
