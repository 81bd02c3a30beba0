#include <PelliskTest_Data.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>
#include <STL_IO.hxx>

#include <gtest/gtest.h>

#include <fstream>

namespace
{
Handle(Pelk_ProgressNotifier) catalogueNotifier()
{
  return new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
}

// Keys are not kept by messages: the catalogue texts tell them apart.
void expectOnlyError(const Handle(Pelk_ProgressNotifier)& theNotifier, const char* theText)
{
  ASSERT_EQ(theNotifier->NbMessages(), 1);
  EXPECT_EQ(theNotifier->Messages().First().Severity(), Pelk_Error);
  EXPECT_EQ(theNotifier->Messages().First().Text(), theText);
}
} // namespace

TEST(STL_IOTest, ReadsWhatItWritesAndReportsFailures)
{
  const std::string                aDir = PelliskTest_Data::ScratchFolder("stl_io");
  const Handle(Poly_Triangulation) aBox = PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 2, 3));
  for (const bool aBinary : {true, false})
  {
    const TCollection_AsciiString aFile     = (aDir + (aBinary ? "/box_bin.stl" : "/box.stl")).c_str();
    Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
    ASSERT_TRUE(STL_IO::Write(aFile, aBox, aNotifier, aBinary));
    Handle(Poly_Triangulation) aRead;
    ASSERT_TRUE(STL_IO::Read(aFile, aRead, aNotifier));
    EXPECT_EQ(aRead->NbNodes(), 8);
    EXPECT_EQ(aRead->NbTriangles(), 12);
    EXPECT_EQ(aNotifier->NbMessages(), 0);
  }

  // A missing file leaves the triangulation as it was.
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  Handle(Poly_Triangulation)    aKept     = aBox;
  EXPECT_FALSE(STL_IO::Read((aDir + "/missing.stl").c_str(), aKept, aNotifier));
  EXPECT_EQ(aKept, aBox);
  expectOnlyError(aNotifier, "The STL file does not exist.");

  // A file without triangles leaves it null.
  std::ofstream(aDir + "/empty.stl") << "solid nothing\nendsolid nothing\n";
  aNotifier = catalogueNotifier();
  EXPECT_FALSE(STL_IO::Read((aDir + "/empty.stl").c_str(), aKept, aNotifier));
  EXPECT_TRUE(aKept.IsNull());
  expectOnlyError(aNotifier, "The STL file could not be read, or it holds no triangles.");

  aNotifier = catalogueNotifier();
  EXPECT_FALSE(STL_IO::Write((aDir + "/no/such/folder/x.stl").c_str(), aBox, aNotifier, true));
  expectOnlyError(aNotifier, "The STL file could not be written.");
  aNotifier = catalogueNotifier();
  EXPECT_FALSE(STL_IO::Write((aDir + "/null.stl").c_str(), Handle(Poly_Triangulation)(), aNotifier, false));
  expectOnlyError(aNotifier, "The STL file could not be written.");
}

TEST(STL_IOTest, CancelledReadFailsAndLeavesTheProgressAlone)
{
  const std::string             aFile     = PelliskTest_Data::File("spider_assimp.stl");
  Handle(Pelk_ProgressNotifier) aNotifier = catalogueNotifier();
  aNotifier->NewScope("Test::Read", 0, 10, 1);
  aNotifier->Increment();
  const double aPosition = aNotifier->GetPosition();

  Handle(Poly_Triangulation) aRead;
  ASSERT_TRUE(STL_IO::Read(aFile.c_str(), aRead, aNotifier));
  EXPECT_EQ(aNotifier->GetPosition(), aPosition);
  EXPECT_EQ(aNotifier->NbMessages(), 0);

  aNotifier->Cancel();
  EXPECT_FALSE(STL_IO::Read(aFile.c_str(), aRead, aNotifier));
  EXPECT_TRUE(aRead.IsNull());
  // The cancel message, then the reading error.
  ASSERT_EQ(aNotifier->NbMessages(), 2);
  EXPECT_EQ(aNotifier->Messages().Last().Text(), "The STL file could not be read, or it holds no triangles.");
  EXPECT_EQ(aNotifier->GetPosition(), aPosition);
}
