#include <Algo_CartesianWrapping.hxx>

#include <CreateAlgorithm.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <PelliskTest_Data.hxx>
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

  // Extracts the boundary cells and prepares them; the cells as boxes.
  std::vector<std::array<double, 6>> PrepareCells(bool theIsAdaptive = true)
  {
    ExtactNodes();
    if (theIsAdaptive)
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

Handle(HalfEdge_Mesh) wrap(const CellTree& theCells, bool theIsInner = false, unsigned int theNbThreads = 1)
{
  Handle(Algo_CartesianWrapping) anAlgo = new Algo_CartesianWrapping(Pelk_DummyProgressNotifier::Instance());
  anAlgo->SetTree(theCells.Tree());
  anAlgo->SetInnerMode(theIsInner);
  anAlgo->SetNbThreads(theNbThreads);
  EXPECT_TRUE(anAlgo->Perform());
  return anAlgo->Result();
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

// Volume enclosed by the faces, positive when they look outwards.
double signedVolume(const Handle(HalfEdge_Mesh)& theMesh)
{
  double aVolume = 0.0;
  for (int aFace = 0; aFace < theMesh->NbFaces(); ++aFace)
  {
    const std::vector<gp_XYZ> aPoints = facePoints(theMesh, aFace);
    for (size_t aCorner = 1; aCorner + 1 < aPoints.size(); ++aCorner)
    {
      aVolume += aPoints[0].Dot(aPoints[aCorner].Crossed(aPoints[aCorner + 1])) / 6.0;
    }
  }
  return aVolume;
}

// Problems of a skin that must be a closed, oriented 2-manifold; empty when there are none.
std::string skinProblems(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::string aProblems;
  if (theMesh->BoundaryEdgesBegin() != theMesh->BoundaryEdgesEnd())
  {
    aProblems += "open; ";
  }
  std::vector<int> aNbFacesOfNode(static_cast<size_t>(theMesh->NbNodes()), 0);
  for (int aFace = 0; aFace < theMesh->NbFaces(); ++aFace)
  {
    std::list<int> aNodes;
    theMesh->Face(aFace, aNodes);
    for (const int aNode : aNodes)
    {
      ++aNbFacesOfNode[static_cast<size_t>(aNode)];
    }
  }
  for (int aNode = 0; aNode < theMesh->NbNodes(); ++aNode)
  {
    std::list<int> aFan;
    theMesh->FacesForNode(aNode, aFan);
    if (static_cast<int>(aFan.size()) != aNbFacesOfNode[static_cast<size_t>(aNode)])
    {
      aProblems += "pinched node " + std::to_string(aNode) + "; ";
    }
  }
  return aProblems;
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
  EXPECT_EQ(skinProblems(aSkin), "");
  EXPECT_NEAR(signedVolume(aSkin), 1.0, 1e-12);
}

TEST(Algo_CartesianWrappingTest, TwoFaceNeighboursGiveBoxOfTenFacesAndTwelveNodes)
{
  CellTree aCells(2);
  aCells.Mark(1, 1, 1);
  aCells.Mark(1, 2, 1);
  const Handle(HalfEdge_Mesh) aSkin = wrap(aCells);
  EXPECT_EQ(aSkin->NbFaces(), 10);
  EXPECT_EQ(aSkin->NbNodes(), 12);
  EXPECT_EQ(skinProblems(aSkin), "");
  EXPECT_NEAR(signedVolume(aSkin), 2.0, 1e-12);
}
