// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_SettleNodes.hxx>
#include <Trivex_IntersectTriMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_SettleNodes, HalfEdgeAlgo_ModifyMesh)

namespace
{
// The share of its way a node goes first; the nodes that keep it then try
// the whole way. Where the repairs have pushed two sheets of a wrap apart, the
// whole way brings them back together at once; half of it leaves fewer
// crossings to undo.
const double THE_FIRST_SHARE = 0.5;

// Halvings of what a node gained in a stage before it goes back to where the
// stage found it.
const int THE_NB_HALVINGS = 3;

// Rounds of checks of one stage before every node still on the move goes
// back to where the stage found it: each round after the halvings sends at
// least one node back for good, so the bound is only reached where one node's
// return makes another's faces cross in a chain.
const int THE_MAX_ROUNDS = 12;

// The tolerance of the repairs' checks.
const double THE_TOLERANCE = 1e-7;

// A node on its way back: where it was, where it heads, and the share of the
// way it goes.
struct Settler
{
  Mesh::VertexHandle Vertex;
  gp_XYZ             From;
  gp_XYZ             To;
  double             Share;
};

gp_XYZ pointOf(const Mesh& theMesh, Mesh::VertexHandle theVertex)
{
  const Mesh::Point& aPoint = theMesh.point(theVertex);
  return gp_XYZ(aPoint[0], aPoint[1], aPoint[2]);
}

void place(Mesh& theMesh, const Settler& theSettler)
{
  const gp_XYZ aPoint = theSettler.From + (theSettler.To - theSettler.From) * theSettler.Share;
  theMesh.set_point(theSettler.Vertex, Mesh::Point(aPoint.X(), aPoint.Y(), aPoint.Z()));
}

void addFaces(const Mesh& theMesh, Mesh::VertexHandle theVertex, std::set<int>& theFaces)
{
  for (auto aFace = theMesh.cvf_iter(theVertex); aFace.is_valid(); ++aFace)
  {
    theFaces.insert(aFace->idx());
  }
}

// The cosine of the sharpest corner of the live face theFace when it is a
// triangle (1 for one with a side of no length); -1 for a polygon, which is
// never taken for a sliver.
double sharpestCosine(const Mesh& theMesh, int theFace)
{
  gp_XYZ aCorners[3];
  int    aCount = 0;
  for (auto aVertex = theMesh.cfv_iter(Mesh::FaceHandle(theFace)); aVertex.is_valid(); ++aVertex)
  {
    if (aCount == 3)
    {
      return -1.0;
    }
    aCorners[aCount++] = pointOf(theMesh, *aVertex);
  }
  double aCosine = -1.0;
  for (int aCorner = 0; aCorner < 3 && aCount == 3; ++aCorner)
  {
    const gp_XYZ aToNext  = aCorners[(aCorner + 1) % 3] - aCorners[aCorner];
    const gp_XYZ aToPrev  = aCorners[(aCorner + 2) % 3] - aCorners[aCorner];
    const double aLengths = aToNext.Modulus() * aToPrev.Modulus();
    aCosine               = std::max(aCosine, aLengths > 0.0 ? aToNext.Dot(aToPrev) / aLengths : 1.0);
  }
  return aCosine;
}

using Records = std::vector<Trivex::TriangleData>;

// The built hierarchy of theRecords.
Handle(Trivex::TriangleSet) recordSet(Records&& theRecords, unsigned int theNbThreads)
{
  Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(std::move(theRecords));
  aSet->SetNbBuilderThreads(static_cast<int>(theNbThreads));
  aSet->SetQuickBuild(true);
  aSet->InitBuilder();
  aSet->Build();
  return aSet;
}

// Every live node farther from theSet than theThreshold (and than theGap),
// headed for the point at theGap from its closest point, in node order.
std::vector<Settler> findSettlers(const Mesh&                        theMesh,
                                  const Handle(Trivex::TriangleSet)& theSet,
                                  double                             theGap,
                                  double                             theThreshold,
                                  unsigned int                       theNbThreads)
{
  const int                           aNbNodes = static_cast<int>(theMesh.n_vertices());
  std::vector<Trivex::ProjectPntMesh> aQueries(theNbThreads, Trivex::ProjectPntMesh(theSet));
  std::vector<Settler>                aTargets(static_cast<size_t>(aNbNodes));
#pragma omp parallel for schedule(dynamic, 256)
  for (int aNode = 0; aNode < aNbNodes; ++aNode)
  {
    const Mesh::VertexHandle aVertex(aNode);
    Settler&                 aSettler = aTargets[static_cast<size_t>(aNode)];
    aSettler.Share                    = 0.0;
    if (theMesh.status(aVertex).deleted() || theMesh.is_isolated(aVertex))
    {
      continue;
    }
    const gp_XYZ aFrom    = pointOf(theMesh, aVertex);
    const gp_XYZ aClosest = aQueries[static_cast<size_t>(omp_get_thread_num())].Perform(gp_Pnt(aFrom)).XYZ();
    const double aLength  = (aFrom - aClosest).Modulus();
    if (aLength > theThreshold && aLength > theGap)
    {
      aSettler = Settler{aVertex, aFrom, aClosest + (aFrom - aClosest) * (theGap / aLength), 1.0};
    }
  }
  std::vector<Settler> aSettlers;
  std::copy_if(aTargets.begin(), aTargets.end(), std::back_inserter(aSettlers),
               [](const Settler& theSettler) { return theSettler.Share > 0.0; });
  return aSettlers;
}

// The nodes on their way back and the faces around them, which are the only
// faces that move; the others are filed once.
class Settling
{
public:
  Settling(Mesh&                  theMesh,
           std::vector<Settler>&& theSettlers,
           double                 theSharpestAngle,
           unsigned int           theNbThreads)
      : myMesh(theMesh),
        mySettlers(std::move(theSettlers)),
        myPlaces(theMesh.n_vertices(), -1),
        mySharpest(theMesh.n_faces(), 1.0),
        myMovingPlaces(theMesh.n_faces(), -1),
        myNbThreads(theNbThreads)
  {
    std::set<int> aMoving;
    for (size_t anIndex = 0; anIndex < mySettlers.size(); ++anIndex)
    {
      myPlaces[static_cast<size_t>(mySettlers[anIndex].Vertex.idx())] = static_cast<int>(anIndex);
      mySettlers[anIndex].Share                                       = 0.0;
      addFaces(myMesh, mySettlers[anIndex].Vertex, aMoving);
    }
    myMoving.assign(aMoving.begin(), aMoving.end());
    Records aStill;
    for (const Mesh::FaceHandle aFace : myMesh.faces())
    {
      if (!std::binary_search(myMoving.begin(), myMoving.end(), aFace.idx()))
      {
        HalfEdgeAlgo_CheckSelfIntersections::FaceRecords(myMesh, aFace.idx(), aStill);
      }
    }
    myStill = recordSet(std::move(aStill), myNbThreads);
    myRecords.resize(myMoving.size());
    myIsSplit.resize(myMoving.size());
    for (size_t anIndex = 0; anIndex < myMoving.size(); ++anIndex)
    {
      myMovingPlaces[static_cast<size_t>(myMoving[anIndex])] = static_cast<int>(anIndex);
    }
    refreshRecords(myMoving);
    for (const Records& aFaceRecords : myRecords)
    {
      myNbRecords.push_back(aFaceRecords.size());
    }
    // A face may end as sharp as the sharpest angle allowed, or as it was.
    const double aSharpCosine = theSharpestAngle > 0.0 ? std::cos(theSharpestAngle * M_PI / 180.0) : 1.0;
    for (const int aFace : myMoving)
    {
      mySharpest[static_cast<size_t>(aFace)] = std::max(aSharpCosine, sharpestCosine(myMesh, aFace));
    }
  }

  // Moves every node half its way, then the whole way where the half made
  // nothing cross.
  void Perform()
  {
    std::vector<int> aFirst(mySettlers.size());
    std::iota(aFirst.begin(), aFirst.end(), 0);
    move(aFirst, THE_FIRST_SHARE);
    std::vector<int> aWhole;
    for (size_t anIndex = 0; anIndex < mySettlers.size(); ++anIndex)
    {
      if (mySettlers[anIndex].Share == THE_FIRST_SHARE)
      {
        aWhole.push_back(static_cast<int>(anIndex));
      }
    }
    move(aWhole, 1.0);
  }

  int NbMoved() const
  {
    return static_cast<int>(std::count_if(mySettlers.begin(), mySettlers.end(),
                                          [](const Settler& theSettler) { return theSettler.Share > 0.0; }));
  }

private:
  // Moves theNodes (places in the settler list) to theShare of their way,
  // then slows each node of a face that crosses another or turns too sharp
  // until none does.
  void move(const std::vector<int>& theNodes, double theShare)
  {
    std::set<int> aTested;
    myStageStart.resize(mySettlers.size());
    for (size_t anIndex = 0; anIndex < mySettlers.size(); ++anIndex)
    {
      myStageStart[anIndex] = mySettlers[anIndex].Share;
    }
    for (const int aPlace : theNodes)
    {
      mySettlers[static_cast<size_t>(aPlace)].Share = theShare;
      place(myMesh, mySettlers[static_cast<size_t>(aPlace)]);
      addFaces(myMesh, mySettlers[static_cast<size_t>(aPlace)].Vertex, aTested);
    }
    for (int aRound = 0; !aTested.empty(); ++aRound)
    {
      const std::set<int> aSlowed     = slowed(aTested);
      const bool          isLastRound = aRound + 1 >= THE_MAX_ROUNDS;
      const double        aFactor     = aRound < THE_NB_HALVINGS && !isLastRound ? 0.5 : 0.0;
      aTested.clear();
      for (const int aPlace : aSlowed)
      {
        // A slowed node gives up half of what it gained in the stage.
        Settler&     aSettler = mySettlers[static_cast<size_t>(aPlace)];
        const double aStart   = myStageStart[static_cast<size_t>(aPlace)];
        aSettler.Share        = aStart + (aSettler.Share - aStart) * aFactor;
        place(myMesh, aSettler);
        addFaces(myMesh, aSettler.Vertex, aTested);
      }
      if (isLastRound && !aTested.empty())
      {
        // A chain of returns that has not ended: the stage is undone.
        for (size_t anIndex = 0; anIndex < mySettlers.size(); ++anIndex)
        {
          mySettlers[anIndex].Share = myStageStart[anIndex];
          place(myMesh, mySettlers[anIndex]);
        }
        refreshRecords(myMoving);
        aTested.clear();
      }
    }
  }

  // The places of the moving nodes of the faces of theTested that cross
  // another face or are sharper than allowed. Faces that did not move cannot
  // have started crossing or turned sharp; of a moved face and an unmoved one
  // that cross, the moved one's nodes are slowed, unless it is back where it
  // started: then the other face moved into its place and gives way.
  std::set<int> slowed(const std::set<int>& theTested)
  {
    const std::vector<int> aTested(theTested.begin(), theTested.end());
    refreshRecords(aTested);
    Records aMoving;
    for (const Records& aFaceRecords : myRecords)
    {
      aMoving.insert(aMoving.end(), aFaceRecords.begin(), aFaceRecords.end());
    }
    const Handle(Trivex::TriangleSet) aMovingSet = recordSet(std::move(aMoving), myNbThreads);
    std::set<int>                     aSlowed;
    for (const int aFace : crossingFaces(aTested, {myStill, aMovingSet}))
    {
      if (!addMovingNodes(aFace, aSlowed))
      {
        for (const int aPartner : crossedFaces(aFace, aMovingSet))
        {
          addMovingNodes(aPartner, aSlowed);
        }
      }
    }
    // Faces turned sharper than allowed slow their nodes, and so do triangles
    // grown too small for a record: the crossing check never tests those.
    for (const int aFace : aTested)
    {
      const auto aPlace = static_cast<size_t>(myMovingPlaces[static_cast<size_t>(aFace)]);
      if (sharpestCosine(myMesh, aFace) > mySharpest[static_cast<size_t>(aFace)] ||
          myRecords[aPlace].size() < myNbRecords[aPlace])
      {
        addMovingNodes(aFace, aSlowed);
      }
    }
    return aSlowed;
  }

  // Makes the records of theFaces (moving faces) anew from their corners.
  void refreshRecords(const std::vector<int>& theFaces)
  {
    const int aNbFaces = static_cast<int>(theFaces.size());
#pragma omp parallel for schedule(dynamic, 256)
    for (int anIndex = 0; anIndex < aNbFaces; ++anIndex)
    {
      const int  aFace  = theFaces[static_cast<size_t>(anIndex)];
      const auto aPlace = static_cast<size_t>(myMovingPlaces[static_cast<size_t>(aFace)]);
      myRecords[aPlace].clear();
      myIsSplit[aPlace] =
          HalfEdgeAlgo_CheckSelfIntersections::FaceRecords(myMesh, aFace, myRecords[aPlace]) ? 1 : 0;
    }
  }

  // The faces of theTested that cross a face of one of theSets, in ascending
  // order; a polygon that could not be split counts as crossing, as in the check.
  std::vector<int> crossingFaces(const std::vector<int>&                         theTested,
                                 const std::vector<Handle(Trivex::TriangleSet)>& theSets) const
  {
    std::vector<char> isCrossing(theTested.size(), 0);
    const int         aNbTested = static_cast<int>(theTested.size());
    // One query per set and thread.
    std::vector<std::vector<Trivex::IntersectTriMesh>> aQueries(myNbThreads);
    for (std::vector<Trivex::IntersectTriMesh>& aThreadQueries : aQueries)
    {
      for (const Handle(Trivex::TriangleSet)& aSet : theSets)
      {
        aThreadQueries.emplace_back(aSet, THE_TOLERANCE);
      }
    }
#pragma omp parallel for schedule(dynamic, 64)
    for (int anIndex = 0; anIndex < aNbTested; ++anIndex)
    {
      const auto aPlace =
          static_cast<size_t>(myMovingPlaces[static_cast<size_t>(theTested[static_cast<size_t>(anIndex)])]);
      const Records& aRecords = myRecords[aPlace];
      bool           isFound  = myIsSplit[aPlace] == 0;
      for (size_t aPiece = 0; aPiece < aRecords.size() && !isFound; ++aPiece)
      {
        for (Trivex::IntersectTriMesh& aQuery : aQueries[static_cast<size_t>(omp_get_thread_num())])
        {
          isFound = isFound || aQuery.IsCrossing(aRecords[aPiece]);
        }
      }
      isCrossing[static_cast<size_t>(anIndex)] = isFound ? 1 : 0;
    }
    std::vector<int> aCrossing;
    for (size_t anIndex = 0; anIndex < theTested.size(); ++anIndex)
    {
      if (isCrossing[anIndex] != 0)
      {
        aCrossing.push_back(theTested[anIndex]);
      }
    }
    return aCrossing;
  }

  // The faces of theSet that the moving face theFace crosses.
  std::vector<int> crossedFaces(int theFace, const Handle(Trivex::TriangleSet)& theSet) const
  {
    std::vector<int> aFaces;
    for (const Trivex::TriangleData& aPiece :
         myRecords[static_cast<size_t>(myMovingPlaces[static_cast<size_t>(theFace)])])
    {
      std::vector<Trivex::TriangleData> aCrossed;
      Trivex::IntersectTriMesh(theSet, THE_TOLERANCE).Perform(aPiece, aCrossed);
      for (const Trivex::TriangleData& anOther : aCrossed)
      {
        aFaces.push_back(anOther.FaceIndex());
      }
    }
    return aFaces;
  }

  // Adds the places of the nodes of theFace that moved in the stage; false
  // when it has none.
  bool addMovingNodes(int theFace, std::set<int>& theNodes) const
  {
    bool isMoving = false;
    for (auto aVertex = myMesh.cfv_iter(Mesh::FaceHandle(theFace)); aVertex.is_valid(); ++aVertex)
    {
      const int aPlace = myPlaces[static_cast<size_t>(aVertex->idx())];
      if (aPlace >= 0 &&
          mySettlers[static_cast<size_t>(aPlace)].Share > myStageStart[static_cast<size_t>(aPlace)])
      {
        theNodes.insert(aPlace);
        isMoving = true;
      }
    }
    return isMoving;
  }

  Mesh&                       myMesh;
  std::vector<Settler>        mySettlers;
  std::vector<int>            myPlaces;       //!< place in the settler list of each node, or -1
  std::vector<int>            myMoving;       //!< the faces around the settlers, ascending
  std::vector<double>         mySharpest;     //!< the cosine of each moving face's sharpest corner allowed
  std::vector<int>            myMovingPlaces; //!< place of each face in myMoving, or -1
  std::vector<Records>        myRecords;      //!< the records of each moving face, as it was last tested
  std::vector<char>           myIsSplit;      //!< whether each moving face's polygon could be split
  std::vector<double>         myStageStart;   //!< the share of each settler when the stage began
  std::vector<size_t>         myNbRecords;    //!< the number of records of each moving face at the start
  Handle(Trivex::TriangleSet) myStill;        //!< the faces that do not move
  unsigned int                myNbThreads;
};
} // namespace

HalfEdgeAlgo_SettleNodes::HalfEdgeAlgo_SettleNodes() = default;

std::string HalfEdgeAlgo_SettleNodes::Name() const
{
  return "HalfEdgeAlgo_SettleNodes";
}

bool HalfEdgeAlgo_SettleNodes::Perform(Mesh& theMesh)
{
  myNbMoved                     = 0;
  const unsigned int aNbThreads = applyParallelOptions();
  if (myTriangleSet.IsNull() || !myTriangleSet->IsBuilt())
  {
    return true;
  }
  std::vector<Settler> aSettlers = findSettlers(theMesh, myTriangleSet, myGap, myThreshold, aNbThreads);
  if (!aSettlers.empty())
  {
    Settling aSettling(theMesh, std::move(aSettlers), mySharpestAngle, aNbThreads);
    aSettling.Perform();
    myNbMoved = aSettling.NbMoved();
  }
  return true;
}
