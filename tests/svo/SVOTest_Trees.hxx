#ifndef SVOTest_Trees_HeaderFile
#define SVOTest_Trees_HeaderFile

#include <SVO_Tree.hxx>

#include <algorithm>
#include <array>
#include <random>
#include <unordered_map>
#include <vector>

//! Octrees built for the tests, with the integer box of every cell on the grid of
//! the finest level, so that expected answers come from exact integer geometry.
namespace SVOTest_Trees
{
//! Bounds of a cell on the finest grid, lower X, Y, Z then upper X, Y, Z.
using GridBox = std::array<long long, 6>;

//! A tree, its nodes level by level (the root first) and their grid boxes; the
//! root spans [0, Size] per axis.
struct GridTree
{
  Handle(SVO_Tree)                             Tree = new SVO_Tree();
  long long                                    Size = 1;
  std::vector<SVO_Node*>                       Nodes;
  std::unordered_map<const SVO_Node*, GridBox> Boxes;
};

//! Splits, level by level down to the finest, every leaf for which the rule, asked once, says so.
template <typename Rule>
GridTree BuildTree(const gp_XYZ& theMin, const gp_XYZ& theMax, int theLevels, Rule theRule)
{
  GridTree aGrid;
  aGrid.Size                  = 1LL << theLevels;
  aGrid.Tree->Root()->BoxMin  = theMin;
  aGrid.Tree->Root()->BoxMax  = theMax;
  aGrid.Nodes                 = {aGrid.Tree->Root()};
  aGrid.Boxes[aGrid.Nodes[0]] = GridBox{0, 0, 0, aGrid.Size, aGrid.Size, aGrid.Size};
  for (size_t i = 0; i < aGrid.Nodes.size(); ++i)
  {
    SVO_Node*     aNode = aGrid.Nodes[i];
    const GridBox aBox  = aGrid.Boxes.at(aNode);
    for (int aChild = 0; aBox[3] - aBox[0] > 1 && aChild < 8 && (aChild > 0 || theRule(aNode)); ++aChild)
    {
      aNode->Children[aChild] = new SVO_Node(aNode, aChild);
      GridBox& aChildBox = aGrid.Boxes[aNode->Children[aChild]] = aBox;
      for (int k = 0; k < 3; ++k)
      {
        aChildBox[((aChild >> k) & 1) != 0 ? k : k + 3] = (aBox[k] + aBox[k + 3]) / 2;
      }
      aGrid.Nodes.push_back(aNode->Children[aChild]);
    }
  }
  return aGrid;
}

//! Number of axes along which two grid boxes only touch; -1 when they are apart.
//! They share a piece of face when it is 1.
inline int NbTouchingAxes(const GridBox& theA, const GridBox& theB)
{
  int aNb = 0;
  for (int k = 0; k < 3; ++k)
  {
    const long long aGap = std::max(theA[k], theB[k]) - std::min(theA[k + 3], theB[k + 3]);
    aNb += aGap > 0 ? 4 : (aGap == 0 ? 1 : 0);
  }
  return aNb > 3 ? -1 : aNb;
}
} // namespace SVOTest_Trees

#endif
