#include <Pelk_LibraryFolder.hxx>

#include <gtest/gtest.h>

#include <filesystem>

TEST(Pelk_LibraryFolderTest, FindsTheFolderOfTheLibraryAndItsResources)
{
  const TCollection_AsciiString aFolder = Pelk_LibraryFolder::Get();
  ASSERT_FALSE(aFolder.IsEmpty());
  EXPECT_EQ(aFolder.Value(1), '/');

  const TCollection_AsciiString aCatalogue = Pelk_LibraryFolder::Resolve("../resource/PelliskMessages");
  EXPECT_FALSE(aCatalogue.Search("..") > 0);
  EXPECT_TRUE(std::filesystem::exists(aCatalogue.ToCString()));
}

TEST(Pelk_LibraryFolderTest, AnAddressOutsideEveryModuleIsReported)
{
  testing::internal::CaptureStderr();
  const TCollection_AsciiString aFolder = Pelk_LibraryFolder::OfAddress(reinterpret_cast<const void*>(16));
  const std::string             anError = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(aFolder.IsEmpty());
  EXPECT_EQ(anError.rfind("Unable to find Pellisk Module\nError status ", 0), 0u) << anError;
}
