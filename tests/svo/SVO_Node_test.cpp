#include <SVO_Node.hxx>

#include "SVOTest_Trees.hxx"

#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <map>
#include <thread>
#include <type_traits>

using namespace SVOTest_Trees;

namespace
{
void expectPoint(const gp_XYZ& theActual, const gp_XYZ& theExpected, double theTol = 0.0)
{
  EXPECT_NEAR(theActual.X(), theExpected.X(), theTol);
  EXPECT_NEAR(theActual.Y(), theExpected.Y(), theTol);
  EXPECT_NEAR(theActual.Z(), theExpected.Z(), theTol);
}

void expectNoBox(const SVO_Node& theNode)
{
  expectPoint(theNode.BoxMin, gp_XYZ(-2e100, -2e100, -2e100));
  expectPoint(theNode.BoxMax, gp_XYZ(2e100, 2e100, 2e100));
}

// The six bounds in the order the cell order compares them.
std::array<double, 6> keys(const SVO_Node& theNode)
{
  return {theNode.BoxMin.X(), theNode.BoxMin.Y(), theNode.BoxMin.Z(),
          theNode.BoxMax.X(), theNode.BoxMax.Y(), theNode.BoxMax.Z()};
}

std::array<long long, 6> gridKeys(const GridBox& theBox)
{
  return {theBox.Lo[0], theBox.Lo[1], theBox.Lo[2], theBox.Hi[0], theBox.Hi[1], theBox.Hi[2]};
}

struct NodeLess
{
  bool operator()(const SVO_Node* theA, const SVO_Node* theB) const { return *theA < *theB; }
};
} // namespace

TEST(SVO_NodeTest, CellsAreLeanPlainStructures)
{
  // One heap block per cell in trees of millions: no vtable, no owned heap data,
  // at most two cache lines.
  EXPECT_LE(sizeof(SVO_Node), 128u);
  EXPECT_FALSE(std::is_polymorphic<SVO_Node>::value);
  EXPECT_TRUE(std::is_trivially_destructible<SVO_Node>::value);
  EXPECT_TRUE(std::is_trivially_copyable<SVO_Node>::value);
}

TEST(SVO_NodeTest, ConstructorsOrderBoundsPerAxisAndStartUnlinked)
{
  SVO_Node aFree(gp_XYZ(1, 5, 0), gp_XYZ(3, 2, 4));
  expectPoint(aFree.BoxMin, gp_XYZ(1, 2, 0));
  expectPoint(aFree.BoxMax, gp_XYZ(3, 5, 4));
  EXPECT_EQ(aFree.Parent, nullptr);
  EXPECT_EQ(aFree.State, SVO_Unclassified);
  EXPECT_TRUE(
      std::all_of(aFree.Children, aFree.Children + 8, [](SVO_Node* theC) { return theC == nullptr; }));

  // No parent, or no octant number: the cell has no box, but keeps its parent.
  SVO_Node aDefault;
  SVO_Node anOrphan(nullptr, 3);
  SVO_Node aNoOctant(&aFree, -1);
  expectNoBox(aDefault);
  expectNoBox(anOrphan);
  expectNoBox(aNoOctant);
  EXPECT_EQ(aNoOctant.Parent, &aFree);
  EXPECT_EQ(aNoOctant.State, SVO_Unclassified);
  EXPECT_EQ(aNoOctant.Children[7], nullptr);
  EXPECT_EQ(aFree.Children[0], nullptr) << "building a child must not link it";
}

TEST(SVO_NodeTest, ChildrenAreTheOctantsHoldingTheParentCorners)
{
  SVO_Node aUnit(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1));
  SVO_Node aFifth(&aUnit, 5);
  expectPoint(aFifth.BoxMin, gp_XYZ(0.5, 0, 0.5));
  expectPoint(aFifth.BoxMax, gp_XYZ(1, 0.5, 1));
  expectPoint(aUnit.Corner(6), gp_XYZ(0, 1, 1));
  expectPoint(aUnit.Corner(6 + 8), aUnit.Corner(6));
  expectPoint(aUnit.Corner(-1), aUnit.Corner(7));

  // An off-origin, non-cubic parent: each child spans the parent centre and the
  // parent corner of its number, the children tile the parent, and exactly the
  // children whose numbers differ in one bit share a face.
  SVO_Node     aParent(gp_XYZ(0.5, 3, 14), gp_XYZ(-1.5, 2, 10));
  const gp_XYZ aCentre(-0.5, 2.5, 12);
  SVO_Node*    aChildren[8];
  for (int c = 0; c < 8; ++c)
  {
    aChildren[c] = new SVO_Node(&aParent, c + 16);
    EXPECT_EQ(aChildren[c]->Parent, &aParent);
    expectPoint(aChildren[c]->Corner(c), aParent.Corner(c));
    expectPoint(aChildren[c]->Corner(7 - c), aCentre);
    expectPoint(aChildren[c]->BoxMax - aChildren[c]->BoxMin, gp_XYZ(1, 0.5, 2));
    EXPECT_FALSE(aChildren[c]->IsAdjacent(&aParent));
    EXPECT_FALSE(aParent.IsAdjacent(aChildren[c]));
  }
  for (int c = 0; c < 8; ++c)
  {
    for (int d = 0; d < 8; ++d)
    {
      const int aNbBits = static_cast<int>(std::bitset<3>(c ^ d).count());
      EXPECT_EQ(aChildren[c]->IsAdjacent(aChildren[d]), aNbBits == 1) << c << " " << d;
      EXPECT_EQ(*aChildren[c] == *aChildren[d], c == d);
    }
  }
  for (SVO_Node* aChild : aChildren)
  {
    delete aChild;
  }
}

TEST(SVO_NodeTest, LocalCoordinatesMapTheBoxOntoMinusOneToOne)
{
  SVO_Node aNode(gp_XYZ(-2, 1, 7), gp_XYZ(6, 1.5, 9));
  expectPoint(aNode.LocalCoordinates(aNode.BoxMin), gp_XYZ(-1, -1, -1));
  expectPoint(aNode.LocalCoordinates(aNode.BoxMax), gp_XYZ(1, 1, 1));
  expectPoint(aNode.LocalCoordinates((aNode.BoxMin + aNode.BoxMax) / 2), gp_XYZ(0, 0, 0));
  expectPoint(aNode.LocalCoordinates(aNode.Corner(5)), gp_XYZ(1, -1, 1));
  // Linear beyond the box too: one extent past BoxMax is 3.
  expectPoint(aNode.LocalCoordinates(gp_XYZ(14, 2, 11)), gp_XYZ(3, 3, 3), 1e-12);
}

TEST(SVO_NodeTest, AdjacencyNeedsASharedPieceOfFace)
{
  const SVO_Node aUnit(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1));
  const SVO_Node aFaceTwin(gp_XYZ(1, 0, 0), gp_XYZ(2, 1, 1));
  const SVO_Node aHalfOnFace(gp_XYZ(1, 0.5, 0), gp_XYZ(1.5, 1, 0.5));
  const SVO_Node anEdgeTwin(gp_XYZ(1, 1, 0), gp_XYZ(2, 2, 1));
  const SVO_Node aCornerTwin(gp_XYZ(1, 1, 1), gp_XYZ(2, 2, 2));
  const SVO_Node aHalfOnEdge(gp_XYZ(1, 1, 0), gp_XYZ(1.5, 1.5, 0.5));
  const SVO_Node aNested(gp_XYZ(0, 0, 0), gp_XYZ(0.5, 0.5, 0.5));
  EXPECT_TRUE(aUnit.IsAdjacent(&aFaceTwin));
  EXPECT_TRUE(aUnit.IsAdjacent(&aHalfOnFace));
  EXPECT_TRUE(aHalfOnFace.IsAdjacent(&aUnit));
  for (const SVO_Node* anOther : {&anEdgeTwin, &aCornerTwin, &aHalfOnEdge, &aNested, &aUnit})
  {
    EXPECT_TRUE(aUnit.IsConnected(anOther, 0.0));
    EXPECT_FALSE(aUnit.IsAdjacent(anOther));
    EXPECT_FALSE(anOther->IsAdjacent(&aUnit));
  }
  EXPECT_FALSE(aUnit.IsAdjacent(nullptr));
  EXPECT_FALSE(aUnit.IsConnected(nullptr, 1.0));

  // Gaps: 5e-8 still touches, twice the touching tolerance does not.
  const SVO_Node aNearGap(gp_XYZ(1 + 5e-8, 0, 0), gp_XYZ(2, 1, 1));
  const SVO_Node aWideGap(gp_XYZ(1 + 2e-7, 0, 0), gp_XYZ(2, 1, 1));
  EXPECT_TRUE(aUnit.IsConnected(&aNearGap, 1e-7));
  EXPECT_TRUE(aUnit.IsAdjacent(&aNearGap));
  EXPECT_TRUE(aNearGap.IsAdjacent(&aUnit));
  EXPECT_FALSE(aUnit.IsConnected(&aWideGap, 1e-7));
  EXPECT_TRUE(aUnit.IsConnected(&aWideGap, 3e-7));
  EXPECT_FALSE(aUnit.IsAdjacent(&aWideGap));
}

TEST(SVO_NodeTest, NeighbourhoodTestsAgreeWithExactGeometryOnRandomTrees)
{
  std::mt19937 aRandom(7);
  const gp_XYZ aMins[]  = {gp_XYZ(-3.1, 0.7, 2.2), gp_XYZ(0, 0, 0)};
  const gp_XYZ aMaxes[] = {gp_XYZ(6.2, 10.0, 11.5), gp_XYZ(9.3, 4.1, 6.2)};
  for (int aCase = 0; aCase < 2; ++aCase)
  {
    const GridTree aGrid = RandomTree(aRandom, aMins[aCase], aMaxes[aCase], 5, 0.35);
    ASSERT_GT(aGrid.Nodes.size(), 200u);
    int aNbAdjacent = 0;
    for (const SVO_Node* aNode : aGrid.Nodes)
    {
      const GridBox& aBox = aGrid.Boxes.at(aNode);
      for (const SVO_Node* anOther : aGrid.Nodes)
      {
        const GridBox& anOtherBox  = aGrid.Boxes.at(anOther);
        bool           isConnected = true;
        for (int k = 0; k < 3; ++k)
        {
          isConnected = isConnected && Contact(aBox, anOtherBox, k) != AxisContact::Apart;
        }
        const bool isAdjacent = ShareFace(aBox, anOtherBox);
        aNbAdjacent += isAdjacent ? 1 : 0;
        ASSERT_EQ(aNode->IsConnected(anOther, 1e-7), isConnected);
        ASSERT_EQ(aNode->IsAdjacent(anOther), isAdjacent);
      }
    }
    EXPECT_GT(aNbAdjacent, 500);
  }
}

TEST(SVO_NodeTest, OrderComparesSixBoundsWithTheIdentityTolerance)
{
  const SVO_Node aBase(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1));
  // Every bound moved by less than 5e-8: the same cell.
  const SVO_Node aJitter(gp_XYZ(4e-8, -4e-8, 4e-8), gp_XYZ(1 - 4e-8, 1 + 4e-8, 1 + 4e-8));
  EXPECT_FALSE(aBase < aJitter);
  EXPECT_FALSE(aJitter < aBase);
  EXPECT_TRUE(aBase == aJitter);

  // A bound beyond the tolerance decides, however far the later bounds go the other way.
  const SVO_Node aFirstLess(gp_XYZ(-6e-8, 5, 5), gp_XYZ(1, 9, 9));
  EXPECT_TRUE(aFirstLess < aBase);
  EXPECT_FALSE(aBase < aFirstLess);
  EXPECT_FALSE(aFirstLess == aBase);

  // Bounds equal within the tolerance pass the decision on, down to the last one.
  const SVO_Node aLastGreater(gp_XYZ(3e-8, 0, 0), gp_XYZ(1, 1, 1 + 1e-7));
  EXPECT_TRUE(aBase < aLastGreater);
  EXPECT_FALSE(aLastGreater < aBase);
  EXPECT_FALSE(aBase == aLastGreater);

  // Links and states are not part of the identity.
  SVO_Node aLinked(&const_cast<SVO_Node&>(aBase), 0);
  aLinked.BoxMin = aBase.BoxMin;
  aLinked.BoxMax = aBase.BoxMax;
  aLinked.State  = SVO_Boundary;
  EXPECT_TRUE(aLinked == aBase);
}

TEST(SVO_NodeTest, OrderSortsAndFindsTreeCellsAsTheirExactBoxesWould)
{
  // Every node of a random tree plus a copy of each with all bounds moved by up
  // to 2e-8: the order must be the lexicographic order of the exact grid boxes,
  // copies equal to their originals. That is a strict weak order, so sorting and
  // ordered maps keyed by cells work.
  std::mt19937   aRandom(11);
  const GridTree aGrid = RandomTree(aRandom, gp_XYZ(-1.7, 0.3, 5), gp_XYZ(3.3, 5.3, 10), 4, 0.4);
  std::uniform_real_distribution<double> aJitter(-2e-8, 2e-8);
  std::vector<SVO_Node>                  aCopies;
  aCopies.reserve(aGrid.Nodes.size());
  std::vector<const SVO_Node*>                 aCells;
  std::unordered_map<const SVO_Node*, GridBox> aBoxes;
  for (const SVO_Node* aNode : aGrid.Nodes)
  {
    aCopies.emplace_back(aNode->BoxMin + gp_XYZ(aJitter(aRandom), aJitter(aRandom), aJitter(aRandom)),
                         aNode->BoxMax + gp_XYZ(aJitter(aRandom), aJitter(aRandom), aJitter(aRandom)));
    aCells.push_back(aNode);
    aCells.push_back(&aCopies.back());
    aBoxes[aNode] = aBoxes[&aCopies.back()] = aGrid.Boxes.at(aNode);
  }
  for (const SVO_Node* aCell : aCells)
  {
    for (const SVO_Node* anOther : aCells)
    {
      const bool isLess = gridKeys(aBoxes.at(aCell)) < gridKeys(aBoxes.at(anOther));
      ASSERT_EQ(*aCell < *anOther, isLess);
      ASSERT_EQ(*aCell == *anOther, gridKeys(aBoxes.at(aCell)) == gridKeys(aBoxes.at(anOther)));
    }
  }

  std::shuffle(aCells.begin(), aCells.end(), aRandom);
  std::sort(aCells.begin(), aCells.end(), NodeLess());
  for (size_t i = 1; i < aCells.size(); ++i)
  {
    EXPECT_LE(gridKeys(aBoxes.at(aCells[i - 1])), gridKeys(aBoxes.at(aCells[i])));
  }

  std::map<const SVO_Node*, size_t, NodeLess> anIndex;
  for (size_t i = 0; i < aGrid.Nodes.size(); ++i)
  {
    EXPECT_TRUE(anIndex.emplace(aGrid.Nodes[i], i).second);
  }
  for (size_t i = 0; i < aCopies.size(); ++i)
  {
    const auto aFound = anIndex.find(&aCopies[i]);
    ASSERT_NE(aFound, anIndex.end());
    EXPECT_EQ(aFound->second, i);
  }
}

TEST(SVO_NodeTest, ChildrenBuiltFromTwoThreadsMatchASerialBuildOnceSorted)
{
  // A voxelization level: threads build the children of different parents into
  // their own lists, which are merged and sorted; the result must not depend on
  // how the parents were shared out.
  const GridTree         aGrid  = UniformTree(gp_XYZ(-0.3, 0.1, 0.2), gp_XYZ(1.7, 2.1, 2.2), 3);
  std::vector<SVO_Node*> aLevel = Leaves(aGrid);
  const auto             aBuild = [&aLevel](size_t theFirst, size_t theStep, std::vector<SVO_Node>& theOut)
  {
    for (size_t i = theFirst; i < aLevel.size(); i += theStep)
    {
      for (int c = 0; c < 8; ++c)
      {
        theOut.emplace_back(aLevel[i], c);
      }
    }
  };
  std::vector<SVO_Node> aSerial, aFirst, aSecond;
  aBuild(0, 1, aSerial);
  std::thread aThread1(aBuild, 0, 2, std::ref(aFirst));
  std::thread aThread2(aBuild, 1, 2, std::ref(aSecond));
  aThread1.join();
  aThread2.join();
  std::vector<SVO_Node> aMerged(aSecond);
  aMerged.insert(aMerged.end(), aFirst.begin(), aFirst.end());
  std::sort(aSerial.begin(), aSerial.end());
  std::sort(aMerged.begin(), aMerged.end());
  ASSERT_EQ(aMerged.size(), aSerial.size());
  for (size_t i = 0; i < aSerial.size(); ++i)
  {
    EXPECT_EQ(keys(aMerged[i]), keys(aSerial[i]));
    EXPECT_EQ(aMerged[i].Parent, aSerial[i].Parent);
    if (i > 0)
    {
      EXPECT_TRUE(aSerial[i - 1] < aSerial[i]) << "distinct cells are never equal";
    }
  }
}
