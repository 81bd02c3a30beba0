#include <Algo_CartesianWrapping.hxx>

#include <Algo_Voxelization.hxx>
#include <HalfEdge_Mesh.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>
#include <Pelk_API.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <SVO_NodeState.hxx>
#include <SVO_Tree.hxx>

#include <gtest/gtest.h>

#include <list>
#include <random>
#include <set>

namespace
{
using Cell = std::array<int, 4>; // lower corner and edge length, within [0, 16]^3

// The algorithm on an octree over [0, 16]^3 whose boundary leaves are the
// given cells, with its steps and cells open to the tests.
struct Wrapping : public Algo_CartesianWrapping
{
  explicit Wrapping(const std::vector<Cell>&             theCells,
                    const Handle(Pelk_ProgressNotifier)& theNotifier = Pelk_DummyProgressNotifier::Instance())
      : Algo_CartesianWrapping(theNotifier)
  {
    SetTree(new SVO_Tree());
    myTree->Root()->BoxMin = gp_XYZ(0, 0, 0);
    myTree->Root()->BoxMax = gp_XYZ(16, 16, 16);
    for (const Cell& aCell : theCells)
    {
      SVO_Node* aNode = myTree->Root();
      for (int aHalf = 8; aHalf >= aCell[3]; aHalf /= 2)
      {
        for (int aChild = aNode->Children[0] == nullptr ? 0 : 8; aChild < 8; ++aChild)
        {
          aNode->Children[aChild] = new SVO_Node(aNode, aChild);
        }
        aNode = aNode->Children[aCell[0] / aHalf % 2 + aCell[1] / aHalf % 2 * 2 + aCell[2] / aHalf % 2 * 4];
      }
      aNode->State = SVO_Boundary;
    }
  }

  using Algo_CartesianWrapping::CheckJoints;
  using Algo_CartesianWrapping::ConvertIntoTriangles;
  using Algo_CartesianWrapping::ExtactNodes;
  using Algo_CartesianWrapping::myCreatedNodes;
  using Algo_CartesianWrapping::myNodes;
};

// Random cells: leaves of a random octree over [0, 2^levels]^3, each kept with
// the given chance; cells split further with theSplitChance (1: cells of one size).
std::vector<Cell> randomCells(int theLevels, double theDensity, double theSplitChance, unsigned int theSeed)
{
  std::mt19937                           aRandom(theSeed);
  std::uniform_real_distribution<double> aChance(0.0, 1.0);
  std::vector<Cell>                      aStack = {{0, 0, 0, 1 << theLevels}}, aCells;
  while (!aStack.empty())
  {
    const Cell aCell = aStack.back();
    const int  aHalf = aCell[3] / 2;
    aStack.pop_back();
    const bool isSplit = aHalf > 0 && (aHalf == 1 << (theLevels - 1) || aChance(aRandom) < theSplitChance);
    for (int aChild = 0; aChild < (isSplit ? 8 : 0); ++aChild)
    {
      aStack.push_back({aCell[0] + (aChild & 1) * aHalf, aCell[1] + (aChild >> 1 & 1) * aHalf,
                        aCell[2] + (aChild >> 2 & 1) * aHalf, aHalf});
    }
    if (!isSplit && aChance(aRandom) < theDensity)
    {
      aCells.push_back(aCell);
    }
  }
  return aCells;
}

// The skin's polygons split into triangles by the library, on a copy: the skin is kept.
Handle(Poly_Triangulation) triangulated(const Handle(HalfEdge_Mesh)& theSkin)
{
  const Handle(HalfEdge_Mesh) aCopy = new HalfEdge_Mesh(theSkin);
  EXPECT_TRUE(aCopy->Execute(new HalfEdgeAlgo_Triangulate(""), true)) << "a face split into a fan";
  return *aCopy;
}

// Wraps the cells step by step and checks the prepared cells against a voxel
// model of [-1, 17]^3: they cover the given cells without overlap nor reaching
// beyond the given cells' box. An outer skin must bound exactly the voxels that
// the empty space outside does not reach. Gives "fillers faces nodes shells
// volume" of the skin, or nothing when there is no skin.
std::string checkCells(const std::vector<Cell>& theCells, bool theIsInner, unsigned int theNbThreads)
{
  constexpr int N = 18;
  Wrapping      anAlgo(theCells);
  anAlgo.SetInnerMode(theIsInner);
  anAlgo.SetNbThreads(theNbThreads);
  anAlgo.ExtactNodes();
  anAlgo.CheckJoints();
  // The cells once joints are closed and large cells split are counted first,
  // then the given ones are looked up.
  std::vector<Cell> aSets[2] = {{}, theCells};
  for (const SVO_Node* aNode : anAlgo.myNodes)
  {
    aSets[0].push_back({int(aNode->BoxMin.X()), int(aNode->BoxMin.Y()), int(aNode->BoxMin.Z()),
                        int(aNode->BoxMax.X() - aNode->BoxMin.X())});
  }
  std::vector<int> aModel(N * N * N, 0); // prepared cells per voxel
  int              aBox[2][6] = {{N, N, N, 0, 0, 0}, {N, N, N, 0, 0, 0}};
  for (int aSet = 0; aSet < 2; ++aSet)
  {
    for (const Cell& aCell : aSets[aSet])
    {
      for (int anAxis = 0; anAxis < 3; ++anAxis)
      {
        aBox[aSet][anAxis]     = std::min(aBox[aSet][anAxis], aCell[anAxis]);
        aBox[aSet][anAxis + 3] = std::max(aBox[aSet][anAxis + 3], aCell[anAxis] + aCell[3]);
      }
      for (int aVoxel = 0; aVoxel < aCell[3] * aCell[3] * aCell[3]; ++aVoxel)
      {
        const int anX = aCell[0] + 1 + aVoxel % aCell[3], aY = aCell[1] + 1 + aVoxel / aCell[3] % aCell[3];
        int&      aCount = aModel[size_t((anX * N + aY) * N + aCell[2] + 1 + aVoxel / aCell[3] / aCell[3])];
        EXPECT_EQ(aSet == 0 ? ++aCount : aCount, 1) << (aSet == 0 ? "overlapping cells" : "lost cell");
      }
    }
  }
  EXPECT_TRUE(std::equal(aBox[0], aBox[0] + 6, aBox[1])) << "fillers beyond the box of the cells";
  EXPECT_TRUE(anAlgo.ConvertIntoTriangles());
  if (anAlgo.Result()->NbFaces() == 0)
  {
    return "";
  }
  const Handle(Poly_Triangulation)    aSkin  = triangulated(anAlgo.Result());
  const PelliskTest_MeshCheck::Result aCheck = PelliskTest_MeshCheck::Check(aSkin);
  EXPECT_TRUE(aCheck.IsValid()) << aCheck.Summary();
  // Flood the empty space from a corner of the model, marking it -1. The
  // model's outer layers are empty, so steps that wrap around a row join empty voxels only.
  size_t aNbIn = aModel.size() - 1, aNbFaces = 0;
  aModel[0] = -1;
  for (std::vector<size_t> aFront = {0}; !aFront.empty() && !theIsInner;)
  {
    const size_t aVoxel = aFront.back();
    aFront.pop_back();
    for (const int aStep : {-N * N, N * N, -N, N, -1, 1})
    {
      const size_t aNext = aVoxel + size_t(aStep);
      aNbFaces += aNext < aModel.size() && aModel[aNext] > 0 ? 1 : 0;
      if (aNext < aModel.size() && aModel[aNext] == 0)
      {
        aModel[aNext] = -1;
        --aNbIn;
        aFront.push_back(aNext);
      }
    }
  }
  double anArea = 0.0;
  for (const std::array<int, 3>& aTriangle : PelliskTest_Meshes::Triangles(aSkin))
  {
    anArea += gp_Vec(aSkin->Node(aTriangle[0]), aSkin->Node(aTriangle[1]))
                  .Crossed(gp_Vec(aSkin->Node(aTriangle[0]), aSkin->Node(aTriangle[2])))
                  .Magnitude();
  }
  EXPECT_TRUE(theIsInner || (std::abs(aCheck.Volume - double(aNbIn)) < 1e-6 &&
                             std::abs(anArea / 2.0 - double(aNbFaces)) < 1e-6))
      << "volume " << aCheck.Volume << " and area " << anArea / 2.0 << " of the skin; the model's " << aNbIn
      << " and " << aNbFaces;
  char aCounts[100];
  std::snprintf(aCounts, sizeof(aCounts), "%zu %d %d %d %.12g", anAlgo.myCreatedNodes.size(),
                anAlgo.Result()->NbFaces(), anAlgo.Result()->NbNodes(), aCheck.NbShells, aCheck.Volume);
  return aCounts;
}

// The unit cells of [0, 8]^3 whose layer (distance to the outside of that cube) is listed.
std::vector<Cell> layers(const std::vector<int>& theLayers)
{
  std::vector<Cell> aCells;
  for (int aCell = 0; aCell < 512; ++aCell)
  {
    const int aX = aCell % 8, aY = aCell / 8 % 8, aZ = aCell / 64;
    if (std::count(theLayers.begin(), theLayers.end(), std::min({aX, aY, aZ, 7 - aX, 7 - aY, 7 - aZ})) != 0)
    {
      aCells.push_back({aX, aY, aZ, 1});
    }
  }
  return aCells;
}
} // namespace

TEST(Algo_CartesianWrappingTest, SmallConfigurationsGiveTheirExactSkins)
{
  std::vector<Cell> aChains; // edge contacts, corner contacts, two columns diagonal across one edge
  for (int aStep = 0; aStep < 6; ++aStep)
  {
    aChains.insert(aChains.end(), {{aStep, aStep, 0, 1}, {aStep, aStep, 8 + aStep, 1}});
  }
  for (int aZ = 0; aZ < 4; ++aZ)
  {
    aChains.insert(aChains.end(), {{10, 10, aZ, 1}, {11, 11, aZ, 1}});
  }
  const std::vector<Cell> aPinched = {{2, 1, 1, 1}, {1, 2, 1, 1}, {2, 2, 1, 1},
                                      {1, 1, 2, 1}, {2, 1, 2, 1}, {1, 2, 2, 1}};
  // Name, cells, inner skin; fillers created, faces, nodes, shells and volume
  // of the skin, or nothing when these depend on which fillers the rule picks.
  const std::vector<std::tuple<std::string, std::vector<Cell>, bool, std::string>> aCases = {
      {"single cell", {{1, 2, 0, 1}}, false, "0 6 8 1 1"},
      {"two face neighbours", {{1, 1, 1, 1}, {1, 2, 1, 1}}, false, "0 10 12 1 2"},
      {"half-size face neighbour", {{0, 0, 0, 2}, {2, 0, 0, 1}}, false, "0 11 15 1 9"},
      {"smaller edge neighbour", {{0, 0, 0, 2}, {2, 2, 0, 1}}, false, "2 18 23 1 11"},
      {"edge", {{1, 1, 1, 1}, {2, 2, 1, 1}}, false, "2 16 18 1 4"},
      {"corner", {{1, 1, 1, 1}, {2, 2, 2, 1}}, false, "6 24 26 1 8"},
      {"smaller corner neighbour", {{0, 0, 0, 2}, {2, 2, 2, 1}}, false, "6 27 32 1 15"},
      {"edge of equal large cells", {{0, 0, 0, 2}, {2, 2, 0, 2}}, false, "2 16 18 1 32"},
      {"empty octants at a corner", aPinched, false, "2 24 26 1 8"},
      {"much larger than a neighbour", {{0, 0, 0, 8}, {8, 0, 0, 1}}, false, "16 38 45 1 513"},
      {"diagonal chains", aChains, false, "48 192 198 3 68"},
      {"far apart", {{1, 1, 1, 1}, {12, 12, 12, 2}}, false, "0 12 16 2 9"},
      // Either bridge of the large cells meets a small cell diagonally along a quarter
      // of an edge, off the bridge's corners: only the small cell sees it, and must look again.
      {"beside the bridges", {{4, 4, 4, 4}, {8, 8, 4, 4}, {12, 3, 5, 1}, {3, 12, 5, 1}}, false, ""},
      {"hollow cube", layers({1, 2}), false, "0 216 218 1 216"},
      {"inside the hollow cube", layers({1, 2}), true, "0 24 26 1 8"},
      {"nested hollow cubes", layers({0, 2}), false, "0 384 386 1 512"},
      // The inner skin of the outer cube and the outer skin of the inner one.
      {"between nested hollow cubes", layers({0, 2}), true, "0 312 316 2 152"}};
  for (const auto& [aName, aCells, isInner, aCounts] : aCases)
  {
    SCOPED_TRACE(aName);
    const std::string aSkin = checkCells(aCells, isInner, 1);
    EXPECT_TRUE(aCounts.empty() ? !aSkin.empty() : aSkin == aCounts)
        << "fillers faces nodes shells volume: " << aSkin;
  }
}

TEST(Algo_CartesianWrappingTest, RandomCellsGiveValidSkinsOfTheirUnion)
{
  // Dense clouds have cavities; sparse ones often several objects, where the
  // next skin inside may be another object's outer skin.
  int aNbInnerSkins = 0;
  for (unsigned int aSeed = 1; aSeed <= 40; ++aSeed)
  {
    SCOPED_TRACE("seed " + std::to_string(aSeed));
    const unsigned int aNbThreads = 1 + aSeed % 2;
    checkCells(randomCells(3, 0.05 + 0.6 * (aSeed % 10) / 10.0, 1.0, aSeed), false, aNbThreads);
    checkCells(randomCells(4, 0.1 + 0.5 * (aSeed % 7) / 7.0, 0.55, aSeed), false, aNbThreads);
    const std::vector<Cell> aDense =
        randomCells(3 + aSeed % 2, 0.3 + 0.6 * (aSeed % 10) / 10.0, aSeed % 3 == 0 ? 0.6 : 1.0, aSeed);
    aNbInnerSkins += checkCells(aDense, true, aNbThreads).empty() ? 0 : 1;
  }
  EXPECT_GT(aNbInnerSkins, 20);
}

namespace
{
// A notifier that records the scopes opened and cancels when BreakScope opens.
struct RecordingNotifier : public Pelk_ProgressNotifier
{
  RecordingNotifier()
      : Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str())
  {
  }

  bool NewScope(const TCollection_AsciiString& theName, double theMin, double theMax, double theStep) override
  {
    const std::string aName = theName.ToCString();
    char              aLine[200];
    std::snprintf(aLine, sizeof(aLine), "%s %g %g %g; ", aName.substr(aName.find("::") + 2).c_str(), theMin,
                  theMax, theStep);
    Scopes += aLine;
    if (BreakScope == aName)
    {
      Cancel();
    }
    return Pelk_ProgressNotifier::NewScope(theName, theMin, theMax, theStep);
  }

  std::string Scopes, BreakScope; // "name min max step; " with the name after "::"; a full name
};
} // namespace

TEST(Algo_CartesianWrappingTest, ReportsProgressAndFailsWithoutCellsOrOnUserBreak)
{
  const Handle(RecordingNotifier) aNotifier = new RecordingNotifier();
  Wrapping                        anAlgo({{0, 0, 0, 1}, {1, 1, 0, 1}}, aNotifier);
  ASSERT_TRUE(anAlgo.Perform());
  // Two fillers (Clear steps over them), one shell; two joint passes, one split pass.
  EXPECT_EQ(aNotifier->Scopes,
            "ExtactNodes 0 0.02 0.02; CheckJoints 0 0.08 0.08; CheckJointsCycle 0 0.83 0.0754545; "
            "ConvertAdaptiveness 0 0.06 0.015; ConvertIntoTriangles 0 0.09 0.015; "
            "BuildSmallMeshes 0 0.1 0.0333333; ConvertIntoTrianglesCycle 0 0.07 0.035; "
            "Clear 0 0.02 0.00666667; ");
  // Every scope was closed: the four top-level ones fill 0.21 of the whole run.
  EXPECT_NEAR(aNotifier->GetPosition(), 0.21, 1e-12);
  EXPECT_FALSE(Algo_CartesianWrapping(Pelk_DummyProgressNotifier::Instance()).Perform()); // no tree
  Wrapping anEmpty({});
  EXPECT_FALSE(anEmpty.Perform());
  ASSERT_FALSE(anEmpty.Result().IsNull());
  EXPECT_EQ(anEmpty.Result()->NbFaces(), 0);
  // A break while closing the joints stops before the skin. A second run on
  // the cancelled notifier fails as well, and the fillers of both runs are
  // released (checked by the sanitizer build).
  const Handle(RecordingNotifier) aBreaking = new RecordingNotifier();
  aBreaking->BreakScope                     = "Algo_CartesianWrapping::CheckJointsCycle";
  Wrapping aBroken({{0, 0, 0, 1}, {1, 1, 1, 1}}, aBreaking);
  EXPECT_FALSE(aBroken.Perform());
  EXPECT_TRUE(aBroken.Result().IsNull());
  EXPECT_EQ(aBreaking->Scopes.find("ConvertIntoTriangles"), std::string::npos);
  EXPECT_FALSE(aBroken.Perform());
}

namespace
{
// The skin of the mesh through the facade: minimum-size voxelization with
// cells of 1 / theDivisions of the bounding cube, then Cartesian wrapping.
Handle(HalfEdge_Mesh)
wrapMesh(const Handle(Poly_Triangulation)& theMesh, int theDivisions, bool theIsInner, int theNbThreads)
{
  const Bnd_Box                 aCube = Algo_Voxelization::BoundingCube(theMesh);
  Pelk_API                      anAPI;
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(anAPI.Notifier());
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
  aSettings->SetTessellationAlgorithm("Algo_CartesianWrapping");
  aSettings->SetNbThreads(theNbThreads);
  aSettings->SetInnerMode(theIsInner);
  aSettings->SetCellSize((aCube.CornerMax().X() - aCube.CornerMin().X()) / theDivisions);
  anAPI.SetDirtyMesh(theMesh);
  EXPECT_TRUE(anAPI.PerformWrapping(aSettings));
  return anAPI.GetResultMesh();
}

Handle(Poly_Triangulation) readMesh(const std::string& theName)
{
  Pelk_API anAPI;
  EXPECT_TRUE(anAPI.ImportSTL(PelliskTest_Data::File(theName).c_str()));
  return anAPI.DirtyMesh();
}
} // namespace

TEST(Algo_CartesianWrappingTest, RealMeshesAndDirtySoupsGiveValidSkinsThatEncloseThem)
{
  const std::vector<std::tuple<std::string, Handle(Poly_Triangulation), std::vector<int>>> aCases = {
      {"teapot", readMesh("teapot_utah.stl"), {32, 128}},
      {"spider", readMesh("spider_assimp.stl"), {32, 128}},
      {"max export", readMesh("maxexport_assimp.stl"), {32, 128, 256}},
      {"boeing", readMesh("boeing_cgal.stl"), {32, 128}},
      {"overlapping boxes", PelliskTest_Meshes::OverlappingBoxes(), {32, 128, 256}},
      {"holed sphere with shifted patch", PelliskTest_Meshes::HoledSphereWithShiftedPatch(), {32, 128, 256}},
      {"plate in loose pieces", PelliskTest_Meshes::PlateInPieces(), {32, 128, 256}},
      {"far-apart objects", PelliskTest_Meshes::FarApartObjects(), {32, 128, 256}},
      {"hollow box", PelliskTest_Meshes::HollowBox(), {32, 128}}};
  for (const auto& [aName, aMesh, aDivisions] : aCases)
  {
    for (const int aDivision : aDivisions)
    {
      SCOPED_TRACE(aName + " at 1/" + std::to_string(aDivision));
      // Only the corners of the triangles: nodes left in holes belong to no surface and are not wrapped.
      EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(triangulated(wrapMesh(aMesh, aDivision, false, 2)),
                                                     PelliskTest_Meshes::Soup(aMesh)));
    }
  }
}

TEST(Algo_CartesianWrappingTest, OneAndTwoThreadsGiveIdenticalSkins)
{
  for (const auto& [aMesh, isInner] : {std::make_pair(readMesh("spider_assimp.stl"), false),
                                       std::make_pair(PelliskTest_Meshes::HollowBox(), true)})
  {
    const Handle(Poly_Triangulation) aSkin   = triangulated(wrapMesh(aMesh, isInner ? 64 : 128, isInner, 1)),
                                     anOther = triangulated(wrapMesh(aMesh, isInner ? 64 : 128, isInner, 2));
    const std::vector<gp_Pnt> aNodes         = PelliskTest_Meshes::Nodes(aSkin),
                              anOtherNodes   = PelliskTest_Meshes::Nodes(anOther);
    EXPECT_EQ(PelliskTest_Meshes::Triangles(aSkin), PelliskTest_Meshes::Triangles(anOther));
    EXPECT_TRUE(std::equal(aNodes.begin(), aNodes.end(), anOtherNodes.begin(), anOtherNodes.end(),
                           [](const gp_Pnt& theP, const gp_Pnt& theQ) { return theP.IsEqual(theQ, 0.0); }));
    // Walls from |x| = 0.5 to 1, with a layer of boundary cells on each side: the inner
    // skin wraps them from inside, enclosing less than their volume of 7, more than 7 / 2.
    const PelliskTest_MeshCheck::Result aCheck = PelliskTest_MeshCheck::Check(aSkin);
    EXPECT_TRUE(!isInner ||
                (aCheck.IsValid() && aCheck.NbShells == 2 && aCheck.Volume > 3.5 && aCheck.Volume < 7.0))
        << aCheck.Summary() << aCheck.NbShells << " shells, volume " << aCheck.Volume;
  }
}

namespace
{
// A turn by multiples of 90 degrees (axes permuted with signs, determinant 1),
// a power-of-two scale and a dyadic shift: exact on single-precision input; none by default.
struct Move
{
  std::string Name;
  int         Axis[3] = {0, 1, 2}, Sign[3] = {1, 1, 1};
  double      Scale = 1.0;
  gp_XYZ      Shift;

  gp_XYZ operator()(const gp_XYZ& theP) const
  {
    const gp_XYZ aTurned(Sign[0] * theP.Coord(Axis[0] + 1), Sign[1] * theP.Coord(Axis[1] + 1),
                         Sign[2] * theP.Coord(Axis[2] + 1));
    return aTurned * Scale + Shift;
  }
};

using Cycle = std::vector<std::array<double, 3>>; // lattice points

// The faces of the wrap moved by theMove, each as the cycle of its corners on
// the lattice of the cells of 1/128 of theCube, from the least corner.
std::set<Cycle> faces(const Handle(HalfEdge_Mesh)& theWrap, const Move& theMove, const Bnd_Box& theCube)
{
  const double    aCell = (theCube.CornerMax().X() - theCube.CornerMin().X()) / 128.0;
  std::set<Cycle> aFaces;
  for (int aFace = 0; aFace < theWrap->NbFaces(); ++aFace)
  {
    std::list<int> aCorners;
    theWrap->Face(aFace, aCorners);
    Cycle aCycle;
    for (const int aCorner : aCorners)
    {
      const gp_XYZ aPlace = (theMove(theWrap->Node(aCorner).XYZ()) - theCube.CornerMin().XYZ()) / aCell;
      const gp_XYZ aNode(std::round(aPlace.X()), std::round(aPlace.Y()), std::round(aPlace.Z()));
      EXPECT_TRUE(aPlace.IsEqual(aNode, 128 * 1e-9)) << "off the lattice";
      aCycle.push_back({aNode.X(), aNode.Y(), aNode.Z()});
    }
    std::rotate(aCycle.begin(), std::min_element(aCycle.begin(), aCycle.end()), aCycle.end());
    aFaces.insert(aCycle);
  }
  EXPECT_EQ(aFaces.size(), size_t(theWrap->NbFaces())) << "repeated faces";
  return aFaces;
}
} // namespace

// The wrap of the mesh moved each way must be the wrap of the mesh moved the same way.
TEST(Algo_CartesianWrappingTest, MovedMeshGivesTheSameWrapMovedTheSameWay)
{
  const std::vector<Move> aMoves = {
      {"shift", {0, 1, 2}, {1, 1, 1}, 1.0, gp_XYZ(16, -0.375, 3.25)},
      {"scale", {0, 1, 2}, {1, 1, 1}, 4.0, gp_XYZ(-0.375, 0, 0)},
      {"quarter turn about Z", {1, 0, 2}, {-1, 1, 1}, 1.0, gp_XYZ(0, 16, -0.375)},
      {"third turn about a diagonal", {2, 0, 1}, {-1, -1, 1}, 0.5, gp_XYZ(-0.375, 16, 48)}};
  for (const char* aName : {"boeing_cgal.stl", "teapot_utah.stl"})
  {
    const Handle(Poly_Triangulation) aMesh = readMesh(aName);
    const Handle(HalfEdge_Mesh)      aWrap = wrapMesh(aMesh, 128, false, 2);
    for (const Move& aMove : aMoves)
    {
      SCOPED_TRACE(std::string(aName) + " moved by " + aMove.Name);
      std::vector<gp_Pnt> aNodes;
      for (const gp_Pnt& aNode : PelliskTest_Meshes::Nodes(aMesh))
      {
        aNodes.emplace_back(aMove(aNode.XYZ()));
      }
      const Handle(Poly_Triangulation) aMoved =
          PelliskTest_Meshes::Make(aNodes, PelliskTest_Meshes::Triangles(aMesh));
      const Bnd_Box               aCube      = Algo_Voxelization::BoundingCube(aMoved);
      const Handle(HalfEdge_Mesh) aMovedWrap = wrapMesh(aMoved, 128, false, 2);
      EXPECT_EQ(aWrap->NbNodes(), aMovedWrap->NbNodes());
      EXPECT_TRUE(faces(aWrap, aMove, aCube) == faces(aMovedWrap, Move(), aCube));
    }
  }
}
