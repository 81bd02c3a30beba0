// Whatever users feed the facade: each input is refused with its message or wrapped with a warning.
#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <Pelk_Configuration.hxx>
#include <Pelk_MemoryEstimate.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <limits>

namespace
{
using PelliskTest_Meshes::Make;
const double THE_NAN = std::numeric_limits<double>::quiet_NaN();
const double THE_INF = std::numeric_limits<double>::infinity();

Handle(Pelk_ProgressNotifier) notifier()
{
  return new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
}

// The tetrahedron with one more triangle over the given first corner, or naming node theSecond.
Handle(Poly_Triangulation) tetrahedronAnd(const gp_Pnt& theCorner, int theSecond = 2)
{
  return PelliskTest_Meshes::Append(PelliskTest_Meshes::Tetrahedron(),
                                    Make({theCorner, gp_Pnt(1, 1, 1), gp_Pnt(0, 1, 1)}, {{1, theSecond, 3}}));
}

Handle(Poly_Triangulation) moved(const Handle(Poly_Triangulation)& theMesh, double theScale, double theShift)
{
  gp_Trsf aMove;
  aMove.SetScale(gp::Origin(), theScale);
  aMove.SetTranslationPart(gp_Vec(theShift, 0, 0));
  return PelliskTest_Meshes::Transformed(theMesh, aMove);
}

// The tetrahedron's four triangles, each stored 25000 times.
Handle(Poly_Triangulation) repeatedTetrahedron()
{
  const std::vector<std::array<int, 3>> aFour =
      PelliskTest_Meshes::Triangles(PelliskTest_Meshes::Tetrahedron());
  std::vector<std::array<int, 3>> aMany;
  for (int aCopy = 0; aCopy < 25000; ++aCopy)
  {
    aMany.insert(aMany.end(), aFour.begin(), aFour.end());
  }
  return Make(PelliskTest_Meshes::Nodes(PelliskTest_Meshes::Tetrahedron()), aMany);
}

struct Outcome
{
  bool                       IsDone = false;
  Handle(Poly_Triangulation) Result;
  Pelk_MessageSeverity       Severity = Pelk_Info; // of the expected key; Info when it was not issued
  double                     Seconds  = 0.0;
};

Outcome wrap(const Handle(Poly_Triangulation)& theMesh,
             double                            theCell,
             int                               theNbThreads,
             const char*                       theKey,
             const Bnd_Box&                    theBox   = Bnd_Box(),
             double                            theLimit = 0.0)
{
  const Handle(Pelk_ProgressNotifier) aNotifier = notifier();
  Handle(Pelk_WrappingSettings)       aSettings = new Pelk_WrappingSettings(aNotifier);
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
  aSettings->SetTessellationAlgorithm("Algo_ShrinkWrapping");
  aSettings->SetCellSize(theCell);
  aSettings->SetNbThreads(theNbThreads);
  aSettings->SetMemoryLimit(theLimit);
  Pelk_API anAPI(aNotifier);
  anAPI.SetDirtyMesh(theMesh);
  anAPI.SetBoundingBox(theBox);
  Outcome    anOutcome;
  const auto aStart  = std::chrono::steady_clock::now();
  anOutcome.IsDone   = anAPI.PerformWrapping(aSettings);
  anOutcome.Seconds  = std::chrono::duration<double>(std::chrono::steady_clock::now() - aStart).count();
  anOutcome.Result   = anOutcome.IsDone ? anAPI.GetResultTriangulation() : Handle(Poly_Triangulation)();
  anOutcome.Severity = Pelk_Info;
  for (NCollection_List<Pelk_Message>::Iterator anIt(aNotifier->Messages()); anIt.More(); anIt.Next())
  {
    anOutcome.Severity = anIt.Value().Key() == theKey ? anIt.Value().Severity() : anOutcome.Severity;
  }
  return anOutcome;
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
  const Handle(Poly_Triangulation) aClean       = wrap(aTetrahedron, 0.25, 1, "").Result;
  ASSERT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aClean));
  const Handle(Poly_Triangulation) aTriangle =
      Make({gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0)}, {{1, 2, 3}});
  struct Case
  {
    const char*                Name;
    Handle(Poly_Triangulation) Mesh;
    double                     Cell;
    bool                       IsDone;
    const char*                Key;
    Pelk_MessageSeverity       Severity;
    bool                       IsAsClean; // wraps exactly as the clean tetrahedron
    Bnd_Box                    Box = Bnd_Box();
  };
  const std::vector<Case> aCases = {
      {"NaN node", tetrahedronAnd(gp_Pnt(THE_NAN, 0, 0)), 0.25, true, "Pelk_API.NonFiniteTriangles",
       Pelk_Warning, true},
      {"infinite node", tetrahedronAnd(gp_Pnt(0, THE_INF, 0)), 0.25, true, "Pelk_API.NonFiniteTriangles",
       Pelk_Warning, true},
      {"missing node number", tetrahedronAnd(gp_Pnt(0, 0, 0), 99), 0.25, true, "Pelk_API.NonFiniteTriangles",
       Pelk_Warning, true},
      {"the same triangles 25000 times", repeatedTetrahedron(), 0.25, true, "Pelk_API.RepeatedTriangles",
       Pelk_Warning, true},
      {"only NaN", Make({gp_Pnt(THE_NAN, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0)}, {{1, 2, 3}}), 0.25, false,
       "Pelk_API.NoFiniteTriangle", Pelk_Error, false},
      {"coordinates of 1e300", moved(aTetrahedron, 1e300, 0), 0.25, false, "Pelk_API.CoordinatesTooLarge",
       Pelk_Error, false},
      {"a billion from the origin", moved(aTetrahedron, 1, 1e9), 0.25, false, "Pelk_API.CoordinatesTooLarge",
       Pelk_Error, false},
      {"corners on a line or coincident",
       Make({gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(2, 0, 0), gp_Pnt(0, 1, 0)}, {{1, 2, 3}, {1, 1, 4}}),
       0.25, false, "Pelk_API.DegenerateInput", Pelk_Error, false},
      {"no triangle", new Poly_Triangulation(), 0.25, false, "Algo_Voxelization.NoMesh", Pelk_Error, false},
      {"null mesh", Handle(Poly_Triangulation)(), 0.25, false, "Algo_Voxelization.NoMesh", Pelk_Error, false},
      {"one flat triangle, one cell", aTriangle, 1.0, false, "Pelk_API.EmptyWrap", Pelk_Error, false},
      {"cell larger than the object", aTetrahedron, 5.0, true, "Pelk_API.MemoryEstimate", Pelk_Info, false},
      {"cell a millionth of the object", aTetrahedron, 1e-6, false, "Pelk_API.MemoryLimit", Pelk_Error,
       false},
      {"cell below the grid's resolution", aTetrahedron, 1e-7, false, "Pelk_API.CellTooSmall", Pelk_Error,
       false},
      {"NaN cell", aTetrahedron, THE_NAN, false, "Algo_Voxelization.NegativeOrNullCellSize", Pelk_Error,
       false},
      {"box that is no cube", aTetrahedron, 0.25, false, "Algo_Voxelization.NonCubeBox", Pelk_Error, false,
       Bnd_Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 2))},
  };
  for (const Case& aCase : aCases)
  {
    SCOPED_TRACE(aCase.Name);
    const Outcome anOutcome = wrap(aCase.Mesh, aCase.Cell, 2, aCase.Key, aCase.Box);
    EXPECT_EQ(anOutcome.IsDone, aCase.IsDone);
    EXPECT_EQ(anOutcome.Severity, aCase.Severity);
    // Refusals come before anything is allocated.
    EXPECT_LT(anOutcome.Seconds, aCase.IsDone ? 60.0 : 1.0);
    if (aCase.IsDone)
    {
      EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(anOutcome.Result));
      EXPECT_TRUE(isSame(anOutcome.Result, wrap(aCase.Mesh, aCase.Cell, 1, aCase.Key, aCase.Box).Result));
      EXPECT_EQ(isSame(anOutcome.Result, aClean), aCase.IsAsClean);
    }
  }
}

TEST(Pelk_API_BadInputTest, TheSmallestCellThatFitsTheMemoryLimitIsAccepted)
{
  // A unit box whose faces are also stored reversed and twice: its surface still counts once.
  const Handle(Poly_Triangulation) aBox = PelliskTest_Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1));
  const Handle(Poly_Triangulation) aDirty =
      Make(PelliskTest_Meshes::Nodes(aBox),
           [&]
           {
             std::vector<std::array<int, 3>> aTriangles = PelliskTest_Meshes::Triangles(aBox);
             for (const std::array<int, 3>& aT : PelliskTest_Meshes::Triangles(aBox))
             {
               aTriangles.insert(aTriangles.end(), {aT, {aT[0], aT[2], aT[1]}});
             }
             return aTriangles;
           }());
  const Pelk_MemoryEstimate anEstimate(aDirty, 1.0);
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
    EXPECT_GT(anEstimate.NbBytes(aFit / 2.1), aBytes);
    for (const double aCell : {aFit, aFit / 2.1})
    {
      const Outcome anOutcome = wrap(aDirty, aCell, 2, "Pelk_API.MemoryLimit", Bnd_Box(), aLimit);
      EXPECT_EQ(anOutcome.IsDone, aCell == aFit);
      EXPECT_EQ(anOutcome.Severity, aCell == aFit ? Pelk_Info : Pelk_Error);
    }
  }
  EXPECT_EQ(anEstimate.SmallestCell(1.0), 0.0);
  // The limit of the configuration file reaches the settings; 0 means half the machine's memory.
  const std::string aDir = PelliskTest_Data::ScratchFolder("api_memory_limit");
  for (const auto& [aLine, aLimit] : std::vector<std::pair<std::string, double>>{
           {"MemoryLimit = 40.5", 40.5}, {"MemoryLimit = 0", 0.0}, {"", 0.0}, {"MemoryLimit = -5", 0.0}})
  {
    std::ofstream(aDir + "/limit.conf") << "Voxelization = MinVoxelSize\n" << aLine << "\n";
    const Pelk_Configuration aConfig((aDir + "/limit.conf").c_str(), "");
    EXPECT_EQ(aConfig.MemoryLimit(), aLimit) << aLine;
    EXPECT_EQ(aConfig.CreateSettings(notifier())->MemoryLimit(),
              aLimit > 0.0 ? aLimit : Pelk_MemoryEstimate::DefaultLimit())
        << aLine;
  }
  EXPECT_GT(Pelk_MemoryEstimate::DefaultLimit(), 0.0);
}
