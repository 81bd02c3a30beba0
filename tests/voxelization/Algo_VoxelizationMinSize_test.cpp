#include <Algo_VoxelizationMinSize.hxx>
#include <CreateAlgorithm.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <PelliskTest_Data.hxx>
#include <SVO_Depth_Iterator.hxx>
#include <SVO_Node.hxx>
#include <SVO_Tree.hxx>
#include <Trivex_IntersectBoxMesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <tuple>

namespace
{
Handle(Poly_Triangulation) randomTriangles(int theNbTriangles, unsigned int theSeed)
{
  std::mt19937                           aRandom(theSeed);
  std::uniform_real_distribution<double> aCoord(0.05, 0.95);
  std::uniform_real_distribution<double> anOffset(-0.08, 0.08);
  Handle(Poly_Triangulation)             aMesh =
      new Poly_Triangulation(3 * theNbTriangles, theNbTriangles, Standard_False);
  for (int i = 0; i < theNbTriangles; ++i)
  {
    const gp_Pnt aCorner(aCoord(aRandom), aCoord(aRandom), aCoord(aRandom));
    aMesh->SetNode(3 * i + 1, aCorner);
    for (int k = 2; k <= 3; ++k)
    {
      aMesh->SetNode(3 * i + k,
                     aCorner.Translated(gp_Vec(anOffset(aRandom), anOffset(aRandom), anOffset(aRandom))));
    }
    aMesh->SetTriangle(i + 1, Poly_Triangle(3 * i + 1, 3 * i + 2, 3 * i + 3));
  }
  return aMesh;
}

Handle(Algo_VoxelizationMinSize)
voxelize(const Handle(Poly_Triangulation)& theMesh, double theEdge, double theCellSize)
{
  Handle(Algo_VoxelizationMinSize) anAlgo = new Algo_VoxelizationMinSize(
      new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str()));
  anAlgo->SetTriangulation(theMesh);
  anAlgo->SetBox(Bnd_Box(gp_Pnt(0, 0, 0), gp_Pnt(theEdge, theEdge, theEdge)));
  anAlgo->SetCellSize(theCellSize);
  anAlgo->SetNbThreads(2);
  EXPECT_TRUE(anAlgo->Perform());
  return anAlgo;
}

// Edges of the boundary leaves, and whether every boundary leaf is a leaf of state 3.
std::set<double> boundaryLeafEdges(const Handle(SVO_Tree)& theTree)
{
  std::set<double> anEdges;
  for (SVO_Depth_Iterator anIt(theTree); anIt.More(); anIt.Next())
  {
    const SVO_Node* aNode = anIt.Current();
    if (aNode->Children[0] == nullptr && aNode->State == 3)
    {
      anEdges.insert(aNode->BoxMax.X() - aNode->BoxMin.X());
    }
  }
  return anEdges;
}
} // namespace

TEST(Algo_VoxelizationMinSizeTest, LeavesAlongTheMeshHaveTheFirstEdgeBelowTwiceTheCellSize)
{
  const Handle(Poly_Triangulation) aMesh = randomTriangles(5, 7);
  // 10 -> 5 -> 2.5 -> 1.25: four levels along the mesh.
  EXPECT_EQ(boundaryLeafEdges(voxelize(aMesh, 10.0, 1.0)->GetTree()), std::set<double>{1.25});
  EXPECT_EQ(voxelize(aMesh, 10.0, 1.0)->GetTree()->Depth(), 4);
  // At equality the cell is split: 8 -> 4 -> 2.
  EXPECT_EQ(boundaryLeafEdges(voxelize(aMesh, 8.0, 2.0)->GetTree()), std::set<double>{2.0});
  // A root below twice the cell size is tested, marked and left alone.
  const Handle(SVO_Tree) aRootOnly = voxelize(aMesh, 1.0, 0.6)->GetTree();
  EXPECT_EQ(aRootOnly->NbNodes(), 1u);
  EXPECT_EQ(aRootOnly->Root()->State, 3);
}

TEST(Algo_VoxelizationMinSizeTest, FinestLeavesAreExactlyTheGridCellsTheMeshMeets)
{
  const Handle(Poly_Triangulation) aMesh    = randomTriangles(60, 11);
  const int                        aNbCells = 32;
  const Handle(SVO_Tree)           aTree    = voxelize(aMesh, 1.0, 1.0 / aNbCells)->GetTree();

  // Boundary leaves by grid position; split nodes that met the mesh keep state 3.
  std::set<std::tuple<int, int, int>> aLeaves;
  size_t                              aNbNodes = 0;
  for (SVO_Depth_Iterator anIt(aTree); anIt.More(); anIt.Next())
  {
    ++aNbNodes;
    const SVO_Node* aNode = anIt.Current();
    if (aNode->Children[0] != nullptr)
    {
      EXPECT_EQ(aNode->State, 3);
    }
    else if (aNode->State == 3)
    {
      ASSERT_NEAR(aNode->BoxMax.X() - aNode->BoxMin.X(), 1.0 / aNbCells, 1e-12);
      aLeaves.emplace(int(std::lround(aNode->BoxMin.X() * aNbCells)),
                      int(std::lround(aNode->BoxMin.Y() * aNbCells)),
                      int(std::lround(aNode->BoxMin.Z() * aNbCells)));
    }
    else
    {
      EXPECT_EQ(aNode->State, 0);
    }
  }
  EXPECT_EQ(aNbNodes, aTree->NbNodes());

  Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(aMesh);
  aSet->InitBuilder();
  aSet->Build();
  Trivex::IntersectBoxMesh            aQuery(aSet);
  std::set<std::tuple<int, int, int>> aMet;
  for (int i = 0; i < aNbCells; ++i)
  {
    for (int j = 0; j < aNbCells; ++j)
    {
      for (int k = 0; k < aNbCells; ++k)
      {
        const gp_Pnt aMin(double(i) / aNbCells, double(j) / aNbCells, double(k) / aNbCells);
        const gp_Pnt aMax(double(i + 1) / aNbCells, double(j + 1) / aNbCells, double(k + 1) / aNbCells);
        if (aQuery.Perform(Bnd_Box(aMin, aMax)))
        {
          aMet.emplace(i, j, k);
        }
      }
    }
  }
  EXPECT_GT(aMet.size(), 500u);
  EXPECT_EQ(aLeaves, aMet);
}

TEST(Algo_VoxelizationMinSizeTest, CreatedByItsClassName)
{
  const Handle(Algo_Voxelization) anAlgo =
      Handle(Algo_Voxelization)::DownCast(CreateAlgorithm("Algo_VoxelizationMinSize"));
  ASSERT_FALSE(anAlgo.IsNull());
  EXPECT_EQ(anAlgo->Name(), "Algo_VoxelizationMinSize");
  EXPECT_STREQ(anAlgo->DynamicType()->Name(), "Algo_VoxelizationMinSize");
  EXPECT_EQ(anAlgo->CellSize(), 2e100);
  EXPECT_TRUE(anAlgo->Box().IsVoid());
  // A fresh object every time.
  EXPECT_NE(CreateAlgorithm("Algo_VoxelizationMinSize"), CreateAlgorithm("Algo_VoxelizationMinSize"));
}
