#include <Algo_VoxelizationGSF.hxx>
#include <CreateAlgorithm.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <PelliskTest_Data.hxx>
#include <SVO_Breadth_Iterator.hxx>
#include <SVO_Depth_Iterator.hxx>
#include <SVO_Node.hxx>
#include <SVO_Tree.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <vector>

namespace
{
using Triangle = std::array<gp_Pnt, 3>;

Handle(Poly_Triangulation) triangulation(const std::vector<Triangle>& theTriangles)
{
  const int                  aNbTriangles = static_cast<int>(theTriangles.size());
  Handle(Poly_Triangulation) aMesh = new Poly_Triangulation(3 * aNbTriangles, aNbTriangles, Standard_False);
  for (int i = 0; i < aNbTriangles; ++i)
  {
    for (int k = 0; k < 3; ++k)
    {
      aMesh->SetNode(3 * i + k + 1, theTriangles[static_cast<size_t>(i)][static_cast<size_t>(k)]);
    }
    aMesh->SetTriangle(i + 1, Poly_Triangle(3 * i + 1, 3 * i + 2, 3 * i + 3));
  }
  return aMesh;
}

// Records the tree as the level loop left it, before the balancing.
class RecordingGSF : public Algo_VoxelizationGSF
{
public:
  RecordingGSF()
      : Algo_VoxelizationGSF(
            new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str()))
  {
  }

  size_t NbNodesBefore      = 0;
  size_t NbInternalBefore   = 0;
  int    NbUnbalancedBefore = 0;

protected:
  void finalize() override;
};

size_t nbInternal(const Handle(SVO_Tree)& theTree)
{
  size_t aNb = 0;
  for (SVO_Depth_Iterator anIt(theTree); anIt.More(); anIt.Next())
  {
    aNb += anIt.Current()->Children[0] != nullptr ? 1 : 0;
  }
  return aNb;
}

double edgeOf(const SVO_Node* theNode)
{
  return theNode->BoxMax.X() - theNode->BoxMin.X();
}

bool touches(const SVO_Node* theA, const SVO_Node* theB)
{
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    if (theA->BoxMin.Coord(anAxis) > theB->BoxMax.Coord(anAxis) + 1e-7 ||
        theB->BoxMin.Coord(anAxis) > theA->BoxMax.Coord(anAxis) + 1e-7)
    {
      return false;
    }
  }
  return true;
}

// Boundary leaves at least 2.01 times the smallest leaf that touch a leaf more
// than 2.01 times smaller than themselves, found by comparing every pair.
int nbUnbalanced(const Handle(SVO_Tree)& theTree)
{
  std::vector<const SVO_Node*> aLeaves;
  double                       aSmallest = 2e100;
  for (SVO_Depth_Iterator anIt(theTree); anIt.More(); anIt.Next())
  {
    if (anIt.Current()->Children[0] == nullptr)
    {
      aLeaves.push_back(anIt.Current());
      aSmallest = std::min(aSmallest, edgeOf(anIt.Current()));
    }
  }
  int aNb = 0;
  for (const SVO_Node* aLeaf : aLeaves)
  {
    if (aLeaf->State != 3 || edgeOf(aLeaf) < 2.01 * aSmallest)
    {
      continue;
    }
    for (const SVO_Node* anOther : aLeaves)
    {
      if (edgeOf(anOther) < edgeOf(aLeaf) / 2.01 && touches(aLeaf, anOther))
      {
        ++aNb;
        break;
      }
    }
  }
  return aNb;
}

void RecordingGSF::finalize()
{
  NbNodesBefore      = myTree->NbNodes();
  NbInternalBefore   = nbInternal(myTree);
  NbUnbalancedBefore = nbUnbalanced(myTree);
  Algo_VoxelizationGSF::finalize();
}

Handle(RecordingGSF) voxelize(const Handle(Poly_Triangulation)& theMesh,
                              const Bnd_Box&                    theBox,
                              double                            theCellSize,
                              unsigned int                      theNbThreads    = 2,
                              double                            theFeatureAngle = 10.0)
{
  Handle(RecordingGSF) anAlgo = new RecordingGSF();
  anAlgo->SetTriangulation(theMesh);
  anAlgo->SetBox(theBox);
  anAlgo->SetCellSize(theCellSize);
  anAlgo->SetNbThreads(theNbThreads);
  anAlgo->SetFeatureAngle(theFeatureAngle);
  EXPECT_TRUE(anAlgo->Perform());
  return anAlgo;
}

const Bnd_Box THE_CUBE(gp_Pnt(-4, -4, -4), gp_Pnt(4, 4, 4));

// A roof over the cube whose two faces meet along the Y axis with normals
// theAngle degrees apart, both facing up and away from each other so that no
// normal ray meets the mesh; theIsFlipped turns the second face over.
Handle(Poly_Triangulation) roof(double theAngle, bool theIsFlipped)
{
  const double   aSlope = 30.0 * std::tan(theAngle / 2.0 * M_PI / 180.0);
  const Triangle aLeft  = {gp_Pnt(0, -30, 0), gp_Pnt(0, 30, 0), gp_Pnt(-30, 0, -aSlope)};
  Triangle       aRight = {gp_Pnt(0, 30, 0), gp_Pnt(0, -30, 0), gp_Pnt(30, 0, -aSlope)};
  if (theIsFlipped)
  {
    std::swap(aRight[0], aRight[1]);
  }
  return triangulation({aLeft, aRight});
}

bool isRootSplit(const Handle(RecordingGSF)& theAlgo)
{
  return theAlgo->GetTree()->Root()->Children[0] != nullptr;
}

// A huge triangle in z = 0 facing up through the cube, with tiny sheets facing
// up at height theGap over its far-away corners, so that its grid size is theGap
// while rays from near the cube meet nothing; with theLid > 0, a lid over
// the cube at that height, which those rays do meet.
Handle(Poly_Triangulation) floorWithGap(double theGap, double theLid)
{
  const std::vector<gp_Pnt> aCorners = {gp_Pnt(-1000, -1000, 0), gp_Pnt(1000, -1000, 0), gp_Pnt(0, 1000, 0)};
  std::vector<Triangle>     aTriangles = {{aCorners[0], aCorners[1], aCorners[2]}};
  for (const gp_Pnt& aCorner : aCorners)
  {
    const double aX = aCorner.X(), aY = aCorner.Y();
    aTriangles.push_back(
        {gp_Pnt(aX - 2, aY - 1, theGap), gp_Pnt(aX + 2, aY - 1, theGap), gp_Pnt(aX, aY + 2, theGap)});
  }
  if (theLid > 0.0)
  {
    aTriangles.push_back({gp_Pnt(-30, -30, theLid), gp_Pnt(0, 30, theLid), gp_Pnt(30, -30, theLid)});
  }
  return triangulation(aTriangles);
}

Handle(Poly_Triangulation) readMesh(const char* theName)
{
  return RWStl::ReadFile(OSD_Path(PelliskTest_Data::File(theName).c_str()));
}

Bnd_Box boundingCube(const Handle(Poly_Triangulation)& theMesh)
{
  Bnd_Box aBox;
  for (int i = 1; i <= theMesh->NbNodes(); ++i)
  {
    aBox.Add(theMesh->Node(i));
  }
  const gp_XYZ aCentre  = (aBox.CornerMin().XYZ() + aBox.CornerMax().XYZ()) / 2.0;
  const gp_XYZ anExtent = aBox.CornerMax().XYZ() - aBox.CornerMin().XYZ();
  const double aHalf    = std::max({anExtent.X(), anExtent.Y(), anExtent.Z()}) / 2.0 * 1.01;
  const gp_XYZ aHalfXYZ(aHalf, aHalf, aHalf);
  return Bnd_Box(gp_Pnt(aCentre - aHalfXYZ), gp_Pnt(aCentre + aHalfXYZ));
}

std::vector<std::tuple<double, double, double, double, double, double, int>>
breadthFirst(const Handle(SVO_Tree)& theTree)
{
  std::vector<std::tuple<double, double, double, double, double, double, int>> aNodes;
  for (SVO_Breadth_Iterator anIt(theTree); anIt.More(); anIt.Next())
  {
    const SVO_Node* aNode = anIt.Current();
    aNodes.emplace_back(aNode->BoxMin.X(), aNode->BoxMin.Y(), aNode->BoxMin.Z(), aNode->BoxMax.X(),
                        aNode->BoxMax.Y(), aNode->BoxMax.Z(), aNode->State);
  }
  return aNodes;
}
} // namespace

TEST(Algo_VoxelizationGSFTest, SplitsWhereNormalsDifferByMoreThanTheFeatureAngle)
{
  EXPECT_TRUE(isRootSplit(voxelize(roof(15.0, false), THE_CUBE, 1.0)));
  const Handle(RecordingGSF) aGentle = voxelize(roof(5.0, false), THE_CUBE, 1.0);
  EXPECT_FALSE(isRootSplit(aGentle));
  EXPECT_EQ(aGentle->GetTree()->Root()->State, 3);
  // Opposite normals describe the same plane: 175 degrees is a bend of 5, 165 one of 15.
  EXPECT_FALSE(isRootSplit(voxelize(roof(5.0, true), THE_CUBE, 1.0)));
  EXPECT_TRUE(isRootSplit(voxelize(roof(15.0, true), THE_CUBE, 1.0)));
  // The angle is the algorithm's setting.
  EXPECT_FALSE(isRootSplit(voxelize(roof(15.0, false), THE_CUBE, 1.0, 2, 20.0)));
  // Never below twice the cell size: edge 8 against cell size 4.5.
  const Handle(RecordingGSF) aCoarse = voxelize(roof(40.0, false), THE_CUBE, 4.5);
  EXPECT_FALSE(isRootSplit(aCoarse));
  EXPECT_EQ(aCoarse->GetTree()->NbNodes(), 1u);
}

TEST(Algo_VoxelizationGSFTest, SplitsWhenTheCellIsLargeAgainstTheGridSize)
{
  // Without a ray hit from the samples: split exactly when 2 x 8 > gap.
  const Handle(RecordingGSF) aNear = voxelize(floorWithGap(15.5, 0.0), THE_CUBE, 1.0);
  ASSERT_EQ(aNear->TriangleGridSize().size(), 4u);
  EXPECT_NEAR(aNear->TriangleGridSize()[0], 15.5, 1e-9);
  EXPECT_EQ(aNear->TriangleGridSize()[1], 2e100);
  EXPECT_TRUE(isRootSplit(aNear));
  EXPECT_FALSE(isRootSplit(voxelize(floorWithGap(16.5, 0.0), THE_CUBE, 1.0)));
  // With a lid at distance 10 over the cube: split exactly when 4 x 8 > gap + 10.
  EXPECT_TRUE(isRootSplit(voxelize(floorWithGap(21.5, 10.0), THE_CUBE, 1.0)));
  EXPECT_FALSE(isRootSplit(voxelize(floorWithGap(22.5, 10.0), THE_CUBE, 1.0)));
  // Never below twice the cell size, however thin.
  const Handle(RecordingGSF) aCoarse = voxelize(floorWithGap(0.5, 0.0), THE_CUBE, 4.5);
  EXPECT_FALSE(isRootSplit(aCoarse));
  EXPECT_EQ(aCoarse->GetTree()->Root()->State, 3);
  // Down to the cell size along a thin gap: the smallest boundary leaves have edge 1.
  const Handle(RecordingGSF) aThin     = voxelize(floorWithGap(0.5, 0.0), THE_CUBE, 1.0);
  double                     aSmallest = 2e100;
  for (SVO_Depth_Iterator anIt(aThin->GetTree()); anIt.More(); anIt.Next())
  {
    aSmallest = std::min(aSmallest, edgeOf(anIt.Current()));
  }
  EXPECT_DOUBLE_EQ(aSmallest, 1.0);
}

TEST(Algo_VoxelizationGSFTest, BalancingLeavesNoBoundaryLeafBesideAMuchSmallerOne)
{
  // Cell sizes at which the level loop leaves some leaves unbalanced.
  for (const auto& [aName, aDivisions] :
       {std::make_pair("teapot_utah.stl", 64.0), std::make_pair("spider_assimp.stl", 128.0)})
  {
    SCOPED_TRACE(aName);
    const Handle(Poly_Triangulation) aMesh = readMesh(aName);
    ASSERT_FALSE(aMesh.IsNull());
    const Bnd_Box              aBox   = boundingCube(aMesh);
    const double               anEdge = aBox.CornerMax().X() - aBox.CornerMin().X();
    const Handle(RecordingGSF) anAlgo = voxelize(aMesh, aBox, anEdge / aDivisions);
    const Handle(SVO_Tree)     aTree  = anAlgo->GetTree();
    // The level loop alone leaves the tree unbalanced, so the balancing has work to do.
    EXPECT_GT(anAlgo->NbUnbalancedBefore, 0);
    EXPECT_EQ(nbUnbalanced(aTree), 0);

    // Every balancing split adds eight nodes to the count.
    const size_t aNbSplits = nbInternal(aTree) - anAlgo->NbInternalBefore;
    EXPECT_GT(aNbSplits, 0u);
    EXPECT_EQ(aTree->NbNodes(), anAlgo->NbNodesBefore + 8 * aNbSplits);
    size_t aNbNodes = 0;
    for (SVO_Depth_Iterator anIt(aTree); anIt.More(); anIt.Next())
    {
      ++aNbNodes;
    }
    EXPECT_EQ(aNbNodes, aTree->NbNodes());
  }
}

TEST(Algo_VoxelizationGSFTest, OneAndTwoThreadsBuildTheSameTree)
{
  // A cell size at which the balancing splits about a hundred leaves.
  const Handle(Poly_Triangulation) aMesh     = readMesh("teapot_utah.stl");
  const Bnd_Box                    aBox      = boundingCube(aMesh);
  const double                     aCellSize = (aBox.CornerMax().X() - aBox.CornerMin().X()) / 128.0;
  const Handle(RecordingGSF)       anAlgoOne = voxelize(aMesh, aBox, aCellSize, 1);
  const Handle(SVO_Tree)           aOne      = anAlgoOne->GetTree();
  const Handle(SVO_Tree)           aTwo      = voxelize(aMesh, aBox, aCellSize, 2)->GetTree();
  EXPECT_EQ(aOne->NbNodes(), aTwo->NbNodes());
  EXPECT_EQ(aOne->Depth(), aTwo->Depth());
  EXPECT_GT(aOne->NbNodes(), anAlgoOne->NbNodesBefore);
  EXPECT_EQ(breadthFirst(aOne), breadthFirst(aTwo));
}

TEST(Algo_VoxelizationGSFTest, CreatedByItsClassName)
{
  const Handle(Algo_VoxelizationGSF) anAlgo =
      Handle(Algo_VoxelizationGSF)::DownCast(CreateAlgorithm("Algo_VoxelizationGSF"));
  ASSERT_FALSE(anAlgo.IsNull());
  EXPECT_EQ(anAlgo->Name(), "Algo_VoxelizationGSF");
  EXPECT_EQ(anAlgo->FeatureAngle(), 10.0);
  EXPECT_TRUE(anAlgo->TriangleGridSize().empty());
  EXPECT_EQ(anAlgo->CellSize(), 2e100);
  EXPECT_NE(CreateAlgorithm("Algo_VoxelizationGSF"), CreateAlgorithm("Algo_VoxelizationGSF"));
}
