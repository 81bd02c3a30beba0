#include <PelliskTest_Data.hxx>
#include <PelliskTool_Process.hxx>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

namespace
{
// A tetrahedron whose last face is flipped, plus a loose triangle.
const char* THE_PLY_HEADER  = "ply\nformat %s 1.0\ncomment made by a test\nelement vertex 7\n"
                              "property float x\nproperty float y\nproperty float z\nproperty uchar red\n"
                              "element face 5\nproperty list uchar int vertex_indices\nend_header\n";
const float THE_NODES[7][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {5, 5, 5}, {6, 5, 5}, {5, 6, 5}};
const int   THE_FACES[5][3] = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 3, 0}, {4, 5, 6}};

std::string header(const char* theFormat)
{
  char aText[512];
  std::snprintf(aText, sizeof(aText), THE_PLY_HEADER, theFormat);
  return aText;
}

void writeAscii(const std::string& theFile)
{
  std::ofstream aStream(theFile);
  aStream << header("ascii");
  for (const auto& aNode : THE_NODES)
  {
    aStream << aNode[0] << " " << aNode[1] << " " << aNode[2] << " 200\n";
  }
  for (const auto& aFace : THE_FACES)
  {
    aStream << "3 " << aFace[0] << " " << aFace[1] << " " << aFace[2] << "\n";
  }
}

void writeBinary(const std::string& theFile)
{
  std::ofstream aStream(theFile, std::ios::binary);
  aStream << header("binary_little_endian");
  for (const auto& aNode : THE_NODES)
  {
    aStream.write(reinterpret_cast<const char*>(aNode), sizeof(aNode));
    aStream.put(char(200));
  }
  for (const auto& aFace : THE_FACES)
  {
    aStream.put(3);
    aStream.write(reinterpret_cast<const char*>(aFace), sizeof(aFace));
  }
}
} // namespace

TEST(PelliskTool_InfoTest, DescribesTheSoupOfEitherPlyEncoding)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("tool_info");
  writeAscii(aDir + "/soup.ply");
  writeBinary(aDir + "/soup_binary.PLY");
  for (const char* aName : {"/soup.ply", "/soup_binary.PLY"})
  {
    const PelliskTool_Process aRun = PelliskTool_Process::Run({"info", aDir + aName});
    EXPECT_EQ(aRun.Status, 0) << aRun.Err;
    EXPECT_NE(aRun.Out.find("nodes: 7\n"), std::string::npos) << aRun.Out;
    EXPECT_NE(aRun.Out.find("faces: 5\n"), std::string::npos);
    EXPECT_NE(aRun.Out.find("connected components: 2\n"), std::string::npos);
    EXPECT_NE(aRun.Out.find("bounding box: (0, 0, 0) - (6, 6, 5)\n"), std::string::npos);
    // The loose triangle is open; the flipped face breaks the orientation.
    EXPECT_NE(aRun.Out.find("boundary edges: 3\n"), std::string::npos);
    EXPECT_NE(aRun.Out.find("non-manifold edges: 0\n"), std::string::npos);
    EXPECT_NE(aRun.Out.find("closed: no\n"), std::string::npos);
    EXPECT_NE(aRun.Out.find("consistently oriented: no\n"), std::string::npos);
  }
}

TEST(PelliskTool_InfoTest, ClosedOrientedStlAndUnreadableFiles)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("tool_info_stl");
  {
    std::ofstream aStream(aDir + "/tetra.stl");
    aStream << "solid t\n";
    const int aFaces[4][3] = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}};
    for (const auto& aFace : aFaces)
    {
      aStream << "facet normal 0 0 0\nouter loop\n";
      for (int k = 0; k < 3; ++k)
      {
        const float* aNode = THE_NODES[aFace[k]];
        aStream << "vertex " << aNode[0] << " " << aNode[1] << " " << aNode[2] << "\n";
      }
      aStream << "endloop\nendfacet\n";
    }
    aStream << "endsolid t\n";
  }
  const PelliskTool_Process aRun = PelliskTool_Process::Run({"info", aDir + "/tetra.stl"});
  EXPECT_EQ(aRun.Status, 0);
  EXPECT_NE(aRun.Out.find("closed: yes\nconsistently oriented: yes\nvolume: 0.166667 (outward)\n"),
            std::string::npos)
      << aRun.Out;

  std::ofstream(aDir + "/broken.ply")
      << "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
         "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
         "0\n1\n2\n3 0 1 7\n";
  std::ofstream(aDir + "/short.ply") << header("binary_little_endian") << "xyz";
  for (const char* aName : {"/broken.ply", "/short.ply", "/missing.stl"})
  {
    const PelliskTool_Process aBad = PelliskTool_Process::Run({"info", aDir + aName});
    EXPECT_EQ(aBad.Status, 2) << aName;
    EXPECT_NE(aBad.Err.find("cannot read"), std::string::npos) << aBad.Err;
  }
  EXPECT_EQ(PelliskTool_Process::Run({"info"}).Status, 2);
}
