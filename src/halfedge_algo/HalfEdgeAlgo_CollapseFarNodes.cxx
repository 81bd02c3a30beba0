// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_CollapseFarNodes.hxx>
#include <HalfEdgeAlgo_CollapseRepairs.hxx>
#include <Trivex_IntersectTriMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_CollapseFarNodes, HalfEdgeAlgo_ModifyMesh)

namespace
{
typedef Mesh::VertexHandle Node;

// Rounds over the far nodes at most: a node refused in one round may be
// collapsed in the next, once its neighbours have changed. Each round
// collapses at least one node, so the bound only cuts long chains short.
const int THE_MAX_ROUNDS = 32;

// Every crossing test looks at each face reshaped since the faces were last
// filed; past a few times the square root of the number of faces (and this
// many), they are filed anew, which keeps both costs in step.
const size_t THE_MIN_REFILING = 256;

// A neighbour a node may collapse into is nearer to the input by more than
// this share of the node's distance: among nodes as far as each other, as on
// a flat span, distances differ by rounding alone.
const double THE_NEARER_SHARE = 1e-9;

// The tolerance of the repairs' checks.
const double THE_TOLERANCE = 1e-7;

using Records = std::vector<Trivex::TriangleData>;

gp_XYZ pointOf(const Mesh& theMesh, Node theNode)
{
  const Mesh::Point& aPoint = theMesh.point(theNode);
  return gp_XYZ(aPoint[0], aPoint[1], aPoint[2]);
}

// The cosine of the sharpest corner of a triangle (1 for one with a side of
// no length).
double sharpestCosine(const gp_XYZ (&theCorners)[3])
{
  double aCosine = -1.0;
  for (int aCorner = 0; aCorner < 3; ++aCorner)
  {
    const gp_XYZ aToNext  = theCorners[(aCorner + 1) % 3] - theCorners[aCorner];
    const gp_XYZ aToPrev  = theCorners[(aCorner + 2) % 3] - theCorners[aCorner];
    const double aLengths = aToNext.Modulus() * aToPrev.Modulus();
    aCosine               = std::max(aCosine, aLengths > 0.0 ? aToNext.Dot(aToPrev) / aLengths : 1.0);
  }
  return aCosine;
}

gp_XYZ normalOf(const gp_XYZ (&theCorners)[3])
{
  return (theCorners[1] - theCorners[0]).Crossed(theCorners[2] - theCorners[0]);
}

// The distance of every live node of theMesh from theSet (-1 for the others).
std::vector<double>
distances(const Mesh& theMesh, const Handle(Trivex::TriangleSet)& theSet, unsigned int theNbThreads)
{
  const int                           aNbNodes = static_cast<int>(theMesh.n_vertices());
  std::vector<Trivex::ProjectPntMesh> aQueries(theNbThreads, Trivex::ProjectPntMesh(theSet));
  std::vector<double>                 aDistances(static_cast<size_t>(aNbNodes), -1.0);
#pragma omp parallel for schedule(dynamic, 256)
  for (int aNode = 0; aNode < aNbNodes; ++aNode)
  {
    const Node aVertex(aNode);
    if (!theMesh.status(aVertex).deleted() && !theMesh.is_isolated(aVertex))
    {
      const gp_Pnt aPoint(pointOf(theMesh, aVertex));
      aDistances[static_cast<size_t>(aNode)] =
          aQueries[static_cast<size_t>(omp_get_thread_num())].Perform(aPoint).Distance(aPoint);
    }
  }
  return aDistances;
}

// An axis-aligned box, widened by the tolerance.
struct Box
{
  gp_XYZ Min{RealLast(), RealLast(), RealLast()};
  gp_XYZ Max{RealFirst(), RealFirst(), RealFirst()};

  void Add(const gp_XYZ& thePoint)
  {
    for (int anAxis = 1; anAxis <= 3; ++anAxis)
    {
      Min.SetCoord(anAxis, std::min(Min.Coord(anAxis), thePoint.Coord(anAxis) - THE_TOLERANCE));
      Max.SetCoord(anAxis, std::max(Max.Coord(anAxis), thePoint.Coord(anAxis) + THE_TOLERANCE));
    }
  }

  bool Overlaps(const Box& theOther) const
  {
    for (int anAxis = 1; anAxis <= 3; ++anAxis)
    {
      if (Min.Coord(anAxis) > theOther.Max.Coord(anAxis) || theOther.Min.Coord(anAxis) > Max.Coord(anAxis))
      {
        return false;
      }
    }
    return true;
  }
};

// The collapses of one run. The faces are filed once, and filed anew when
// many have changed; the faces the collapses reshape or delete in between are
// listed. The faces a collapse would reshape are tested against the listed
// ones as they are now and against the others as filed.
class Collapser
{
public:
  Collapser(Mesh&                      theMesh,
            const std::vector<double>& theDistances,
            double                     theSharpestAngle,
            unsigned int               theNbThreads)
      : myMesh(theMesh),
        myDistances(theDistances),
        mySharpCosine(std::cos(theSharpestAngle * M_PI / 180.0)),
        myIsChanged(theMesh.n_faces(), 0),
        myMaxChanged(std::max(THE_MIN_REFILING,
                              static_cast<size_t>(4.0 * std::sqrt(static_cast<double>(theMesh.n_faces()))))),
        myNbThreads(theNbThreads)
  {
    file();
  }

  // Collapses each node of theNodes, in order, into the nearest neighbour it
  // can; the number collapsed.
  int Perform(const std::vector<int>& theNodes)
  {
    int aCount = 0;
    for (const int aNode : theNodes)
    {
      aCount += collapse(Node(aNode)) ? 1 : 0;
    }
    return aCount;
  }

private:
  bool collapse(Node theNode)
  {
    if (myMesh.status(theNode).deleted())
    {
      return false;
    }
    std::vector<Node> aNeighbours;
    for (auto aNeighbour = myMesh.cvv_iter(theNode); aNeighbour.is_valid(); ++aNeighbour)
    {
      if (distanceOf(*aNeighbour) < distanceOf(theNode) * (1.0 - THE_NEARER_SHARE))
      {
        aNeighbours.push_back(*aNeighbour);
      }
    }
    std::sort(aNeighbours.begin(), aNeighbours.end(),
              [this](Node theA, Node theB) {
                return distanceOf(theA) < distanceOf(theB) ||
                       (distanceOf(theA) == distanceOf(theB) && theA < theB);
              });
    for (const Node aKept : aNeighbours)
    {
      const Mesh::HalfedgeHandle aHalf = myMesh.find_halfedge(theNode, aKept);
      if (HalfEdgeAlgo_CollapseRepairs::IsLegal(myMesh, aHalf) && isSound(theNode, aKept))
      {
        for (auto aFace = myMesh.cvf_iter(theNode); aFace.is_valid(); ++aFace)
        {
          if (myIsChanged[static_cast<size_t>(aFace->idx())] == 0)
          {
            myIsChanged[static_cast<size_t>(aFace->idx())] = 1;
            myChanged.push_back(aFace->idx());
          }
        }
        myMesh.collapse(aHalf);
        if (myChanged.size() > myMaxChanged)
        {
          file();
        }
        return true;
      }
    }
    return false;
  }

  // Whether the faces around theNode keep sound shapes, orientations and
  // places when theNode moves onto theKept.
  bool isSound(Node theNode, Node theKept) const
  {
    double  aSharpest = mySharpCosine;
    Records aRecords;
    for (auto aFace = myMesh.cvf_iter(theNode); aFace.is_valid(); ++aFace)
    {
      gp_XYZ aBefore[3], anAfter[3];
      bool   isKeptCorner = false;
      int    aCount       = 0;
      for (auto aCorner = myMesh.cfv_iter(*aFace); aCorner.is_valid(); ++aCorner, ++aCount)
      {
        if (aCount == 3)
        {
          return false;
        }
        isKeptCorner    = isKeptCorner || *aCorner == theKept;
        aBefore[aCount] = pointOf(myMesh, *aCorner);
        anAfter[aCount] = pointOf(myMesh, *aCorner == theNode ? theKept : *aCorner);
      }
      aSharpest = std::max(aSharpest, sharpestCosine(aBefore));
      // The faces on the collapsed edge vanish; the others turn about the kept node.
      Trivex::TriangleData aRecord;
      if (!isKeptCorner &&
          (normalOf(aBefore).Dot(normalOf(anAfter)) <= 0.0 ||
           !HalfEdgeAlgo_CheckSelfIntersections::MakeTriangleData(
               aFace->idx(), {gp_Pnt(anAfter[0]), gp_Pnt(anAfter[1]), gp_Pnt(anAfter[2])}, aRecord)))
      {
        return false;
      }
      if (!isKeptCorner)
      {
        aRecords.push_back(aRecord);
      }
    }
    for (const Trivex::TriangleData& aRecord : aRecords)
    {
      const gp_XYZ aTriangle[3] = {aRecord.Point(0).XYZ(), aRecord.Point(1).XYZ(), aRecord.Point(2).XYZ()};
      if (sharpestCosine(aTriangle) > aSharpest)
      {
        return false;
      }
    }
    return !isCrossing(theNode, aRecords);
  }

  // Whether a reshaped face crosses another one, or a face of the mesh other
  // than those around theNode, which all change: an unchanged face as filed,
  // a face reshaped before as it is now.
  bool isCrossing(Node theNode, const Records& theReshaped) const
  {
    std::vector<int> aChanging;
    for (auto aFace = myMesh.cvf_iter(theNode); aFace.is_valid(); ++aFace)
    {
      aChanging.push_back(aFace->idx());
    }
    Trivex::IntersectTriMesh          aQuery(myFaces, THE_TOLERANCE);
    std::vector<Trivex::TriangleData> aCrossed;
    Box                               aReach;
    for (const Trivex::TriangleData& aRecord : theReshaped)
    {
      aQuery.Perform(aRecord, aCrossed);
      for (const Trivex::TriangleData& anOther : aCrossed)
      {
        const int aFace = anOther.FaceIndex();
        if (myIsChanged[static_cast<size_t>(aFace)] == 0 &&
            std::find(aChanging.begin(), aChanging.end(), aFace) == aChanging.end())
        {
          return true;
        }
      }
      for (int aCorner = 0; aCorner < 3; ++aCorner)
      {
        aReach.Add(aRecord.Point(aCorner).XYZ());
      }
    }
    Records aNear(theReshaped);
    for (const int aFace : myChanged)
    {
      if (!myMesh.status(Mesh::FaceHandle(aFace)).deleted() &&
          std::find(aChanging.begin(), aChanging.end(), aFace) == aChanging.end() &&
          aReach.Overlaps(boxOf(aFace)))
      {
        HalfEdgeAlgo_CheckSelfIntersections::FaceRecords(myMesh, aFace, aNear);
      }
    }
    Handle(Trivex::TriangleSet) aNearSet = new Trivex::TriangleSet(std::move(aNear));
    aNearSet->InitBuilder();
    aNearSet->Build();
    Trivex::IntersectTriMesh aLocal(aNearSet, THE_TOLERANCE);
    return std::any_of(theReshaped.begin(), theReshaped.end(),
                       [&aLocal](const Trivex::TriangleData& theRecord)
                       { return aLocal.IsCrossing(theRecord); });
  }

  Box boxOf(int theFace) const
  {
    Box aBox;
    for (auto aCorner = myMesh.cfv_iter(Mesh::FaceHandle(theFace)); aCorner.is_valid(); ++aCorner)
    {
      aBox.Add(pointOf(myMesh, *aCorner));
    }
    return aBox;
  }

  // Files every live face as it is now; none is listed as reshaped any more.
  void file()
  {
    Records aRecords;
    for (const Mesh::FaceHandle aFace : myMesh.faces())
    {
      HalfEdgeAlgo_CheckSelfIntersections::FaceRecords(myMesh, aFace.idx(), aRecords);
    }
    myFaces = new Trivex::TriangleSet(std::move(aRecords));
    myFaces->SetNbBuilderThreads(static_cast<int>(myNbThreads));
    myFaces->SetQuickBuild(true);
    myFaces->InitBuilder();
    myFaces->Build();
    for (const int aFace : myChanged)
    {
      myIsChanged[static_cast<size_t>(aFace)] = 0;
    }
    myChanged.clear();
  }

  double distanceOf(Node theNode) const { return myDistances[static_cast<size_t>(theNode.idx())]; }

  Mesh&                       myMesh;
  const std::vector<double>&  myDistances;
  double                      mySharpCosine; //!< of the sharpest corner allowed
  Handle(Trivex::TriangleSet) myFaces;       //!< every face as the run found it
  std::vector<char>           myIsChanged;   //!< whether each face was reshaped or deleted
  std::vector<int>            myChanged;     //!< the faces reshaped or deleted, in order
  size_t                      myMaxChanged;  //!< the length of that list at which faces are filed anew
  unsigned int                myNbThreads;
};
} // namespace

HalfEdgeAlgo_CollapseFarNodes::HalfEdgeAlgo_CollapseFarNodes() = default;

std::string HalfEdgeAlgo_CollapseFarNodes::Name() const
{
  return "HalfEdgeAlgo_CollapseFarNodes";
}

bool HalfEdgeAlgo_CollapseFarNodes::Perform(Mesh& theMesh)
{
  myNbCollapsed                 = 0;
  const unsigned int aNbThreads = applyParallelOptions();
  if (myTriangleSet.IsNull() || !myTriangleSet->IsBuilt())
  {
    return true;
  }
  // Node places do not change, so neither do the distances.
  const std::vector<double> aDistances = distances(theMesh, myTriangleSet, aNbThreads);
  std::vector<int>          aFar;
  for (size_t aNode = 0; aNode < aDistances.size(); ++aNode)
  {
    if (aDistances[aNode] > myBound)
    {
      aFar.push_back(static_cast<int>(aNode));
    }
  }
  if (aFar.empty())
  {
    // Most wraps have none: filing the faces would be the whole cost.
    return true;
  }
  std::stable_sort(aFar.begin(), aFar.end(),
                   [&aDistances](int theA, int theB)
                   { return aDistances[static_cast<size_t>(theA)] > aDistances[static_cast<size_t>(theB)]; });
  Collapser aCollapser(theMesh, aDistances, mySharpestAngle, aNbThreads);
  for (int aRound = 0; aRound < THE_MAX_ROUNDS && !aFar.empty(); ++aRound)
  {
    const int aNbCollapsed = aCollapser.Perform(aFar);
    myNbCollapsed += aNbCollapsed;
    aFar.erase(std::remove_if(aFar.begin(), aFar.end(),
                              [&theMesh](int theNode) { return theMesh.status(Node(theNode)).deleted(); }),
               aFar.end());
    if (aNbCollapsed == 0)
    {
      break;
    }
  }
  return true;
}
