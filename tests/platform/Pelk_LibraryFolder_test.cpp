#include <Pelk_LibraryFolder.hxx>

#include <gtest/gtest.h>

#include <filesystem>

TEST(Pelk_LibraryFolderTest, FindsTheLibraryFolderAndResourcesAndReportsAnAddressOutsideEveryModule)
{
  // The tests link the library's code statically: its module is this program,
  // in the build tree's bin/, beside lib/ and resource/ as in an install.
  const TCollection_AsciiString aFolder = Pelk_LibraryFolder::Get();
  EXPECT_TRUE(aFolder.Value(1) == '/' && aFolder.EndsWith("/bin/")) << aFolder;
  const TCollection_AsciiString aCatalogue = Pelk_LibraryFolder::Resolve("../resource/PelliskMessages");
  EXPECT_TRUE(aCatalogue.Search("..") < 0 && std::filesystem::exists(aCatalogue.ToCString())) << aCatalogue;

  testing::internal::CaptureStderr();
  EXPECT_TRUE(Pelk_LibraryFolder::OfAddress(reinterpret_cast<const void*>(16)).IsEmpty());
  const std::string anError = testing::internal::GetCapturedStderr();
  EXPECT_EQ(anError.rfind("Unable to find Pellisk Module\nError status ", 0), 0u) << anError;
}
