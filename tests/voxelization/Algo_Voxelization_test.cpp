#include <Algo_Voxelization.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <PelliskTest_Data.hxx>
#include <SVO_Breadth_Iterator.hxx>
#include <SVO_Node.hxx>
#include <SVO_Tree.hxx>
#include <Trivex_TriangleSet.hxx>

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace
{
// Splits every cell that holds one of the mesh's nodes, down to the cell size:
// a rule simple enough to predict, with uneven work per level.
class PointVoxelization : public Algo_Voxelization
{
public:
  explicit PointVoxelization(const Handle(Pelk_ProgressNotifier)& theNotifier)
      : Algo_Voxelization(theNotifier)
  {
  }
  std::string Name() const override { return "PointVoxelization"; }

  int              NbInit     = 0;
  int              NbFinalize = 0;
  std::atomic<int> NbSplitCalls{0};
  bool             FinalizeSawCounts = false;

protected:
  void init() override
  {
    ++NbInit;
    ComputeTriangleSet();
    myNotifier->NewScope("PointVoxelization::Levels", 0.0, 0.02, 0.002);
  }

  bool isSplit(SVO_Node* theNode) override
  {
    ++NbSplitCalls;
    if (theNode->BoxMax.X() - theNode->BoxMin.X() < 2.0 * myCellSize)
    {
      return false;
    }
    for (int aNode = 1; aNode <= myTriangulation->NbNodes(); ++aNode)
    {
      const SVO_Node aPoint(myTriangulation->Node(aNode).XYZ(), myTriangulation->Node(aNode).XYZ());
      if (theNode->IsConnected(&aPoint, 0.0))
      {
        theNode->State = 3;
        return true;
      }
    }
    return false;
  }

  void finalize() override
  {
    ++NbFinalize;
    FinalizeSawCounts = myTree->NbNodes() > 0 && myTree->Depth() > 0;
  }
};

Handle(Poly_Triangulation) triangle(const gp_Pnt& theA, const gp_Pnt& theB, const gp_Pnt& theC)
{
  Handle(Poly_Triangulation) aMesh = new Poly_Triangulation(3, 1, Standard_False);
  aMesh->SetNode(1, theA);
  aMesh->SetNode(2, theB);
  aMesh->SetNode(3, theC);
  aMesh->SetTriangle(1, Poly_Triangle(1, 2, 3));
  return aMesh;
}

Handle(Pelk_ProgressNotifier) newNotifier()
{
  return new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
}

std::vector<std::string> keys(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  std::vector<std::string> aKeys;
  for (NCollection_List<Pelk_Message>::Iterator anIt(theNotifier->Messages()); anIt.More(); anIt.Next())
  {
    aKeys.emplace_back(anIt.Value().Key().ToCString());
  }
  return aKeys;
}

Bnd_Box cube(double theSizeX, double theSizeY, double theSizeZ)
{
  return Bnd_Box(gp_Pnt(0, 0, 0), gp_Pnt(theSizeX, theSizeY, theSizeZ));
}
} // namespace

TEST(Algo_VoxelizationTest, EveryFailingCheckLeavesItsMessage)
{
  Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  PointVoxelization             anAlgo(aNotifier);
  anAlgo.SetCellSize(0.0);
  anAlgo.SetBox(cube(10, 10, 10.0000002));
  EXPECT_FALSE(anAlgo.Perform());
  EXPECT_EQ(keys(aNotifier),
            (std::vector<std::string>{"Algo_Voxelization.NegativeOrNullCellSize", "Algo_Voxelization.NoMesh",
                                      "Algo_Voxelization.NonCubeBox"}));
  EXPECT_TRUE(anAlgo.GetTree().IsNull());
  EXPECT_EQ(anAlgo.NbInit, 0);

  // Nodes without triangles are no mesh either; a negative size is no size.
  aNotifier->Clear();
  Handle(Poly_Triangulation) aNodesOnly = new Poly_Triangulation();
  aNodesOnly->ResizeNodes(3, Standard_False);
  anAlgo.SetTriangulation(aNodesOnly);
  anAlgo.SetCellSize(-1.0);
  anAlgo.SetBox(cube(10, 10, 10.00000005));
  EXPECT_FALSE(anAlgo.Perform());
  EXPECT_EQ(keys(aNotifier), (std::vector<std::string>{"Algo_Voxelization.NegativeOrNullCellSize",
                                                       "Algo_Voxelization.NoMesh"}));
  // The checks keep the notifier's scopes balanced.
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 1);
}

TEST(Algo_VoxelizationTest, MissingBoxBecomesTheCentredBoundingCube)
{
  Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  PointVoxelization             anAlgo(aNotifier);
  anAlgo.SetTriangulation(triangle(gp_Pnt(0, 0, 0), gp_Pnt(4, 2, 0), gp_Pnt(1, 0, 1)));
  anAlgo.SetCellSize(100.0);
  ASSERT_TRUE(anAlgo.Perform());
  EXPECT_EQ(keys(aNotifier), std::vector<std::string>{"Algo_Voxelization.NoInputBox"});
  EXPECT_EQ(aNotifier->Messages().First().Severity(), Pelk_Warning);
  const gp_Pnt aMin = anAlgo.Box().CornerMin();
  const gp_Pnt aMax = anAlgo.Box().CornerMax();
  EXPECT_TRUE(aMin.IsEqual(gp_Pnt(0, -1, -1.5), 1e-12));
  EXPECT_TRUE(aMax.IsEqual(gp_Pnt(4, 3, 2.5), 1e-12));
  EXPECT_TRUE(anAlgo.GetTree()->Root()->BoxMin.IsEqual(aMin.XYZ(), 1e-12));

  // The root is tested but not split: one node, one level.
  EXPECT_EQ(anAlgo.GetTree()->NbNodes(), 1u);
  EXPECT_EQ(anAlgo.GetTree()->Depth(), 1);
  EXPECT_EQ(anAlgo.NbSplitCalls.load(), 1);
  EXPECT_EQ(anAlgo.NbInit, 1);
  EXPECT_EQ(anAlgo.NbFinalize, 1);
  EXPECT_TRUE(anAlgo.FinalizeSawCounts);
  EXPECT_FALSE(anAlgo.GetTriangleSet().IsNull());
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 1);
}

TEST(Algo_VoxelizationTest, OnlyTheRootSplitGivesNineNodesOnTwoLevels)
{
  PointVoxelization anAlgo(newNotifier());
  anAlgo.SetTriangulation(triangle(gp_Pnt(1, 1, 1), gp_Pnt(1.5, 1, 1), gp_Pnt(1, 1.5, 1)));
  anAlgo.SetBox(cube(8, 8, 8));
  anAlgo.SetCellSize(3.0);
  ASSERT_TRUE(anAlgo.Perform());
  EXPECT_EQ(anAlgo.GetTree()->NbNodes(), 9u);
  EXPECT_EQ(anAlgo.GetTree()->Depth(), 2);
  EXPECT_EQ(anAlgo.NbSplitCalls.load(), 9);
  EXPECT_EQ(anAlgo.GetTree()->Root()->State, 3);
}

TEST(Algo_VoxelizationTest, TreeDoesNotDependOnTheThreadCount)
{
  // Nodes spread over the cube so that levels hold many cells to split.
  const int                  aNbPoints = 40;
  Handle(Poly_Triangulation) aMesh     = new Poly_Triangulation(aNbPoints, aNbPoints / 3, Standard_False);
  for (int i = 1; i <= aNbPoints; ++i)
  {
    aMesh->SetNode(i,
                   gp_Pnt(std::fmod(i * 0.618, 1.0), std::fmod(i * 0.414, 1.0), std::fmod(i * 0.732, 1.0)));
  }
  for (int i = 1; i <= aNbPoints / 3; ++i)
  {
    aMesh->SetTriangle(i, Poly_Triangle(3 * i - 2, 3 * i - 1, 3 * i));
  }

  std::vector<std::vector<double>> aTrees;
  for (unsigned int aNbThreads : {1u, 2u})
  {
    PointVoxelization anAlgo(newNotifier());
    anAlgo.SetTriangulation(aMesh);
    anAlgo.SetBox(cube(1, 1, 1));
    anAlgo.SetCellSize(1.0 / 64);
    anAlgo.SetNbThreads(aNbThreads);
    ASSERT_TRUE(anAlgo.Perform());
    std::vector<double> aWalk = {double(anAlgo.GetTree()->NbNodes()), double(anAlgo.GetTree()->Depth())};
    for (SVO_Breadth_Iterator anIt(anAlgo.GetTree()); anIt.More(); anIt.Next())
    {
      const SVO_Node* aNode = anIt.Current();
      aWalk.insert(aWalk.end(), {aNode->BoxMin.X(), aNode->BoxMin.Y(), aNode->BoxMin.Z(), aNode->BoxMax.X(),
                                 double(aNode->State)});
    }
    aTrees.push_back(aWalk);
  }
  EXPECT_GT(aTrees[0][0], 1000.0);
  EXPECT_EQ(aTrees[0], aTrees[1]);
}
