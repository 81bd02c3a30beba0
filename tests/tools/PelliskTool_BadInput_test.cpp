// "pellisk wrap" fed whatever users have: the exit status, what it says, and no output where it refuses.
#include <PelliskTest_Data.hxx>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
struct ToolRun
{
  int         Status = -1;
  std::string Out; // standard output
  std::string Err; // standard error
};

std::string contents(const std::string& theFile)
{
  std::ifstream aStream(theFile);
  return std::string(std::istreambuf_iterator<char>(aStream), {});
}

ToolRun run(const std::vector<std::string>& theArguments)
{
  const std::string aBase    = PelliskTest_Data::ScratchFolder("bad_" + std::to_string(getpid())) + "/run";
  std::string       aCommand = "'" PELLISK_TOOL "'";
  for (const std::string& anArg : theArguments)
  {
    aCommand += " '" + anArg + "'";
  }
  const int aStatus = std::system((aCommand + " >" + aBase + ".out 2>" + aBase + ".err").c_str());
  return {WEXITSTATUS(aStatus), contents(aBase + ".out"), contents(aBase + ".err")};
}

using Triangle = std::array<std::array<float, 3>, 3>;

// A binary STL of the triangles whose header announces theNbAnnounced of them, cut to theNbBytes when given.
void writeStl(const std::string&           theFile,
              const std::vector<Triangle>& theTriangles,
              std::uint32_t                theNbAnnounced,
              size_t                       theNbBytes = std::string::npos)
{
  std::string aData(80, '\0');
  aData.append(reinterpret_cast<const char*>(&theNbAnnounced), 4);
  for (const Triangle& aTriangle : theTriangles)
  {
    const float aNormal[3] = {0.0f, 0.0f, 0.0f};
    aData.append(reinterpret_cast<const char*>(aNormal), 12);
    aData.append(reinterpret_cast<const char*>(aTriangle.data()), 36);
    aData.append(2, '\0');
  }
  std::ofstream(theFile, std::ios::binary) << aData.substr(0, theNbBytes);
}

std::vector<Triangle> tetrahedron(float theX = 0.0f)
{
  const std::array<float, 3> aP[4] = {{theX, 0, 0}, {theX + 1, 0, 0}, {theX, 1, 0}, {theX, 0, 1}};
  return {{aP[0], aP[2], aP[1]}, {aP[0], aP[1], aP[3]}, {aP[0], aP[3], aP[2]}, {aP[1], aP[2], aP[3]}};
}
} // namespace

TEST(PelliskToolBadInputTest, EachBadInputExitsWithItsStatusAndSaysWhy)
{
  const std::string aDir  = PelliskTest_Data::ScratchFolder("tool_bad_input");
  const float       aNaN  = std::numeric_limits<float>::quiet_NaN();
  const float       anInf = std::numeric_limits<float>::infinity();
  const std::string aGood = aDir + "/good.stl";
  writeStl(aGood, tetrahedron(), 4);
  writeStl(aDir + "/zero.stl", {}, 0);
  writeStl(aDir + "/truncated.stl", tetrahedron(), 4, 84 + 120);
  writeStl(aDir + "/promising.stl", tetrahedron(), 40);
  std::vector<Triangle> aNaNs = tetrahedron(), anInfs = tetrahedron(), aFlat, aRepeated;
  aNaNs.push_back({{{aNaN, 0, 0}, {1, 1, 1}, {0, 1, 1}}});
  anInfs.push_back({{{0, anInf, 0}, {1, 1, 1}, {0, 1, 1}}});
  writeStl(aDir + "/nan.stl", aNaNs, 5);
  writeStl(aDir + "/inf.stl", anInfs, 5);
  writeStl(aDir + "/all_nan.stl", {aNaNs.back()}, 1);
  writeStl(aDir + "/far.stl", tetrahedron(1e9f), 4);
  writeStl(aDir + "/flat.stl", {{{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}}, {{{0, 0, 0}, {0, 0, 0}, {0, 1, 0}}}}, 2);
  writeStl(aDir + "/one.stl", {tetrahedron()[0]}, 1);
  writeStl(aDir + "/repeated.stl", std::vector<Triangle>(100000, tetrahedron()[0]), 100000);
  std::ofstream(aDir + "/empty.stl");
  std::ofstream(aDir + "/text.stl") << "Dear user,\nthis is a letter, not a mesh.\n";
  std::ofstream(aDir + "/huge.stl")
      << "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1e300 0 0\n"
         "vertex 0 1e300 0\nendloop\nendfacet\nendsolid s\n";
  std::ofstream(aDir + "/missing.ply")
      << "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty "
         "float y\nproperty float z\nelement face 1\nproperty list uchar int "
         "vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n";
  // One row per input: the file, extra options, the exit status and what must be said.
  struct Case
  {
    std::string              Input;
    std::vector<std::string> Options;
    int                      Status;
    std::string              Says;
    std::string              Output = "/out.stl";
  };
  for (const Case& aCase : std::vector<Case>{
           {"/absent.stl", {}, 2, "cannot read " + aDir + "/absent.stl: no such file"},
           {"/empty.stl", {}, 2, "not a readable STL file"},
           {"/zero.stl", {}, 2, "not a readable STL file"},
           {"/text.stl", {}, 2, "not a readable STL file"},
           {"/truncated.stl", {}, 2, "not a readable STL file"},
           {"/promising.stl", {}, 2, "not a readable STL file"},
           {"/missing.ply", {}, 2, "a face refers to a vertex that does not exist"},
           {"/nan.stl", {"--cell-rel", "0.25"}, 0, "1 of 5 triangles have a NaN or infinite coordinate"},
           {"/inf.stl", {"--cell-rel", "0.25"}, 0, "1 of 5 triangles have a NaN or infinite coordinate"},
           {"/all_nan.stl", {}, 2, "Every triangle has a NaN or infinite coordinate"},
           {"/huge.stl", {}, 2, "The wrapping box reaches 1e+300 from the origin"},
           {"/far.stl", {}, 2, "The wrapping box reaches 1e+09 from the origin"},
           {"/flat.stl", {}, 2, "Every triangle has zero area"},
           {"/one.stl", {"--cell-rel", "1"}, 1, "The wrap is empty"},
           {"/repeated.stl", {"--cell-rel", "0.25"}, 0, "99999 of 100000 triangles repeat another one"},
           {"/good.stl", {"--cell", "5"}, 0, ""},
           {"/good.stl", {"--cell-rel", "0.000001"}, 2, "the smallest cell size that fits is"},
           {"/good.stl", {"--cell", "1e-7"}, 2, "the smallest cell size the grid can hold is 1e-06"},
           {"/good.stl", {}, 2, "good.stl is not a folder", "/good.stl/out.stl"},
           {"/good.stl", {}, 2, "no/such is not a folder", "/no/such/out.stl"}})
  {
    SCOPED_TRACE(aCase.Input + " " + aCase.Says);
    std::filesystem::remove(aDir + "/out.stl");
    std::vector<std::string> anArguments = {"wrap", aDir + aCase.Input, aDir + aCase.Output};
    anArguments.insert(anArguments.end(), aCase.Options.begin(), aCase.Options.end());
    const ToolRun aRun = run(anArguments);
    EXPECT_EQ(aRun.Status, aCase.Status) << aRun.Err;
    EXPECT_NE(aRun.Err.find(aCase.Says), std::string::npos) << aRun.Err;
    // Nothing on the standard output: the kernel's own printing of damaged files is taken in.
    EXPECT_EQ(aRun.Out, "");
    EXPECT_EQ(std::filesystem::exists(aDir + "/out.stl"), aCase.Status == 0);
  }
}
