#ifndef PelliskTest_Data_HeaderFile
#define PelliskTest_Data_HeaderFile

#include <string>

//! Locations of the files the tests read, fixed at build time so that tests
//! do not depend on the working directory.
namespace PelliskTest_Data
{
//! Absolute path of a file in the tests' data folder.
std::string File(const std::string& theName);

//! Absolute path of a file in the project's source resource folder.
std::string SourceResource(const std::string& theName);

//! Absolute path of the project's source tree.
std::string SourceTree();

//! A fresh, empty folder for the files one test writes; removed with the process' temp files.
std::string ScratchFolder(const std::string& theTestName);
} // namespace PelliskTest_Data

#endif
