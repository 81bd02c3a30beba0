// "pellisk wrap" fed whatever users have: the exit status, what it says, and no output where it refuses.
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Meshes.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
// The exit status, the standard output and the standard error of the program.
std::array<std::string, 3> run(const std::vector<std::string>& theArguments)
{
  const std::string aBase    = PelliskTest_Data::ScratchFolder("bad_" + std::to_string(getpid())) + "/run";
  std::string       aCommand = "'" PELLISK_TOOL "'";
  for (const std::string& anArg : theArguments)
  {
    aCommand += " '" + anArg + "'";
  }
  const int     aStatus = std::system((aCommand + " >" + aBase + ".out 2>" + aBase + ".err").c_str());
  std::ifstream anOut(aBase + ".out"), anErr(aBase + ".err");
  return {std::to_string(WEXITSTATUS(aStatus)), std::string(std::istreambuf_iterator<char>(anOut), {}),
          std::string(std::istreambuf_iterator<char>(anErr), {})};
}

// The unit tetrahedron theNbCopies times, and one more triangle at theCorner when given.
void writeStl(const std::string& theFile, size_t theNbCopies, const gp_Pnt* theCorner = nullptr)
{
  const std::array<int, 3>        aFour[] = {{1, 3, 2}, {1, 2, 4}, {1, 4, 3}, {2, 3, 4}};
  std::vector<std::array<int, 3>> aTriangles(4 * theNbCopies + (theCorner ? 1 : 0), {5, 6, 2});
  for (size_t anIndex = 0; anIndex < 4 * theNbCopies; ++anIndex)
  {
    aTriangles[anIndex] = aFour[anIndex % 4];
  }
  const std::vector<gp_Pnt> aNodes = {
      gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0), gp_Pnt(0, 0, 1), theCorner ? *theCorner : gp_Pnt(),
      gp_Pnt(1, 1, 1)};
  RWStl::WriteBinary(PelliskTest_Meshes::Make(aNodes, aTriangles), OSD_Path(theFile.c_str()));
}
} // namespace

TEST(PelliskToolBadInputTest, EachBadInputExitsWithItsStatusAndSaysWhy)
{
  const std::string aDir       = PelliskTest_Data::ScratchFolder("tool_bad_input");
  const double      aNaN       = std::numeric_limits<double>::quiet_NaN();
  const gp_Pnt      aCorners[] = {gp_Pnt(aNaN, 0, 0), gp_Pnt(0, std::numeric_limits<double>::infinity(), 0)};
  writeStl(aDir + "/good.stl", 1);
  writeStl(aDir + "/nan.stl", 1, &aCorners[0]);
  writeStl(aDir + "/inf.stl", 1, &aCorners[1]);
  writeStl(aDir + "/repeated.stl", 25000);
  std::filesystem::copy_file(aDir + "/good.stl", aDir + "/truncated.stl");
  std::filesystem::resize_file(aDir + "/truncated.stl", 84 + 120);
  std::filesystem::copy_file(aDir + "/good.stl", aDir + "/promising.stl");
  std::fstream(aDir + "/promising.stl", std::ios::in | std::ios::out | std::ios::binary).seekp(80).put(40);
  writeStl(aDir + "/all_nan.stl", 0, &aCorners[0]);
  std::ofstream(aDir + "/empty.stl");
  std::ofstream(aDir + "/zero.stl", std::ios::binary) << std::string(84, '\0');
  std::ofstream(aDir + "/text.stl") << "Dear user,\nthis is a letter, not a mesh.\n";
  const std::string aPlyHead = "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                               "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
                               "end_header\n";
  std::ofstream(aDir + "/missing.ply") << aPlyHead << "0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n";
  std::ofstream(aDir + "/flat.ply") << aPlyHead << "0 0 0\n1 0 0\n2 0 0\n3 0 1 2\n";
  std::ofstream(aDir + "/one.ply") << aPlyHead << "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
  std::ofstream(aDir + "/huge.stl")
      << "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1e300 0 0\n"
         "vertex 0 1e300 0\nendloop\nendfacet\nendsolid s\n";
  // One row per input: the file, its options (the output last when not the default), the exit status, what is
  // said.
  for (const auto& [anInput, anOptions, aStatus, aSays] :
       std::vector<std::tuple<std::string, std::vector<std::string>, std::string, std::string>>{
           {"absent.stl", {}, "2", "cannot read " + aDir + "/absent.stl: no such file"},
           {"empty.stl", {}, "2", "not a readable STL file"},
           {"zero.stl", {}, "2", "not a readable STL file"},
           {"text.stl", {}, "2", "not a readable STL file"},
           {"truncated.stl", {}, "2", "not a readable STL file"},
           {"promising.stl", {}, "2", "not a readable STL file"},
           {"missing.ply", {}, "2", "a face names a node the file does not hold"},
           {"nan.stl", {"--cell-rel", "0.25"}, "0", "1 of 5 triangles have a NaN or infinite coordinate"},
           {"inf.stl", {"--cell-rel", "0.25"}, "0", "1 of 5 triangles have a NaN or infinite coordinate"},
           {"all_nan.stl", {}, "2", "Every triangle has a NaN or infinite coordinate"},
           {"huge.stl", {}, "2", "The wrapping box reaches 1e+300 from the origin"},
           {"flat.ply", {}, "2", "Every triangle has zero area"},
           {"one.ply", {"--cell-rel", "1"}, "1", "The wrap is empty"},
           {"repeated.stl", {"--cell-rel", "0.25"}, "0", "99996 of 100000 triangles repeat another one"},
           {"good.stl", {"--cell", "5"}, "0", ""},
           {"good.stl", {"--cell-rel", "0.000001"}, "2", "the smallest cell size that fits is"},
           {"good.stl", {aDir + "/good.stl/out.stl"}, "2", "good.stl is not a folder"},
           {"good.stl", {aDir + "/no/such/out.stl"}, "2", "no/such is not a folder"}})
  {
    SCOPED_TRACE(anInput + " " + aSays);
    std::filesystem::remove(aDir + "/out.stl");
    const bool               isOutput    = anOptions.size() == 1;
    std::vector<std::string> anArguments = {"wrap", aDir + "/" + anInput,
                                            isOutput ? anOptions[0] : aDir + "/out.stl"};
    anArguments.insert(anArguments.end(), anOptions.begin() + (isOutput ? 1 : 0), anOptions.end());
    const auto [aRunStatus, anOut, anErr] = run(anArguments);
    EXPECT_EQ(aRunStatus, aStatus) << anErr;
    EXPECT_NE(anErr.find(aSays), std::string::npos) << anErr;
    // Nothing on the standard output: the kernel's own printing of damaged files is taken in.
    EXPECT_EQ(anOut, "");
    EXPECT_EQ(std::filesystem::exists(aDir + "/out.stl"), aStatus == "0");
  }
}
