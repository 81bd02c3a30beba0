#include <HalfEdge_IO.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

namespace
{
// Faces as node cycles starting at their smallest node, so that equal faces
// with the same orientation compare equal.
std::array<int, 3> canonical(std::array<int, 3> theCycle)
{
  std::rotate(theCycle.begin(), std::min_element(theCycle.begin(), theCycle.end()), theCycle.end());
  return theCycle;
}

// True when theCopy has theOriginal's faces, with the same orientation, over
// nodes within theTolerance of theOriginal's nodes.
::testing::AssertionResult
sameFaces(const Handle(HalfEdge_Mesh)& theOriginal, const Handle(HalfEdge_Mesh)& theCopy, double theTolerance)
{
  std::vector<int> anOriginalOf(theCopy->NbNodes(), -1);
  for (int aNode = 0; aNode < theCopy->NbNodes(); ++aNode)
  {
    const gp_Pnt aPoint = theCopy->Node(aNode);
    for (int aCandidate = 0; aCandidate < theOriginal->NbNodes(); ++aCandidate)
    {
      if (theOriginal->Node(aCandidate).Distance(aPoint) <= theTolerance)
      {
        anOriginalOf[aNode] = aCandidate;
        break;
      }
    }
    if (anOriginalOf[aNode] < 0)
    {
      return ::testing::AssertionFailure() << "node " << aNode << " is nowhere in the original";
    }
  }
  std::multiset<std::array<int, 3>> anOriginalFaces;
  for (auto anIt = theOriginal->FacesBegin(); anIt != theOriginal->FacesEnd(); ++anIt)
  {
    const std::list<int> aNodes = *anIt;
    anOriginalFaces.insert(canonical({aNodes.front(), *std::next(aNodes.begin()), aNodes.back()}));
  }
  for (auto anIt = theCopy->FacesBegin(); anIt != theCopy->FacesEnd(); ++anIt)
  {
    const std::list<int>   aCorners = *anIt;
    const std::vector<int> aNodes(aCorners.begin(), aCorners.end());
    if (aNodes.size() != 3)
    {
      return ::testing::AssertionFailure() << "face " << anIt.Index() << " is no triangle";
    }
    const auto aFound = anOriginalFaces.find(
        canonical({anOriginalOf[aNodes[0]], anOriginalOf[aNodes[1]], anOriginalOf[aNodes[2]]}));
    if (aFound == anOriginalFaces.end())
    {
      return ::testing::AssertionFailure() << "face " << anIt.Index() << " is not in the original";
    }
    anOriginalFaces.erase(aFound);
  }
  if (!anOriginalFaces.empty())
  {
    return ::testing::AssertionFailure() << anOriginalFaces.size() << " faces are missing";
  }
  return ::testing::AssertionSuccess();
}

std::string readStart(const std::string& theFile, size_t theSize)
{
  std::ifstream aStream(theFile, std::ios::binary);
  std::string   aStart(theSize, '\0');
  aStream.read(&aStart[0], static_cast<std::streamsize>(theSize));
  aStart.resize(static_cast<size_t>(aStream.gcount()));
  return aStart;
}
} // namespace

TEST(HalfEdge_IOTest, RealMeshRoundTripsThroughEveryFormatKeepingNodesAndFaces)
{
  const Handle(HalfEdge_Mesh) aSpider = HalfEdge_IO::Import(PelliskTest_Data::File("spider_assimp.stl"));
  ASSERT_FALSE(aSpider.IsNull());
  ASSERT_GT(aSpider->NbFaces(), 1300);
  EXPECT_EQ(PelliskTest_Mesh::Check(aSpider), "");
  const std::string aDir = PelliskTest_Data::ScratchFolder("halfedge_io_roundtrip");

  struct Case
  {
    std::string Name;
    bool        Binary;
    double      Tolerance; // text STL keeps 7 significant digits; the others store the floats read
    std::string Start;
  };
  for (const Case& aCase : {Case{"spider.stl", false, 1e-5, "solid"}, Case{"spider.STL", true, 0.0, ""},
                            Case{"spider.ply", false, 1e-5, "ply\nformat ascii"},
                            Case{"spider_bin.PLY", true, 0.0, "ply\nformat binary_little_endian"}})
  {
    const std::string aFile = aDir + "/" + aCase.Name;
    ASSERT_TRUE(HalfEdge_IO::Export(aSpider, aFile, aCase.Binary)) << aCase.Name;
    EXPECT_EQ(readStart(aFile, aCase.Start.size()), aCase.Start) << aCase.Name;
    const Handle(HalfEdge_Mesh) aBack = HalfEdge_IO::Import(aFile);
    ASSERT_FALSE(aBack.IsNull()) << aCase.Name;
    EXPECT_EQ(aBack->NbNodes(), aSpider->NbNodes()) << aCase.Name;
    EXPECT_EQ(aBack->NbFaces(), aSpider->NbFaces()) << aCase.Name;
    EXPECT_TRUE(sameFaces(aSpider, aBack, aCase.Tolerance)) << aCase.Name;
  }
}

TEST(HalfEdge_IOTest, ExtensionChoosesTheFormatOrRefuses)
{
  const std::string     aDir  = PelliskTest_Data::ScratchFolder("halfedge_io_extension");
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Mesh::Tetrahedron());
  for (const std::string aName : {"tetra", "tetra.obj", "tetra.stl.bak", "tetra."})
  {
    EXPECT_FALSE(HalfEdge_IO::Export(aMesh, aDir + "/" + aName, true)) << aName;
    EXPECT_FALSE(std::filesystem::exists(aDir + "/" + aName)) << aName;
  }
  // A PLY file under an upper-case name is read as PLY, whatever its writer.
  ASSERT_TRUE(HalfEdge_IO::ExportPLY(aMesh, aDir + "/tetra.ply", false));
  std::filesystem::copy_file(aDir + "/tetra.ply", aDir + "/TETRA.PLY");
  std::filesystem::copy_file(aDir + "/tetra.ply", aDir + "/tetra.obj");
  const Handle(HalfEdge_Mesh) aBack = HalfEdge_IO::Import(aDir + "/TETRA.PLY");
  ASSERT_FALSE(aBack.IsNull());
  EXPECT_EQ(aBack->NbFaces(), 4);
  EXPECT_TRUE(HalfEdge_IO::Import(aDir + "/tetra.obj").IsNull());
  EXPECT_TRUE(HalfEdge_IO::Import(aDir + "/tetra").IsNull());
}

TEST(HalfEdge_IOTest, MissingOrBrokenFilesGiveEmptyMeshesAndNullMeshesFalse)
{
  const std::string aDir = PelliskTest_Data::ScratchFolder("halfedge_io_failures");
  for (const std::string aName : {"missing.stl", "missing.ply", "broken.stl", "broken.ply"})
  {
    if (aName.rfind("broken", 0) == 0)
    {
      std::ofstream(aDir + "/" + aName) << "not a mesh at all\n";
    }
    const Handle(HalfEdge_Mesh) aMesh = HalfEdge_IO::Import(aDir + "/" + aName);
    ASSERT_FALSE(aMesh.IsNull()) << aName;
    EXPECT_TRUE(aMesh->IsEmpty()) << aName;
    EXPECT_EQ(aMesh->NbFaces(), 0) << aName;
  }
  for (const bool aBinary : {false, true})
  {
    EXPECT_FALSE(HalfEdge_IO::Export(Handle(HalfEdge_Mesh)(), aDir + "/null.stl", aBinary));
    EXPECT_FALSE(HalfEdge_IO::Export(Handle(HalfEdge_Mesh)(), aDir + "/null.ply", aBinary));
    Handle(HalfEdge_Mesh) aTetra = new HalfEdge_Mesh(PelliskTest_Mesh::Tetrahedron());
    EXPECT_FALSE(HalfEdge_IO::Export(aTetra, aDir + "/no/such/folder/x.stl", aBinary));
    EXPECT_FALSE(HalfEdge_IO::Export(aTetra, aDir + "/no/such/folder/x.ply", aBinary));
    EXPECT_FALSE(HalfEdge_IO::ExportSTL(new HalfEdge_Mesh(), aDir + "/empty.stl", aBinary));
  }
}

TEST(HalfEdge_IOTest, StlExportLeavesTheMeshAlone)
{
  const std::string     aDir  = PelliskTest_Data::ScratchFolder("halfedge_io_stl_copy");
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(2, 1, 1)));
  aMesh->DeleteFace(4);
  ASSERT_TRUE(HalfEdge_IO::ExportSTL(aMesh, aDir + "/box.stl", true));
  EXPECT_EQ(aMesh->NbFaces(), 12) << "the deleted face is still numbered: no garbage collection here";
  std::list<int> aNodes;
  aMesh->Face(4, aNodes);
  EXPECT_TRUE(aNodes.empty());
  const Handle(HalfEdge_Mesh) aBack = HalfEdge_IO::ImportSTL(aDir + "/box.stl");
  EXPECT_EQ(aBack->NbFaces(), 11);
  EXPECT_EQ(aBack->NbNodes(), 8);

  // Polygon faces are not written as STL (they are not triangulated yet).
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
