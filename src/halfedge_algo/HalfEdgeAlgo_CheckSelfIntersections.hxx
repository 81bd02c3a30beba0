#ifndef HalfEdgeAlgo_CheckSelfIntersections_HeaderFile
#define HalfEdgeAlgo_CheckSelfIntersections_HeaderFile

#include <HalfEdgeAlgo_CheckMesh.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Trivex_TriangleData.hxx>
#include <Trivex_TriangleSet.hxx>

#include <gp_Pnt.hxx>

#include <list>
#include <memory>
#include <set>
#include <vector>

//! Finds faces of a mesh that cross other faces of the same mesh. Every live
//! face becomes one triangle record (polygons are triangulated by skewness
//! first, each piece tagged with the polygon's number); all records go into
//! one hierarchy, and the records of the faces under test are queried against
//! it in parallel. Faces that only share a corner or a side with each other
//! never count as crossing; degenerate triangles are left out.
//!
//! Without group collection the check answers yes or no and stops working as
//! soon as it knows. With it, the faces reported together are sorted into
//! groups: the connected pieces of the relation "crosses", pairwise disjoint
//! and listed in ascending order of their face sets, whatever the thread
//! count; and the faces of all groups are copied into an intersection mesh.
//! A polygon that could not be triangulated counts as a group of its own.
class Pellisk_EXPORT HalfEdgeAlgo_CheckSelfIntersections : public HalfEdgeAlgo_CheckMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_CheckSelfIntersections, HalfEdgeAlgo_CheckMesh)
public:
  //! Answers yes or no; no groups, no intersection mesh.
  HalfEdgeAlgo_CheckSelfIntersections();

  ~HalfEdgeAlgo_CheckSelfIntersections() override;

  //! "HalfEdgeAlgo_CheckSelfIntersections".
  std::string Name() const override;

  //! Checks every live face of theMesh against all the others, or only the
  //! faces of TestedFaces() when it is not empty, as the other Perform.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! Checks the faces numbered in theFaces against all live faces of
  //! theMesh: true when one of them crosses another face, or when a polygon
  //! of the mesh could not be triangulated. Crossings between two faces that
  //! are both outside theFaces are not looked for.
  bool Perform(Mesh& theMesh, std::set<int> theFaces);

  //! The faces the runs through a mesh's Execute test against all others;
  //! every face when empty (the default).
  std::set<int>& TestedFaces() { return myTestedFaces; }

  //! True when the next runs collect groups and the intersection mesh.
  bool IsCollectGroups() const { return myIsCollectGroups; }

  //! Chooses whether the next runs collect groups (slower on meshes with many
  //! crossings) or only answer yes or no.
  void SetCollectGroups(bool theIsCollect) { myIsCollectGroups = theIsCollect; }

  //! With theIsRemembered, the next runs remember how they split each
  //! polygon, by the positions of its corners, and take the same split for a
  //! polygon met again at the same place instead of working it out again:
  //! the checks of a repair test the same unmoved quadrangles many times.
  //! The result is the same either way. Off by default; turning it off
  //! forgets the splits.
  void SetSplitsRemembered(bool theIsRemembered);

  //! The groups of the last run, sorted; empty without group collection
  //! (except for polygons that could not be triangulated).
  const std::list<std::set<int>>& Groups() const { return myGroups; }

  //! The pairs of crossing faces of the last run with group collection on,
  //! each once, the lower number first, in ascending order; empty otherwise.
  const std::vector<std::pair<int, int>>& Pairs() const { return myPairs; }

  //! The faces of all groups of the last run that found some with group
  //! collection on, each with corners of its own, group after group; null
  //! before such a run (a later run that finds nothing keeps it).
  const Handle(HalfEdge_Mesh)& IntersectionMesh() const { return myIntersectionMesh; }

  //! The triangle records of the last run's mesh, built; reusable for other
  //! queries on that mesh until it changes. Null before the first run.
  const Handle(Trivex::TriangleSet)& TriangleSet() const { return myTriangleSet; }

  //! Adds theGroup to theGroups, joining it with every group it shares a
  //! face with (the first such group absorbs the others), so that the list
  //! holds the connected pieces of the relation "reported together".
  static void MergeGroup(std::list<std::set<int>>& theGroups, const std::set<int>& theGroup);

  //! The record of a triangle of face theFace with corners thePoints (the
  //! first three; the normal from all of them by Newell's rule). False, and
  //! no record, for a degenerate triangle: one whose height over its longest
  //! side is below 1e-7.
  static bool
  MakeTriangleData(int theFace, const std::vector<gp_Pnt>& thePoints, Trivex::TriangleData& theRecord);

  //! Appends to theRecords the records a run makes of the live face theFace
  //! of theMesh: one for a triangle, one per piece for a polygon, none for a
  //! degenerate piece. False when a polygon could not be split, which a run
  //! counts as a crossing.
  static bool FaceRecords(const Mesh& theMesh, int theFace, std::vector<Trivex::TriangleData>& theRecords);

private:
  struct Splits;

  // The two Perform: theFaces against all faces, every face when null.
  bool perform(Mesh& theMesh, const std::set<int>* theFaces);

  // Queries the records of theFaces (all when null) against the built set on
  // theNbThreads threads; true when something crossed. When collecting,
  // thePairs receives every crossing found as (queried face, crossed face).
  bool query(const Mesh&                       theMesh,
             const std::set<int>*              theFaces,
             unsigned int                      theNbThreads,
             std::vector<std::pair<int, int>>& thePairs);

private:
  bool                             myIsCollectGroups;
  Handle(HalfEdge_Mesh)            myIntersectionMesh;
  Handle(Trivex::TriangleSet)      myTriangleSet;
  std::list<std::set<int>>         myGroups;
  std::vector<std::pair<int, int>> myPairs;
  std::set<int>                    myTestedFaces;
  std::unique_ptr<Splits>          mySplits;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_CheckSelfIntersections, HalfEdgeAlgo_CheckMesh)

#endif
