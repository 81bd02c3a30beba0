#include <HalfEdge_IO.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace
{
// Faces as cycles of node names (the first node of theReference within theTolerance, or -1), each starting
// at its smallest name, so that equal faces with the same orientation compare equal.
std::multiset<std::vector<int>>
faces(const Handle(HalfEdge_Mesh)& theMesh, const Handle(HalfEdge_Mesh)& theReference, double theTolerance)
{
  std::multiset<std::vector<int>> aFaces;
  for (auto anIt = theMesh->FacesBegin(); anIt != theMesh->FacesEnd(); ++anIt)
  {
    std::vector<int> aCycle;
    for (const int aNode : *anIt)
    {
      int aName = 0;
      while (aName < theReference->NbNodes() &&
             theReference->Node(aName).Distance(theMesh->Node(aNode)) > theTolerance)
      {
        ++aName;
      }
      aCycle.push_back(aName < theReference->NbNodes() ? aName : -1);
    }
    std::rotate(aCycle.begin(), std::min_element(aCycle.begin(), aCycle.end()), aCycle.end());
    aFaces.insert(aCycle);
  }
  return aFaces;
}
} // namespace

TEST(HalfEdge_IOTest, RealMeshRoundTripsThroughEveryFormatKeepingNodesAndFaces)
{
  const Handle(HalfEdge_Mesh) aSpider = HalfEdge_IO::Import(PelliskTest_Data::File("spider_assimp.stl"));
  ASSERT_GT(aSpider->NbFaces(), 1300);
  EXPECT_EQ(PelliskTest_Mesh::Check(aSpider), "");
  const auto        anOriginalFaces = faces(aSpider, aSpider, 0.0);
  const std::string aDir            = PelliskTest_Data::ScratchFolder("halfedge_io_roundtrip");
  // Name, binary, tolerance (text STL keeps 7 significant digits; the others store the floats read), file
  // start.
  for (const auto& [aName, isBinary, aTolerance, aStart] :
       std::vector<std::tuple<std::string, bool, double, std::string>>{
           {"spider.stl", false, 1e-5, "solid"},
           {"spider.STL", true, 0.0, ""},
           {"spider.ply", false, 1e-5, "ply\nformat ascii"},
           {"spider_bin.PLY", true, 0.0, "ply\nformat binary_little_endian"}})
  {
    const std::string aFile = aDir + "/" + aName;
    ASSERT_TRUE(HalfEdge_IO::Export(aSpider, aFile, isBinary)) << aName;
    std::string aRead(aStart.size(), '\0');
    std::ifstream(aFile, std::ios::binary).read(&aRead[0], static_cast<std::streamsize>(aRead.size()));
    EXPECT_EQ(aRead, aStart) << aName;
    const Handle(HalfEdge_Mesh) aBack = HalfEdge_IO::Import(aFile);
    ASSERT_FALSE(aBack.IsNull()) << aName;
    EXPECT_EQ(aBack->NbNodes(), aSpider->NbNodes()) << aName;
    EXPECT_TRUE(faces(aBack, aSpider, aTolerance) == anOriginalFaces) << aName;
  }
}

TEST(HalfEdge_IOTest, ExtensionChoosesTheFormatAndFailuresShowInTheResult)
{
  const std::string     aDir = PelliskTest_Data::ScratchFolder("halfedge_io_files");
  Handle(HalfEdge_Mesh) aBox = new HalfEdge_Mesh(PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(2, 1, 1)));
  aBox->DeleteFace(4);
  ASSERT_TRUE(HalfEdge_IO::Export(aBox, aDir + "/box.stl", true));
  EXPECT_EQ(aBox->NbFaces(), 12) << "STL export works on a copy: the deleted face is still numbered";
  ASSERT_TRUE(HalfEdge_IO::Export(aBox, aDir + "/box.ply", false));
  for (const std::string aName : {"box", "box.stl.bak", "no/dir/x.stl", "no/dir/x.ply"})
  {
    EXPECT_FALSE(HalfEdge_IO::Export(aBox, aDir + "/" + aName, false)) << aName;
    EXPECT_FALSE(std::filesystem::exists(aDir + "/" + aName)) << aName;
  }
  EXPECT_FALSE(HalfEdge_IO::Export(Handle(HalfEdge_Mesh)(), aDir + "/null.stl", true));
  EXPECT_FALSE(HalfEdge_IO::Export(Handle(HalfEdge_Mesh)(), aDir + "/null.ply", true));
  // Polygons are split into triangles for STL, on a copy; PLY keeps them.
  Handle(HalfEdge_Mesh) aQuad = new HalfEdge_Mesh();
  aQuad->AddFace({aQuad->AddNode(gp_Pnt(0, 0, 0)), aQuad->AddNode(gp_Pnt(1, 0, 0)),
                  aQuad->AddNode(gp_Pnt(1, 1, 0)), aQuad->AddNode(gp_Pnt(0, 1, 0))},
                 true);
  EXPECT_TRUE(HalfEdge_IO::ExportSTL(aQuad, aDir + "/quad.stl", true));
  ASSERT_TRUE(HalfEdge_IO::Export(aQuad, aDir + "/QUAD.PLY", true));

  // The extension in any case decides, whatever the content; a missing or broken file gives an empty mesh,
  // another extension none.
  std::filesystem::copy_file(aDir + "/QUAD.PLY", aDir + "/quad.obj");
  std::ofstream(aDir + "/broken.ply") << "not a mesh at all\n";
  EXPECT_EQ(HalfEdge_IO::Import(aDir + "/box.stl")->NbFaces(), 11);
  EXPECT_EQ(HalfEdge_IO::Import(aDir + "/box.ply")->NbFaces(), 11);
  EXPECT_EQ(HalfEdge_IO::Import(aDir + "/QUAD.PLY")->NbFaces(), 1);
  EXPECT_EQ(HalfEdge_IO::Import(aDir + "/quad.stl")->NbFaces(), 2);
  EXPECT_TRUE(HalfEdge_IO::Import(aDir + "/quad.obj").IsNull());
  EXPECT_TRUE(HalfEdge_IO::Import(aDir + "/box").IsNull());
  EXPECT_EQ(HalfEdge_IO::Import(aDir + "/missing.stl")->NbFaces(), 0);
  EXPECT_EQ(HalfEdge_IO::Import(aDir + "/broken.ply")->NbFaces(), 0);
}
