#include <HalfEdge_IO.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

namespace
{
// Faces as cycles of node names, each starting at its smallest name, so that
// equal faces with the same orientation compare equal.
std::multiset<std::vector<int>> faces(const Handle(HalfEdge_Mesh)&   theMesh,
                                      const std::function<int(int)>& theName)
{
  std::multiset<std::vector<int>> aFaces;
  for (auto anIt = theMesh->FacesBegin(); anIt != theMesh->FacesEnd(); ++anIt)
  {
    std::vector<int> aCycle;
    for (const int aNode : *anIt)
    {
      aCycle.push_back(theName(aNode));
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
  const auto        anOriginalFaces = faces(aSpider, [](int theNode) { return theNode; });
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
    // Each node read back is named after the first original node within the tolerance (-1: none).
    const auto anOriginal = [&, aTolerance = aTolerance](int theNode)
    {
      int aCandidate = 0;
      while (aCandidate < aSpider->NbNodes() &&
             aSpider->Node(aCandidate).Distance(aBack->Node(theNode)) > aTolerance)
      {
        ++aCandidate;
      }
      return aCandidate < aSpider->NbNodes() ? aCandidate : -1;
    };
    EXPECT_TRUE(faces(aBack, anOriginal) == anOriginalFaces) << aName;
  }
}

TEST(HalfEdge_IOTest, ExtensionChoosesTheFormatAndFailuresShowInTheResult)
{
  const std::string           aDir   = PelliskTest_Data::ScratchFolder("halfedge_io_files");
  const Handle(HalfEdge_Mesh) aTetra = new HalfEdge_Mesh(PelliskTest_Meshes::Tetrahedron());
  for (const bool isBinary : {false, true})
  {
    for (const std::string aName :
         {"tetra", "tetra.obj", "tetra.stl.bak", "tetra.", "no/dir/x.stl", "no/dir/x.ply"})
    {
      EXPECT_FALSE(HalfEdge_IO::Export(aTetra, aDir + "/" + aName, isBinary)) << aName;
      EXPECT_FALSE(std::filesystem::exists(aDir + "/" + aName)) << aName;
    }
    EXPECT_FALSE(HalfEdge_IO::Export(Handle(HalfEdge_Mesh)(), aDir + "/null.stl", isBinary));
    EXPECT_FALSE(HalfEdge_IO::Export(Handle(HalfEdge_Mesh)(), aDir + "/null.ply", isBinary));
    EXPECT_FALSE(HalfEdge_IO::ExportSTL(new HalfEdge_Mesh(), aDir + "/empty.stl", isBinary));
  }
  // The extension in any case decides, whatever the content; a missing or broken file gives an empty mesh,
  // another extension none (-1 faces).
  ASSERT_TRUE(HalfEdge_IO::ExportPLY(aTetra, aDir + "/tetra.ply", false));
  std::filesystem::copy_file(aDir + "/tetra.ply", aDir + "/TETRA.PLY");
  std::filesystem::copy_file(aDir + "/tetra.ply", aDir + "/tetra.obj");
  std::ofstream(aDir + "/broken.stl") << "not a mesh at all\n";
  std::ofstream(aDir + "/broken.ply") << "not a mesh at all\n";
  for (const auto& [aName, aNbFaces] : {std::pair<std::string, int>{"TETRA.PLY", 4},
                                        {"tetra.obj", -1},
                                        {"tetra", -1},
                                        {"missing.stl", 0},
                                        {"missing.ply", 0},
                                        {"broken.stl", 0},
                                        {"broken.ply", 0}})
  {
    const Handle(HalfEdge_Mesh) aMesh = HalfEdge_IO::Import(aDir + "/" + aName);
    EXPECT_EQ(aMesh.IsNull() ? -1 : aMesh->NbFaces(), aNbFaces) << aName;
    EXPECT_TRUE(aMesh.IsNull() || aMesh->IsEmpty() == (aNbFaces == 0)) << aName;
  }
}

TEST(HalfEdge_IOTest, StlExportLeavesTheMeshAloneAndPolygonsGoToPlyOnly)
{
  const std::string     aDir  = PelliskTest_Data::ScratchFolder("halfedge_io_stl_copy");
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(2, 1, 1)));
  aMesh->DeleteFace(4);
  ASSERT_TRUE(HalfEdge_IO::ExportSTL(aMesh, aDir + "/box.stl", true));
  EXPECT_EQ(aMesh->NbFaces(), 12) << "the deleted face is still numbered: no garbage collection here";
  const Handle(HalfEdge_Mesh) aBack = HalfEdge_IO::ImportSTL(aDir + "/box.stl");
  EXPECT_EQ(aBack->NbFaces(), 11);
  EXPECT_EQ(aBack->NbNodes(), 8);

  Handle(HalfEdge_Mesh) aQuad = new HalfEdge_Mesh();
  aQuad->AddFace({aQuad->AddNode(gp_Pnt(0, 0, 0)), aQuad->AddNode(gp_Pnt(1, 0, 0)),
                  aQuad->AddNode(gp_Pnt(1, 1, 0)), aQuad->AddNode(gp_Pnt(0, 1, 0))},
                 true);
  EXPECT_FALSE(HalfEdge_IO::ExportSTL(aQuad, aDir + "/quad.stl", true));
  ASSERT_TRUE(HalfEdge_IO::ExportPLY(aQuad, aDir + "/quad.ply", true));
  const Handle(HalfEdge_Mesh) aQuadBack = HalfEdge_IO::ImportPLY(aDir + "/quad.ply");
  EXPECT_EQ(aQuadBack->NbFaces(), 1);
  EXPECT_FALSE(aQuadBack->IsTriangular());
}
