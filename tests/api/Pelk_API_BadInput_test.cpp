// Whatever users feed the facade: each input is refused with its message or wrapped with a warning.
#include <Pelk_API.hxx>
#include <Pelk_Configuration.hxx>
#include <Pelk_MemoryEstimate.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <limits>

namespace
{
using PelliskTest_Meshes::Make;
const double THE_NAN = std::numeric_limits<double>::quiet_NaN();

// The tetrahedron with one more triangle over the given first corner, or naming node theSecond.
Handle(Poly_Triangulation) tetrahedronAnd(const gp_Pnt& theCorner, int theSecond = 2)
{
  return PelliskTest_Meshes::Append(PelliskTest_Meshes::Tetrahedron(),
                                    Make({theCorner, gp_Pnt(1, 1, 1), gp_Pnt(0, 1, 1)}, {{1, theSecond, 3}}));
}

// The wrap (null when refused or failed) and the severity of theKey (Pelk_Info when not issued).
std::pair<Handle(Poly_Triangulation), Pelk_MessageSeverity> wrap(const Handle(Poly_Triangulation)& theMesh,
                                                                 double                            theCell,
                                                                 int            theNbThreads,
                                                                 const char*    theKey,
                                                                 const Bnd_Box& theBox   = Bnd_Box(),
                                                                 double         theLimit = 0.0)
{
  const Handle(Pelk_ProgressNotifier) aNotifier =
      new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(aNotifier);
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
  aSettings->SetTessellationAlgorithm("Algo_ShrinkWrapping");
  aSettings->SetCellSize(theCell);
  aSettings->SetNbThreads(theNbThreads);
  aSettings->SetMemoryLimit(theLimit);
  Pelk_API anAPI(aNotifier);
  anAPI.SetDirtyMesh(theMesh);
  anAPI.SetBoundingBox(theBox);
  const bool           isDone    = anAPI.PerformWrapping(aSettings);
  Pelk_MessageSeverity aSeverity = Pelk_Info;
  for (NCollection_List<Pelk_Message>::Iterator anIt(aNotifier->Messages()); anIt.More(); anIt.Next())
  {
    aSeverity = anIt.Value().Key() == theKey ? anIt.Value().Severity() : aSeverity;
  }
  return {isDone ? anAPI.GetResultTriangulation() : Handle(Poly_Triangulation)(), aSeverity};
}

bool isSame(const Handle(Poly_Triangulation)& theA, const Handle(Poly_Triangulation)& theB)
{
  const std::vector<gp_Pnt> aNodesA = PelliskTest_Meshes::Nodes(theA);
  const std::vector<gp_Pnt> aNodesB = PelliskTest_Meshes::Nodes(theB);
  return std::equal(aNodesA.begin(), aNodesA.end(), aNodesB.begin(), aNodesB.end(),
                    [](const gp_Pnt& theP, const gp_Pnt& theQ) { return theP.IsEqual(theQ, 0.0); }) &&
         PelliskTest_Meshes::Triangles(theA) == PelliskTest_Meshes::Triangles(theB);
}
} // namespace

TEST(Pelk_API_BadInputTest, EachInputIsRefusedWithItsMessageOrWrappedWithAWarning)
{
  const Handle(Poly_Triangulation) aTetrahedron = PelliskTest_Meshes::Tetrahedron();
  const std::vector<gp_Pnt>        aCorners     = {gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0)};
  const Handle(Poly_Triangulation) aTriangle    = Make(aCorners, {{1, 2, 3}});
  // Errors refuse the wrap; warnings leave out what cannot be used and wrap the rest as theClean alone.
  struct Case
  {
    const char*                Name;
    Handle(Poly_Triangulation) Mesh;
    double                     Cell;
    const char*                Key;
    Pelk_MessageSeverity       Severity;
    Handle(Poly_Triangulation) Clean = Handle(Poly_Triangulation)();
    Bnd_Box                    Box   = Bnd_Box();
  };
  const std::vector<Case> aCases = {
      {"NaN node", tetrahedronAnd(gp_Pnt(0, 0, THE_NAN)), 0.25, "Pelk_API.NonFiniteTriangles", Pelk_Warning,
       aTetrahedron},
      {"missing node", tetrahedronAnd(gp_Pnt(0, 0, 0), 99), 0.25, "Pelk_API.NonFiniteTriangles", Pelk_Warning,
       aTetrahedron},
      {"100000 copies", Make(aCorners, std::vector<std::array<int, 3>>(100000, {1, 2, 3})), 0.25,
       "Pelk_API.RepeatedTriangles", Pelk_Warning, aTriangle},
      {"only NaN", Make({gp_Pnt(THE_NAN, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0)}, {{1, 2, 3}}), 0.25,
       "Pelk_API.NoFiniteTriangle", Pelk_Error},
      {"1e300", Make({gp_Pnt(0, 0, 0), gp_Pnt(1e300, 0, 0), gp_Pnt(0, 1e300, 0)}, {{1, 2, 3}}), 0.25,
       "Pelk_API.CoordinatesTooLarge", Pelk_Error},
      {"1e9 away", Make({gp_Pnt(1e9, 0, 0), gp_Pnt(1e9 + 1, 0, 0), gp_Pnt(1e9, 1, 0)}, {{1, 2, 3}}), 0.25,
       "Pelk_API.CoordinatesTooLarge", Pelk_Error},
      {"corners on a line or coincident",
       Make({gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(2, 0, 0), gp_Pnt(0, 1, 0)}, {{1, 2, 3}, {1, 1, 4}}),
       0.25, "Pelk_API.DegenerateInput", Pelk_Error},
      {"no triangle", new Poly_Triangulation(), 0.25, "Algo_Voxelization.NoMesh", Pelk_Error},
      {"one flat triangle, one cell", aTriangle, 1.0, "Pelk_API.EmptyWrap", Pelk_Error},
      {"cell larger than the object", aTetrahedron, 5.0, "Pelk_API.MemoryEstimate", Pelk_Info, aTetrahedron},
      {"cell a millionth of the object", aTetrahedron, 1e-6, "Pelk_API.MemoryLimit", Pelk_Error},
      {"cell below the grid's resolution", aTetrahedron, 1e-7, "Pelk_API.CellTooSmall", Pelk_Error},
      {"NaN cell", aTetrahedron, THE_NAN, "Algo_Voxelization.NegativeOrNullCellSize", Pelk_Error},
      {"box that is no cube", aTetrahedron, 0.25, "Algo_Voxelization.NonCubeBox", Pelk_Error, nullptr,
       Bnd_Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 2))},
  };
  for (const Case& aCase : aCases)
  {
    SCOPED_TRACE(aCase.Name);
    const auto aStart               = std::chrono::steady_clock::now();
    const auto [aResult, aSeverity] = wrap(aCase.Mesh, aCase.Cell, 2, aCase.Key, aCase.Box);
    // Refusals come before anything is allocated.
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - aStart).count(),
              aResult.IsNull() ? 1.0 : 60.0);
    EXPECT_EQ(aSeverity, aCase.Severity);
    EXPECT_EQ(aResult.IsNull(), aCase.Clean.IsNull());
    if (!aResult.IsNull())
    {
      EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aResult));
      EXPECT_TRUE(isSame(aResult, wrap(aCase.Mesh, aCase.Cell, 1, aCase.Key, aCase.Box).first));
      EXPECT_TRUE(isSame(aResult, wrap(aCase.Clean, aCase.Cell, 1, "").first));
    }
  }
}

TEST(Pelk_API_BadInputTest, TheSmallestCellThatFitsTheMemoryLimitIsAccepted)
{
  // A unit box whose faces are also stored reversed and twice: its surface still counts once.
  const Handle(Poly_Triangulation) aBox       = PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1));
  std::vector<std::array<int, 3>>  aTriangles = PelliskTest_Meshes::Triangles(aBox);
  for (const std::array<int, 3>& aT : PelliskTest_Meshes::Triangles(aBox))
  {
    aTriangles.insert(aTriangles.end(), {aT, {aT[0], aT[2], aT[1]}});
  }
  const Handle(Poly_Triangulation) aDirty = Make(PelliskTest_Meshes::Nodes(aBox), aTriangles);
  const Pelk_MemoryEstimate        anEstimate(aDirty, 1.0);
  EXPECT_NEAR(anEstimate.Area(), 6.0, 1e-12);
  // Finest cells: the cube halved while they are at least twice the request.
  for (const auto& [aCell, aLeaf] : std::vector<std::pair<double, double>>{
           {0.3, 0.5}, {0.25, 0.25}, {0.2500001, 0.5}, {0.5, 0.5}, {2.0, 1.0}, {0.01, 0.015625}})
  {
    EXPECT_EQ(anEstimate.LeafSize(aCell), aLeaf) << aCell;
  }
  for (const double aLimit : {40.0, 80.0})
  {
    SCOPED_TRACE(aLimit);
    const double aBytes = aLimit * 1024 * 1024;
    const double aFit   = anEstimate.SmallestCell(aBytes);
    EXPECT_LE(anEstimate.NbBytes(aFit), aBytes);
    EXPECT_GT(anEstimate.NbBytes(aFit / 1.01), aBytes);
    for (const double aCell : {aFit, aFit / 1.01})
    {
      const auto [aResult, aSeverity] = wrap(aDirty, aCell, 2, "Pelk_API.MemoryLimit", Bnd_Box(), aLimit);
      EXPECT_EQ(aResult.IsNull(), aCell != aFit);
      EXPECT_EQ(aSeverity, aCell == aFit ? Pelk_Info : Pelk_Error);
    }
  }
  EXPECT_EQ(anEstimate.SmallestCell(1.0), 0.0);
  // Memory to spare: the finest cell the grid resolves, not a finer one.
  EXPECT_GE(anEstimate.SmallestCell(1e300),
            std::max(Pelk_MemoryEstimate::MinCellSize(), 1.0 / Pelk_MemoryEstimate::MaxCellRatio()));
  // The limit of the configuration file reaches the settings; 0 means half the machine's memory.
  const std::string aDir = PelliskTest_Data::ScratchFolder("api_memory_limit");
  for (const auto& [aLine, aLimit] : std::vector<std::pair<std::string, double>>{
           {"MemoryLimit = 40.5", 40.5}, {"MemoryLimit = 0", 0.0}, {"", 0.0}, {"MemoryLimit = -5", 0.0}})
  {
    std::ofstream(aDir + "/limit.conf") << "Voxelization = MinVoxelSize\n" << aLine << "\n";
    const Pelk_Configuration aConfig((aDir + "/limit.conf").c_str(), "");
    EXPECT_EQ(aConfig.MemoryLimit(), aLimit) << aLine;
    EXPECT_EQ(aConfig.CreateSettings(Pelk_DummyProgressNotifier::Instance())->MemoryLimit(),
              aLimit > 0.0 ? aLimit : Pelk_MemoryEstimate::DefaultLimit())
        << aLine;
  }
}
