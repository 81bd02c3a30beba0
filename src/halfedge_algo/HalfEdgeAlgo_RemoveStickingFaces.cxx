// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_RemoveStickingFaces.hxx>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_RemoveStickingFaces, HalfEdgeAlgo_ModifyMesh)

namespace
{

//! Order of points, x first, then y, then z, in which coordinates closer than
//! the tolerance are equal. It is not transitive for chains of close points;
//! the clusters are those it gives, in node order.
struct TolerantLess
{
  double myTolerance;

  bool operator()(const Mesh::Point& theA, const Mesh::Point& theB) const
  {
    for (int aCoord = 0; aCoord < 3; ++aCoord)
    {
      if (theB[aCoord] >= theA[aCoord] + myTolerance)
      {
        return true;
      }
      if (theB[aCoord] + myTolerance <= theA[aCoord])
      {
        return false;
      }
    }
    return false;
  }
};

//! Nodes close along the slant that the sweep of Clusters compares with one
//! node before it gives up.
const size_t THE_MAX_SWEEP = 16;

typedef std::vector<Mesh::VertexHandle> Loop;
typedef std::vector<int>                Key; // representatives of the corners, ascending

//! Where the key of a face lies in an array of keys.
struct FaceKeyPlace
{
  int Start;
  int Size;
  int Face;
};

//! Nodes at one position, each filed under its representative, the first
//! node there in number order.
struct Clusters
{
  std::vector<int>                               Representative; // -1 for deleted nodes
  std::map<int, std::vector<Mesh::VertexHandle>> Members;        // only clusters of several nodes

  //! Each live node goes to the cluster of the first node at its position.
  Clusters(const Mesh& theMesh, double theTolerance)
  {
    Representative.assign(theMesh.n_vertices(), -1);
    if (areAllApart(theMesh, theTolerance))
    {
      for (const Mesh::VertexHandle aVertex : theMesh.vertices())
      {
        Representative[aVertex.idx()] = aVertex.idx();
      }
      return;
    }
    std::map<Mesh::Point, int, TolerantLess> anIndex(TolerantLess{theTolerance});
    for (const Mesh::VertexHandle aVertex : theMesh.vertices())
    {
      const auto anEntry            = anIndex.emplace(theMesh.point(aVertex), aVertex.idx());
      const int  aRepresentative    = anEntry.first->second;
      Representative[aVertex.idx()] = aRepresentative;
      if (!anEntry.second)
      {
        std::vector<Mesh::VertexHandle>& aCluster = Members[aRepresentative];
        if (aCluster.empty())
        {
          aCluster.push_back(Mesh::VertexHandle(aRepresentative));
        }
        aCluster.push_back(aVertex);
      }
    }
  }

  //! True when no two live nodes come within twice theTolerance of each
  //! other on every axis, which leaves every node a cluster of its own, as
  //! on most surfaces: a sweep tells it faster than the index of points. The
  //! sweep runs along a slant direction, as nodes of flat parts of a model
  //! often share a coordinate. False, to be safe, when many nodes lie
  //! together along it.
  static bool areAllApart(const Mesh& theMesh, double theTolerance)
  {
    const double                        aSlant[3] = {1.0, 0.7548776662466927, 0.5698402909980532};
    std::vector<std::pair<double, int>> anAlong;
    anAlong.reserve(theMesh.n_vertices());
    for (const Mesh::VertexHandle aVertex : theMesh.vertices())
    {
      const Mesh::Point& aPoint = theMesh.point(aVertex);
      anAlong.emplace_back(aPoint[0] * aSlant[0] + aPoint[1] * aSlant[1] + aPoint[2] * aSlant[2],
                           aVertex.idx());
    }
    std::sort(anAlong.begin(), anAlong.end());
    // Nodes within the reach on every axis lie within this along the slant
    // (and the rounding of the sums).
    const double aReach = 2.0 * theTolerance, aReachAlong = 3.0 * aReach;
    for (size_t i = 0; i < anAlong.size(); ++i)
    {
      const Mesh::Point& aPoint = theMesh.point(Mesh::VertexHandle(anAlong[i].second));
      for (size_t j = i + 1; j < anAlong.size() && anAlong[j].first - anAlong[i].first <= aReachAlong; ++j)
      {
        const Mesh::Point& anOther = theMesh.point(Mesh::VertexHandle(anAlong[j].second));
        if (j - i > THE_MAX_SWEEP ||
            (std::abs(anOther[0] - aPoint[0]) <= aReach && std::abs(anOther[1] - aPoint[1]) <= aReach &&
             std::abs(anOther[2] - aPoint[2]) <= aReach))
        {
          return false;
        }
      }
    }
    return true;
  }

  //! Dissolves the clusters of theApart: each of their nodes is its own representative.
  void KeepApart(const std::set<int>& theApart)
  {
    for (const int aRepresentative : theApart)
    {
      const auto aCluster = Members.find(aRepresentative);
      if (aCluster == Members.end())
      {
        continue;
      }
      for (const Mesh::VertexHandle aVertex : aCluster->second)
      {
        Representative[aVertex.idx()] = aVertex.idx();
      }
      Members.erase(aCluster);
    }
  }
};

//! One run of the removal: the face groups, the duplicates met.
class StickingFaces
{
public:
  StickingFaces(Mesh& theMesh, const Clusters& theClusters)
      : myMesh(theMesh),
        myRepresentative(theClusters.Representative),
        myClusters(theClusters.Members)
  {
  }

  //! The whole removal; the representatives of the clusters through which a face was refused.
  const std::set<int>& Perform()
  {
    GroupFaces();
    TreatGroups();
    Weld();
    return myRefusedClusters;
  }

  //! Groups the faces through clusters, then those on the same nodes.
  void GroupFaces()
  {
    for (const auto& aCluster : myClusters)
    {
      for (const Mesh::VertexHandle aVertex : aCluster.second)
      {
        for (const Mesh::FaceHandle aFace : myMesh.vf_range(aVertex))
        {
          myGroups[keyOf(aFace)].insert(aFace.idx());
        }
      }
    }
    completeGroups();
  }

  //! Cuts, pairs and deletes within every group.
  void TreatGroups()
  {
    for (const auto& aGroup : myGroups)
    {
      treatGroup(aGroup.first, aGroup.second);
    }
  }

  //! Re-adds the faces around the duplicates met, with their representatives in their place.
  void Weld()
  {
    std::vector<Loop> aLoops;
    std::set<int>     aCollected;
    for (const Mesh::VertexHandle aDuplicate : myDuplicates)
    {
      for (const Mesh::FaceHandle aFace : myMesh.vf_range(aDuplicate))
      {
        if (aCollected.insert(aFace.idx()).second)
        {
          aLoops.push_back(corners(aFace));
        }
      }
    }
    for (const int aFace : aCollected)
    {
      myMesh.delete_face(Mesh::FaceHandle(aFace), false);
    }
    for (size_t aLoop = 0; aLoop < aLoops.size(); ++aLoop)
    {
      if (!addFace(welded(aLoops[aLoop])))
      {
        recordRefusal(aLoops[aLoop]);
      }
    }
  }

  int NbGroups() const { return static_cast<int>(myGroups.size()); }
  int NbPairs() const { return myNbPairs; }
  int NbCutFaces() const { return myNbCutFaces; }
  int NbRefusedFaces() const { return myNbRefusedFaces; }

private:
  //! Files the clusters of a refused face's corners, so that a run that keeps
  //! them apart can do without that face.
  void recordRefusal(const Loop& theCorners)
  {
    for (const Mesh::VertexHandle aVertex : theCorners)
    {
      if (myClusters.count(representative(aVertex)) != 0)
      {
        myRefusedClusters.insert(representative(aVertex));
      }
    }
  }

  //! Faces on the same representatives with no cluster among them (two faces
  //! on the very same nodes) are grouped too, two at a time in face order.
  void completeGroups()
  {
    // The keys of all live faces side by side in one array, sorted so that
    // faces on the same representatives come together, in face order: a map
    // of keys would allocate twice per face of the whole mesh.
    std::vector<int>          aCorners;
    std::vector<FaceKeyPlace> aPlaces;
    aCorners.reserve(myMesh.n_faces() * 3);
    aPlaces.reserve(myMesh.n_faces());
    for (const Mesh::FaceHandle aFace : myMesh.faces())
    {
      const int aStart = static_cast<int>(aCorners.size());
      for (const Mesh::VertexHandle aVertex : myMesh.fv_range(aFace))
      {
        aCorners.push_back(representative(aVertex));
      }
      std::sort(aCorners.begin() + aStart, aCorners.end());
      aPlaces.push_back({aStart, static_cast<int>(aCorners.size()) - aStart, aFace.idx()});
    }
    const auto aKeyLess = [&aCorners](const FaceKeyPlace& theA, const FaceKeyPlace& theB)
    {
      return std::lexicographical_compare(
          aCorners.begin() + theA.Start, aCorners.begin() + theA.Start + theA.Size,
          aCorners.begin() + theB.Start, aCorners.begin() + theB.Start + theB.Size);
    };
    // The faces came in ascending order: a stable sort keeps it among equal keys.
    std::stable_sort(aPlaces.begin(), aPlaces.end(), aKeyLess);
    // Faces met on the same key pair up two at a time in face order; an odd
    // one out stays alone.
    for (size_t aFirst = 0, anEnd = 0; aFirst < aPlaces.size(); aFirst = anEnd)
    {
      for (anEnd = aFirst + 1; anEnd < aPlaces.size() && !aKeyLess(aPlaces[aFirst], aPlaces[anEnd]); ++anEnd)
      {
      }
      const size_t aNbPaired = (anEnd - aFirst) / 2 * 2;
      if (aNbPaired == 0)
      {
        continue;
      }
      const FaceKeyPlace& aPlace = aPlaces[aFirst];
      std::set<int>&      aGroup =
          myGroups[Key(aCorners.begin() + aPlace.Start, aCorners.begin() + aPlace.Start + aPlace.Size)];
      for (size_t anIndex = aFirst; anIndex < aFirst + aNbPaired; ++anIndex)
      {
        aGroup.insert(aPlaces[anIndex].Face);
      }
    }
  }

  void treatGroup(const Key& theKey, const std::set<int>& theFaces)
  {
    std::vector<int> aFaces;
    for (const int aFace : theFaces)
    {
      if (!myMesh.status(Mesh::FaceHandle(aFace)).deleted())
      {
        aFaces.push_back(aFace);
      }
    }
    if (std::adjacent_find(theKey.begin(), theKey.end()) != theKey.end())
    {
      // Every face of the group passes twice through some cluster.
      for (const int aFace : aFaces)
      {
        cutFace(Mesh::FaceHandle(aFace));
      }
      return;
    }
    if (aFaces.empty())
    {
      return;
    }
    std::vector<int> aSideA, aSideB;
    const Loop       aReference = representatives(Mesh::FaceHandle(aFaces.front()));
    for (const int aFace : aFaces)
    {
      (isSameCycle(representatives(Mesh::FaceHandle(aFace)), aReference) ? aSideA : aSideB).push_back(aFace);
    }
    std::vector<std::pair<int, int>> aPairs;
    for (const int aFace : aSideA)
    {
      if (aSideB.empty())
      {
        break;
      }
      const auto aBest = bestPartner(aFace, aSideB);
      aPairs.emplace_back(aFace, *aBest);
      aSideB.erase(aBest);
    }
    for (const auto& aPair : aPairs)
    {
      deleteFace(Mesh::FaceHandle(aPair.first));
      deleteFace(Mesh::FaceHandle(aPair.second));
      ++myNbPairs;
    }
  }

  //! The face of theCandidates (ascending) sharing the most nodes with theFace; the first on ties.
  std::vector<int>::iterator bestPartner(int theFace, std::vector<int>& theCandidates) const
  {
    const Loop aCorners = corners(Mesh::FaceHandle(theFace));
    auto       aBest    = theCandidates.begin();
    int        aMost    = -1;
    for (auto anIter = theCandidates.begin(); anIter != theCandidates.end(); ++anIter)
    {
      int aShared = 0;
      for (const Mesh::VertexHandle aVertex : myMesh.fv_range(Mesh::FaceHandle(*anIter)))
      {
        aShared += std::count(aCorners.begin(), aCorners.end(), aVertex) > 0 ? 1 : 0;
      }
      if (aShared > aMost)
      {
        aMost = aShared;
        aBest = anIter;
      }
    }
    return aBest;
  }

  //! Replaces the face by the loops of its boundary between two visits of one cluster.
  void cutFace(Mesh::FaceHandle theFace)
  {
    const Loop aCorners = corners(theFace);
    recordDuplicates(aCorners);
    myMesh.delete_face(theFace, false);
    ++myNbCutFaces;
    addLoops(aCorners);
  }

  void addLoops(const Loop& theLoop)
  {
    for (size_t aSecond = 1; aSecond < theLoop.size(); ++aSecond)
    {
      for (size_t aFirst = 0; aFirst < aSecond; ++aFirst)
      {
        if (representative(theLoop[aFirst]) == representative(theLoop[aSecond]))
        {
          addLoops(Loop(theLoop.begin() + aFirst, theLoop.begin() + aSecond));
          Loop aRest(theLoop.begin() + aSecond, theLoop.end());
          aRest.insert(aRest.end(), theLoop.begin(), theLoop.begin() + aFirst);
          addLoops(aRest);
          return;
        }
      }
    }
    if (theLoop.size() >= 3 && !addFace(theLoop))
    {
      recordRefusal(theLoop);
    }
  }

  void deleteFace(Mesh::FaceHandle theFace)
  {
    recordDuplicates(corners(theFace));
    myMesh.delete_face(theFace, false);
  }

  //! Adds a face on distinct live nodes; a refused face is counted.
  bool addFace(const Loop& theLoop)
  {
    Loop aSorted(theLoop);
    std::sort(aSorted.begin(), aSorted.end());
    if (theLoop.size() < 3 || std::adjacent_find(aSorted.begin(), aSorted.end()) != aSorted.end() ||
        !myMesh.add_face(theLoop).is_valid())
    {
      ++myNbRefusedFaces;
      return false;
    }
    return true;
  }

  void recordDuplicates(const Loop& theCorners)
  {
    for (const Mesh::VertexHandle aVertex : theCorners)
    {
      if (representative(aVertex) != aVertex.idx() && myRecorded.insert(aVertex.idx()).second)
      {
        myDuplicates.push_back(aVertex);
      }
    }
  }

  int representative(Mesh::VertexHandle theVertex) const { return myRepresentative[theVertex.idx()]; }

  Loop corners(Mesh::FaceHandle theFace) const
  {
    Loop aCorners;
    for (const Mesh::VertexHandle aVertex : myMesh.fv_range(theFace))
    {
      aCorners.push_back(aVertex);
    }
    return aCorners;
  }

  //! The corners of the face replaced by their representatives, in boundary order.
  Loop representatives(Mesh::FaceHandle theFace) const
  {
    Loop aLoop = corners(theFace);
    for (Mesh::VertexHandle& aVertex : aLoop)
    {
      aVertex = Mesh::VertexHandle(representative(aVertex));
    }
    return aLoop;
  }

  //! The corners with every recorded duplicate replaced by its
  //! representative. Other duplicates keep their place: a node of another
  //! sheet that only touches the cluster at a point would otherwise be joined
  //! to a node whose fan is still closed, which the mesh cannot take.
  Loop welded(Loop aLoop) const
  {
    for (Mesh::VertexHandle& aVertex : aLoop)
    {
      if (myRecorded.count(aVertex.idx()) != 0)
      {
        aVertex = Mesh::VertexHandle(representative(aVertex));
      }
    }
    return aLoop;
  }

  Key keyOf(Mesh::FaceHandle theFace) const
  {
    Key aKey;
    for (const Mesh::VertexHandle aVertex : myMesh.fv_range(theFace))
    {
      aKey.push_back(representative(aVertex));
    }
    std::sort(aKey.begin(), aKey.end());
    return aKey;
  }

  //! True when both loops run through the same nodes in the same cyclic order.
  static bool isSameCycle(const Loop& theA, const Loop& theB)
  {
    if (theA.size() != theB.size())
    {
      return false;
    }
    for (size_t aShift = 0; aShift < theA.size(); ++aShift)
    {
      bool isSame = true;
      for (size_t anIndex = 0; isSame && anIndex < theA.size(); ++anIndex)
      {
        isSame = theA[(aShift + anIndex) % theA.size()] == theB[anIndex];
      }
      if (isSame)
      {
        return true;
      }
    }
    return false;
  }

private:
  Mesh&                                                 myMesh;
  const std::vector<int>&                               myRepresentative;
  const std::map<int, std::vector<Mesh::VertexHandle>>& myClusters;
  std::map<Key, std::set<int>>                          myGroups;
  std::vector<Mesh::VertexHandle>                       myDuplicates; // in the order met
  std::set<int>                                         myRecorded;
  std::set<int>                                         myRefusedClusters;
  int                                                   myNbPairs        = 0;
  int                                                   myNbCutFaces     = 0;
  int                                                   myNbRefusedFaces = 0;
};
} // namespace

HalfEdgeAlgo_RemoveStickingFaces::HalfEdgeAlgo_RemoveStickingFaces()
    : myNbGroups(0),
      myNbPairs(0),
      myNbCutFaces(0),
      myNbRefusedFaces(0)
{
}

bool HalfEdgeAlgo_RemoveStickingFaces::Perform(Mesh& theMesh)
{
  Clusters   aClusters(theMesh, myTolerance);
  const auto aRun = [this, &aClusters](Mesh& theTarget)
  {
    StickingFaces       aFaces(theTarget, aClusters);
    const std::set<int> aRefused = aFaces.Perform();
    myNbGroups                   = aFaces.NbGroups();
    myNbPairs                    = aFaces.NbPairs();
    myNbCutFaces                 = aFaces.NbCutFaces();
    myNbRefusedFaces             = aFaces.NbRefusedFaces();
    return aRefused;
  };
  if (aClusters.Members.empty())
  {
    // Faces on the very same nodes alone never refuse a face: no copy is needed.
    aRun(theMesh);
    return myNbRefusedFaces == 0;
  }
  // A weld that the surface refuses would leave a hole. The surface is put
  // back as it was and the run made again with the clusters of refused faces
  // kept apart: their faces stay as they were, stuck together, for the
  // repairs that follow. Each new run keeps at least one more cluster apart,
  // so this ends.
  const Mesh aBefore(theMesh);
  for (;;)
  {
    const std::set<int> aRefused    = aRun(theMesh);
    const size_t        aNbClusters = aClusters.Members.size();
    aClusters.KeepApart(aRefused);
    if (aClusters.Members.size() == aNbClusters)
    {
      return myNbRefusedFaces == 0;
    }
    theMesh = aBefore;
  }
}

std::string HalfEdgeAlgo_RemoveStickingFaces::Name() const
{
  return "HalfEdgeAlgo_RemoveStickingFaces";
}
