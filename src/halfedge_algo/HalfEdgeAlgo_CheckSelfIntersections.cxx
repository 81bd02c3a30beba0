// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>
#include <Trivex_IntersectTriMesh.hxx>

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_CheckSelfIntersections, HalfEdgeAlgo_CheckMesh)

namespace
{
// A triangle whose corners all lie within this distance of the line of its
// longest side has no area worth testing. A bound on the area itself would
// hide whole meshes of small models (a wrap a few hundredths of a unit across
// has faces of less than 1e-7 square units) from the check.
constexpr double THE_MIN_HEIGHT = 1e-7;

using Records = std::vector<Trivex::TriangleData>;

// The per-thread lists one after the other, in thread order.
template <class Item>
std::vector<Item> joined(const std::vector<std::vector<Item>>& theLists)
{
  std::vector<Item> aResult;
  for (const std::vector<Item>& aList : theLists)
  {
    aResult.insert(aResult.end(), aList.begin(), aList.end());
  }
  return aResult;
}

// The corners of a live face into thePoints, starting at the to-node of the
// face's stored halfedge and going round by "next".
void facePoints(const Mesh& theMesh, Mesh::FaceHandle theFace, std::vector<gp_Pnt>& thePoints)
{
  thePoints.clear();
  const Mesh::HalfedgeHandle aFirst = theMesh.halfedge_handle(theFace);
  Mesh::HalfedgeHandle       aHalf  = aFirst;
  do
  {
    const Mesh::Point& aPoint = theMesh.point(theMesh.to_vertex_handle(aHalf));
    thePoints.emplace_back(aPoint[0], aPoint[1], aPoint[2]);
    aHalf = theMesh.next_halfedge_handle(aHalf);
  } while (aHalf != aFirst && thePoints.size() <= theMesh.n_halfedges());
}

// Appends the record of a triangle of face theFace, unless it is degenerate.
void addRecord(int theFace, const std::vector<gp_Pnt>& thePoints, Records& theRecords)
{
  Trivex::TriangleData aRecord;
  if (HalfEdgeAlgo_CheckSelfIntersections::MakeTriangleData(theFace, thePoints, aRecord))
  {
    theRecords.push_back(aRecord);
  }
}

// The splits of polygons met before, keyed by the coordinates of their
// corners in order.
struct SplitKeyHash
{
  size_t operator()(const std::vector<double>& theKey) const
  {
    uint64_t aHash = 1469598103934665603ull;
    for (const double aValue : theKey)
    {
      // Plus zero makes -0 into +0, which compares equal to it.
      const double aSigned = aValue + 0.0;
      uint64_t     aBits   = 0;
      std::memcpy(&aBits, &aSigned, sizeof(aBits));
      aHash = (aHash ^ aBits) * 1099511628211ull;
    }
    return static_cast<size_t>(aHash ^ (aHash >> 29));
  }
};
using SplitMap = std::unordered_map<std::vector<double>, std::vector<std::array<int, 3>>, SplitKeyHash>;

// Beyond this many polygons a thread's memory of splits starts again.
constexpr size_t THE_MAX_REMEMBERED_SPLITS = size_t(1) << 16;

// Splits polygon theFace as a mesh of its own would be triangulated (so that
// nothing else of the mesh moves) and appends the records of the pieces,
// tagged with theFace; false when the split was not a proper triangulation.
bool triangulateFace(const Mesh&               theMesh,
                     Mesh::FaceHandle          theFace,
                     HalfEdgeAlgo_Triangulate& theTriangulate,
                     std::vector<gp_Pnt>&      thePoints,
                     Records&                  theRecords,
                     SplitMap*                 theSplits)
{
  facePoints(theMesh, theFace, thePoints);
  if (thePoints.size() < 3)
  {
    return true; // no area: nothing to cross
  }
  // Most polygons are cut as they stand, without building that mesh: the
  // checks of a repair split the same quadrangles thousands of times. The
  // buffers are the thread's, kept from polygon to polygon.
  thread_local std::vector<double>             aKey;
  thread_local std::vector<std::array<int, 3>> aCut;
  thread_local std::vector<gp_Pnt>             aPolygon;
  const std::vector<std::array<int, 3>>*       aTriangles = nullptr;
  if (theSplits != nullptr)
  {
    aKey.clear();
    for (const gp_Pnt& aPoint : thePoints)
    {
      aKey.insert(aKey.end(), {aPoint.X(), aPoint.Y(), aPoint.Z()});
    }
    const auto aKnown = theSplits->find(aKey);
    if (aKnown != theSplits->end())
    {
      aTriangles = &aKnown->second;
    }
    else if (theTriangulate.SplitPolygon(thePoints, aCut))
    {
      if (theSplits->size() >= THE_MAX_REMEMBERED_SPLITS)
      {
        theSplits->clear();
      }
      aTriangles = &theSplits->emplace(aKey, aCut).first->second;
    }
  }
  else if (theTriangulate.SplitPolygon(thePoints, aCut))
  {
    aTriangles = &aCut;
  }
  if (aTriangles != nullptr)
  {
    aPolygon = thePoints;
    for (const std::array<int, 3>& aTriangle : *aTriangles)
    {
      thePoints.assign(
          {aPolygon[size_t(aTriangle[0])], aPolygon[size_t(aTriangle[1])], aPolygon[size_t(aTriangle[2])]});
      addRecord(theFace.idx(), thePoints, theRecords);
    }
    return true;
  }
  Mesh                            aScratch;
  std::vector<Mesh::VertexHandle> aCorners;
  aCorners.reserve(thePoints.size());
  for (const gp_Pnt& aPoint : thePoints)
  {
    aCorners.push_back(aScratch.add_vertex(Mesh::Point(aPoint.X(), aPoint.Y(), aPoint.Z())));
  }
  aScratch.add_face(aCorners);
  const bool isDone = theTriangulate.Perform(aScratch);
  for (const Mesh::FaceHandle aPiece : aScratch.faces())
  {
    facePoints(aScratch, aPiece, thePoints);
    addRecord(theFace.idx(), thePoints, theRecords);
  }
  return isDone;
}

// Records of the live triangles in face-number order, then of the pieces of
// the polygons split in parallel, appended in thread order; the polygons
// that failed to split go to theFailed. Static schedules hand each thread one
// run of consecutive faces, in thread order, so joining the threads' lists in
// that order keeps the face order whatever the thread count.
Records makeRecords(const Mesh&            theMesh,
                    unsigned int           theNbThreads,
                    std::vector<int>&      theFailed,
                    std::vector<SplitMap>* theSplits)
{
  if (theSplits != nullptr && theSplits->size() < theNbThreads)
  {
    theSplits->resize(theNbThreads);
  }
  std::vector<Records>             aThreadRecords(theNbThreads);
  std::vector<std::vector<int>>    aThreadPolygons(theNbThreads), aThreadFailed(theNbThreads);
  std::vector<std::vector<gp_Pnt>> aThreadPoints(theNbThreads);
  const int                        aNbFaces = static_cast<int>(theMesh.n_faces());
  // Room for every face in the first list, which becomes the result without
  // a copy; the others take about their share.
  aThreadRecords[0].reserve(theMesh.n_faces());
  for (size_t aThread = 1; aThread < aThreadRecords.size(); ++aThread)
  {
    aThreadRecords[aThread].reserve(theMesh.n_faces() / theNbThreads + 1);
  }
#pragma omp parallel for schedule(static) if (aNbFaces > Fundra::OMPParallel::MinParallelSize)
  for (int aFace = 0; aFace < aNbFaces; ++aFace)
  {
    const Mesh::FaceHandle aHandle(aFace);
    if (theMesh.status(aHandle).deleted())
    {
      continue;
    }
    const size_t aThread = static_cast<size_t>(omp_get_thread_num());
    facePoints(theMesh, aHandle, aThreadPoints[aThread]);
    if (aThreadPoints[aThread].size() == 3)
    {
      addRecord(aFace, aThreadPoints[aThread], aThreadRecords[aThread]);
    }
    else
    {
      aThreadPolygons[aThread].push_back(aFace);
    }
  }
  Records aRecords = std::move(aThreadRecords[0]);
  for (size_t aThread = 1; aThread < aThreadRecords.size(); ++aThread)
  {
    aRecords.insert(aRecords.end(), aThreadRecords[aThread].begin(), aThreadRecords[aThread].end());
  }
  const std::vector<int> aPolygons = joined(aThreadPolygons);
  if (aPolygons.empty())
  {
    return aRecords;
  }
  std::fill(aThreadRecords.begin(), aThreadRecords.end(), Records());
  std::vector<Handle(HalfEdgeAlgo_Triangulate)> aSplitters(theNbThreads);
  for (Handle(HalfEdgeAlgo_Triangulate)& aSplitter : aSplitters)
  {
    aSplitter = new HalfEdgeAlgo_Triangulate("skewness");
  }
  const int aNbPolygons = static_cast<int>(aPolygons.size());
#pragma omp parallel for schedule(dynamic, 1) if (aNbPolygons > Fundra::OMPParallel::MinParallelSize / 64)
  for (int i = 0; i < aNbPolygons; ++i)
  {
    const size_t aThread = static_cast<size_t>(omp_get_thread_num());
    const int    aFace   = aPolygons[static_cast<size_t>(i)];
    if (!triangulateFace(theMesh, Mesh::FaceHandle(aFace), *aSplitters[aThread], aThreadPoints[aThread],
                         aThreadRecords[aThread], theSplits != nullptr ? &(*theSplits)[aThread] : nullptr))
    {
      aThreadFailed[aThread].push_back(aFace);
    }
  }
  const Records aPieces = joined(aThreadRecords);
  aRecords.insert(aRecords.end(), aPieces.begin(), aPieces.end());
  theFailed = joined(aThreadFailed);
  return aRecords;
}

// Each pair once, the lower face first, in ascending order, whatever the
// thread count; pairs of one face with itself (two pieces of a polygon) go.
void sortPairs(std::vector<std::pair<int, int>>& thePairs)
{
  for (auto& aPair : thePairs)
  {
    if (aPair.second < aPair.first)
    {
      std::swap(aPair.first, aPair.second);
    }
  }
  thePairs.erase(std::remove_if(thePairs.begin(), thePairs.end(),
                                [](const std::pair<int, int>& thePair)
                                { return thePair.first == thePair.second; }),
                 thePairs.end());
  std::sort(thePairs.begin(), thePairs.end());
  thePairs.erase(std::unique(thePairs.begin(), thePairs.end()), thePairs.end());
}

// The connected pieces of the graph whose edges are thePairs of faces (and
// whose lone nodes are theLoners), each as a set of faces, sorted: the groups
// that merging every report into a list one by one would end with, however
// the reports were ordered.
std::list<std::set<int>> connectedGroups(const std::vector<std::pair<int, int>>& thePairs,
                                         const std::vector<int>&                 theLoners,
                                         int                                     theNbFaces)
{
  std::vector<int> aParent(static_cast<size_t>(theNbFaces), -1);
  const auto       aRoot = [&aParent](int theFace)
  {
    while (aParent[theFace] != theFace)
    {
      theFace = aParent[theFace] = aParent[aParent[theFace]];
    }
    return theFace;
  };
  const auto aJoin = [&](int theA, int theB)
  {
    for (const int aFace : {theA, theB})
    {
      aParent[aFace] = aParent[aFace] < 0 ? aFace : aParent[aFace];
    }
    const int aRootA = aRoot(theA), aRootB = aRoot(theB);
    aParent[std::max(aRootA, aRootB)] = std::min(aRootA, aRootB);
  };
  for (const int aFace : theLoners)
  {
    aJoin(aFace, aFace);
  }
  for (const auto& [aFace, anOther] : thePairs)
  {
    aJoin(aFace, anOther);
  }
  std::map<int, std::set<int>> aGroups;
  for (int aFace = 0; aFace < theNbFaces; ++aFace)
  {
    if (aParent[aFace] >= 0)
    {
      aGroups[aRoot(aFace)].insert(aGroups[aRoot(aFace)].end(), aFace);
    }
  }
  std::list<std::set<int>> aResult;
  for (auto& anEntry : aGroups)
  {
    aResult.push_back(std::move(anEntry.second));
  }
  aResult.sort();
  return aResult;
}

// A copy of the faces of theGroups, group after group, each face on corners
// of its own so that the copy keeps faces that cross or touch apart.
Handle(HalfEdge_Mesh) groupMesh(const Mesh& theMesh, const std::list<std::set<int>>& theGroups)
{
  Mesh                            aScratch;
  std::vector<gp_Pnt>             aPoints;
  std::vector<Mesh::VertexHandle> aCorners;
  for (const std::set<int>& aGroup : theGroups)
  {
    for (const int aFace : aGroup)
    {
      facePoints(theMesh, Mesh::FaceHandle(aFace), aPoints);
      aCorners.clear();
      for (const gp_Pnt& aPoint : aPoints)
      {
        aCorners.push_back(aScratch.add_vertex(Mesh::Point(aPoint.X(), aPoint.Y(), aPoint.Z())));
      }
      aScratch.add_face(aCorners);
    }
  }
  return HalfEdge_Mesh::FromMesh(aScratch);
}
} // namespace

struct HalfEdgeAlgo_CheckSelfIntersections::Splits
{
  std::vector<SplitMap> PerThread;
};

HalfEdgeAlgo_CheckSelfIntersections::HalfEdgeAlgo_CheckSelfIntersections()
    : myIsCollectGroups(false)
{
}

HalfEdgeAlgo_CheckSelfIntersections::~HalfEdgeAlgo_CheckSelfIntersections() = default;

void HalfEdgeAlgo_CheckSelfIntersections::SetSplitsRemembered(bool theIsRemembered)
{
  if (!theIsRemembered)
  {
    mySplits.reset();
  }
  else if (!mySplits)
  {
    mySplits = std::make_unique<Splits>();
  }
}

std::string HalfEdgeAlgo_CheckSelfIntersections::Name() const
{
  return "HalfEdgeAlgo_CheckSelfIntersections";
}

bool HalfEdgeAlgo_CheckSelfIntersections::Perform(Mesh& theMesh)
{
  // Without tested faces every face is tested: no set of all face numbers to make and walk.
  return perform(theMesh, myTestedFaces.empty() ? nullptr : &myTestedFaces);
}

bool HalfEdgeAlgo_CheckSelfIntersections::Perform(Mesh& theMesh, std::set<int> theFaces)
{
  return perform(theMesh, &theFaces);
}

bool HalfEdgeAlgo_CheckSelfIntersections::perform(Mesh& theMesh, const std::set<int>* theFaces)
{
  myGroups.clear();
  std::vector<int>   aFailed;
  const unsigned int aNbThreads = applyParallelOptions();
  myTriangleSet                 = new Trivex::TriangleSet(
                      makeRecords(theMesh, aNbThreads, aFailed, mySplits ? &mySplits->PerThread : nullptr));
  myTriangleSet->SetNbBuilderThreads(static_cast<int>(aNbThreads));
  myTriangleSet->SetQuickBuild(true);
  myTriangleSet->InitBuilder();
  myTriangleSet->Build();
  std::vector<std::pair<int, int>> aPairs;
  const bool                       isFound = query(theMesh, theFaces, aNbThreads, aPairs) || !aFailed.empty();
  myGroups = connectedGroups(aPairs, aFailed, static_cast<int>(theMesh.n_faces()));
  sortPairs(aPairs);
  myPairs.swap(aPairs);
  if (isFound && myIsCollectGroups)
  {
    myIntersectionMesh = groupMesh(theMesh, myGroups);
  }
  return isFound;
}

// Each thread keeps the pairs of faces it found crossing; the groups are made
// from all pairs after the loop, which gives what merging every report into
// the group list under a lock would, without threads queueing for the lock on
// surfaces that cross in many places.
bool HalfEdgeAlgo_CheckSelfIntersections::query(const Mesh&                       theMesh,
                                                const std::set<int>*              theFaces,
                                                unsigned int                      theNbThreads,
                                                std::vector<std::pair<int, int>>& thePairs)
{
  // A flag per face number: the set usually holds every face, and a lookup
  // per record in it would cost more than the flags take to fill.
  std::vector<char> isTested(theMesh.n_faces(), theFaces == nullptr ? 1 : 0);
  if (theFaces != nullptr)
  {
    for (const int aFace : *theFaces)
    {
      if (aFace >= 0 && aFace < static_cast<int>(isTested.size()))
      {
        isTested[static_cast<size_t>(aFace)] = 1;
      }
    }
  }
  const int  aNbRecords = myTriangleSet->NbTriangles();
  const bool isCollect  = myIsCollectGroups;
  // A set that names every face with records is the whole mesh as well.
  bool isAll = true;
  for (int i = 0; theFaces != nullptr && i < aNbRecords && isAll; ++i)
  {
    isAll = isTested[static_cast<size_t>(myTriangleSet->Triangle(i).FaceIndex())] != 0;
  }
  if (isAll)
  {
    // The whole mesh against itself: each close pair of records is tested once.
    Trivex::IntersectTriMesh         aQuery(myTriangleSet, myTolerance);
    std::vector<std::pair<int, int>> aRecordPairs;
    const bool isFound = aQuery.PerformAll(aRecordPairs, static_cast<int>(theNbThreads), !isCollect);
    for (size_t k = 0; isCollect && k < aRecordPairs.size(); ++k)
    {
      thePairs.emplace_back(myTriangleSet->Triangle(aRecordPairs[k].first).FaceIndex(),
                            myTriangleSet->Triangle(aRecordPairs[k].second).FaceIndex());
    }
    return isFound;
  }
  // Set without a lock: it only ever goes from false to true.
  std::atomic<bool>                             isFound(false);
  std::vector<Trivex::IntersectTriMesh>         aQueries(theNbThreads,
                                                         Trivex::IntersectTriMesh(myTriangleSet, myTolerance));
  std::vector<Records>                          aCrossed(theNbThreads);
  std::vector<std::vector<std::pair<int, int>>> aPairs(theNbThreads);
  applyParallelOptions();
#pragma omp parallel for schedule(dynamic, 1) if (aNbRecords > Fundra::OMPParallel::MinParallelSize / 8)
  for (int i = 0; i < aNbRecords; ++i)
  {
    const Trivex::TriangleData& aRecord = myTriangleSet->Triangle(i);
    if ((!isCollect && isFound.load(std::memory_order_relaxed)) || !isTested[size_t(aRecord.FaceIndex())])
    {
      continue;
    }
    const size_t aThread = static_cast<size_t>(omp_get_thread_num());
    if (!aQueries[aThread].Perform(aRecord, aCrossed[aThread]))
    {
      continue;
    }
    isFound.store(true, std::memory_order_relaxed);
    for (size_t k = 0; isCollect && k < aCrossed[aThread].size(); ++k)
    {
      aPairs[aThread].emplace_back(aRecord.FaceIndex(), aCrossed[aThread][k].FaceIndex());
    }
  }
  thePairs = joined(aPairs);
  return isFound.load();
}

void HalfEdgeAlgo_CheckSelfIntersections::MergeGroup(std::list<std::set<int>>& theGroups,
                                                     const std::set<int>&      theGroup)
{
  const auto isSharing = [&theGroup](const std::set<int>& theOther)
  {
    return std::any_of(theGroup.begin(), theGroup.end(),
                       [&theOther](int theFace) { return theOther.count(theFace) != 0; });
  };
  std::list<std::set<int>>::iterator aTarget = theGroups.end();
  for (std::list<std::set<int>>::iterator aGroup = theGroups.begin(); aGroup != theGroups.end();)
  {
    if (!isSharing(*aGroup))
    {
      ++aGroup;
    }
    else if (aTarget == theGroups.end())
    {
      aTarget = aGroup++;
      aTarget->insert(theGroup.begin(), theGroup.end());
    }
    else
    {
      aTarget->insert(aGroup->begin(), aGroup->end());
      aGroup = theGroups.erase(aGroup);
    }
  }
  if (aTarget == theGroups.end())
  {
    theGroups.push_back(theGroup);
  }
}

bool HalfEdgeAlgo_CheckSelfIntersections::FaceRecords(const Mesh&                        theMesh,
                                                      int                                theFace,
                                                      std::vector<Trivex::TriangleData>& theRecords)
{
  thread_local std::vector<gp_Pnt> aPoints;
  const Mesh::FaceHandle           aFace(theFace);
  facePoints(theMesh, aFace, aPoints);
  if (aPoints.size() == 3)
  {
    addRecord(theFace, aPoints, theRecords);
    return true;
  }
  thread_local Handle(HalfEdgeAlgo_Triangulate) aSplitter = new HalfEdgeAlgo_Triangulate("skewness");
  return triangulateFace(theMesh, aFace, *aSplitter, aPoints, theRecords, nullptr);
}

bool HalfEdgeAlgo_CheckSelfIntersections::MakeTriangleData(int                        theFace,
                                                           const std::vector<gp_Pnt>& thePoints,
                                                           Trivex::TriangleData&      theRecord)
{
  if (thePoints.size() < 3)
  {
    return false;
  }
  // Newell's rule: the sum of the cross products of consecutive corners is
  // the area vector of the loop, also for corners that are not coplanar.
  gp_XYZ aSum(0.0, 0.0, 0.0);
  gp_XYZ aPrevious = thePoints.back().XYZ();
  double aLongest  = 0.0;
  for (const gp_Pnt& aPoint : thePoints)
  {
    aSum += aPrevious.Crossed(aPoint.XYZ());
    aLongest  = std::max(aLongest, (aPoint.XYZ() - aPrevious).SquareModulus());
    aPrevious = aPoint.XYZ();
  }
  // Twice the area over the longest side is the height over that side.
  const double aLength = aSum.Modulus();
  if (!(aLength > 0.0) || !(aLength >= THE_MIN_HEIGHT * std::sqrt(aLongest)))
  {
    return false;
  }
  theRecord = Trivex::TriangleData(thePoints[0], thePoints[1], thePoints[2], gp_Dir(aSum / aLength), theFace);
  return true;
}
