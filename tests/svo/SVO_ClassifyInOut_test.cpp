#include <SVO_ClassifyInOut.hxx>

#include "SVOTest_Trees.hxx"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

using namespace SVOTest_Trees;

namespace
{
// Classifies and checks every node against brute force: split nodes and boundary leaves keep their states;
// the empty leaves form regions (union-find over the pairs sharing a piece of face); a region reaching the
// bounds of the root is outside, an enclosed one inside at even nesting levels, its level being the longest
// chain of enclosed regions whose boxes strictly hold one another (equal boxes sit side by side). Adds the
// enclosed leaves at nesting level 0, 1, 2 or more to the counts.
void classifyAndCheck(const GridTree& theGrid, std::array<int, 3>& theNbNested)
{
  std::vector<const SVO_Node*>             anEmpty;
  std::vector<size_t>                      aParent; // of the union-find over the empty leaves
  std::unordered_map<const SVO_Node*, int> anExpected;
  for (const SVO_Node* aNode : theGrid.Nodes)
  {
    anExpected[aNode] = aNode->State;
    if (aNode->Children[0] == nullptr && aNode->State != SVO_Boundary)
    {
      aParent.push_back(anEmpty.size());
      anEmpty.push_back(aNode);
    }
  }
  const std::function<size_t(size_t)> aFind = [&](size_t x)
  { return aParent[x] == x ? x : aParent[x] = aFind(aParent[x]); };
  for (size_t a = 0; a < anEmpty.size(); ++a)
  {
    for (size_t b = a + 1; b < anEmpty.size(); ++b)
    {
      const bool isTouching = NbTouchingAxes(theGrid.Boxes.at(anEmpty[a]), theGrid.Boxes.at(anEmpty[b])) == 1;
      aParent[aFind(a)]     = aFind(isTouching ? b : a);
    }
  }
  std::map<size_t, GridBox> aRegions;
  for (size_t a = 0; a < anEmpty.size(); ++a)
  {
    const GridBox& aBox    = theGrid.Boxes.at(anEmpty[a]);
    GridBox&       aRegion = aRegions.emplace(aFind(a), aBox).first->second;
    for (int k = 0; k < 6; ++k)
    {
      aRegion[k] = k < 3 ? std::min(aRegion[k], aBox[k]) : std::max(aRegion[k], aBox[k]);
    }
  }
  std::map<size_t, int>            aLevels; // -1 for open regions
  const std::function<int(size_t)> aLevelOf = [&](size_t theRegion)
  {
    const GridBox& anIn = aRegions.at(theRegion);
    if (aLevels.count(theRegion) == 0)
    {
      const bool isOpen =
          std::min({anIn[0], anIn[1], anIn[2]}) == 0 || std::max({anIn[3], anIn[4], anIn[5]}) == theGrid.Size;
      aLevels[theRegion] = isOpen ? -1 : 0;
      for (const auto& [anOuter, aBox] : aRegions)
      {
        bool isHeld = !isOpen && aBox != anIn;
        for (int k = 0; k < 3; ++k)
        {
          isHeld = isHeld && aBox[k] <= anIn[k] && anIn[k + 3] <= aBox[k + 3];
        }
        aLevels[theRegion] =
            std::max(aLevels[theRegion], isHeld && aLevelOf(anOuter) >= 0 ? aLevelOf(anOuter) + 1 : -1);
      }
    }
    return aLevels.at(theRegion);
  };
  for (size_t a = 0; a < anEmpty.size(); ++a)
  {
    const int aLevel       = aLevelOf(aFind(a));
    anExpected[anEmpty[a]] = aLevel >= 0 && aLevel % 2 == 0 ? SVO_Inside : SVO_Outside;
    theNbNested[std::clamp(aLevel, 0, 2)] += aLevel >= 0 ? 1 : 0;
  }
  EXPECT_TRUE(Handle(SVO_ClassifyInOut)(new SVO_ClassifyInOut(theGrid.Tree))->Perform());
  for (const SVO_Node* aNode : theGrid.Nodes)
  {
    EXPECT_EQ(aNode->State, anExpected.at(aNode))
        << "cell " << aNode->BoxMin.X() << " " << aNode->BoxMin.Y() << " " << aNode->BoxMin.Z();
  }
}
} // namespace

TEST(SVO_ClassifyInOutTest, HandMadeAndRandomGridsMatchBruteForce)
{
  EXPECT_FALSE(Handle(SVO_ClassifyInOut)(new SVO_ClassifyInOut(Handle(SVO_Tree)()))->Perform());
  const auto inCube = [](int i, int j, int k, int theLo, int theHi) {
    return std::min({i, j, k}) >= theLo && std::max({i, j, k}) <= theHi;
  };
  const struct
  {
    gp_XYZ                             Min, Max;
    int                                Levels;
    std::function<bool(int, int, int)> IsWall;
    int                                NbInside;
  } aCases[] = {
      // A root without box touches its own bounds; a flat root has no inside, even
      // where a ring of boundary cells surrounds cells in its plane.
      {gp_XYZ(-2e100, -2e100, -2e100), gp_XYZ(2e100, 2e100, 2e100), 0, nullptr, 0},
      {gp_XYZ(0, 0, 1), gp_XYZ(1, 1, 1), 2,
       [](int i, int j, int k) { return k == 0 && (std::min(i, j) == 0 || std::max(i, j) == 3); }, 0},
      // A box shell one cell thick at 1 and 14 holding an octahedral shell one cell
      // thick, whose inner and outer empty cells meet only along edges: leaking
      // through them would merge the cavity with the material around it.
      {gp_XYZ(-1, -1, -1), gp_XYZ(1, 1, 1), 4,
       [&](int i, int j, int k)
       {
         return (inCube(i, j, k, 1, 14) && !inCube(i, j, k, 2, 13)) ||
                std::abs(i - 7.5) + std::abs(j - 7.5) + std::abs(k - 7.5) == 5.5;
       },
       1448},
      // Inside a sealed 8^3 block, two enclosed paths along disjoint edges of the
      // cube [2, 5]^3 have the same bounding box, and a 2^3 pocket sits between
      // them: neither path nests in the other, both are inside, the pocket a cavity.
      {gp_XYZ(-1, -1, -1), gp_XYZ(1, 1, 1), 3,
       [&](int i, int j, int k)
       {
         const bool inPaths = (j == 2 && k == 2) || (i == 5 && k == 2) || (i == 5 && j == 5) ||
                              (j == 2 && k == 5) || (i == 2 && k == 5) || (i == 2 && j == 5);
         return inCube(i, j, k, 1, 6) && !inCube(i, j, k, 3, 4) && !(inCube(i, j, k, 2, 5) && inPaths);
       },
       20}};
  for (const auto& aCase : aCases)
  {
    GridTree aGrid = BuildTree(aCase.Min, aCase.Max, aCase.Levels, [](SVO_Node*) { return true; });
    for (SVO_Node* aNode : aGrid.Nodes) // earlier labels of empty cells do not matter
    {
      const GridBox& aBox = aGrid.Boxes.at(aNode);
      aNode->State = aNode->Children[0] == nullptr && aCase.IsWall && aCase.IsWall(aBox[0], aBox[1], aBox[2])
                         ? SVO_Boundary
                         : SVO_Inside;
    }
    std::array<int, 3> aNbNested{};
    classifyAndCheck(aGrid, aNbNested);
    EXPECT_EQ(aNbNested[0], aCase.NbInside);
  }
  std::mt19937                           aRandom(17);
  std::uniform_real_distribution<double> aPlace(0.6, 2.4), aScale(0.1, 1.0), aUnit(0.0, 1.0);
  std::array<int, 3>                     aNbNested{};
  const double                           aNorms[] = {1.0, 2.0, 16.0};
  for (int aTrial = 0; aTrial < 12; ++aTrial)
  {
    // Random shells, crossing or nested, split down to the finest level where they
    // pass, in a randomly refined tree with some noise cells. A shell is the surface
    // of a ball in the 1-, 2- or 16-norm: an octahedron, a sphere, a rounded box.
    std::vector<std::array<double, 5>> aBalls; // centre, radius, norm
    for (int aBall = 0; aBall < 3 + aTrial % 3; ++aBall)
    {
      const bool isNested = aBall > 0 && aUnit(aRandom) < 0.5; // in the previous one
      aBalls.push_back(isNested ? aBalls.back()
                                : std::array<double, 5>{aPlace(aRandom), aPlace(aRandom), aPlace(aRandom),
                                                        aScale(aRandom), aNorms[aRandom() % 3]});
      aBalls.back()[3] *= isNested ? 0.6 : 1.0;
    }
    const auto aMeets = [&](const SVO_Node* theCell)
    {
      bool isMet = false;
      for (const std::array<double, 5>& aBall : aBalls)
      {
        double aNear = 0.0, aFar = 0.0;
        for (int k = 0; k < 3; ++k)
        {
          const double aLo = theCell->BoxMin.Coord(k + 1) - aBall[k],
                       aHi = theCell->BoxMax.Coord(k + 1) - aBall[k];
          aNear += std::pow(std::max({0.0, aLo, -aHi}), aBall[4]);
          aFar += std::pow(std::max(-aLo, aHi), aBall[4]);
        }
        isMet = isMet || (aNear <= std::pow(aBall[3], aBall[4]) && std::pow(aBall[3], aBall[4]) <= aFar);
      }
      return isMet;
    };
    GridTree aGrid = BuildTree(gp_XYZ(-0.37, 0.1, -0.1), gp_XYZ(2.63, 3.1, 2.9), 5,
                               [&](SVO_Node* theNode) { return aMeets(theNode) || aUnit(aRandom) < 0.15; });
    for (SVO_Node* aNode : aGrid.Nodes)
    {
      const bool isLeaf = aNode->Children[0] == nullptr;
      aNode->State = aMeets(aNode) || (isLeaf && aUnit(aRandom) < 0.05) ? SVO_Boundary : int(aRandom() % 3);
    }
    classifyAndCheck(aGrid, aNbNested);
  }
  EXPECT_TRUE(aNbNested[0] > 0 && aNbNested[1] > 0 && aNbNested[2] > 0)
      << aNbNested[0] << " " << aNbNested[1] << " " << aNbNested[2];
}
