#include <Algo_CartesianWrapping.hxx>

#include <Algo_TriangulatePolygon3d.hxx>
#include <CreateAlgorithm.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <Pelk_WrappingSettings.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <SVO_NodeState.hxx>
#include <SVO_Tree.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <list>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace
{
// Octrees over [0, 2^levels]^3 whose boundary leaves are chosen by the tests,
// so that every cell has integer bounds.
class CellTree
{
public:
  explicit CellTree(int theLevels)
      : myTree(new SVO_Tree()),
        mySize(1 << theLevels)
  {
    myTree->Root()->BoxMin = gp_XYZ(0, 0, 0);
    myTree->Root()->BoxMax = gp_XYZ(mySize, mySize, mySize);
  }

  // Marks the cell of the given edge at the given lower corner as boundary,
  // splitting the leaves above it.
  void Mark(int theX, int theY, int theZ, int theExtent = 1)
  {
    SVO_Node*    aNode = myTree->Root();
    const gp_XYZ aCorner(theX, theY, theZ);
    while (aNode->BoxMax.X() - aNode->BoxMin.X() > theExtent)
    {
      if (aNode->Children[0] == nullptr)
      {
        for (int aChild = 0; aChild < 8; ++aChild)
        {
          aNode->Children[aChild] = new SVO_Node(aNode, aChild);
        }
      }
      const gp_XYZ aCentre = (aNode->BoxMin + aNode->BoxMax) / 2.0;
      aNode = aNode->Children[(aCorner.X() >= aCentre.X() ? 1 : 0) + (aCorner.Y() >= aCentre.Y() ? 2 : 0) +
                              (aCorner.Z() >= aCentre.Z() ? 4 : 0)];
    }
    aNode->State = SVO_Boundary;
  }

  const Handle(SVO_Tree)& Tree() const { return myTree; }
  int                     Size() const { return mySize; }

private:
  Handle(SVO_Tree) myTree;
  int              mySize;
};

// Gives the tests the steps of the algorithm.
class SteppedWrapping : public Algo_CartesianWrapping
{
public:
  explicit SteppedWrapping(
      const Handle(Pelk_ProgressNotifier)& theNotifier = Pelk_DummyProgressNotifier::Instance())
      : Algo_CartesianWrapping(theNotifier)
  {
  }

  // Extracts the boundary cells and prepares them (without filler cells
  // unless theWithJoints); the cells as boxes.
  std::vector<std::array<double, 6>> PrepareCells(bool theWithJoints = true)
  {
    ExtactNodes();
    if (theWithJoints)
    {
      CheckJoints();
    }
    else
    {
      ConvertAdaptiveness();
    }
    std::vector<std::array<double, 6>> aBoxes;
    for (const SVO_Node* aNode : myNodes)
    {
      aBoxes.push_back({aNode->BoxMin.X(), aNode->BoxMin.Y(), aNode->BoxMin.Z(), aNode->BoxMax.X(),
                        aNode->BoxMax.Y(), aNode->BoxMax.Z()});
    }
    return aBoxes;
  }

  std::vector<SmallMesh> SmallMeshes()
  {
    std::vector<SmallMesh> aMeshes;
    BuildSmallMeshes(aMeshes);
    return aMeshes;
  }

  bool Skin() { return ConvertIntoTriangles(); }

  size_t NbCreated() const { return myCreatedNodes.size(); }

  bool IsIndexed() const
  {
    for (size_t anIndex = 0; anIndex < myNodes.size(); ++anIndex)
    {
      const auto anEntry = myNodeIndex.find(myNodes[anIndex]);
      if (anEntry == myNodeIndex.end() || anEntry->second != static_cast<int>(anIndex))
      {
        return false;
      }
    }
    return myNodeIndex.size() == myNodes.size();
  }
};

// The skin's polygons split into triangles, for the mesh check.
Handle(Poly_Triangulation) triangulated(const Handle(HalfEdge_Mesh)& theSkin)
{
  std::vector<gp_Pnt>             aNodes;
  std::vector<std::array<int, 3>> aTriangles;
  for (int aNode = 0; aNode < theSkin->NbNodes(); ++aNode)
  {
    aNodes.push_back(theSkin->Node(aNode));
  }
  for (int aFace = 0; aFace < theSkin->NbFaces(); ++aFace)
  {
    std::list<int> aCorners;
    theSkin->Face(aFace, aCorners);
    const std::vector<int> aNumbers(aCorners.begin(), aCorners.end());
    std::vector<gp_Pnt>    aPoints;
    for (const int aNode : aNumbers)
    {
      aPoints.push_back(aNodes[static_cast<size_t>(aNode)]);
    }
    Algo_TriangulatePolygon3d aSplit;
    aSplit.SetPoints(aPoints);
    aSplit.Perform();
    EXPECT_TRUE(aSplit.IsDone());
    for (size_t aTriangle = 0; aTriangle < aSplit.NbTriangles(); ++aTriangle)
    {
      size_t aFirst = 0, aSecond = 0, aThird = 0;
      aSplit.GetTriangleNodes(aTriangle, aFirst, aSecond, aThird);
      aTriangles.push_back({aNumbers[aFirst] + 1, aNumbers[aSecond] + 1, aNumbers[aThird] + 1});
    }
  }
  return PelliskTest_Meshes::Make(aNodes, aTriangles);
}

// The mesh check of a skin.
PelliskTest_MeshCheck::Result checkSkin(const Handle(HalfEdge_Mesh)& theSkin)
{
  return PelliskTest_MeshCheck::Check(triangulated(theSkin));
}

// Success when the skin is a valid closed surface.
::testing::AssertionResult isValidSkin(const Handle(HalfEdge_Mesh)& theSkin)
{
  return PelliskTest_MeshCheck::IsValidWrap(triangulated(theSkin));
}

// The skin of the cells; theIsDone tells what Perform() answered.
Handle(HalfEdge_Mesh)
wrap(const CellTree& theCells, bool theIsInner, unsigned int theNbThreads, bool& theIsDone)
{
  Handle(Algo_CartesianWrapping) anAlgo = new Algo_CartesianWrapping(Pelk_DummyProgressNotifier::Instance());
  anAlgo->SetTree(theCells.Tree());
  anAlgo->SetInnerMode(theIsInner);
  anAlgo->SetNbThreads(theNbThreads);
  theIsDone = anAlgo->Perform();
  return anAlgo->Result();
}

Handle(HalfEdge_Mesh) wrap(const CellTree& theCells, bool theIsInner = false)
{
  bool                        isDone = false;
  const Handle(HalfEdge_Mesh) aSkin  = wrap(theCells, theIsInner, 1, isDone);
  EXPECT_TRUE(isDone);
  return aSkin;
}

std::vector<gp_XYZ> facePoints(const Handle(HalfEdge_Mesh)& theMesh, int theFace)
{
  std::list<int> aNodes;
  theMesh->Face(theFace, aNodes);
  std::vector<gp_XYZ> aPoints;
  for (const int aNode : aNodes)
  {
    aPoints.push_back(theMesh->Node(aNode).XYZ());
  }
  return aPoints;
}

} // namespace

TEST(Algo_CartesianWrappingTest, IsCreatedByNameAndAnswersItsName)
{
  const Handle(Algo_Transient) anAlgo = CreateAlgorithm("Algo_CartesianWrapping");
  ASSERT_FALSE(Handle(Algo_CartesianWrapping)::DownCast(anAlgo).IsNull());
  EXPECT_EQ(anAlgo->Name(), "Algo_CartesianWrapping");
}

TEST(Algo_CartesianWrappingTest, SingleCellGivesCubeOfSixFacesAndEightNodes)
{
  CellTree aCells(2);
  aCells.Mark(1, 2, 0);
  const Handle(HalfEdge_Mesh) aSkin = wrap(aCells);
  EXPECT_EQ(aSkin->NbFaces(), 6);
  EXPECT_EQ(aSkin->NbNodes(), 8);
  EXPECT_TRUE(isValidSkin(aSkin));
  EXPECT_NEAR(checkSkin(aSkin).Volume, 1.0, 1e-12);
}

TEST(Algo_CartesianWrappingTest, TwoFaceNeighboursGiveBoxOfTenFacesAndTwelveNodes)
{
  CellTree aCells(2);
  aCells.Mark(1, 1, 1);
  aCells.Mark(1, 2, 1);
  const Handle(HalfEdge_Mesh) aSkin = wrap(aCells);
  EXPECT_EQ(aSkin->NbFaces(), 10);
  EXPECT_EQ(aSkin->NbNodes(), 12);
  EXPECT_TRUE(isValidSkin(aSkin));
  EXPECT_NEAR(checkSkin(aSkin).Volume, 2.0, 1e-12);
}

namespace
{
// A random set of boundary cells: leaves of a random octree of the given
// depth, each a boundary cell with the given chance. Cells below the root are
// split further with the given chance, so that a value of 1 gives cells of one size.
CellTree randomCloud(int theLevels, double theDensity, double theSplitChance, unsigned int theSeed)
{
  CellTree                               aCells(theLevels);
  std::mt19937                           aRandom(theSeed);
  std::uniform_real_distribution<double> aChance(0.0, 1.0);
  std::vector<std::array<int, 4>>        aStack = {{0, 0, 0, aCells.Size()}};
  while (!aStack.empty())
  {
    const std::array<int, 4> aCell = aStack.back();
    aStack.pop_back();
    if (aCell[3] > 1 && (aCell[3] == aCells.Size() || aChance(aRandom) < theSplitChance))
    {
      const int aHalf = aCell[3] / 2;
      for (int aChild = 0; aChild < 8; ++aChild)
      {
        aStack.push_back({aCell[0] + (aChild & 1) * aHalf, aCell[1] + ((aChild >> 1) & 1) * aHalf,
                          aCell[2] + ((aChild >> 2) & 1) * aHalf, aHalf});
      }
    }
    else if (aChance(aRandom) < theDensity)
    {
      aCells.Mark(aCell[0], aCell[1], aCell[2], aCell[3]);
    }
  }
  return aCells;
}

// Unit voxels of [0, size]^3 filled by boxes with integer bounds.
class Voxels
{
public:
  Voxels(int theSize, const std::vector<std::array<double, 6>>& theBoxes)
      : mySize(theSize),
        myCount(static_cast<size_t>(theSize) * theSize * theSize, 0)
  {
    for (const std::array<double, 6>& aBox : theBoxes)
    {
      for (int aX = int(aBox[0]); aX < int(aBox[3]); ++aX)
        for (int aY = int(aBox[1]); aY < int(aBox[4]); ++aY)
          for (int aZ = int(aBox[2]); aZ < int(aBox[5]); ++aZ)
            ++myCount[index(aX, aY, aZ)];
    }
  }

  // Number of boxes on the voxel; 0 outside the grid.
  int Count(int theX, int theY, int theZ) const
  {
    const bool isIn = theX >= 0 && theY >= 0 && theZ >= 0 && theX < mySize && theY < mySize && theZ < mySize;
    return isIn ? myCount[index(theX, theY, theZ)] : 0;
  }

  // Empty voxels reachable from beyond the grid through faces, and the number
  // of voxel faces between them (or beyond the grid) and filled voxels.
  void Outside(size_t& theNbOutside, size_t& theNbSkinFaces) const
  {
    const int                       aSize = mySize + 2; // one layer of empty voxels around
    std::vector<char>               isOut(static_cast<size_t>(aSize) * aSize * aSize, 0);
    std::vector<std::array<int, 3>> aFront = {{-1, -1, -1}};
    isOut[0]                               = 1;
    theNbOutside                           = 0;
    theNbSkinFaces                         = 0;
    while (!aFront.empty())
    {
      const std::array<int, 3> aVoxel = aFront.back();
      aFront.pop_back();
      theNbOutside += aVoxel[0] >= 0 && aVoxel[1] >= 0 && aVoxel[2] >= 0 && aVoxel[0] < mySize &&
                              aVoxel[1] < mySize && aVoxel[2] < mySize
                          ? 1
                          : 0;
      for (int aStep = 0; aStep < 6; ++aStep)
      {
        std::array<int, 3> aNext = aVoxel;
        aNext[aStep / 2] += aStep % 2 == 0 ? -1 : 1;
        if (aNext[0] < -1 || aNext[1] < -1 || aNext[2] < -1 || aNext[0] > mySize || aNext[1] > mySize ||
            aNext[2] > mySize)
        {
          continue;
        }
        if (Count(aNext[0], aNext[1], aNext[2]) > 0)
        {
          ++theNbSkinFaces;
          continue;
        }
        char& aMark =
            isOut[static_cast<size_t>(((aNext[0] + 1) * aSize + aNext[1] + 1) * aSize + aNext[2] + 1)];
        if (aMark == 0)
        {
          aMark = 1;
          aFront.push_back(aNext);
        }
      }
    }
  }

private:
  size_t index(int theX, int theY, int theZ) const
  {
    return (static_cast<size_t>(theX) * mySize + theY) * mySize + theZ;
  }

private:
  int              mySize;
  std::vector<int> myCount;
};

double skinArea(const Handle(HalfEdge_Mesh)& theMesh)
{
  double anArea = 0.0;
  for (int aFace = 0; aFace < theMesh->NbFaces(); ++aFace)
  {
    const std::vector<gp_XYZ> aPoints = facePoints(theMesh, aFace);
    gp_XYZ                    aNormal(0, 0, 0);
    for (size_t aCorner = 0; aCorner < aPoints.size(); ++aCorner)
    {
      aNormal += aPoints[aCorner].Crossed(aPoints[(aCorner + 1) % aPoints.size()]);
    }
    anArea += aNormal.Modulus() / 2.0;
  }
  return anArea;
}

// Wraps the cloud step by step and checks the prepared cells and the skin
// against a voxel model of them; returns the skin.
Handle(HalfEdge_Mesh) checkCloud(const CellTree& theCells, unsigned int theNbThreads)
{
  SteppedWrapping anAlgo;
  anAlgo.SetTree(theCells.Tree());
  anAlgo.SetNbThreads(theNbThreads);
  SteppedWrapping anInput;
  anInput.SetTree(theCells.Tree());
  const Voxels                             aBefore(theCells.Size(), anInput.PrepareCells(false));
  const std::vector<std::array<double, 6>> aBoxes = anAlgo.PrepareCells();
  EXPECT_TRUE(anAlgo.IsIndexed());
  const Voxels       aCells(theCells.Size(), aBoxes);
  std::array<int, 6> aSpan = {theCells.Size(), theCells.Size(), theCells.Size(), 0, 0, 0};
  for (int aX = 0; aX < theCells.Size(); ++aX)
    for (int aY = 0; aY < theCells.Size(); ++aY)
      for (int aZ = 0; aZ < theCells.Size(); ++aZ)
        if (aBefore.Count(aX, aY, aZ) > 0)
          aSpan = {std::min(aSpan[0], aX), std::min(aSpan[1], aY), std::min(aSpan[2], aZ),
                   std::max(aSpan[3], aX), std::max(aSpan[4], aY), std::max(aSpan[5], aZ)};
  for (int aX = 0; aX < theCells.Size(); ++aX)
    for (int aY = 0; aY < theCells.Size(); ++aY)
      for (int aZ = 0; aZ < theCells.Size(); ++aZ)
      {
        const int aCount = aCells.Count(aX, aY, aZ);
        EXPECT_LE(aCount, 1) << "overlapping cells at " << aX << " " << aY << " " << aZ;
        EXPECT_GE(aCount, aBefore.Count(aX, aY, aZ)) << "lost cell at " << aX << " " << aY << " " << aZ;
        const bool isInSpan = aX >= aSpan[0] && aY >= aSpan[1] && aZ >= aSpan[2] && aX <= aSpan[3] &&
                              aY <= aSpan[4] && aZ <= aSpan[5];
        EXPECT_TRUE(aCount == 0 || isInSpan) << "filler beyond the cells at " << aX << " " << aY << " " << aZ;
      }
  EXPECT_TRUE(anAlgo.Skin());
  const Handle(HalfEdge_Mesh)         aSkin  = anAlgo.Result();
  const PelliskTest_MeshCheck::Result aCheck = checkSkin(aSkin);
  EXPECT_TRUE(aCheck.IsValid()) << aCheck.Summary();
  size_t aNbOutside = 0, aNbSkinFaces = 0;
  aCells.Outside(aNbOutside, aNbSkinFaces);
  const double aTotal = std::pow(theCells.Size(), 3);
  EXPECT_NEAR(aCheck.Volume, aTotal - static_cast<double>(aNbOutside), 1e-6);
  EXPECT_NEAR(skinArea(aSkin), static_cast<double>(aNbSkinFaces), 1e-6);
  return aSkin;
}

// Nodes and faces of a mesh in order, as text, for exact comparisons.
std::string meshText(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::string aText;
  for (int aNode = 0; aNode < theMesh->NbNodes(); ++aNode)
  {
    const gp_Pnt aPoint = theMesh->Node(aNode);
    char         aLine[100];
    std::snprintf(aLine, sizeof(aLine), "%.17g %.17g %.17g\n", aPoint.X(), aPoint.Y(), aPoint.Z());
    aText += aLine;
  }
  for (int aFace = 0; aFace < theMesh->NbFaces(); ++aFace)
  {
    std::list<int> aNodes;
    theMesh->Face(aFace, aNodes);
    for (const int aNode : aNodes)
    {
      aText += std::to_string(aNode) + " ";
    }
    aText += "\n";
  }
  return aText;
}
} // namespace

TEST(Algo_CartesianWrappingTest, RandomCellsOfOneSizeGiveClosedManifoldSkinOfTheirUnion)
{
  for (unsigned int aSeed = 1; aSeed <= 40; ++aSeed)
  {
    SCOPED_TRACE("seed " + std::to_string(aSeed));
    const double aDensity = 0.05 + 0.6 * (aSeed % 10) / 10.0;
    checkCloud(randomCloud(3, aDensity, 1.0, aSeed), 1 + aSeed % 2);
  }
}

TEST(Algo_CartesianWrappingTest, RandomCellsOfMixedSizesGiveClosedManifoldSkinOfTheirUnion)
{
  for (unsigned int aSeed = 1; aSeed <= 40; ++aSeed)
  {
    SCOPED_TRACE("seed " + std::to_string(aSeed));
    const double aDensity = 0.1 + 0.5 * (aSeed % 7) / 7.0;
    checkCloud(randomCloud(4, aDensity, 0.55, aSeed), 1 + aSeed % 2);
  }
}

TEST(Algo_CartesianWrappingTest, RandomCellsGiveValidInnerSkinsWhereverTheyHaveOne)
{
  // Dense clouds have cavities; sparse ones often several objects, where the
  // next skin inside may be another object's outer skin.
  int aNbSkins = 0;
  for (unsigned int aSeed = 1; aSeed <= 60; ++aSeed)
  {
    SCOPED_TRACE("seed " + std::to_string(aSeed));
    const CellTree              aCells = randomCloud(aSeed % 2 == 0 ? 4 : 3, 0.3 + 0.6 * (aSeed % 10) / 10.0,
                                        aSeed % 3 == 0 ? 0.6 : 1.0, aSeed);
    bool                        isDone = false;
    const Handle(HalfEdge_Mesh) aSkin  = wrap(aCells, true, 1 + aSeed % 2, isDone);
    if (isDone)
    {
      ++aNbSkins;
      const PelliskTest_MeshCheck::Result aCheck = checkSkin(aSkin);
      EXPECT_TRUE(aCheck.IsValid()) << aCheck.Summary();
    }
  }
  EXPECT_GT(aNbSkins, 30);
}

TEST(Algo_CartesianWrappingTest, OneAndTwoThreadsGiveTheSameSkin)
{
  for (unsigned int aSeed = 1; aSeed <= 6; ++aSeed)
  {
    const CellTree aCells = randomCloud(4, 0.2 + 0.1 * aSeed, 0.6, aSeed);
    for (const bool isInner : {false, true})
    {
      bool                        isDone[2] = {false, false};
      const Handle(HalfEdge_Mesh) aSkin1    = wrap(aCells, isInner, 1, isDone[0]);
      const Handle(HalfEdge_Mesh) aSkin2    = wrap(aCells, isInner, 2, isDone[1]);
      EXPECT_EQ(isDone[0], isDone[1]);
      EXPECT_TRUE(isDone[0] || isInner);
      EXPECT_EQ(meshText(aSkin1), meshText(aSkin2));
    }
  }
}

namespace
{
SVO_Node cellOf(const std::array<double, 6>& theBox)
{
  return SVO_Node(gp_XYZ(theBox[0], theBox[1], theBox[2]), gp_XYZ(theBox[3], theBox[4], theBox[5]));
}

// Face of the small mesh lying in the plane of the given axis (1 to 3) at the value.
std::vector<gp_XYZ>
faceInPlane(const Algo_CartesianWrapping::SmallMesh& theMesh, int theAxis, double theValue)
{
  for (const std::vector<int>& aFace : theMesh.Faces)
  {
    std::vector<gp_XYZ> aPoints;
    for (const int aPoint : aFace)
    {
      aPoints.push_back(theMesh.Points[static_cast<size_t>(aPoint)]);
    }
    if (std::all_of(aPoints.begin(), aPoints.end(),
                    [&](const gp_XYZ& thePoint) { return thePoint.Coord(theAxis) == theValue; }))
    {
      return aPoints;
    }
  }
  return {};
}

std::set<std::array<double, 3>> pointSet(const std::vector<gp_XYZ>& thePoints)
{
  std::set<std::array<double, 3>> aSet;
  for (const gp_XYZ& aPoint : thePoints)
  {
    aSet.insert({aPoint.X(), aPoint.Y(), aPoint.Z()});
  }
  return aSet;
}

// Bounding box of the skin's nodes as min X, Y, Z, max X, Y, Z.
std::array<double, 6> skinBox(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::array<double, 6> aBox = {1e100, 1e100, 1e100, -1e100, -1e100, -1e100};
  for (int aNode = 0; aNode < theMesh->NbNodes(); ++aNode)
  {
    const gp_Pnt aPoint = theMesh->Node(aNode);
    for (int anAxis = 0; anAxis < 3; ++anAxis)
    {
      aBox[anAxis]     = std::min(aBox[anAxis], aPoint.Coord(anAxis + 1));
      aBox[anAxis + 3] = std::max(aBox[anAxis + 3], aPoint.Coord(anAxis + 1));
    }
  }
  return aBox;
}
} // namespace

TEST(Algo_CartesianWrappingTest, HalfSizeFaceNeighbourLeavesLShapedFaceAndNodesOnAdjacentSides)
{
  CellTree aCells(2);
  aCells.Mark(0, 0, 0, 2);
  aCells.Mark(2, 0, 0, 1);
  SteppedWrapping anAlgo;
  anAlgo.SetTree(aCells.Tree());
  ASSERT_EQ(anAlgo.PrepareCells().size(), 2u);
  const std::vector<Algo_CartesianWrapping::SmallMesh> aMeshes = anAlgo.SmallMeshes();
  ASSERT_EQ(aMeshes.size(), 2u);
  // The large cell comes first in box order; its face x = 2 loses the quadrant the small cell covers.
  const std::vector<gp_XYZ> anL = faceInPlane(aMeshes[0], 1, 2.0);
  EXPECT_EQ(pointSet(anL), (std::set<std::array<double, 3>>{
                               {2, 0, 1}, {2, 1, 1}, {2, 1, 0}, {2, 2, 0}, {2, 2, 2}, {2, 0, 2}}));
  EXPECT_EQ(anL.size(), 6u);
  gp_XYZ aNormal(0, 0, 0);
  for (size_t aCorner = 0; aCorner < anL.size(); ++aCorner)
  {
    aNormal += anL[aCorner].Crossed(anL[(aCorner + 1) % anL.size()]);
  }
  EXPECT_GT(aNormal.X(), 0.0);
  // The small cell's faces y = 0 and z = 0 continue those of the large cell,
  // whose sides get the small cell's corners as nodes.
  EXPECT_EQ(pointSet(faceInPlane(aMeshes[0], 2, 0.0)),
            (std::set<std::array<double, 3>>{{0, 0, 0}, {2, 0, 0}, {2, 0, 1}, {2, 0, 2}, {0, 0, 2}}));
  EXPECT_EQ(pointSet(faceInPlane(aMeshes[0], 3, 0.0)),
            (std::set<std::array<double, 3>>{{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {2, 2, 0}, {0, 2, 0}}));
  EXPECT_EQ(faceInPlane(aMeshes[0], 2, 2.0).size(), 4u);
  ASSERT_TRUE(anAlgo.Skin());
  EXPECT_TRUE(isValidSkin(anAlgo.Result()));
  EXPECT_NEAR(checkSkin(anAlgo.Result()).Volume, 9.0, 1e-12);
}

TEST(Algo_CartesianWrappingTest, CornerOfSmallerEdgeNeighbourBecomesNodeOfLargerCell)
{
  CellTree aCells(2);
  aCells.Mark(0, 0, 0, 2);
  aCells.Mark(2, 2, 0, 1);
  SteppedWrapping anAlgo;
  anAlgo.SetTree(aCells.Tree());
  const std::vector<std::array<double, 6>> aBoxes = anAlgo.PrepareCells();
  // One filler of the small cell's size bridges the edge joint.
  ASSERT_EQ(aBoxes.size(), 3u);
  EXPECT_EQ(anAlgo.NbCreated(), 1u);
  const std::vector<Algo_CartesianWrapping::SmallMesh> aMeshes     = anAlgo.SmallMeshes();
  bool                                                 hasMidpoint = false;
  for (const gp_XYZ& aPoint : aMeshes[0].Points)
  {
    hasMidpoint = hasMidpoint || aPoint.IsEqual(gp_XYZ(2, 2, 1), 0.0);
  }
  EXPECT_TRUE(hasMidpoint);
  ASSERT_TRUE(anAlgo.Skin());
  EXPECT_TRUE(isValidSkin(anAlgo.Result()));
  EXPECT_NEAR(checkSkin(anAlgo.Result()).Volume, 10.0, 1e-12);
}

TEST(Algo_CartesianWrappingTest, EdgeAndCornerJointsGetFillersOfTheSmallerCellsSize)
{
  struct Case
  {
    std::string                     Name;
    std::vector<std::array<int, 4>> Cells;
    size_t                          NbFillers;
  };
  const std::vector<Case> aCases = {
      {"edge", {{1, 1, 1, 1}, {2, 2, 1, 1}}, 1},
      {"corner", {{1, 1, 1, 1}, {2, 2, 2, 1}}, 2},
      {"edge of larger cell", {{0, 0, 0, 2}, {2, 2, 1, 1}}, 1},
      {"corner of larger cell", {{0, 0, 0, 2}, {2, 2, 2, 1}}, 2},
      {"edge of equal large cells", {{0, 0, 0, 2}, {2, 2, 0, 2}}, 1},
      {"empty octants at a corner",
       {{2, 1, 1, 1}, {1, 2, 1, 1}, {2, 2, 1, 1}, {1, 1, 2, 1}, {2, 1, 2, 1}, {1, 2, 2, 1}},
       1},
  };
  for (const Case& aCase : aCases)
  {
    SCOPED_TRACE(aCase.Name);
    CellTree aCells(3);
    double   aSmallest = 8.0;
    for (const std::array<int, 4>& aCell : aCase.Cells)
    {
      aCells.Mark(aCell[0], aCell[1], aCell[2], aCell[3]);
      aSmallest = std::min(aSmallest, double(aCell[3]));
    }
    SteppedWrapping anAlgo;
    anAlgo.SetTree(aCells.Tree());
    const std::vector<std::array<double, 6>> aBoxes = anAlgo.PrepareCells();
    EXPECT_EQ(anAlgo.NbCreated(), aCase.NbFillers);
    // Every cell is linked to every other through face-adjacent cells.
    std::vector<int> aPiece(aBoxes.size(), 0);
    aPiece[0] = 1;
    for (size_t aRound = 0; aRound < aBoxes.size(); ++aRound)
      for (size_t i = 0; i < aBoxes.size(); ++i)
        for (size_t j = 0; j < aBoxes.size(); ++j)
        {
          const SVO_Node aFirst = cellOf(aBoxes[i]), aSecond = cellOf(aBoxes[j]);
          if (aPiece[i] != 0 && aFirst.IsAdjacent(&aSecond))
          {
            aPiece[j] = 1;
          }
        }
    EXPECT_EQ(std::count(aPiece.begin(), aPiece.end(), 1), static_cast<long>(aBoxes.size()));
    for (const std::array<double, 6>& aBox : aBoxes)
    {
      EXPECT_LE(aBox[3] - aBox[0], 2.0);
    }
    ASSERT_TRUE(anAlgo.Skin());
    EXPECT_TRUE(isValidSkin(anAlgo.Result()));
  }
}

TEST(Algo_CartesianWrappingTest, DiagonalChainsAndCellsAroundOneEdgeGiveOneClosedSkin)
{
  CellTree aCells(4);
  for (int aStep = 0; aStep < 6; ++aStep)
  {
    aCells.Mark(aStep, aStep, 0);         // edge contacts
    aCells.Mark(aStep, aStep, 8 + aStep); // corner contacts
  }
  for (int aZ = 0; aZ < 4; ++aZ)
  {
    aCells.Mark(10, 10, aZ); // two columns diagonal across the edge x = y = 11
    aCells.Mark(11, 11, aZ);
  }
  // Three separate objects, each linked into one piece.
  EXPECT_EQ(checkSkin(checkCloud(aCells, 2)).NbShells, 3);
}

TEST(Algo_CartesianWrappingTest, OuterModeTakesOuterSkinAndInnerModeTheNextOneInside)
{
  CellTree aCells(3);
  for (int aX = 1; aX < 7; ++aX)
    for (int aY = 1; aY < 7; ++aY)
      for (int aZ = 1; aZ < 7; ++aZ)
        if (aX < 3 || aX > 4 || aY < 3 || aY > 4 || aZ < 3 || aZ > 4)
          aCells.Mark(aX, aY, aZ);
  const Handle(HalfEdge_Mesh) anOuter = wrap(aCells, false);
  EXPECT_TRUE(isValidSkin(anOuter));
  EXPECT_NEAR(checkSkin(anOuter).Volume, 216.0, 1e-9);
  EXPECT_EQ(skinBox(anOuter), (std::array<double, 6>{1, 1, 1, 7, 7, 7}));
  const Handle(HalfEdge_Mesh) anInner = wrap(aCells, true);
  EXPECT_TRUE(isValidSkin(anInner));
  EXPECT_NEAR(checkSkin(anInner).Volume, 8.0, 1e-9);
  EXPECT_EQ(skinBox(anInner), (std::array<double, 6>{3, 3, 3, 5, 5, 5}));
}

TEST(Algo_CartesianWrappingTest, InnerModeTakesNextSkinWithTheShellsItEncloses)
{
  // Two nested hollow boxes of one cell thickness and a cell in the middle.
  CellTree aCells(3);
  for (int aX = 0; aX < 8; ++aX)
    for (int aY = 0; aY < 8; ++aY)
      for (int aZ = 0; aZ < 8; ++aZ)
      {
        const int aLayer = std::min({aX, aY, aZ, 7 - aX, 7 - aY, 7 - aZ});
        if (aLayer == 0 || aLayer == 2)
          aCells.Mark(aX, aY, aZ);
      }
  // The outer skin hides everything else.
  const Handle(HalfEdge_Mesh) anOuter = wrap(aCells, false);
  EXPECT_NEAR(checkSkin(anOuter).Volume, 512.0, 1e-9);
  // The inner skin of the outer box and the outer skin of the inner box,
  // bounding the space between the boxes.
  const Handle(HalfEdge_Mesh) anInner = wrap(aCells, true);
  EXPECT_TRUE(isValidSkin(anInner));
  EXPECT_NEAR(checkSkin(anInner).Volume, 216.0 - 64.0, 1e-9);
  EXPECT_EQ(skinBox(anInner), (std::array<double, 6>{1, 1, 1, 7, 7, 7}));
}

TEST(Algo_CartesianWrappingTest, FarApartObjectsAreBothSelected)
{
  CellTree aCells(4);
  aCells.Mark(1, 1, 1);
  aCells.Mark(12, 13, 12, 2);
  const Handle(HalfEdge_Mesh) aSkin = wrap(aCells);
  EXPECT_EQ(aSkin->NbFaces(), 12);
  EXPECT_EQ(aSkin->NbNodes(), 16);
  EXPECT_NEAR(checkSkin(aSkin).Volume, 9.0, 1e-9);
}

TEST(Algo_CartesianWrappingTest, CellsMuchLargerThanANeighbourAreSplitUntilRatioTwo)
{
  CellTree aCells(4);
  aCells.Mark(0, 0, 0, 8);
  aCells.Mark(8, 0, 0, 1);
  SteppedWrapping anAlgo;
  anAlgo.SetTree(aCells.Tree());
  const std::vector<std::array<double, 6>> aBoxes = anAlgo.PrepareCells(false);
  // 8 -> eight of 4; the one touching the small cell -> eight of 2.
  EXPECT_EQ(aBoxes.size(), 16u);
  EXPECT_EQ(anAlgo.NbCreated(), 16u);
  double aVolume = 0.0;
  for (const std::array<double, 6>& aFirst : aBoxes)
  {
    aVolume += std::pow(aFirst[3] - aFirst[0], 3);
    for (const std::array<double, 6>& aSecond : aBoxes)
    {
      const SVO_Node aCell = cellOf(aFirst), anOther = cellOf(aSecond);
      if (aCell.IsConnected(&anOther, 1e-7))
      {
        EXPECT_LE((aFirst[3] - aFirst[0]) / (aSecond[3] - aSecond[0]), 2.0);
      }
    }
  }
  EXPECT_NEAR(aVolume, 513.0, 1e-9);
  ASSERT_TRUE(anAlgo.Skin());
  EXPECT_TRUE(isValidSkin(anAlgo.Result()));
  EXPECT_NEAR(checkSkin(anAlgo.Result()).Volume, 513.0, 1e-9);
}

namespace
{
// A notifier that records the scopes opened and cancels when a given one opens.
class RecordingNotifier : public Pelk_ProgressNotifier
{
public:
  explicit RecordingNotifier(const std::string& theBreakScope = "")
      : Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str()),
        myBreakScope(theBreakScope)
  {
  }

  bool NewScope(const TCollection_AsciiString& theName, double theMin, double theMax, double theStep) override
  {
    Scopes.push_back({theName.ToCString(), theMin, theMax, theStep});
    if (myBreakScope == theName.ToCString())
    {
      Cancel();
    }
    return Pelk_ProgressNotifier::NewScope(theName, theMin, theMax, theStep);
  }

  struct Scope
  {
    std::string Name;
    double      Min, Max, Step;
  };
  std::vector<Scope> Scopes;

private:
  std::string myBreakScope;
};
} // namespace

TEST(Algo_CartesianWrappingTest, OpensItsProgressScopesWithTheirWeights)
{
  CellTree aCells(2);
  aCells.Mark(0, 0, 0);
  aCells.Mark(1, 1, 0);
  const Handle(RecordingNotifier) aNotifier = new RecordingNotifier();
  Algo_CartesianWrapping          anAlgo(aNotifier);
  anAlgo.SetTree(aCells.Tree());
  ASSERT_TRUE(anAlgo.Perform());
  // One filler (Clear steps over it), one shell; two joint passes, one split pass.
  const std::vector<std::array<double, 2>> anExpected = {{0.02, 0.02},  {0.08, 0.08},  {0.83, 0.83 / 11},
                                                         {0.06, 0.015}, {0.09, 0.015}, {0.1, 0.1 / 3},
                                                         {0.07, 0.035}, {0.02, 0.01}};
  const std::vector<std::string>           aNames     = {
                    "ExtactNodes",          "CheckJoints",      "CheckJointsCycle",          "ConvertAdaptiveness",
                    "ConvertIntoTriangles", "BuildSmallMeshes", "ConvertIntoTrianglesCycle", "Clear"};
  ASSERT_EQ(aNotifier->Scopes.size(), aNames.size());
  for (size_t aScope = 0; aScope < aNames.size(); ++aScope)
  {
    const RecordingNotifier::Scope& aSeen = aNotifier->Scopes[aScope];
    EXPECT_EQ(aSeen.Name, "Algo_CartesianWrapping::" + aNames[aScope]);
    EXPECT_EQ(aSeen.Min, 0.0);
    EXPECT_DOUBLE_EQ(aSeen.Max, anExpected[aScope][0]) << aSeen.Name;
    EXPECT_DOUBLE_EQ(aSeen.Step, anExpected[aScope][1]) << aSeen.Name;
  }
  // Every scope was closed: the four top-level ones fill 0.21 of the whole run.
  EXPECT_NEAR(aNotifier->GetPosition(), 0.21, 1e-12);
}

TEST(Algo_CartesianWrappingTest, UserBreakDuringCheckJointsStopsBeforeTheSkin)
{
  CellTree aCells(2);
  aCells.Mark(0, 0, 0);
  aCells.Mark(1, 1, 1);
  const Handle(RecordingNotifier) aNotifier =
      new RecordingNotifier("Algo_CartesianWrapping::CheckJointsCycle");
  Algo_CartesianWrapping anAlgo(aNotifier);
  anAlgo.SetTree(aCells.Tree());
  EXPECT_FALSE(anAlgo.Perform());
  EXPECT_TRUE(anAlgo.Result().IsNull());
  for (const RecordingNotifier::Scope& aScope : aNotifier->Scopes)
  {
    EXPECT_EQ(aScope.Name.find("ConvertIntoTriangles"), std::string::npos);
  }
  // A second run on the cancelled notifier fails as well, and the fillers of
  // both runs are released (checked by the sanitizer build).
  EXPECT_FALSE(anAlgo.Perform());
}

TEST(Algo_CartesianWrappingTest, NoTreeOrNoBoundaryCellGivesFailureWithoutMesh)
{
  Algo_CartesianWrapping anAlgo(Pelk_DummyProgressNotifier::Instance());
  EXPECT_FALSE(anAlgo.Perform());
  CellTree anEmpty(2);
  anAlgo.SetTree(anEmpty.Tree());
  EXPECT_FALSE(anAlgo.Perform());
  ASSERT_FALSE(anAlgo.Result().IsNull());
  EXPECT_EQ(anAlgo.Result()->NbFaces(), 0);
}

namespace
{
// Edge of the cube the facade wraps around the mesh.
double cubeEdge(const Handle(Poly_Triangulation)& theMesh)
{
  Bnd_Box aBox;
  for (int aNode = 1; aNode <= theMesh->NbNodes(); ++aNode)
  {
    aBox.Add(theMesh->Node(aNode));
  }
  const gp_XYZ anExtent = aBox.CornerMax().XYZ() - aBox.CornerMin().XYZ();
  return std::max({anExtent.X(), anExtent.Y(), anExtent.Z()});
}

// The skin of the mesh through the facade: minimum-size voxelization with
// cells of 1 / theDivisions of the bounding cube, then Cartesian wrapping.
Handle(HalfEdge_Mesh) wrapMesh(const Handle(Poly_Triangulation)& theMesh,
                               int                               theDivisions,
                               bool                              theIsInner   = false,
                               int                               theNbThreads = 2)
{
  Pelk_API anAPI;
  anAPI.SetDirtyMesh(theMesh);
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(anAPI.Notifier());
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
  aSettings->SetTessellationAlgorithm("Algo_CartesianWrapping");
  aSettings->SetNbThreads(theNbThreads);
  aSettings->SetInnerMode(theIsInner);
  aSettings->SetCellSize(cubeEdge(theMesh) / theDivisions);
  EXPECT_TRUE(anAPI.PerformWrapping(aSettings));
  return anAPI.GetResultMesh();
}

// The triangles of the mesh over the nodes they use: nodes left in holes
// belong to no surface and are not wrapped.
Handle(Poly_Triangulation) surfaceOnly(const Handle(Poly_Triangulation)& theMesh)
{
  std::vector<int>                aNumber(static_cast<size_t>(theMesh->NbNodes()) + 1, 0);
  std::vector<gp_Pnt>             aNodes;
  std::vector<std::array<int, 3>> aTriangles;
  for (const std::array<int, 3>& aTriangle : PelliskTest_Meshes::Triangles(theMesh))
  {
    std::array<int, 3> aCorners = aTriangle;
    for (int& aCorner : aCorners)
    {
      int& aNew = aNumber[static_cast<size_t>(aCorner)];
      if (aNew == 0)
      {
        aNodes.push_back(theMesh->Node(aCorner));
        aNew = static_cast<int>(aNodes.size());
      }
      aCorner = aNew;
    }
    aTriangles.push_back(aCorners);
  }
  return PelliskTest_Meshes::Make(aNodes, aTriangles);
}

// Wraps a dirty soup at the three cell sizes and checks every skin.
void checkSoup(const Handle(Poly_Triangulation)& theSoup)
{
  for (const int aDivision : {32, 128, 256})
  {
    SCOPED_TRACE("1/" + std::to_string(aDivision));
    EXPECT_TRUE(
        PelliskTest_MeshCheck::IsValidWrap(triangulated(wrapMesh(theSoup, aDivision)), surfaceOnly(theSoup)));
  }
}

Handle(Poly_Triangulation) readMesh(const std::string& theName)
{
  Pelk_API anAPI;
  EXPECT_TRUE(anAPI.ImportSTL(PelliskTest_Data::File(theName).c_str()));
  return anAPI.DirtyMesh();
}
} // namespace

TEST(Algo_CartesianWrappingTest, RealDirtyMeshesGiveValidSkinsThatEncloseThem)
{
  // The finest cells only on the mesh whose skin is smallest there, to keep the suite fast.
  const std::vector<std::pair<std::string, std::vector<int>>> aCases = {
      {"teapot_utah.stl", {32, 128}},
      {"spider_assimp.stl", {32, 128}},
      {"maxexport_assimp.stl", {32, 128, 256}},
      {"boeing_cgal.stl", {32, 128}}};
  for (const auto& [aName, aDivisions] : aCases)
  {
    const Handle(Poly_Triangulation) anInput = readMesh(aName);
    for (const int aDivision : aDivisions)
    {
      SCOPED_TRACE(aName + " at 1/" + std::to_string(aDivision));
      EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(triangulated(wrapMesh(anInput, aDivision)), anInput));
    }
  }
}

TEST(Algo_CartesianWrappingTest, OverlappingBoxesGiveValidSkinsThatEncloseThem)
{
  checkSoup(PelliskTest_Meshes::OverlappingBoxes());
}

TEST(Algo_CartesianWrappingTest, HoledSphereWithShiftedPatchGivesValidSkinsThatEncloseIt)
{
  checkSoup(PelliskTest_Meshes::HoledSphereWithShiftedPatch());
}

TEST(Algo_CartesianWrappingTest, PlateInLoosePiecesGivesValidSkinsThatEncloseIt)
{
  checkSoup(PelliskTest_Meshes::PlateInPieces());
}

TEST(Algo_CartesianWrappingTest, FarApartObjectsGiveValidSkinsThatEncloseThem)
{
  checkSoup(PelliskTest_Meshes::FarApartObjects());
}

TEST(Algo_CartesianWrappingTest, HollowBoxGivesValidSkinsThatEncloseIt)
{
  checkSoup(PelliskTest_Meshes::HollowBox());
}

TEST(Algo_CartesianWrappingTest, InnerModeOnThickHollowBoxGivesTheSkinInsideItsWall)
{
  // Walls from |x| = 0.5 to 1: the boundary cells form a layer on each side of
  // the wall, and the inner skin wraps the wall from inside those layers.
  const Handle(Poly_Triangulation) anInput = PelliskTest_Meshes::HollowBox();
  for (const int aDivision : {32, 128})
  {
    SCOPED_TRACE("1/" + std::to_string(aDivision));
    const Handle(HalfEdge_Mesh)         aSkin  = wrapMesh(anInput, aDivision, true);
    const PelliskTest_MeshCheck::Result aCheck = PelliskTest_MeshCheck::Check(triangulated(aSkin));
    EXPECT_TRUE(aCheck.IsValid()) << aCheck.Summary();
    EXPECT_EQ(aCheck.NbShells, 2);
    const std::array<double, 6> aBox = skinBox(aSkin);
    for (int anAxis = 0; anAxis < 3; ++anAxis)
    {
      EXPECT_GT(aBox[anAxis], -1.0);
      EXPECT_LT(aBox[anAxis + 3], 1.0);
    }
    for (int aNode = 0; aNode < aSkin->NbNodes(); ++aNode)
    {
      const gp_Pnt aPoint = aSkin->Node(aNode);
      EXPECT_GT(std::max({std::abs(aPoint.X()), std::abs(aPoint.Y()), std::abs(aPoint.Z())}), 0.5);
    }
    // Less than the wall's volume of 7, by the two layers of cells.
    EXPECT_GT(aCheck.Volume, 7.0 * 0.5);
    EXPECT_LT(aCheck.Volume, 7.0);
  }
}

TEST(Algo_CartesianWrappingTest, OneAndTwoThreadsGiveIdenticalSkinsEndToEnd)
{
  const Handle(Poly_Triangulation) anInput = readMesh("spider_assimp.stl");
  EXPECT_EQ(meshText(wrapMesh(anInput, 128, false, 1)), meshText(wrapMesh(anInput, 128, false, 2)));
  const Handle(Poly_Triangulation) aBox = PelliskTest_Meshes::HollowBox();
  EXPECT_EQ(meshText(wrapMesh(aBox, 64, true, 1)), meshText(wrapMesh(aBox, 64, true, 2)));
}
