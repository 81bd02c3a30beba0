// Every input that once made a fuzz target fail, replayed through the
// target's own code (built here without the fuzzing engine): each must now
// run through, as the target ends the process on a finding.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int STL_IO_fuzz(const uint8_t* theData, size_t theSize);
extern "C" int PelliskTool_PlyReader_fuzz(const uint8_t* theData, size_t theSize);
extern "C" int HalfEdge_Mesh_fuzz(const uint8_t* theData, size_t theSize);
extern "C" int Pelk_API_fuzz(const uint8_t* theData, size_t theSize);

TEST(FuzzRegressions, EveryReproducerRunsThrough)
{
  const std::pair<const char*, int (*)(const uint8_t*, size_t)> THE_TARGETS[] = {
      {"STL_IO_fuzz", STL_IO_fuzz},
      {"PelliskTool_PlyReader_fuzz", PelliskTool_PlyReader_fuzz},
      {"HalfEdge_Mesh_fuzz", HalfEdge_Mesh_fuzz},
      {"Pelk_API_fuzz", Pelk_API_fuzz}};
  int aNbFiles = 0;
  for (const auto& [aName, anEntry] : THE_TARGETS)
  {
    const std::filesystem::path aFolder = std::filesystem::path(PELLISK_FUZZ_REGRESSIONS) / aName;
    if (!std::filesystem::exists(aFolder))
    {
      continue;
    }
    for (const auto& aFile : std::filesystem::directory_iterator(aFolder))
    {
      SCOPED_TRACE(aFile.path().string());
      std::ifstream              aStream(aFile.path(), std::ios::binary);
      const std::vector<uint8_t> aBytes((std::istreambuf_iterator<char>(aStream)),
                                        std::istreambuf_iterator<char>());
      EXPECT_EQ(anEntry(aBytes.data(), aBytes.size()), 0);
      ++aNbFiles;
    }
  }
  EXPECT_GE(aNbFiles, 10);
}
