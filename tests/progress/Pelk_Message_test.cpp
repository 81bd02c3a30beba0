#include <PelliskTest_Data.hxx>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace
{
// Keys of the catalogue parsed the way the kernel reads it: a line starting
// with "." names a key, the lines below it are its text, "!" starts a comment.
std::map<std::string, std::string> readCatalogue(const std::string& thePath)
{
  std::map<std::string, std::string> aTexts;
  std::ifstream                      aStream(thePath);
  std::string                        aLine;
  std::string                        aKey;
  while (std::getline(aStream, aLine))
  {
    if (aLine.empty() || aLine[0] == '!')
    {
      continue;
    }
    if (aLine[0] == '.')
    {
      aKey         = aLine.substr(1);
      aTexts[aKey] = "";
    }
    else if (!aKey.empty())
    {
      aTexts[aKey] += aLine;
    }
  }
  return aTexts;
}

// The placeholder types of a text, in order: s, d or f.
std::string placeholders(const std::string& theText)
{
  static const std::regex aPattern("%[-+ #0-9.]*([sdiuxfeg])");
  std::string             aTypes;
  for (std::sregex_iterator anIt(theText.begin(), theText.end(), aPattern), anEnd; anIt != anEnd; ++anIt)
  {
    const char aType = (*anIt)[1].str()[0];
    aTypes += aType == 's' ? 's' : (std::string("diux").find(aType) != std::string::npos ? 'd' : 'f');
  }
  return aTypes;
}
} // namespace

TEST(Pelk_MessageTest, CatalogueDefinesEveryKeyWithOnePlaceholderPerArgument)
{
  const auto aTexts = readCatalogue(PelliskTest_Data::SourceResource("PelliskMessages"));
  // Key and the types of the arguments the library passes, in order.
  const std::map<std::string, std::string> anIssued = {
      {"Pelk_API.VoxelizerProgress", "s"},
      {"Pelk_API.TessellatorProgress", "s"},
      {"Pelk_API.Refinement", "s"},
      {"Pelk_API.ImportSTLProgress", "s"},
      {"Pelk_API.ExportSTLProgress", "s"},
      {"Pelk_API.ExportEmptyMesh", ""},
      {"Pelk_API.NoVoxelizationAlgo", ""},
      {"Pelk_API.NoTessellationAlgo", ""},
      {"Algo.NoAlgorithm", ""},
      {"Pelk_API.ConfigFileError", ""},
      {"Pelk_API.Cancel", ""},
      {"STL_IO.FileDoesNotExist", ""},
      {"STL_IO.ReadingError", ""},
      {"STL_IO.WritingError", ""},
      {"HalfEdge.WrongMesh", "dd"},
      {"HalfEdge.DegeneratedFace", ""},
      {"HalfEdge.OppositeOrientationOfFace", ""},
      {"Algo_Voxelization.NegativeOrNullCellSize", ""},
      {"Algo_Voxelization.NoMesh", ""},
      {"Algo_Voxelization.NoInputBox", ""},
      {"Algo_Voxelization.NonCubeBox", ""},
      {"Algo_MarchingCubes.NoTree", ""},
      {"Algo_ShrinkWrapping.CartesianWrappingFailed", ""},
      {"Algo_ShrinkWrapping.ProjectionFailed", ""},
      {"Algo_ShrinkWrapping.FixSplashFailed", ""},
      {"Algo_ShrinkWrapping.CollapseNarrowFacesFailed", "f"},
      {"Algo_ShrinkWrapping.TessellationWarning.FixSelfIntersections", ""},
      {"Algo_ShrinkWrapping.TessellationFailed", ""},
      {"Algo_ShrinkWrapping.FixSelfIntersectionsFailed", ""},
  };
  for (const auto& [aKey, aTypes] : anIssued)
  {
    const auto aFound = aTexts.find(aKey);
    ASSERT_NE(aFound, aTexts.end()) << aKey;
    EXPECT_FALSE(aFound->second.empty()) << aKey;
    EXPECT_EQ(placeholders(aFound->second), aTypes) << aKey;
  }
  EXPECT_EQ(aTexts.size(), anIssued.size()) << "the catalogue holds keys nobody issues";
}

TEST(Pelk_MessageTest, EveryKeyIssuedInTheSourcesIsInTheCatalogue)
{
  const auto aTexts = readCatalogue(PelliskTest_Data::SourceResource("PelliskMessages"));
  // NewMessage(<severity>, "<key>") with a literal key, possibly across lines.
  const std::regex aCall("NewMessage\\s*\\([^,]*,\\s*\"([A-Za-z_.]+)\"");
  int              aNbCalls = 0;
  for (const auto& anEntry :
       std::filesystem::recursive_directory_iterator(PelliskTest_Data::SourceTree() + "/src"))
  {
    if (anEntry.path().extension() != ".cxx")
    {
      continue;
    }
    std::ifstream     aStream(anEntry.path());
    std::stringstream aText;
    aText << aStream.rdbuf();
    const std::string aSource = aText.str();
    for (std::sregex_iterator anIt(aSource.begin(), aSource.end(), aCall), anEnd; anIt != anEnd; ++anIt)
    {
      ++aNbCalls;
      EXPECT_EQ(aTexts.count((*anIt)[1].str()), 1u) << (*anIt)[1].str() << " in " << anEntry.path();
    }
  }
  EXPECT_GT(aNbCalls, 0);
}
