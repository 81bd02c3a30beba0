// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_RemoveSlivers.hxx>
#include <HalfEdgeAlgo_SoundEdits.hxx>
#include <Trivex_ProjectPntMesh.hxx>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_RemoveSlivers, HalfEdgeAlgo_ModifyMesh)

namespace
{
// Rounds over the slivers at most: an edit can leave a neighbour sharp, and a
// sliver refused in one round may be removed once its neighbours changed.
const int THE_MAX_ROUNDS = 8;

// A triangle whose widest corner is wider than this (cosine of 100 degrees)
// is a cap, which a swap of its longest edge mends; the others are needles,
// which lose their shortest edge.
const double THE_CAP_COSINE = -0.17;

gp_XYZ pointOf(const Mesh& theMesh, Mesh::VertexHandle theNode)
{
  const Mesh::Point& aPoint = theMesh.point(theNode);
  return gp_XYZ(aPoint[0], aPoint[1], aPoint[2]);
}

// The cosine of the sharpest corner of theFace; -1 for a face that is not a
// triangle, which is never taken for a sliver.
double sharpestCosine(const Mesh& theMesh, Mesh::FaceHandle theFace)
{
  if (theMesh.valence(theFace) != 3)
  {
    return -1.0;
  }
  gp_XYZ aCorners[3];
  int    aCount = 0;
  for (auto aCorner = theMesh.cfv_iter(theFace); aCorner.is_valid(); ++aCorner)
  {
    aCorners[aCount++] = pointOf(theMesh, *aCorner);
  }
  return HalfEdgeAlgo_SoundEdits::SharpestCosine(aCorners);
}

// The edits of one run, on the slivers of theMesh.
class Remover
{
public:
  Remover(Mesh&                              theMesh,
          const Handle(Trivex::TriangleSet)& theSet,
          double                             theAngle,
          double                             theMaxLift,
          unsigned int                       theNbThreads)
      : myMesh(theMesh),
        myQuery(theSet),
        myMaxLift(theMaxLift),
        mySharpCosine(std::cos(theAngle * M_PI / 180.0)),
        myEdits(theMesh, theAngle, theNbThreads)
  {
  }

  // Mends each sliver of theSlivers still there, in order; the edits made.
  int Perform(const std::vector<int>& theSlivers)
  {
    int aCount = 0;
    for (const int aFace : theSlivers)
    {
      const Mesh::FaceHandle aHandle(aFace);
      if (!myMesh.status(aHandle).deleted() && sharpestCosine(myMesh, aHandle) > mySharpCosine)
      {
        aCount += mend(aHandle) ? 1 : 0;
      }
    }
    return aCount;
  }

private:
  bool mend(Mesh::FaceHandle theFace)
  {
    // The face's half-edges, shortest first.
    std::vector<std::pair<double, Mesh::HalfedgeHandle>> aSides;
    for (auto aHalf = myMesh.cfh_iter(theFace); aHalf.is_valid(); ++aHalf)
    {
      aSides.emplace_back(myMesh.calc_edge_sqr_length(*aHalf), *aHalf);
    }
    std::sort(aSides.begin(), aSides.end());
    const bool isCap = widestCosine(aSides) < THE_CAP_COSINE;
    if (isCap && myEdits.Swap(myMesh.edge_handle(aSides[2].second)))
    {
      return true;
    }
    for (const auto& aSide : aSides)
    {
      if (collapse(aSide.second))
      {
        return true;
      }
    }
    return !isCap && myEdits.Swap(myMesh.edge_handle(aSides[2].second));
  }

  // The cosine of the corner opposite the longest of theSides.
  double widestCosine(const std::vector<std::pair<double, Mesh::HalfedgeHandle>>& theSides) const
  {
    const Mesh::HalfedgeHandle aLongest = theSides[2].second;
    const Mesh::HalfedgeHandle aNext    = myMesh.next_halfedge_handle(aLongest);
    const gp_XYZ               aCorner  = pointOf(myMesh, myMesh.to_vertex_handle(aNext));
    const gp_XYZ               aToEnd   = pointOf(myMesh, myMesh.from_vertex_handle(aNext)) - aCorner;
    const gp_XYZ               aToStart = pointOf(myMesh, myMesh.from_vertex_handle(aLongest)) - aCorner;
    const double               aLengths = aToEnd.Modulus() * aToStart.Modulus();
    return aLengths > 0.0 ? aToEnd.Dot(aToStart) / aLengths : 1.0;
  }

  // Collapses the edge of theHalf into one of its ends, or into the point of
  // the input nearest to its middle: the one of these places that moves the
  // surface least, or else the next, if it moves it by the largest lift at
  // most.
  bool collapse(Mesh::HalfedgeHandle theHalf)
  {
    const Mesh::VertexHandle  aFrom      = myMesh.from_vertex_handle(theHalf);
    const Mesh::VertexHandle  aTo        = myMesh.to_vertex_handle(theHalf);
    const gp_Pnt              aMiddle    = (pointOf(myMesh, aFrom) + pointOf(myMesh, aTo)) / 2.0;
    std::pair<double, gp_XYZ> aPlaces[3] = {
        {0.0, pointOf(myMesh, aTo)}, {0.0, pointOf(myMesh, aFrom)}, {0.0, myQuery.Perform(aMiddle).XYZ()}};
    for (auto& aPlace : aPlaces)
    {
      aPlace.first = lift(aFrom, aTo, aPlace.second);
    }
    std::stable_sort(std::begin(aPlaces), std::end(aPlaces),
                     [](const auto& theA, const auto& theB) { return theA.first < theB.first; });
    for (const auto& aPlace : aPlaces)
    {
      if (aPlace.first <= myMaxLift && myEdits.Collapse(aFrom, aTo, aPlace.second))
      {
        return true;
      }
    }
    return false;
  }

  // How far collapsing theNode and theKept into thePlace moves the surface:
  // the largest distance of thePlace from the plane of a face around either.
  double lift(Mesh::VertexHandle theNode, Mesh::VertexHandle theKept, const gp_XYZ& thePlace) const
  {
    double aLift = 0.0;
    for (const Mesh::VertexHandle aCentre : {theNode, theKept})
    {
      const gp_XYZ aCorner = pointOf(myMesh, aCentre);
      for (auto aHalf = myMesh.cvoh_iter(aCentre); aHalf.is_valid(); ++aHalf)
      {
        const Mesh::HalfedgeHandle aNext   = myMesh.next_halfedge_handle(*aHalf);
        const gp_XYZ               aNormal = (pointOf(myMesh, myMesh.to_vertex_handle(*aHalf)) - aCorner)
                                   .Crossed(pointOf(myMesh, myMesh.to_vertex_handle(aNext)) - aCorner);
        if (!myMesh.is_boundary(*aHalf) && aNormal.Modulus() > 0.0)
        {
          aLift = std::max(aLift, std::abs((thePlace - aCorner).Dot(aNormal)) / aNormal.Modulus());
        }
      }
    }
    return aLift;
  }

  Mesh&                   myMesh;
  Trivex::ProjectPntMesh  myQuery;
  double                  myMaxLift;     //!< the farthest a collapse may move the surface
  double                  mySharpCosine; //!< of the sharpest corner a triangle may keep
  HalfEdgeAlgo_SoundEdits myEdits;
};

// The triangles of theMesh with a corner sharper than theSharpCosine allows,
// sharpest first.
std::vector<int> slivers(const Mesh& theMesh, double theSharpCosine)
{
  std::vector<std::pair<double, int>> aSharp;
  for (const Mesh::FaceHandle aFace : theMesh.faces())
  {
    const double aCosine = sharpestCosine(theMesh, aFace);
    if (aCosine > theSharpCosine)
    {
      aSharp.emplace_back(-aCosine, aFace.idx());
    }
  }
  std::sort(aSharp.begin(), aSharp.end());
  std::vector<int> aFaces;
  for (const auto& aFace : aSharp)
  {
    aFaces.push_back(aFace.second);
  }
  return aFaces;
}
} // namespace

HalfEdgeAlgo_RemoveSlivers::HalfEdgeAlgo_RemoveSlivers() = default;

std::string HalfEdgeAlgo_RemoveSlivers::Name() const
{
  return "HalfEdgeAlgo_RemoveSlivers";
}

bool HalfEdgeAlgo_RemoveSlivers::Perform(Mesh& theMesh)
{
  myNbEdits                     = 0;
  const unsigned int aNbThreads = applyParallelOptions();
  if (myTriangleSet.IsNull() || !myTriangleSet->IsBuilt())
  {
    return true;
  }
  const double     aSharpCosine = std::cos(myAngle * M_PI / 180.0);
  std::vector<int> aSlivers     = slivers(theMesh, aSharpCosine);
  if (aSlivers.empty())
  {
    // Filing the faces would be the whole cost.
    return true;
  }
  Remover aRemover(theMesh, myTriangleSet, myAngle, myMaxLift, aNbThreads);
  for (int aRound = 0; aRound < THE_MAX_ROUNDS && !aSlivers.empty(); ++aRound)
  {
    const int aNbEdits = aRemover.Perform(aSlivers);
    myNbEdits += aNbEdits;
    if (aNbEdits == 0)
    {
      break;
    }
    aSlivers = slivers(theMesh, aSharpCosine);
  }
  return true;
}
