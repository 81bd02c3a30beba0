#include <PelliskTest_Data.hxx>
#include <PelliskTest_Meshes.hxx>
#include <STL_IO.hxx>

#include <gtest/gtest.h>

#include <fstream>

// Successful reads and writes are checked by the round trips of HalfEdge_IO, which go through STL_IO.
// The notifiers have no catalogue: the keys of their messages are checked, not the texts.
TEST(STL_IOTest, EachFailureIsReportedOnce)
{
  const std::string                   aDir      = PelliskTest_Data::ScratchFolder("stl_io");
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier("");
  // A missing file keeps the triangulation; an unreadable one nulls it.
  const Handle(Poly_Triangulation) aBox  = PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 2, 3));
  Handle(Poly_Triangulation)       aKept = aBox;
  EXPECT_FALSE(STL_IO::Read((aDir + "/missing.stl").c_str(), aKept, aNotifier));
  EXPECT_EQ(aKept, aBox);
  std::ofstream(aDir + "/empty.stl") << "solid nothing\nendsolid nothing\n";
  EXPECT_FALSE(STL_IO::Read((aDir + "/empty.stl").c_str(), aKept, aNotifier));
  EXPECT_TRUE(aKept.IsNull());
  EXPECT_FALSE(STL_IO::Write((aDir + "/no/such/folder/x.stl").c_str(), aBox, aNotifier, true));
  EXPECT_FALSE(STL_IO::Write((aDir + "/null.stl").c_str(), aKept, aNotifier, false));
  std::string aKeys;
  for (NCollection_List<Pelk_Message>::Iterator anIt(aNotifier->Messages()); anIt.More(); anIt.Next())
  {
    EXPECT_EQ(anIt.Value().Severity(), Pelk_Error);
    aKeys += std::string(anIt.Value().Key().ToCString()) + " ";
  }
  EXPECT_EQ(aKeys, "STL_IO.FileDoesNotExist STL_IO.ReadingError STL_IO.WritingError STL_IO.WritingError ");
}

TEST(STL_IOTest, CancelledReadFailsAndLeavesTheProgressAlone)
{
  const TCollection_AsciiString aFile = PelliskTest_Data::File("spider_assimp.stl").c_str();
  Handle(Poly_Triangulation)    aRead;
  // A null notifier stands for the dummy one.
  ASSERT_TRUE(STL_IO::Read(aFile, aRead, Handle(Pelk_ProgressNotifier)()));
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier("");
  aNotifier->NewScope("Test::Read", 0, 10, 1);
  aNotifier->Increment();
  const double aPosition = aNotifier->GetPosition();
  ASSERT_TRUE(STL_IO::Read(aFile, aRead, aNotifier));
  EXPECT_EQ(aNotifier->GetPosition(), aPosition);
  EXPECT_EQ(aNotifier->NbMessages(), 0);

  aNotifier->Cancel();
  EXPECT_FALSE(STL_IO::Read(aFile, aRead, aNotifier));
  EXPECT_TRUE(aRead.IsNull());
  // The cancel message, then the reading error.
  ASSERT_EQ(aNotifier->NbMessages(), 2);
  EXPECT_EQ(aNotifier->Messages().Last().Key(), "STL_IO.ReadingError");
  EXPECT_EQ(aNotifier->GetPosition(), aPosition);
}
