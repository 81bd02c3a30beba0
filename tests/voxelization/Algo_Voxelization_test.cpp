#include <Algo_VoxelizationGSF.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Meshes.hxx>
#include <SVO_Breadth_Iterator.hxx>
#include <Trivex_IntersectBoxMesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

// The frame of every voxelization is tested through its simplest rule, Algo_VoxelizationMinSize.
namespace
{
Handle(Pelk_ProgressNotifier) newNotifier()
{
  return new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
}

// Triangles given by their corners, three nodes of their own each.
Handle(Poly_Triangulation) triangles(const std::vector<std::array<gp_Pnt, 3>>& theTriangles)
{
  const int                  aNb   = static_cast<int>(theTriangles.size());
  Handle(Poly_Triangulation) aMesh = new Poly_Triangulation(3 * aNb, aNb, Standard_False);
  for (int i = 0; i < 3 * aNb; ++i)
  {
    aMesh->SetNode(i + 1, theTriangles[size_t(i / 3)][size_t(i % 3)]);
    aMesh->SetTriangle(i / 3 + 1, Poly_Triangle(i / 3 * 3 + 1, i / 3 * 3 + 2, i / 3 * 3 + 3));
  }
  return aMesh;
}

Bnd_Box cube(const gp_XYZ& theMin, double theEdge)
{
  return Bnd_Box(gp_Pnt(theMin), gp_Pnt(theMin + gp_XYZ(theEdge, theEdge, theEdge)));
}

// Runs the voxelization; the tree is null when it fails.
Handle(SVO_Tree) treeOf(const Handle(Algo_Voxelization)&  theAlgo,
                        const Handle(Poly_Triangulation)& theMesh,
                        const Bnd_Box&                    theBox,
                        double                            theCellSize,
                        unsigned int                      theNbThreads = 2)
{
  theAlgo->SetTriangulation(theMesh);
  theAlgo->SetBox(theBox);
  theAlgo->SetCellSize(theCellSize);
  theAlgo->SetNbThreads(theNbThreads);
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

// Pairs of a boundary leaf and a leaf more than 2.01 times smaller that it touches.
int nbUnbalanced(const std::vector<NodeRow>& theNodes)
{
  int aNb = 0;
  for (const auto& [aX, aY, aZ, anEdge, aState, isSplit] : theNodes)
  {
    for (const auto& [bX, bY, bZ, bEdge, bState, isBSplit] : theNodes)
    {
      const bool isCandidate = !isSplit && !isBSplit && aState == SVO_Boundary && bEdge < anEdge / 2.01;
      aNb += int(isCandidate && std::max({bX - aX - anEdge, aX - bX - bEdge, bY - aY - anEdge,
                                          aY - bY - bEdge, bZ - aZ - anEdge, aZ - bZ - bEdge}) <= 1e-7);
    }
  }
  return aNb;
}
} // namespace

TEST(Algo_VoxelizationTest, FailingChecksLeaveTheirMessagesAndAMissingBoxBecomesTheBoundingCube)
{
  Handle(Poly_Triangulation) aNodesOnly = new Poly_Triangulation();
  aNodesOnly->ResizeNodes(3, Standard_False);
  const struct
  {
    Handle(Poly_Triangulation) Mesh;
    double                     CellSize;
    Bnd_Box                    Box;
    std::string                Keys;
  } aCases[] = {
      {nullptr, 0.0, Bnd_Box(gp_Pnt(0, 0, 0), gp_Pnt(10, 10, 10.0000002)),
       "Algo_Voxelization.NegativeOrNullCellSize Algo_Voxelization.NoMesh Algo_Voxelization.NonCubeBox "},
      // Nodes without triangles are no mesh; a negative size is no size.
      {aNodesOnly, -1.0, Bnd_Box(gp_Pnt(0, 0, 0), gp_Pnt(10, 10, 10.00000005)),
       "Algo_Voxelization.NegativeOrNullCellSize Algo_Voxelization.NoMesh "},
      // A warning only: the root is the cube centred on the mesh's bounding box.
      {triangles({{gp_Pnt(0, 0, 0), gp_Pnt(4, 2, 0), gp_Pnt(1, 0, 1)}}), 100.0, Bnd_Box(),
       "Algo_Voxelization.NoInputBox "}};
  Handle(SVO_Tree) aRoot;
  for (const auto& aCase : aCases)
  {
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
    EXPECT_EQ(anAlgo->GetTree().IsNull(), aTree.IsNull());
    EXPECT_EQ(anAlgo->GetTriangleSet().IsNull(), aTree.IsNull());
    aRoot = aTree;
  }
  // The root of the last case, tested but not split.
  ASSERT_EQ(aRoot->NbNodes(), 1u);
  EXPECT_TRUE(aRoot->Root()->BoxMin.IsEqual(gp_XYZ(0, -1, -1.5), 1e-12) &&
              aRoot->Root()->BoxMax.IsEqual(gp_XYZ(4, 3, 2.5), 1e-12));
}

TEST(Algo_VoxelizationTest, OneAndTwoThreadsBuildTheSameBalancedTree)
{
  const Handle(Poly_Triangulation) aMesh =
      RWStl::ReadFile(OSD_Path(PelliskTest_Data::File("teapot_utah.stl").c_str()));
  for (const bool isGSF : {false, true})
  {
    SCOPED_TRACE(isGSF ? "Algo_VoxelizationGSF" : "Algo_VoxelizationMinSize");
    std::vector<std::vector<NodeRow>> aTrees;
    for (const unsigned int aNbThreads : {1u, 2u})
    {
      // A cell size at which the level loop of Algo_VoxelizationGSF leaves some leaves
      // unbalanced; the teapot's bounding cube has edge 32.140625.
      const Handle(Algo_Voxelization) anAlgo =
          isGSF ? Handle(Algo_Voxelization)(new Algo_VoxelizationGSF(newNotifier()))
                : new Algo_VoxelizationMinSize(newNotifier());
      const Handle(SVO_Tree) aTree = treeOf(anAlgo, aMesh, Bnd_Box(), 32.140625 / 64, aNbThreads);
      aTrees.push_back(nodes(aTree));
      EXPECT_EQ(aTrees.back().size(), aTree->NbNodes()) << "every split adds eight nodes";
      EXPECT_EQ(nbUnbalanced(aTrees.back()), 0) << "no boundary leaf beside a much smaller one";
    }
    EXPECT_GT(aTrees[0].size(), 1000u);
    EXPECT_EQ(aTrees[0], aTrees[1]);
  }
}

TEST(Algo_VoxelizationMinSizeTest, BoundaryLeavesAreTheCellsOfTheFirstEdgeBelowTwiceTheCellSizeMeetingTheMesh)
{
  // A torus of radii 2 and 0.5 around the Z axis.
  const Handle(Poly_Triangulation) aMesh = PelliskTest_Meshes::Torus(16, 8);
  Handle(Trivex::TriangleSet)      aSet  = new Trivex::TriangleSet(aMesh);
  aSet->InitBuilder();
  aSet->Build();
  const struct
  {
    gp_XYZ Min;
    double Edge, CellSize, LeafEdge;
    int    Depth;
  } aCases[] = {{gp_XYZ(-5, -5, -5), 10.0, 1.0, 1.25, 4},  // 10 -> 5 -> 2.5 -> 1.25
                {gp_XYZ(-4, -4, -4), 8.0, 2.0, 2.0, 3},    // split at equality: 8 -> 4 -> 2
                {gp_XYZ(2, -0.5, -0.5), 1.0, 0.6, 1.0, 1}, // a root met and left alone
                {gp_XYZ(-3, -3, -3), 6.0, 0.1875, 0.1875, 6}};
  for (const auto& aCase : aCases)
  {
    const Handle(SVO_Tree) aTree = treeOf(new Algo_VoxelizationMinSize(newNotifier()), aMesh,
                                          cube(aCase.Min, aCase.Edge), aCase.CellSize);
    EXPECT_EQ(aTree->Depth(), aCase.Depth);
    // Boundary leaves by grid position; split nodes met the mesh too, other leaves not.
    std::set<std::array<long, 3>> aLeaves, aMet;
    for (const auto& [aX, aY, aZ, anEdge, aState, isSplit] : nodes(aTree))
    {
      EXPECT_EQ(aState, isSplit || aState == SVO_Boundary ? SVO_Boundary : SVO_Unclassified);
      if (!isSplit && aState == SVO_Boundary)
      {
        ASSERT_NEAR(anEdge, aCase.LeafEdge, 1e-12);
        const gp_XYZ aCell = (gp_XYZ(aX, aY, aZ) - aCase.Min) / aCase.LeafEdge;
        aLeaves.insert({std::lround(aCell.X()), std::lround(aCell.Y()), std::lround(aCell.Z())});
      }
    }
    const long aNb = std::lround(aCase.Edge / aCase.LeafEdge);
    for (long i = 0; i < aNb * aNb * aNb; ++i)
    {
      const std::array<long, 3> aCell = {i % aNb, i / aNb % aNb, i / aNb / aNb};
      const gp_XYZ              aMin =
          aCase.Min + aCase.LeafEdge * gp_XYZ(double(aCell[0]), double(aCell[1]), double(aCell[2]));
      if (Trivex::IntersectBoxMesh(aSet).Perform(cube(aMin, aCase.LeafEdge)))
      {
        aMet.insert(aCell);
      }
    }
    EXPECT_FALSE(aMet.empty());
    EXPECT_EQ(aLeaves, aMet);
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
  const gp_Pnt aFront(0, -30, 0), aBack(0, 30, 0);
  return triangles({{aFront, aBack, gp_Pnt(-30, 0, -aDrop)},
                    {theIsFlipped ? aFront : aBack, theIsFlipped ? aBack : aFront, gp_Pnt(30, 0, -aDrop)}});
}

// A huge triangle in z = 0 facing up through the cube [-4, 4]^3 with a tiny sheet facing
// up at height theGap over a far-away corner, so that its grid size is theGap while rays
// from near the cube meet nothing; with theLid > 0, a lid over the cube at that height,
// which those rays do meet.
Handle(Poly_Triangulation) floorWithGap(double theGap, double theLid)
{
  std::vector<std::array<gp_Pnt, 3>> aTriangles = {
      {gp_Pnt(-1000, -1000, 0), gp_Pnt(1000, -1000, 0), gp_Pnt(0, 1000, 0)},
      {gp_Pnt(-1002, -1001, theGap), gp_Pnt(-998, -1001, theGap), gp_Pnt(-1000, -998, theGap)},
      {gp_Pnt(-30, -30, theLid), gp_Pnt(0, 30, theLid), gp_Pnt(30, -30, theLid)}};
  aTriangles.resize(theLid > 0.0 ? 3 : 2);
  return triangles(aTriangles);
}
} // namespace

TEST(Algo_VoxelizationGSFTest, SplitsOnFeaturesAndNarrowGapsButNeverBelowTwiceTheCellSize)
{
  // Depth 1: the root of edge 8 is not split; 2: its children are not; 4: down to the cell size 1.
  const struct
  {
    Handle(Poly_Triangulation) Mesh;
    double                     CellSize, FeatureAngle;
    int                        Depth;
    double                     GridSize; // of the first triangle
  } aCases[] = {// Split where normals differ by more than the feature angle; opposite normals
                // describe the same plane: 175 degrees is a bend of 5, 165 one of 15.
                {roof(15, false), 1, 10, 4, 2e100},
                {roof(5, false), 1, 10, 1, 2e100},
                {roof(5, true), 1, 10, 1, 2e100},
                {roof(15, true), 1, 10, 4, 2e100},
                {roof(15, false), 1, 20, 1, 2e100},
                // Never below twice the cell size: edge 8 against cell size 4.5.
                {roof(40, false), 4.5, 10, 1, 2e100},
                {floorWithGap(0.5, 0), 4.5, 10, 1, 0.5},
                // Without a ray hit from the samples: split exactly when 2 x edge > gap.
                {floorWithGap(15.5, 0), 1, 10, 2, 15.5},
                {floorWithGap(16.5, 0), 1, 10, 1, 16.5},
                {floorWithGap(0.5, 0), 1, 10, 4, 0.5},
                // With a lid at distance 10 over the cube: split exactly when 4 x edge > gap + 10.
                {floorWithGap(21.5, 10), 1, 10, 2, 21.5},
                {floorWithGap(22.5, 10), 1, 10, 1, 22.5}};
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
