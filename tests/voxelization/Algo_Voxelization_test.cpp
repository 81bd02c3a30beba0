#include <Algo_VoxelizationGSF.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Meshes.hxx>
#include <SVO_Breadth_Iterator.hxx>
#include <Trivex_IntersectBoxMesh.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

// The frame of every voxelization is tested through its simplest rule, Algo_VoxelizationMinSize.
namespace
{
using PelliskTest_Meshes::Make;

Handle(Pelk_ProgressNotifier) newNotifier()
{
  return new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
}

Bnd_Box cube(const gp_XYZ& theMin, double theEdge)
{
  return Bnd_Box(gp_Pnt(theMin), gp_Pnt(theMin + gp_XYZ(theEdge, theEdge, theEdge)));
}

// Runs the voxelization; the tree is null when it fails.
Handle(SVO_Tree) treeOf(const Handle(Algo_Voxelization)&  theAlgo,
                        const Handle(Poly_Triangulation)& theMesh,
                        const Bnd_Box&                    theBox,
                        double                            theCellSize)
{
  theAlgo->SetTriangulation(theMesh);
  theAlgo->SetBox(theBox);
  theAlgo->SetCellSize(theCellSize);
  return theAlgo->Perform() ? theAlgo->GetTree() : Handle(SVO_Tree)();
}

// Every node breadth-first: lower corner, edge, state, and whether it is split.
using NodeRow = std::tuple<double, double, double, double, int, bool>;
std::vector<NodeRow> nodes(const Handle(SVO_Tree)& theTree)
{
  std::vector<NodeRow> aNodes;
  for (SVO_Breadth_Iterator anIt(theTree); anIt.More(); anIt.Next())
  {
    const SVO_Node* aNode = anIt.Current();
    aNodes.emplace_back(aNode->BoxMin.X(), aNode->BoxMin.Y(), aNode->BoxMin.Z(),
                        aNode->BoxMax.X() - aNode->BoxMin.X(), aNode->State, aNode->Children[0] != nullptr);
  }
  return aNodes;
}

// Whether the node is a boundary leaf that a leaf more than 2.01 times smaller touches from outside.
bool isUnbalanced(const NodeRow& theNode, const std::vector<NodeRow>& theNodes)
{
  bool isFound                                      = false;
  const auto& [aX, aY, aZ, anEdge, aState, isSplit] = theNode;
  for (const auto& [bX, bY, bZ, bEdge, bState, isBSplit] : theNodes)
  {
    const double aGap = std::max({bX - aX - anEdge, aX - bX - bEdge, bY - aY - anEdge, aY - bY - bEdge,
                                  bZ - aZ - anEdge, aZ - bZ - bEdge});
    isFound           = isFound || (!isBSplit && bEdge < anEdge / 2.01 && std::abs(aGap) <= 1e-7);
  }
  return !isSplit && aState == SVO_Boundary && isFound;
}

// Keeps the tree the level loop leaves, before balancing.
struct RecordingGSF : Algo_VoxelizationGSF
{
  using Algo_VoxelizationGSF::Algo_VoxelizationGSF;
  void finalize() override
  {
    Unbalanced = nodes(myTree);
    Algo_VoxelizationGSF::finalize();
  }
  std::vector<NodeRow> Unbalanced;
};
} // namespace

TEST(Algo_VoxelizationMinSizeTest, InputChecksAndBoundaryLeavesAgainstTheGridCellsMeetingTheMesh)
{
  const Handle(Poly_Triangulation) aTorus     = PelliskTest_Meshes::Torus(16, 8);
  Handle(Poly_Triangulation)       aNodesOnly = new Poly_Triangulation();
  aNodesOnly->ResizeNodes(3, Standard_False);
  const struct
  {
    Handle(Poly_Triangulation) Mesh;
    Bnd_Box                    Box;
    double                     CellSize, LeafEdge;
    gp_XYZ                     Min;   // of the root
    int                        Depth; // 0 without a tree
    std::string                Keys;  // of the messages
  } aCases[] = {
      {nullptr, Bnd_Box(gp_Pnt(0, 0, 0), gp_Pnt(10, 10, 10.0000002)), 0.0, 0.0, gp_XYZ(), 0,
       "Algo_Voxelization.NegativeOrNullCellSize Algo_Voxelization.NoMesh Algo_Voxelization.NonCubeBox "},
      // Nodes without triangles are no mesh; a negative size is no size.
      {aNodesOnly, Bnd_Box(gp_Pnt(0, 0, 0), gp_Pnt(10, 10, 10.00000005)), -1.0, 0.0, gp_XYZ(), 0,
       "Algo_Voxelization.NegativeOrNullCellSize Algo_Voxelization.NoMesh "},
      // A warning only: the root is the cube centred on the mesh's bounding box, met and left alone.
      {Make({gp_Pnt(0, 0, 0), gp_Pnt(4, 2, 0), gp_Pnt(1, 0, 1)}, {{1, 2, 3}}), Bnd_Box(), 100.0, 4.0,
       gp_XYZ(0, -1, -1.5), 1, "Algo_Voxelization.NoInputBox "},
      // A torus of radii 2 and 0.5 around the Z axis. Edges 10 -> 5 -> 2.5 -> 1.25; split at
      // equality: 8 -> 4 -> 2; a root met and left alone.
      {aTorus, cube(gp_XYZ(-5, -5, -5), 10), 1.0, 1.25, gp_XYZ(-5, -5, -5), 4, ""},
      {aTorus, cube(gp_XYZ(-4, -4, -4), 8), 2.0, 2.0, gp_XYZ(-4, -4, -4), 3, ""},
      {aTorus, cube(gp_XYZ(2, -0.5, -0.5), 1), 0.6, 1.0, gp_XYZ(2, -0.5, -0.5), 1, ""},
      {aTorus, cube(gp_XYZ(-3, -3, -3), 6), 0.1875, 0.1875, gp_XYZ(-3, -3, -3), 6, ""}};
  for (const auto& aCase : aCases)
  {
    SCOPED_TRACE(&aCase - aCases);
    Handle(Pelk_ProgressNotifier)    aNotifier = newNotifier();
    Handle(Algo_VoxelizationMinSize) anAlgo    = new Algo_VoxelizationMinSize(aNotifier);
    const Handle(SVO_Tree)           aTree     = treeOf(anAlgo, aCase.Mesh, aCase.Box, aCase.CellSize);
    std::string                      aKeys;
    for (NCollection_List<Pelk_Message>::Iterator anIt(aNotifier->Messages()); anIt.More(); anIt.Next())
    {
      aKeys += std::string(anIt.Value().Key().ToCString()) + " ";
      EXPECT_EQ(anIt.Value().Severity(), aTree.IsNull() ? Pelk_Error : Pelk_Warning);
    }
    EXPECT_EQ(aKeys, aCase.Keys);
    EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 1) << "the checks keep the scopes balanced";
    ASSERT_EQ(aTree.IsNull(), aCase.Depth == 0);
    if (aTree.IsNull())
    {
      continue;
    }
    // With the depth and the edge of the leaves, the lower corner fixes the root. Boundary leaves
    // meet the mesh and are as many as the grid cells that do; split nodes met it too, other leaves not.
    EXPECT_EQ(aTree->Depth(), aCase.Depth);
    EXPECT_TRUE(aTree->Root()->BoxMin.IsEqual(aCase.Min, 1e-12));
    Trivex::IntersectBoxMesh aMeet(anAlgo->GetTriangleSet());
    int                      aNbLeaves = 0, aNbMet = 0;
    for (const auto& [aX, aY, aZ, anEdge, aState, isSplit] : nodes(aTree))
    {
      EXPECT_EQ(aState, isSplit || aState == SVO_Boundary ? SVO_Boundary : SVO_Unclassified);
      if (!isSplit && aState == SVO_Boundary)
      {
        ASSERT_NEAR(anEdge, aCase.LeafEdge, 1e-12);
        EXPECT_TRUE(aMeet.Perform(cube(gp_XYZ(aX, aY, aZ), anEdge)));
        ++aNbLeaves;
      }
    }
    for (long aNb = 1L << (aCase.Depth - 1), i = 0; i < aNb * aNb * aNb; ++i)
    {
      const gp_XYZ aCell(double(i % aNb), double(i / aNb % aNb), double(i / aNb / aNb));
      aNbMet += aMeet.Perform(cube(aCase.Min + aCase.LeafEdge * aCell, aCase.LeafEdge));
    }
    EXPECT_GT(aNbMet, 0);
    EXPECT_EQ(aNbLeaves, aNbMet);
  }
}

namespace
{
// A roof over the cube [-4, 4]^3 whose two faces meet along the Y axis with normals
// theAngle degrees apart, both facing up and away from each other so that no normal
// ray meets the mesh; theIsFlipped turns the second face over.
Handle(Poly_Triangulation) roof(double theAngle, bool theIsFlipped)
{
  const double aDrop = 30.0 * std::tan(theAngle / 2.0 * M_PI / 180.0);
  return Make({gp_Pnt(0, -30, 0), gp_Pnt(0, 30, 0), gp_Pnt(-30, 0, -aDrop), gp_Pnt(30, 0, -aDrop)},
              {{1, 2, 3}, theIsFlipped ? std::array<int, 3>{1, 2, 4} : std::array<int, 3>{2, 1, 4}});
}

// A huge triangle in z = 0 facing up through the cube [-4, 4]^3 with a tiny sheet facing
// up at height theGap over a far-away corner, so that its grid size is theGap while rays
// from near the cube meet nothing; with theLid > 0, a lid over the cube at that height,
// which those rays do meet.
Handle(Poly_Triangulation) floorWithGap(double theGap, double theLid)
{
  std::vector<std::array<int, 3>> aTriangles = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  aTriangles.resize(theLid > 0.0 ? 3 : 2);
  return Make({gp_Pnt(-1000, -1000, 0), gp_Pnt(1000, -1000, 0), gp_Pnt(0, 1000, 0),
               gp_Pnt(-1002, -1001, theGap), gp_Pnt(-998, -1001, theGap), gp_Pnt(-1000, -998, theGap),
               gp_Pnt(-30, -30, theLid), gp_Pnt(0, 30, theLid), gp_Pnt(30, -30, theLid)},
              aTriangles);
}
} // namespace

TEST(Algo_VoxelizationGSFTest, SplitsOnFeaturesAndNarrowGapsButNeverBelowTwiceTheCellSize)
{
  // Depth 1: the root of edge 8 is not split; 2: its children are not; 4: down to the cell size 1.
  const struct
  {
    Handle(Poly_Triangulation) Mesh;
    double                     CellSize, FeatureAngle, GridSize; // the grid size of the first triangle
    int                        Depth;
  } aCases[] = {// Split where normals differ by more than the feature angle; opposite normals
                // describe the same plane: 175 degrees is a bend of 5, 165 one of 15.
                {roof(15, false), 1, 10, 2e100, 4},
                {roof(5, false), 1, 10, 2e100, 1},
                {roof(5, true), 1, 10, 2e100, 1},
                {roof(15, true), 1, 10, 2e100, 4},
                {roof(15, false), 1, 20, 2e100, 1},
                // Never below twice the cell size: edge 8 against cell size 4.5.
                {roof(40, false), 4.5, 10, 2e100, 1},
                {floorWithGap(0.5, 0), 4.5, 10, 0.5, 1},
                // Without a ray hit from the samples: split exactly when 2 x edge > gap.
                {floorWithGap(15.5, 0), 1, 10, 15.5, 2},
                {floorWithGap(16.5, 0), 1, 10, 16.5, 1},
                {floorWithGap(0.5, 0), 1, 10, 0.5, 4},
                // With a lid at distance 10 over the cube: split exactly when 4 x edge > gap + 10.
                {floorWithGap(21.5, 10), 1, 10, 21.5, 2},
                {floorWithGap(22.5, 10), 1, 10, 22.5, 1}};
  for (const auto& aCase : aCases)
  {
    Handle(Algo_VoxelizationGSF) anAlgo = new Algo_VoxelizationGSF(newNotifier());
    anAlgo->SetFeatureAngle(aCase.FeatureAngle);
    const Handle(SVO_Tree) aTree = treeOf(anAlgo, aCase.Mesh, cube(gp_XYZ(-4, -4, -4), 8), aCase.CellSize);
    EXPECT_EQ(aTree->Depth(), aCase.Depth) << "case " << &aCase - aCases;
    EXPECT_EQ(aTree->Root()->State, SVO_Boundary);
    EXPECT_EQ(anAlgo->TriangleGridSize().front(), aCase.GridSize);
  }
}

TEST(Algo_VoxelizationGSFTest, OneAndTwoThreadsBuildTheSameTreeAndBalancingSplitsOnlyWhatItMust)
{
  const Handle(Poly_Triangulation) aMesh =
      RWStl::ReadFile(OSD_Path(PelliskTest_Data::File("teapot_utah.stl").c_str()));
  std::vector<std::vector<NodeRow>> aTrees;
  Handle(RecordingGSF)              aGSF;
  for (const unsigned int aNbThreads : {1u, 2u})
  {
    // The teapot's bounding cube has edge 32.140625.
    aGSF = new RecordingGSF(newNotifier());
    aGSF->SetNbThreads(aNbThreads);
    const Handle(SVO_Tree) aTree = treeOf(aGSF, aMesh, Bnd_Box(), 32.140625 / 64);
    aTrees.push_back(nodes(aTree));
    EXPECT_EQ(aTrees.back().size(), aTree->NbNodes()) << "every split adds eight nodes";
  }
  EXPECT_EQ(aTrees[0], aTrees[1]);
  // The level loop leaves boundary leaves beside much smaller leaves; balancing
  // splits them, and only them, until there are none.
  const std::set<NodeRow> aFinal(aTrees[1].begin(), aTrees[1].end());
  int                     aNbToSplit = 0;
  for (const NodeRow& aRow : aGSF->Unbalanced)
  {
    aNbToSplit += isUnbalanced(aRow, aGSF->Unbalanced) ? 1 : 0;
    EXPECT_TRUE(aFinal.count(aRow) != 0 || isUnbalanced(aRow, aTrees[1])) << "a needless split";
  }
  EXPECT_GT(aNbToSplit, 0);
  EXPECT_EQ(std::count_if(aTrees[1].begin(), aTrees[1].end(),
                          [&](const NodeRow& theRow) { return isUnbalanced(theRow, aTrees[1]); }),
            0);
}
