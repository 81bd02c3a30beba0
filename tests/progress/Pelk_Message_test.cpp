#include <PelliskTest_Data.hxx>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace
{
// Texts of the catalogue by key, parsed the way the kernel reads it: a line
// starting with "." names a key, the lines below it are its text, "!" starts a comment.
std::map<std::string, std::string> readCatalogue()
{
  std::map<std::string, std::string> aTexts;
  std::ifstream                      aStream(PelliskTest_Data::SourceResource("PelliskMessages"));
  std::string                        aKey;
  for (std::string aLine; std::getline(aStream, aLine);)
  {
    if (!aLine.empty() && aLine[0] == '.')
    {
      aKey         = aLine.substr(1);
      aTexts[aKey] = "";
    }
    else if (!aLine.empty() && aLine[0] != '!' && !aKey.empty())
    {
      aTexts[aKey] += aLine;
    }
  }
  return aTexts;
}
} // namespace

TEST(Pelk_MessageTest, CatalogueDefinesEveryKeyWithOnePlaceholderPerArgument)
{
  const auto aTexts = readCatalogue();
  // Each key the library issues, with the types of the arguments it passes, in order (s, d or f).
  std::istringstream anIssued(
      "Pelk_API.VoxelizerProgress:s Pelk_API.TessellatorProgress:s Pelk_API.Refinement:s "
      "Pelk_API.ImportSTLProgress:s Pelk_API.ExportSTLProgress:s Pelk_API.ExportEmptyMesh: "
      "Pelk_API.NoVoxelizationAlgo: Pelk_API.NoTessellationAlgo: Algo.NoAlgorithm: Pelk_API.ConfigFileError: "
      "Pelk_API.Cancel: STL_IO.FileDoesNotExist: STL_IO.ReadingError: STL_IO.WritingError: "
      "HalfEdge.WrongMesh:dd "
      "HalfEdge.DegeneratedFace: HalfEdge.OppositeOrientationOfFace: "
      "Algo_Voxelization.NegativeOrNullCellSize: "
      "Algo_Voxelization.NoMesh: Algo_Voxelization.NoInputBox: Algo_Voxelization.NonCubeBox: "
      "Algo_MarchingCubes.NoTree: Algo_ShrinkWrapping.CartesianWrappingFailed: "
      "Algo_ShrinkWrapping.ProjectionFailed: Algo_ShrinkWrapping.FixSplashFailed: "
      "Algo_ShrinkWrapping.CollapseNarrowFacesFailed:f "
      "Algo_ShrinkWrapping.TessellationWarning.FixSelfIntersections: "
      "Algo_ShrinkWrapping.TessellationFailed: Algo_ShrinkWrapping.FixSelfIntersectionsFailed:");
  const std::regex aPlaceholder("%[-+ #0-9.]*([sdiuxfeg])");
  size_t           aNbKeys = 0;
  for (std::string anEntry; anIssued >> anEntry; ++aNbKeys)
  {
    const std::string aKey   = anEntry.substr(0, anEntry.find(':'));
    const auto        aFound = aTexts.find(aKey);
    ASSERT_NE(aFound, aTexts.end()) << aKey;
    EXPECT_FALSE(aFound->second.empty()) << aKey;
    std::string aTypes;
    for (std::sregex_iterator anIt(aFound->second.begin(), aFound->second.end(), aPlaceholder), anEnd;
         anIt != anEnd; ++anIt)
    {
      const char aType = (*anIt)[1].str()[0];
      aTypes += aType == 's' ? 's' : (std::string("diux").find(aType) != std::string::npos ? 'd' : 'f');
    }
    EXPECT_EQ(aTypes, anEntry.substr(aKey.size() + 1)) << aKey;
  }
  EXPECT_EQ(aTexts.size(), aNbKeys) << "the catalogue holds keys nobody issues";
}

TEST(Pelk_MessageTest, EveryKeyIssuedInTheSourcesIsInTheCatalogue)
{
  const auto aTexts = readCatalogue();
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
    std::ostringstream aText;
    aText << std::ifstream(anEntry.path()).rdbuf();
    const std::string aSource = aText.str();
    for (std::sregex_iterator anIt(aSource.begin(), aSource.end(), aCall), anEnd; anIt != anEnd; ++anIt)
    {
      ++aNbCalls;
      EXPECT_EQ(aTexts.count((*anIt)[1].str()), 1u) << (*anIt)[1].str() << " in " << anEntry.path();
    }
  }
  EXPECT_GT(aNbCalls, 0);
}
