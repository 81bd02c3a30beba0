#include <PelliskTest_Data.hxx>

#include <filesystem>

std::string PelliskTest_Data::File(const std::string& theName)
{
  return std::string(PELLISK_TEST_DATA_DIR) + "/" + theName;
}

std::string PelliskTest_Data::SourceResource(const std::string& theName)
{
  return std::string(PELLISK_RESOURCE_DIR) + "/" + theName;
}

std::string PelliskTest_Data::SourceTree()
{
  return PELLISK_SOURCE_DIR;
}

std::string PelliskTest_Data::ScratchFolder(const std::string& theTestName)
{
  namespace fs        = std::filesystem;
  const fs::path aDir = fs::temp_directory_path() / ("pellisk_test_" + theTestName);
  fs::remove_all(aDir);
  fs::create_directories(aDir);
  return aDir.string();
}
