// The default pipeline (the shipped configuration: shrink wrapping and its
// refinement chain) on every real dirty mesh of the test data and on synthetic
// soups, at cells of a 100th and a 300th of the input's diagonal. Each wrap
// must be valid (closed, manifold, outward, free of crossings) and lie on the
// input: within 0.05 cell on average and within a cell at most (the holed
// sphere at a 300th has one node 1.04 cells off, which no collapse can take
// away without turning or crossing a face).
#include <Pelk_API.hxx>
#include <Pelk_Configuration.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <Pelk_WrappingSettings.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <Trivex_ProjectPntMesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include <OSD_Path.hxx>
#include <gp_Trsf.hxx>
#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{
struct WrapCase
{
  const char* Name;      //!< file of the test data, or a synthetic soup
  int         Divisions; //!< cell = diagonal / Divisions
  double      MaxCells;  //!< bound on the distance of a node from the input, in cells
};

void PrintTo(const WrapCase& theCase, std::ostream* theStream)
{
  *theStream << theCase.Name << " at diagonal/" << theCase.Divisions;
}

Handle(Poly_Triangulation) input(const std::string& theName)
{
  using namespace PelliskTest_Meshes;
  if (theName == "soup:spheres-torus")
  {
    return Soup(Append(Append(IcoSphere(gp_Pnt(0, 0, 0), 1.0, 3), IcoSphere(gp_Pnt(0.9, 0.2, 0.1), 0.6, 3)),
                       Torus(48, 16)));
  }
  if (theName == "soup:holed-sphere")
  {
    return HoledSphereWithShiftedPatch();
  }
  if (theName == "soup:boxes")
  {
    return Append(OverlappingBoxes(), PlateInPieces());
  }
  // A model in millimetres given in metres: the wrap's faces are far smaller
  // than a square unit.
  if (theName.rfind("metres:", 0) == 0)
  {
    gp_Trsf aMetres;
    aMetres.SetScaleFactor(1e-3);
    return Transformed(RWStl::ReadFile(OSD_Path(PelliskTest_Data::File(theName.substr(7)).c_str())), aMetres);
  }
  return RWStl::ReadFile(OSD_Path(PelliskTest_Data::File(theName).c_str()));
}

class RealWrapTest : public ::testing::TestWithParam<WrapCase>
{
};

TEST_P(RealWrapTest, DefaultPipelineGivesAValidWrapOnTheInput)
{
  const WrapCase&                  aCase   = GetParam();
  const Handle(Poly_Triangulation) anInput = input(aCase.Name);
  ASSERT_FALSE(anInput.IsNull());
  Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(anInput);
  aSet->InitBuilder();
  ASSERT_TRUE(aSet->Build());
  const double aCell = std::sqrt(aSet->Box().SquareExtent()) / aCase.Divisions;

  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier();
  const Handle(Pelk_WrappingSettings) aSettings =
      Pelk_Configuration(PelliskTest_Data::SourceResource("Pellisk.conf").c_str(),
                         Pelk_Configuration::Instance().CataloguePath())
          .CreateSettings(aNotifier);
  ASSERT_FALSE(aSettings.IsNull());
  aSettings->SetCellSize(aCell);
  Pelk_API anAPI(aNotifier);
  anAPI.SetDirtyMesh(anInput);
  ASSERT_TRUE(anAPI.PerformWrapping(aSettings));
  const Handle(Poly_Triangulation) aWrap = anAPI.GetResultTriangulation();
  EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aWrap));

  double                 aSum = 0.0, aMax = 0.0;
  Trivex::ProjectPntMesh aQuery(aSet);
  for (int aNode = 1; aNode <= aWrap->NbNodes(); ++aNode)
  {
    aQuery.Perform(aWrap->Node(aNode));
    aSum += aQuery.Distance();
    aMax = std::max(aMax, aQuery.Distance());
  }
  const double aMean = aSum / std::max(aWrap->NbNodes(), 1);
  // Where the wrap spans a hole or a gap of the input a few cells wide, its
  // faces reach from rim to rim: no node stays in the middle.
  EXPECT_LE(aMean, 0.05 * aCell);
  EXPECT_LE(aMax, aCase.MaxCells * aCell);
}

// Every mesh of the test data and every synthetic soup at cells of
// diagonal/theDivisions (with the teapot in metres at /300), bounded as the
// head of this file says.
std::vector<WrapCase> cases(int theDivisions)
{
  std::vector<WrapCase> aCases;
  for (const char* aName :
       {"alstom_cgal.stl", "bed_sh3d.stl", "boeing_cgal.stl", "bones_cgal.stl", "bunny_scan.stl",
        "elephant_holes_cgal.stl", "mannequin_devil_cgal.stl", "maxexport_assimp.stl",
        "mech_holes_shark_cgal.stl", "regr01_assimp.stl", "spider_assimp.stl", "teapot_utah.stl",
        "wuson_assimp.stl", "soup:spheres-torus", "soup:holed-sphere", "soup:boxes"})
  {
    const bool isHoledSphere = std::string(aName) == "soup:holed-sphere" && theDivisions == 300;
    aCases.push_back(WrapCase{aName, theDivisions, isHoledSphere ? 1.1 : 1.0});
  }
  if (theDivisions == 300)
  {
    aCases.push_back(WrapCase{"metres:teapot_utah.stl", 300, 1.0});
  }
  return aCases;
}

std::string caseName(const ::testing::TestParamInfo<WrapCase>& theInfo)
{
  std::string aName = std::string(theInfo.param.Name) + "_" + std::to_string(theInfo.param.Divisions);
  std::replace_if(
      aName.begin(), aName.end(), [](char c) { return std::isalnum(c) == 0; }, '_');
  return aName;
}
} // namespace

INSTANTIATE_TEST_SUITE_P(Diagonal100, RealWrapTest, ::testing::ValuesIn(cases(100)), caseName);

INSTANTIATE_TEST_SUITE_P(Diagonal300, RealWrapTest, ::testing::ValuesIn(cases(300)), caseName);
