#include <Algo_GroupCrossings.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_SubMesh.hxx>

#include <algorithm>
#include <list>

namespace
{
//! The sorted corners of theFace of theMesh, each through theSource (-1
//! stays -1); theIsTouched is set when one is -1 or among theTouched.
template <typename SourceOf>
std::vector<int> sortedCorners(const Handle(HalfEdge_Mesh)& theMesh,
                               int                          theFace,
                               const SourceOf&              theSource,
                               const std::set<int>&         theTouched,
                               bool&                        theIsTouched)
{
  std::list<int> aCorners;
  theMesh->Face(theFace, aCorners);
  std::vector<int> aSources;
  for (const int aNode : aCorners)
  {
    const int aSource = theSource(aNode);
    theIsTouched      = theIsTouched || aSource < 0 || theTouched.count(aSource) > 0;
    aSources.push_back(aSource);
  }
  std::sort(aSources.begin(), aSources.end());
  return aSources;
}

//! The key of the crossing of theFirst and theSecond, lower face first.
Algo_GroupCrossings::PairKey orderedKey(std::vector<int>&& theFirst, std::vector<int>&& theSecond)
{
  return theSecond < theFirst ? std::make_pair(std::move(theSecond), std::move(theFirst))
                              : std::make_pair(std::move(theFirst), std::move(theSecond));
}
} // namespace

void Algo_GroupCrossings::SetRound(const Handle(HalfEdge_Mesh)&               theSurface,
                                   const HalfEdgeAlgo_CheckSelfIntersections& theCheck)
{
  std::map<int, int> aPlaces;
  int                aPlace = 0;
  for (const std::set<int>& aGroup : theCheck.Groups())
  {
    for (const int aFace : aGroup)
    {
      aPlaces[aFace] = aPlace;
    }
    ++aPlace;
  }
  myRoundPairs.clear();
  const std::set<int> aNone;
  bool                isTouched = false;
  const auto          aSame     = [](int theNode) { return theNode; };
  for (const auto& [aFace, anOther] : theCheck.Pairs())
  {
    myRoundPairs.emplace(orderedKey(sortedCorners(theSurface, aFace, aSame, aNone, isTouched),
                                    sortedCorners(theSurface, anOther, aSame, aNone, isTouched)),
                         aPlaces[aFace]);
  }
}

void Algo_GroupCrossings::StartGroup(int                          theGroup,
                                     const Handle(HalfEdge_Mesh)& theSurface,
                                     const std::set<int>&         theFaces)
{
  myGroup = theGroup;
  myTouched.clear();
  myNeighbourPairs.clear();
  myOwnPairs.clear();
  myOwnFaces.clear();
  std::list<int> aCorners;
  for (const int aFace : theFaces)
  {
    theSurface->Face(aFace, aCorners);
    myTouched.insert(aCorners.begin(), aCorners.end());
  }
}

void Algo_GroupCrossings::TouchNodes(const std::set<int>& theNodes, const HalfEdgeAlgo_SubMesh& theClip)
{
  for (const int aNode : theNodes)
  {
    const int aSource = theClip.SourceNode(aNode);
    if (aSource >= 0)
    {
      myTouched.insert(aSource);
    }
  }
}

std::set<int> Algo_GroupCrossings::TouchedFaces(const Handle(HalfEdge_Mesh)& theCopy,
                                                const HalfEdgeAlgo_SubMesh&  theClip) const
{
  std::set<int>  aFaces;
  std::list<int> aFan;
  for (const int aSource : myTouched)
  {
    const int aNode = theClip.SubNode(aSource);
    if (aNode >= 0)
    {
      theCopy->FacesForNode(aNode, aFan);
      aFaces.insert(aFan.begin(), aFan.end());
    }
  }
  return aFaces;
}

bool Algo_GroupCrossings::Perform(const Handle(HalfEdge_Mesh)&               theCopy,
                                  const HalfEdgeAlgo_SubMesh&                theClip,
                                  const HalfEdgeAlgo_CheckSelfIntersections& theCheck)
{
  myOwnPairs.clear();
  myOwnFaces.clear();
  const auto    aSource = [&theClip](int theNode) { return theClip.SourceNode(theNode); };
  std::set<int> aPaired;
  for (const auto& aPair : theCheck.Pairs())
  {
    aPaired.insert(aPair.first);
    aPaired.insert(aPair.second);
    bool    isTouched = false;
    PairKey aKey      = orderedKey(sortedCorners(theCopy, aPair.first, aSource, myTouched, isTouched),
                                   sortedCorners(theCopy, aPair.second, aSource, myTouched, isTouched));
    if (myNeighbourPairs.count(aKey) > 0)
    {
      continue;
    }
    if (isNeighbours(aKey, isTouched))
    {
      myNeighbourPairs.insert(std::move(aKey));
      continue;
    }
    myOwnPairs.push_back(aPair);
    myOwnFaces.insert(aPair.first);
    myOwnFaces.insert(aPair.second);
  }
  for (const std::set<int>& aGroup : theCheck.Groups())
  {
    for (const int aFace : aGroup)
    {
      if (aPaired.count(aFace) == 0)
      {
        myOwnFaces.insert(aFace);
      }
    }
  }
  return !myOwnFaces.empty();
}

bool Algo_GroupCrossings::isNeighbours(const PairKey& theKey, bool theIsTouched) const
{
  if (!theIsTouched)
  {
    return true;
  }
  const auto aRoundPair = myRoundPairs.find(theKey);
  return aRoundPair != myRoundPairs.end() && aRoundPair->second > myGroup;
}
