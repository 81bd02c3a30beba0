#ifndef PelliskTest_Data_HeaderFile
#define PelliskTest_Data_HeaderFile

#include <filesystem>
#include <string>

//! Locations of the files the tests read, fixed at build time so that tests
//! do not depend on the working directory.
namespace PelliskTest_Data
{
//! Absolute path of a file in the tests' data folder.
inline std::string File(const std::string& theName)
{
  return PELLISK_TEST_DATA_DIR "/" + theName;
}

//! Absolute path of a file in the project's source resource folder.
inline std::string SourceResource(const std::string& theName)
{
  return PELLISK_RESOURCE_DIR "/" + theName;
}

//! Absolute path of the project's source tree.
inline std::string SourceTree()
{
  return PELLISK_SOURCE_DIR;
}

//! A fresh, empty folder for the files one test writes, in the temporary folder.
inline std::string ScratchFolder(const std::string& theTestName)
{
  const std::filesystem::path aDir = std::filesystem::temp_directory_path() / ("pellisk_test_" + theTestName);
  std::filesystem::remove_all(aDir);
  std::filesystem::create_directories(aDir);
  return aDir.string();
}
} // namespace PelliskTest_Data

#endif
