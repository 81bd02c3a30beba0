#include <SVO_ClassifyInOut.hxx>

#include "SVOTest_Trees.hxx"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <numeric>

using namespace SVOTest_Trees;

namespace
{
//! A closed surface made in code: the surface of a box, a sphere or an octahedron.
struct Shell
{
  enum Kind
  {
    Box,
    Sphere,
    Octahedron
  };
  Kind   Type;
  gp_XYZ Centre;
  double Size; //!< half side, radius, or distance from centre to a vertex

  // Nearest and farthest distance from the centre to the cell, in the shell's metric.
  std::pair<double, double> range(const SVO_Node& theCell) const
  {
    double aNear[3], aFar[3];
    for (int k = 1; k <= 3; ++k)
    {
      const double aLo = theCell.BoxMin.Coord(k) - Centre.Coord(k);
      const double aHi = theCell.BoxMax.Coord(k) - Centre.Coord(k);
      aNear[k - 1]     = std::max({0.0, aLo, -aHi});
      aFar[k - 1]      = std::max(std::abs(aLo), std::abs(aHi));
    }
    switch (Type)
    {
    case Box:
      return {std::max({aNear[0], aNear[1], aNear[2]}), std::max({aFar[0], aFar[1], aFar[2]})};
    case Sphere:
      return {std::hypot(aNear[0], aNear[1], aNear[2]), std::hypot(aFar[0], aFar[1], aFar[2])};
    default:
      return {aNear[0] + aNear[1] + aNear[2], aFar[0] + aFar[1] + aFar[2]};
    }
  }

  bool Meets(const SVO_Node& theCell) const
  {
    const std::pair<double, double> aRange = range(theCell);
    return aRange.first <= Size && Size <= aRange.second;
  }

  bool Encloses(const gp_XYZ& thePoint) const
  {
    const SVO_Node aPoint(thePoint, thePoint);
    return range(aPoint).first < Size;
  }
};

// States of everything classification must leave alone: split nodes and boundary leaves.
std::map<const SVO_Node*, int> fixedStates(const GridTree& theGrid)
{
  std::map<const SVO_Node*, int> aStates;
  for (const SVO_Node* aNode : theGrid.Nodes)
  {
    if (aNode->Children[0] != nullptr || aNode->State == SVO_Boundary)
    {
      aStates[aNode] = aNode->State;
    }
  }
  return aStates;
}

// Classifies and checks every empty leaf against the expected state; returns the
// number of inside and outside leaves.
std::pair<int, int> classifyAndCheck(const GridTree&                            theGrid,
                                     const std::function<int(const SVO_Node*)>& theExpected)
{
  const std::map<const SVO_Node*, int> aFixed    = fixedStates(theGrid);
  Handle(SVO_ClassifyInOut)            aClassify = new SVO_ClassifyInOut(theGrid.Tree);
  EXPECT_TRUE(aClassify->Perform());
  std::pair<int, int> aCounts(0, 0);
  for (const SVO_Node* aNode : theGrid.Nodes)
  {
    const auto aFound = aFixed.find(aNode);
    if (aFound != aFixed.end())
    {
      EXPECT_EQ(aNode->State, aFound->second);
      continue;
    }
    const int anExpected = theExpected(aNode);
    EXPECT_EQ(aNode->State, anExpected)
        << "cell " << aNode->BoxMin.X() << " " << aNode->BoxMin.Y() << " " << aNode->BoxMin.Z() << " size "
        << aNode->BoxMax.X() - aNode->BoxMin.X();
    (anExpected == SVO_Inside ? aCounts.first : aCounts.second) += 1;
  }
  return aCounts;
}

// Splits the cells the shells pass through down to the finest level, as the
// voxelization does, and marks the finest ones boundary. The extra rule may
// split other cells too.
GridTree voxelize(
    const std::vector<Shell>&    theShells,
    int                          theLevels,
    const gp_XYZ&                theMin   = gp_XYZ(0, 0, 0),
    double                       theSize  = 1.0,
    const std::function<bool()>& theExtra = [] { return false; })
{
  const auto aMeets = [&theShells](const SVO_Node* theNode)
  {
    return std::any_of(theShells.begin(), theShells.end(),
                       [theNode](const Shell& theShell) { return theShell.Meets(*theNode); });
  };
  GridTree aGrid = BuildTree(theMin, theMin + gp_XYZ(theSize, theSize, theSize), theLevels,
                             [&](SVO_Node* theNode, int) { return aMeets(theNode) || theExtra(); });
  for (SVO_Node* aNode : aGrid.Nodes)
  {
    aNode->State = aMeets(aNode) ? SVO_Boundary : SVO_Unclassified;
  }
  return aGrid;
}

// A uniform grid of 2^levels cells per axis whose cell (i, j, k) is boundary when the rule says so.
GridTree gridOfCells(int theLevels, const std::function<bool(int, int, int)>& theIsBoundary)
{
  GridTree aGrid = UniformTree(gp_XYZ(-1, -1, -1), gp_XYZ(1, 1, 1), theLevels);
  for (SVO_Node* aLeaf : Leaves(aGrid))
  {
    const GridBox& aBox = aGrid.Boxes.at(aLeaf);
    aLeaf->State =
        theIsBoundary(int(aBox.Lo[0]), int(aBox.Lo[1]), int(aBox.Lo[2])) ? SVO_Boundary : SVO_Inside;
  }
  return aGrid;
}

int cellIndex(const GridTree& theGrid, const SVO_Node* theNode, int theAxis)
{
  return int(theGrid.Boxes.at(theNode).Lo[theAxis]);
}
} // namespace

TEST(SVO_ClassifyInOutTest, NoTreeFailsAndTreesWithoutEnclosuresAreOutside)
{
  Handle(SVO_ClassifyInOut) aClassify = new SVO_ClassifyInOut(Handle(SVO_Tree)());
  EXPECT_FALSE(aClassify->Perform());
  EXPECT_TRUE(aClassify->IsKind(STANDARD_TYPE(SVO_UpdateTree)));

  // An empty root touches its own boundary, with or without a box.
  Handle(SVO_Tree) aBare = new SVO_Tree();
  aClassify->SetTree(aBare);
  EXPECT_TRUE(aClassify->Perform());
  EXPECT_EQ(aBare->Root()->State, SVO_Outside);
  GridTree aRoot = MakeRoot(gp_XYZ(2, 2, 2), gp_XYZ(3, 3, 3), 0);
  classifyAndCheck(aRoot, [](const SVO_Node*) { return SVO_Outside; });

  // A flat root has no inside: every cell lies on its boundary, even where the
  // cells around it are boundary cells.
  GridTree aFlat = UniformTree(gp_XYZ(0, 0, 1), gp_XYZ(1, 1, 1), 2);
  for (SVO_Node* aLeaf : Leaves(aFlat))
  {
    const GridBox& aBox   = aFlat.Boxes.at(aLeaf);
    const bool     isRing = std::min(aBox.Lo[0], aBox.Lo[1]) == 0 || std::max(aBox.Hi[0], aBox.Hi[1]) == 4;
    aLeaf->State          = isRing && aBox.Lo[2] == 0 ? SVO_Boundary : SVO_Unclassified;
  }
  classifyAndCheck(aFlat, [](const SVO_Node*) { return SVO_Outside; });

  // Only boundary leaves: nothing to do, nothing changed.
  GridTree aFull = UniformTree(gp_XYZ(0, 0, 0), gp_XYZ(1, 1, 1), 2);
  for (SVO_Node* aNode : aFull.Nodes)
  {
    aNode->State = SVO_Boundary;
  }
  classifyAndCheck(aFull, [](const SVO_Node*) { return -1; });
}

TEST(SVO_ClassifyInOutTest, NestedShellsAlternateInsideAndOutside)
{
  const gp_XYZ                          aMid(0.5, 0.5, 0.5);
  const std::vector<std::vector<Shell>> aCases = {
      // A hollow box: the wall is inside, the cavity outside.
      {{Shell::Box, aMid, 0.33}, {Shell::Box, aMid, 0.14}},
      // Three concentric spheres, off the grid planes.
      {{Shell::Sphere, gp_XYZ(0.52, 0.49, 0.5), 0.44},
       {Shell::Sphere, gp_XYZ(0.52, 0.49, 0.5), 0.29},
       {Shell::Sphere, gp_XYZ(0.52, 0.49, 0.5), 0.13}},
      // Two hollow boxes side by side: each cavity nests in its own box only.
      {{Shell::Box, gp_XYZ(0.27, 0.5, 0.5), 0.2},
       {Shell::Box, gp_XYZ(0.27, 0.5, 0.5), 0.08},
       {Shell::Box, gp_XYZ(0.73, 0.5, 0.5), 0.2},
       {Shell::Sphere, gp_XYZ(0.73, 0.5, 0.5), 0.1}},
      // Slanted staircase walls of an octahedron inside a box, a ball inside it.
      {{Shell::Box, aMid, 0.4},
       {Shell::Octahedron, aMid, 0.3},
       {Shell::Sphere, gp_XYZ(0.49, 0.5, 0.51), 0.08}}};
  for (const std::vector<Shell>& aShells : aCases)
  {
    const GridTree            aGrid = voxelize(aShells, 6);
    const std::pair<int, int> aCounts =
        classifyAndCheck(aGrid,
                         [&aShells](const SVO_Node* theLeaf)
                         {
                           const gp_XYZ aCentre   = (theLeaf->BoxMin + theLeaf->BoxMax) / 2;
                           const auto   aNbAround = std::count_if(aShells.begin(), aShells.end(),
                                                                  [&aCentre](const Shell& theShell)
                                                                  { return theShell.Encloses(aCentre); });
                           return aNbAround % 2 == 1 ? SVO_Inside : SVO_Outside;
                         });
    EXPECT_GT(aCounts.first, 20);
    EXPECT_GT(aCounts.second, 20);
  }
}

TEST(SVO_ClassifyInOutTest, CellThinWallsSealAcrossEdgesAndCorners)
{
  // A 16^3 grid: a box shell one cell thick at 1 and 14, and inside it an
  // octahedral shell one cell thick, whose inner and outer empty cells meet only
  // along edges. Leaking through those edges would merge the cavity with the
  // material around it.
  const auto aL1 = [](int i, int j, int k)
  { return std::abs(i - 7.5) + std::abs(j - 7.5) + std::abs(k - 7.5); };
  const auto aOnBox = [](int i, int j, int k)
  {
    const int aLo = std::min({i, j, k}), aHi = std::max({i, j, k});
    return aLo >= 1 && aHi <= 14 && (aLo == 1 || aHi == 14);
  };
  const GridTree aGrid =
      gridOfCells(4, [&](int i, int j, int k) { return aOnBox(i, j, k) || aL1(i, j, k) == 5.5; });
  const std::pair<int, int> aCounts =
      classifyAndCheck(aGrid,
                       [&](const SVO_Node* theLeaf)
                       {
                         const int i = cellIndex(aGrid, theLeaf, 0), j = cellIndex(aGrid, theLeaf, 1),
                                   k      = cellIndex(aGrid, theLeaf, 2);
                         const bool isRim = std::min({i, j, k}) == 0 || std::max({i, j, k}) == 15;
                         return !isRim && aL1(i, j, k) > 5.5 ? SVO_Inside : SVO_Outside;
                       });
  EXPECT_GT(aCounts.first, 100);
}

TEST(SVO_ClassifyInOutTest, EnclosuresWithEqualBoxesAreSideBySide)
{
  // Inside a sealed 8^3 block, two enclosed paths along disjoint edges of the
  // cube [2, 5]^3 have the same bounding box; a 2^3 pocket sits in the middle.
  // Neither path nests in the other: both are inside, and the pocket, held by
  // both boxes, is a cavity.
  const auto inPathA = [](int i, int j, int k)
  { return (j == 2 && k == 2) || (i == 5 && k == 2) || (i == 5 && j == 5); };
  const auto inPathB = [](int i, int j, int k)
  { return (j == 2 && k == 5) || (i == 2 && k == 5) || (i == 2 && j == 5); };
  const auto inCube = [](int i, int j, int k) {
    return std::min({i, j, k}) >= 2 && std::max({i, j, k}) <= 5;
  };
  const auto inPocket = [](int i, int j, int k) {
    return std::min({i, j, k}) >= 3 && std::max({i, j, k}) <= 4;
  };
  const auto isRim = [](int i, int j, int k) { return std::min({i, j, k}) == 0 || std::max({i, j, k}) == 7; };
  const auto isEmpty = [&](int i, int j, int k)
  {
    return isRim(i, j, k) || inPocket(i, j, k) || (inCube(i, j, k) && (inPathA(i, j, k) || inPathB(i, j, k)));
  };
  const GridTree            aGrid = gridOfCells(3, [&](int i, int j, int k) { return !isEmpty(i, j, k); });
  const std::pair<int, int> aCounts =
      classifyAndCheck(aGrid,
                       [&](const SVO_Node* theLeaf)
                       {
                         const int i = cellIndex(aGrid, theLeaf, 0), j = cellIndex(aGrid, theLeaf, 1),
                                   k = cellIndex(aGrid, theLeaf, 2);
                         return isRim(i, j, k) || inPocket(i, j, k) ? SVO_Outside : SVO_Inside;
                       });
  EXPECT_EQ(aCounts.first, 2 * 10);
  EXPECT_EQ(aCounts.second, 8 * 8 * 8 - 6 * 6 * 6 + 8);
}

TEST(SVO_ClassifyInOutTest, RandomTreesMatchBruteForceRegionsAndNesting)
{
  std::mt19937 aRandom(17);
  int          aNbNested[3] = {0, 0, 0}; // enclosed leaves at nesting level 0, 1, 2 or more
  for (int aTrial = 0; aTrial < 12; ++aTrial)
  {
    // Random shells, crossing or nested, in a randomly refined tree, with some
    // noise cells; earlier labels of empty cells must not matter.
    const gp_XYZ                           aMin(-0.37, 1.1, 2.9);
    const double                           aSize = 3.0;
    std::uniform_real_distribution<double> aPlace(0.2, 0.8), aScale(0.03, 0.35), aUnit(0.0, 1.0);
    std::vector<Shell>                     aShells;
    for (int aShell = 0; aShell < 3 + aTrial % 3; ++aShell)
    {
      const gp_XYZ aCentre = aMin + aSize * gp_XYZ(aPlace(aRandom), aPlace(aRandom), aPlace(aRandom));
      aShells.push_back({Shell::Kind(aRandom() % 3), aCentre, aSize * aScale(aRandom)});
    }
    GridTree               aGrid = voxelize(aShells, 5, aMin, aSize, [&] { return aUnit(aRandom) < 0.15; });
    std::vector<SVO_Node*> anEmpty;
    for (SVO_Node* aLeaf : Leaves(aGrid))
    {
      if (aLeaf->State != SVO_Boundary)
      {
        aLeaf->State = aUnit(aRandom) < 0.05 ? SVO_Boundary : int(aRandom() % 3);
      }
      if (aLeaf->State != SVO_Boundary)
      {
        anEmpty.push_back(aLeaf);
      }
    }
    // Regions by union-find over all pairs of empty leaves sharing a face exactly.
    const size_t        aNb = anEmpty.size();
    std::vector<size_t> aParent(aNb);
    std::iota(aParent.begin(), aParent.end(), size_t(0));
    const std::function<size_t(size_t)> aFind = [&](size_t x)
    { return aParent[x] == x ? x : aParent[x] = aFind(aParent[x]); };
    std::vector<GridBox> aBoxes;
    for (const SVO_Node* aLeaf : anEmpty)
    {
      aBoxes.push_back(aGrid.Boxes.at(aLeaf));
    }
    for (size_t a = 0; a < aNb; ++a)
    {
      for (size_t b = a + 1; b < aNb; ++b)
      {
        if (ShareFace(aBoxes[a], aBoxes[b]))
        {
          aParent[aFind(a)] = aFind(b);
        }
      }
    }
    std::map<size_t, GridBox> aRegionBox;
    std::map<size_t, bool>    anOpen;
    for (size_t a = 0; a < aNb; ++a)
    {
      const GridBox& aBox    = aGrid.Boxes.at(anEmpty[a]);
      const auto     anEntry = aRegionBox.emplace(aFind(a), aBox);
      for (int k = 0; k < 3; ++k)
      {
        anEntry.first->second.Lo[k] = std::min(anEntry.first->second.Lo[k], aBox.Lo[k]);
        anEntry.first->second.Hi[k] = std::max(anEntry.first->second.Hi[k], aBox.Hi[k]);
        anOpen[aFind(a)]            = anOpen[aFind(a)] || aBox.Lo[k] == 0 || aBox.Hi[k] == aGrid.Size();
      }
    }
    // Nesting level: the longest chain of enclosed regions whose boxes strictly
    // hold one another (equal boxes sit side by side); even levels are inside.
    std::map<size_t, int>            aLevel;
    const std::function<int(size_t)> aLevelOf = [&](size_t theRegion)
    {
      if (aLevel.count(theRegion) == 0)
      {
        int aDeepest = 0;
        for (const auto& anOuter : aRegionBox)
        {
          const GridBox& aIn    = aRegionBox.at(theRegion);
          const GridBox& aOut   = anOuter.second;
          bool           isHeld = !anOpen.at(anOuter.first) && (aOut.Lo != aIn.Lo || aOut.Hi != aIn.Hi);
          for (int k = 0; k < 3; ++k)
          {
            isHeld = isHeld && aOut.Lo[k] <= aIn.Lo[k] && aIn.Hi[k] <= aOut.Hi[k];
          }
          if (isHeld)
          {
            aDeepest = std::max(aDeepest, aLevelOf(anOuter.first) + 1);
          }
        }
        aLevel[theRegion] = aDeepest;
      }
      return aLevel.at(theRegion);
    };
    std::unordered_map<const SVO_Node*, int> anExpected;
    for (size_t a = 0; a < aNb; ++a)
    {
      const size_t aRegion   = aFind(a);
      const bool   isInside  = !anOpen.at(aRegion) && aLevelOf(aRegion) % 2 == 0;
      anExpected[anEmpty[a]] = isInside ? SVO_Inside : SVO_Outside;
      if (!anOpen.at(aRegion))
      {
        aNbNested[std::min(aLevelOf(aRegion), 2)] += 1;
      }
    }
    classifyAndCheck(aGrid, [&anExpected](const SVO_Node* theLeaf) { return anExpected.at(theLeaf); });
  }
  EXPECT_GT(aNbNested[0], 0);
  EXPECT_GT(aNbNested[1], 0);
  EXPECT_GT(aNbNested[2], 0);
}
