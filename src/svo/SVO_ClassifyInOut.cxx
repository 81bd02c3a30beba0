#include <SVO_ClassifyInOut.hxx>

#include <SVO_Depth_Iterator.hxx>

#include <Bnd_Box.hxx>
#include <Precision.hxx>

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(SVO_ClassifyInOut, SVO_UpdateTree)

namespace
{
// Touching tolerance of the neighbour search and of the root-boundary test.
const double THE_TOUCH_TOL = Precision::Confusion();
// Bounds closer than this are the same bound (the cell identity tolerance).
constexpr double THE_IDENTITY_TOL = 5e-8;

//! Face-connected empty leaves; the flag is true for outside.
struct Region
{
  std::vector<SVO_Node*> Leaves;
  bool                   Flag = false;
};

//! An enclosed region while its nesting level is worked out.
struct Enclosure
{
  Bnd_Box                 Box;
  int                     Region = 0;
  std::unordered_set<int> Containers; //!< enclosures whose box holds this one's, not yet peeled
  bool                    Done = false;
};

// A holds B when A's box contains B's box. Boxes equal within the identity
// tolerance would hold each other, and neither could ever be peeled; they are
// taken as side by side instead. This leaves the relation acyclic (a cycle would
// need boxes that hold each other, i.e. equal ones), so every peeling step
// assigns at least one enclosure.
bool holds(const Bnd_Box& theA, const Bnd_Box& theB)
{
  if (theA.IsOut(theB))
  {
    return false;
  }
  double aA[6], aB[6];
  theA.Get(aA[0], aA[1], aA[2], aA[3], aA[4], aA[5]);
  theB.Get(aB[0], aB[1], aB[2], aB[3], aB[4], aB[5]);
  bool isSame = true;
  for (int k = 0; k < 3; ++k)
  {
    // Positive conditions, so that a NaN bound holds nothing.
    if (!(aA[k] <= aB[k] && aB[k + 3] <= aA[k + 3]))
    {
      return false;
    }
    isSame = isSame && aB[k] - aA[k] <= THE_IDENTITY_TOL && aA[k + 3] - aB[k + 3] <= THE_IDENTITY_TOL;
  }
  return !isSame;
}

//! The working data of one classification, one method per step.
class Classifier
{
public:
  explicit Classifier(SVO_Tree& theTree)
      : myTree(theTree)
  {
  }

  void Perform()
  {
    collect();
    if (myLeaves.empty())
    {
      return;
    }
    buildRegions();
    nestEnclosed();
    write();
  }

private:
  void collect();
  void buildRegions();
  void flood(SVO_Node* theSeed, Region& theRegion);
  void queueNeighbours(SVO_Node* theLeaf, std::vector<SVO_Node*>& theWork);
  bool touchesRoot(const SVO_Node* theLeaf) const;
  void nestEnclosed();
  void peel(std::vector<Enclosure>& theEnclosures);
  void write();

private:
  SVO_Tree&                     myTree;
  std::vector<SVO_Node*>        myLeaves; //!< empty leaves in depth-first order
  std::vector<Region>           myRegions;
  std::unordered_set<SVO_Node*> myVisited;
  std::vector<SVO_Node*>        myDescent; //!< scratch of the neighbour search
};

void Classifier::collect()
{
  for (SVO_Depth_Iterator anIter(myTree); anIter.More(); anIter.Next())
  {
    SVO_Node* aNode = anIter.Current();
    if (aNode->Children[0] == nullptr && aNode->State != SVO_Boundary)
    {
      myLeaves.push_back(aNode);
    }
  }
}

void Classifier::buildRegions()
{
  myVisited.reserve(myLeaves.size());
  for (SVO_Node* aLeaf : myLeaves)
  {
    if (myVisited.insert(aLeaf).second)
    {
      myRegions.emplace_back();
      flood(aLeaf, myRegions.back());
    }
  }
}

void Classifier::flood(SVO_Node* theSeed, Region& theRegion)
{
  std::vector<SVO_Node*> aWork(1, theSeed);
  while (!aWork.empty())
  {
    SVO_Node* aLeaf = aWork.back();
    aWork.pop_back();
    theRegion.Leaves.push_back(aLeaf);
    theRegion.Flag = theRegion.Flag || touchesRoot(aLeaf);
    queueNeighbours(aLeaf, aWork);
  }
}

// Descends from the root into the cells touching the leaf, so that a search
// costs about the depth of the tree rather than the number of leaves.
void Classifier::queueNeighbours(SVO_Node* theLeaf, std::vector<SVO_Node*>& theWork)
{
  myDescent.assign(1, myTree.Root());
  while (!myDescent.empty())
  {
    SVO_Node* aNode = myDescent.back();
    myDescent.pop_back();
    if (!aNode->IsConnected(theLeaf, THE_TOUCH_TOL))
    {
      continue;
    }
    if (aNode->Children[0] != nullptr)
    {
      myDescent.insert(myDescent.end(), aNode->Children, aNode->Children + 8);
    }
    else if (aNode != theLeaf && aNode->State != SVO_Boundary && theLeaf->IsAdjacent(aNode) &&
             myVisited.insert(aNode).second)
    {
      theWork.push_back(aNode);
    }
  }
}

bool Classifier::touchesRoot(const SVO_Node* theLeaf) const
{
  const SVO_Node* aRoot      = myTree.Root();
  int             aNbOverlap = 0;
  bool            isOnBound  = false;
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    const double aLeafMin = theLeaf->BoxMin.Coord(anAxis), aLeafMax = theLeaf->BoxMax.Coord(anAxis);
    const double aRootMin = aRoot->BoxMin.Coord(anAxis), aRootMax = aRoot->BoxMax.Coord(anAxis);
    if (std::min(aLeafMax, aRootMax) - std::max(aLeafMin, aRootMin) > THE_TOUCH_TOL)
    {
      ++aNbOverlap;
    }
    for (const double aLeafBound : {aLeafMin, aLeafMax})
    {
      for (const double aRootBound : {aRootMin, aRootMax})
      {
        isOnBound = isOnBound || std::abs(aLeafBound - aRootBound) <= THE_TOUCH_TOL;
      }
    }
  }
  return aNbOverlap >= 2 && isOnBound;
}

void Classifier::nestEnclosed()
{
  std::vector<Enclosure> anEnclosures;
  for (size_t aRegion = 0; aRegion < myRegions.size(); ++aRegion)
  {
    if (myRegions[aRegion].Flag)
    {
      continue;
    }
    Enclosure anEnclosure;
    anEnclosure.Region = static_cast<int>(aRegion);
    for (const SVO_Node* aLeaf : myRegions[aRegion].Leaves)
    {
      anEnclosure.Box.Update(aLeaf->BoxMin.X(), aLeaf->BoxMin.Y(), aLeaf->BoxMin.Z());
      anEnclosure.Box.Update(aLeaf->BoxMax.X(), aLeaf->BoxMax.Y(), aLeaf->BoxMax.Z());
    }
    anEnclosures.push_back(std::move(anEnclosure));
  }
  for (size_t anInner = 0; anInner < anEnclosures.size(); ++anInner)
  {
    for (size_t anOuter = 0; anOuter < anEnclosures.size(); ++anOuter)
    {
      if (anOuter != anInner && holds(anEnclosures[anOuter].Box, anEnclosures[anInner].Box))
      {
        anEnclosures[anInner].Containers.insert(static_cast<int>(anOuter));
      }
    }
  }
  peel(anEnclosures);
}

// Gives the enclosures without remaining containers the value of the step
// (inside first, then alternating), then takes them out of all container sets.
void Classifier::peel(std::vector<Enclosure>& theEnclosures)
{
  bool   aValue  = false;
  size_t aNbLeft = theEnclosures.size();
  while (aNbLeft > 0)
  {
    std::vector<int> anAssigned;
    for (size_t anIndex = 0; anIndex < theEnclosures.size(); ++anIndex)
    {
      if (!theEnclosures[anIndex].Done && theEnclosures[anIndex].Containers.empty())
      {
        anAssigned.push_back(static_cast<int>(anIndex));
      }
    }
    if (anAssigned.empty())
    {
      // Cannot happen while holds() is acyclic; a safety net so that the
      // steps end whatever the boxes, the rest taking this step's value.
      for (size_t anIndex = 0; anIndex < theEnclosures.size(); ++anIndex)
      {
        if (!theEnclosures[anIndex].Done)
        {
          anAssigned.push_back(static_cast<int>(anIndex));
        }
      }
    }
    for (const int anIndex : anAssigned)
    {
      theEnclosures[anIndex].Done                   = true;
      myRegions[theEnclosures[anIndex].Region].Flag = aValue;
    }
    aNbLeft -= anAssigned.size();
    for (Enclosure& anEnclosure : theEnclosures)
    {
      for (const int anIndex : anAssigned)
      {
        anEnclosure.Containers.erase(anIndex);
      }
    }
    aValue = !aValue;
  }
}

void Classifier::write()
{
  for (const Region& aRegion : myRegions)
  {
    for (SVO_Node* aLeaf : aRegion.Leaves)
    {
      aLeaf->State = aRegion.Flag ? SVO_Outside : SVO_Inside;
    }
  }
}
} // namespace

SVO_ClassifyInOut::SVO_ClassifyInOut(const Handle(SVO_Tree)& theTree)
    : SVO_UpdateTree(theTree)
{
}

bool SVO_ClassifyInOut::Perform()
{
  if (myTree.IsNull())
  {
    return false;
  }
  Classifier aClassifier(*myTree);
  aClassifier.Perform();
  return true;
}
