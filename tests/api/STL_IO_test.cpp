#include <PelliskTest_Data.hxx>
#include <PelliskTest_Meshes.hxx>
#include <STL_IO.hxx>

#include <gtest/gtest.h>

#include <fstream>

// Successful reads and writes are checked by the round trips of HalfEdge_IO, which go through STL_IO.
TEST(STL_IOTest, EachFailureIsReportedOnceAndACancelledReadFails)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("stl_io");
  // No catalogue: the keys of the messages are checked, not the texts.
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier("");
  // A missing file keeps the triangulation; an unreadable one nulls it.
  const Handle(Poly_Triangulation) aBox  = PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 2, 3));
  Handle(Poly_Triangulation)       aRead = aBox;
  EXPECT_FALSE(STL_IO::Read((aDir + "/missing.stl").c_str(), aRead, aNotifier));
  EXPECT_EQ(aRead, aBox);
  std::ofstream(aDir + "/empty.stl") << "solid nothing\nendsolid nothing\n";
  EXPECT_FALSE(STL_IO::Read((aDir + "/empty.stl").c_str(), aRead, aNotifier));
  EXPECT_TRUE(aRead.IsNull());
  EXPECT_FALSE(STL_IO::Write((aDir + "/null.stl").c_str(), aRead, aNotifier, false));

  // A null notifier stands for the dummy one. A cancelled read fails, leaving the progress alone.
  const TCollection_AsciiString aFile = PelliskTest_Data::File("spider_assimp.stl").c_str();
  ASSERT_TRUE(STL_IO::Read(aFile, aRead, Handle(Pelk_ProgressNotifier)()));
  aNotifier->NewScope("Test::Read", 0, 10, 1);
  aNotifier->Increment();
  const double aPosition = aNotifier->GetPosition();
  aNotifier->Cancel();
  EXPECT_FALSE(STL_IO::Read(aFile, aRead, aNotifier));
  EXPECT_TRUE(aRead.IsNull());
  EXPECT_EQ(aNotifier->GetPosition(), aPosition);
  std::string aKeys;
  for (NCollection_List<Pelk_Message>::Iterator anIt(aNotifier->Messages()); anIt.More(); anIt.Next())
  {
    EXPECT_EQ(anIt.Value().Severity(), Pelk_Error);
    aKeys += std::string(anIt.Value().Key().ToCString()) + " ";
  }
  EXPECT_EQ(aKeys, "STL_IO.FileDoesNotExist STL_IO.ReadingError STL_IO.WritingError "
                   "Pelk_API.Cancel STL_IO.ReadingError ");
}
