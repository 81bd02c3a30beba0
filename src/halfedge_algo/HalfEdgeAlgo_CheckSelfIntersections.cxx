// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>
#include <Trivex_IntersectTriMesh.hxx>

#include <omp.h>

#include <algorithm>
#include <atomic>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_CheckSelfIntersections, HalfEdgeAlgo_CheckMesh)

namespace
{
// Below this length a Newell normal is taken as no normal at all: the
// triangle has no area worth testing.
constexpr double THE_MIN_NORMAL = 1e-7;

using Records = std::vector<Trivex::TriangleData>;

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

// Splits polygon theFace on a mesh of its own (so that nothing else of the
// mesh moves) and appends the records of the pieces, tagged with theFace;
// false when the split was not a proper triangulation.
bool triangulateFace(const Mesh&               theMesh,
                     Mesh::FaceHandle          theFace,
                     HalfEdgeAlgo_Triangulate& theTriangulate,
                     std::vector<gp_Pnt>&      thePoints,
                     Records&                  theRecords)
{
  facePoints(theMesh, theFace, thePoints);
  if (thePoints.size() < 3)
  {
    return true; // no area: nothing to cross
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
// that failed to split go to theFailed.
Records makeRecords(const Mesh& theMesh, unsigned int theNbThreads, std::vector<int>& theFailed)
{
  Records             aRecords;
  std::vector<int>    aPolygons;
  std::vector<gp_Pnt> aPoints;
  aRecords.reserve(theMesh.n_faces());
  for (const Mesh::FaceHandle aFace : theMesh.faces())
  {
    facePoints(theMesh, aFace, aPoints);
    if (aPoints.size() == 3)
    {
      addRecord(aFace.idx(), aPoints, aRecords);
    }
    else
    {
      aPolygons.push_back(aFace.idx());
    }
  }
  if (aPolygons.empty())
  {
    return aRecords;
  }
  std::vector<Records>                          aThreadRecords(theNbThreads);
  std::vector<std::vector<int>>                 aThreadFailed(theNbThreads);
  std::vector<std::vector<gp_Pnt>>              aThreadPoints(theNbThreads);
  std::vector<Handle(HalfEdgeAlgo_Triangulate)> aSplitters(theNbThreads);
  for (Handle(HalfEdgeAlgo_Triangulate)& aSplitter : aSplitters)
  {
    aSplitter = new HalfEdgeAlgo_Triangulate("skewness");
  }
  const int aNbPolygons = static_cast<int>(aPolygons.size());
#pragma omp parallel for schedule(dynamic, 1)
  for (int i = 0; i < aNbPolygons; ++i)
  {
    const size_t aThread = static_cast<size_t>(omp_get_thread_num());
    const int    aFace   = aPolygons[static_cast<size_t>(i)];
    if (!triangulateFace(theMesh, Mesh::FaceHandle(aFace), *aSplitters[aThread], aThreadPoints[aThread],
                         aThreadRecords[aThread]))
    {
      aThreadFailed[aThread].push_back(aFace);
    }
  }
  for (unsigned int aThread = 0; aThread < theNbThreads; ++aThread)
  {
    aRecords.insert(aRecords.end(), aThreadRecords[aThread].begin(), aThreadRecords[aThread].end());
    theFailed.insert(theFailed.end(), aThreadFailed[aThread].begin(), aThreadFailed[aThread].end());
  }
  return aRecords;
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

HalfEdgeAlgo_CheckSelfIntersections::HalfEdgeAlgo_CheckSelfIntersections()
    : myIsCollectGroups(false)
{
}

std::string HalfEdgeAlgo_CheckSelfIntersections::Name() const
{
  return "HalfEdgeAlgo_CheckSelfIntersections";
}

bool HalfEdgeAlgo_CheckSelfIntersections::Perform(Mesh& theMesh)
{
  std::set<int> aFaces;
  for (const Mesh::FaceHandle aFace : theMesh.faces())
  {
    aFaces.insert(aFaces.end(), aFace.idx());
  }
  return Perform(theMesh, std::move(aFaces));
}

bool HalfEdgeAlgo_CheckSelfIntersections::Perform(Mesh& theMesh, std::set<int> theFaces)
{
  myGroups.clear();
  std::vector<int> aFailed;
  const Records    aRecords = makeRecords(theMesh, applyParallelOptions(), aFailed);
  for (const int aFace : aFailed)
  {
    MergeGroup(myGroups, {aFace});
  }
  const unsigned int aNbThreads = applyParallelOptions();
  myTriangleSet                 = new Trivex::TriangleSet(aRecords);
  myTriangleSet->SetNbBuilderThreads(static_cast<int>(aNbThreads));
  myTriangleSet->InitBuilder();
  myTriangleSet->Build();
  const bool isFound = query(theMesh, theFaces, aNbThreads) || !aFailed.empty();
  myGroups.sort();
  if (isFound && myIsCollectGroups)
  {
    myIntersectionMesh = groupMesh(theMesh, myGroups);
  }
  return isFound;
}

bool HalfEdgeAlgo_CheckSelfIntersections::query(const Mesh&          theMesh,
                                                const std::set<int>& theFaces,
                                                unsigned int         theNbThreads)
{
  // A flag per face number: the set usually holds every face, and a lookup
  // per record in it would cost more than the flags take to fill.
  std::vector<char> isTested(theMesh.n_faces(), 0);
  for (const int aFace : theFaces)
  {
    if (aFace >= 0 && aFace < static_cast<int>(isTested.size()))
    {
      isTested[static_cast<size_t>(aFace)] = 1;
    }
  }
  // Set without a lock: it only ever goes from false to true.
  std::atomic<bool>                     isFound(!myGroups.empty());
  const bool                            isCollect = myIsCollectGroups;
  std::vector<Trivex::IntersectTriMesh> aQueries(theNbThreads,
                                                 Trivex::IntersectTriMesh(myTriangleSet, myTolerance));
  std::vector<Records>                  aCrossed(theNbThreads);
  std::vector<std::set<int>>            aGroups(theNbThreads);
  const int                             aNbRecords = myTriangleSet->NbTriangles();
  applyParallelOptions();
#pragma omp parallel for schedule(dynamic, 1)
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
    if (!isCollect)
    {
      continue;
    }
    std::set<int>& aGroup = aGroups[aThread];
    aGroup.clear();
    aGroup.insert(aRecord.FaceIndex());
    for (const Trivex::TriangleData& aCrossing : aCrossed[aThread])
    {
      aGroup.insert(aCrossing.FaceIndex());
    }
#pragma omp critical
    MergeGroup(myGroups, aGroup);
  }
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
  for (const gp_Pnt& aPoint : thePoints)
  {
    aSum += aPrevious.Crossed(aPoint.XYZ());
    aPrevious = aPoint.XYZ();
  }
  const double aLength = aSum.Modulus();
  if (!(aLength >= THE_MIN_NORMAL))
  {
    return false;
  }
  theRecord = Trivex::TriangleData(thePoints[0], thePoints[1], thePoints[2], gp_Dir(aSum / aLength), theFace);
  return true;
}
