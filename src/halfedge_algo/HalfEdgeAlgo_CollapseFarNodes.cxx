// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_CollapseFarNodes.hxx>
#include <HalfEdgeAlgo_CollapseRepairs.hxx>
#include <Trivex_IntersectTriMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>

#include <omp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_CollapseFarNodes, HalfEdgeAlgo_ModifyMesh)

namespace
{
typedef Mesh::VertexHandle Node;

// Rounds of collapses at most. A node is put off to the next round when the
// faces it would reshape come near a collapse of the same round; each round
// collapses at least one node, so the bound only cuts long chains short.
const int THE_MAX_ROUNDS = 32;

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

// One round of collapses: every face is filed once at the start, and a
// collapse is tried only away from the collapses made before in the round,
// whose faces the filing no longer shows as they are.
class CollapseRound
{
public:
  CollapseRound(Mesh&                      theMesh,
                const std::vector<double>& theDistances,
                double                     theSharpestAngle,
                unsigned int               theNbThreads)
      : myMesh(theMesh),
        myDistances(theDistances),
        mySharpCosine(std::cos(theSharpestAngle * M_PI / 180.0))
  {
    Records aRecords;
    for (const Mesh::FaceHandle aFace : myMesh.faces())
    {
      HalfEdgeAlgo_CheckSelfIntersections::FaceRecords(myMesh, aFace.idx(), aRecords);
    }
    myFaces = new Trivex::TriangleSet(std::move(aRecords));
    myFaces->SetNbBuilderThreads(static_cast<int>(theNbThreads));
    myFaces->SetQuickBuild(true);
    myFaces->InitBuilder();
    myFaces->Build();
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
    Box aBox;
    aBox.Add(pointOf(myMesh, theNode));
    for (auto aNeighbour = myMesh.cvv_iter(theNode); aNeighbour.is_valid(); ++aNeighbour)
    {
      aBox.Add(pointOf(myMesh, *aNeighbour));
    }
    if (std::any_of(myDone.begin(), myDone.end(),
                    [&aBox](const Box& theDone) { return theDone.Overlaps(aBox); }))
    {
      return false;
    }
    for (const Node aKept : aNeighbours)
    {
      const Mesh::HalfedgeHandle aHalf = myMesh.find_halfedge(theNode, aKept);
      if (HalfEdgeAlgo_CollapseRepairs::IsLegal(myMesh, aHalf) && isSound(theNode, aKept))
      {
        myMesh.collapse(aHalf);
        myDone.push_back(aBox);
        return true;
      }
    }
    return false;
  }

  // Whether the faces around theNode keep sound shapes, orientations and
  // places when theNode moves onto theKept.
  bool isSound(Node theNode, Node theKept) const
  {
    double                             aSharpest = mySharpCosine;
    std::vector<std::array<gp_XYZ, 3>> aReshaped;
    Records                            aRecords;
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
        aReshaped.push_back({anAfter[0], anAfter[1], anAfter[2]});
        aRecords.push_back(aRecord);
      }
    }
    for (const std::array<gp_XYZ, 3>& aCorners : aReshaped)
    {
      const gp_XYZ aTriangle[3] = {aCorners[0], aCorners[1], aCorners[2]};
      if (sharpestCosine(aTriangle) > aSharpest)
      {
        return false;
      }
    }
    return !isCrossing(theNode, aRecords);
  }

  // Whether a reshaped face crosses another one, or a face of the mesh other
  // than those around theNode, which all change.
  bool isCrossing(Node theNode, Records& theReshaped) const
  {
    std::vector<int> aChanging;
    for (auto aFace = myMesh.cvf_iter(theNode); aFace.is_valid(); ++aFace)
    {
      aChanging.push_back(aFace->idx());
    }
    Trivex::IntersectTriMesh          aQuery(myFaces, THE_TOLERANCE);
    std::vector<Trivex::TriangleData> aCrossed;
    for (const Trivex::TriangleData& aRecord : theReshaped)
    {
      aQuery.Perform(aRecord, aCrossed);
      for (const Trivex::TriangleData& anOther : aCrossed)
      {
        if (std::find(aChanging.begin(), aChanging.end(), anOther.FaceIndex()) == aChanging.end())
        {
          return true;
        }
      }
    }
    Handle(Trivex::TriangleSet) aReshapedSet = new Trivex::TriangleSet(Records(theReshaped));
    aReshapedSet->InitBuilder();
    aReshapedSet->Build();
    Trivex::IntersectTriMesh aLocal(aReshapedSet, THE_TOLERANCE);
    return std::any_of(theReshaped.begin(), theReshaped.end(),
                       [&aLocal](const Trivex::TriangleData& theRecord)
                       { return aLocal.IsCrossing(theRecord); });
  }

  double distanceOf(Node theNode) const { return myDistances[static_cast<size_t>(theNode.idx())]; }

  Mesh&                       myMesh;
  const std::vector<double>&  myDistances;
  double                      mySharpCosine; //!< of the sharpest corner allowed
  Handle(Trivex::TriangleSet) myFaces;       //!< every face as the round found it
  std::vector<Box>            myDone;        //!< the reach of each collapse of the round
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
  std::stable_sort(aFar.begin(), aFar.end(),
                   [&aDistances](int theA, int theB)
                   { return aDistances[static_cast<size_t>(theA)] > aDistances[static_cast<size_t>(theB)]; });
  for (int aRound = 0; aRound < THE_MAX_ROUNDS && !aFar.empty(); ++aRound)
  {
    const int aNbCollapsed = CollapseRound(theMesh, aDistances, mySharpestAngle, aNbThreads).Perform(aFar);
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
