#ifndef SVOTest_Trees_HeaderFile
#define SVOTest_Trees_HeaderFile

#include <SVO_Node.hxx>
#include <SVO_Tree.hxx>

#include <array>
#include <random>
#include <unordered_map>
#include <vector>

//! Octrees built for the tests, with the integer box of every cell on the grid of
//! the finest level, so that expected answers come from exact integer geometry.
namespace SVOTest_Trees
{
//! Bounds of a cell on the finest grid: the root spans [0, 2^levels] per axis.
struct GridBox
{
  std::array<long long, 3> Lo;
  std::array<long long, 3> Hi;
};

//! A tree and the grid box of each of its nodes.
struct GridTree
{
  Handle(SVO_Tree)                             Tree;
  int                                          Levels = 0;
  std::vector<SVO_Node*>                       Nodes; //!< in creation order, the root first
  std::unordered_map<const SVO_Node*, GridBox> Boxes;

  long long Size() const { return 1LL << Levels; }
};

//! Links the eight octants of a leaf into it, the way the voxelization splits.
inline void Split(SVO_Node* theNode)
{
  for (int aChild = 0; aChild < 8; ++aChild)
  {
    theNode->Children[aChild] = new SVO_Node(theNode, aChild);
  }
}

//! A tree that is only a root spanning the two corners, on a grid of 2^levels cells per axis.
inline GridTree MakeRoot(const gp_XYZ& theMin, const gp_XYZ& theMax, int theLevels)
{
  GridTree aGrid;
  aGrid.Tree            = new SVO_Tree();
  aGrid.Levels          = theLevels;
  SVO_Node* aRoot       = aGrid.Tree->Root();
  aRoot->BoxMin         = theMin;
  aRoot->BoxMax         = theMax;
  const long long aSize = aGrid.Size();
  aGrid.Boxes[aRoot]    = GridBox{{0, 0, 0}, {aSize, aSize, aSize}};
  aGrid.Nodes.push_back(aRoot);
  return aGrid;
}

//! Splits a leaf and records the grid boxes of its children.
inline void SplitGrid(GridTree& theGrid, SVO_Node* theNode)
{
  Split(theNode);
  const GridBox aBox = theGrid.Boxes.at(theNode);
  for (int aChild = 0; aChild < 8; ++aChild)
  {
    GridBox aChildBox;
    for (int k = 0; k < 3; ++k)
    {
      const long long aMid = (aBox.Lo[k] + aBox.Hi[k]) / 2;
      const bool      isHi = ((aChild >> k) & 1) != 0;
      aChildBox.Lo[k]      = isHi ? aMid : aBox.Lo[k];
      aChildBox.Hi[k]      = isHi ? aBox.Hi[k] : aMid;
    }
    theGrid.Boxes[theNode->Children[aChild]] = aChildBox;
    theGrid.Nodes.push_back(theNode->Children[aChild]);
  }
}

//! Splits, level by level, every leaf for which the rule says so, down to the finest level.
template <typename Rule>
GridTree BuildTree(const gp_XYZ& theMin, const gp_XYZ& theMax, int theLevels, Rule theRule)
{
  GridTree               aGrid = MakeRoot(theMin, theMax, theLevels);
  std::vector<SVO_Node*> aLevel(1, aGrid.Tree->Root());
  for (int aDepth = 0; aDepth < theLevels; ++aDepth)
  {
    std::vector<SVO_Node*> aNext;
    for (SVO_Node* aNode : aLevel)
    {
      if (theRule(aNode, aDepth))
      {
        SplitGrid(aGrid, aNode);
        aNext.insert(aNext.end(), aNode->Children, aNode->Children + 8);
      }
    }
    aLevel.swap(aNext);
  }
  return aGrid;
}

//! Every node split down to the finest level.
inline GridTree UniformTree(const gp_XYZ& theMin, const gp_XYZ& theMax, int theLevels)
{
  return BuildTree(theMin, theMax, theLevels, [](SVO_Node*, int) { return true; });
}

//! The root always split, other nodes with the given probability.
inline GridTree RandomTree(std::mt19937& theRandom,
                           const gp_XYZ& theMin,
                           const gp_XYZ& theMax,
                           int           theLevels,
                           double        theSplitProbability)
{
  std::bernoulli_distribution aSplit(theSplitProbability);
  return BuildTree(theMin, theMax, theLevels,
                   [&](SVO_Node*, int theDepth) { return theDepth == 0 || aSplit(theRandom); });
}

//! The leaves of a tree in creation order.
inline std::vector<SVO_Node*> Leaves(const GridTree& theGrid)
{
  std::vector<SVO_Node*> aLeaves;
  for (SVO_Node* aNode : theGrid.Nodes)
  {
    if (aNode->Children[0] == nullptr)
    {
      aLeaves.push_back(aNode);
    }
  }
  return aLeaves;
}

//! How two grid boxes meet along one axis.
enum class AxisContact
{
  Apart,
  Touch,
  Overlap
};

inline AxisContact Contact(const GridBox& theA, const GridBox& theB, int theAxis)
{
  const long long aLo = std::max(theA.Lo[theAxis], theB.Lo[theAxis]);
  const long long aHi = std::min(theA.Hi[theAxis], theB.Hi[theAxis]);
  return aHi > aLo ? AxisContact::Overlap : (aHi == aLo ? AxisContact::Touch : AxisContact::Apart);
}

//! Exact face contact: touching along one axis, overlapping along the two others.
inline bool ShareFace(const GridBox& theA, const GridBox& theB)
{
  int aNbTouch = 0, aNbOverlap = 0;
  for (int k = 0; k < 3; ++k)
  {
    const AxisContact aContact = Contact(theA, theB, k);
    aNbTouch += aContact == AxisContact::Touch ? 1 : 0;
    aNbOverlap += aContact == AxisContact::Overlap ? 1 : 0;
  }
  return aNbTouch == 1 && aNbOverlap == 2;
}
} // namespace SVOTest_Trees

#endif
