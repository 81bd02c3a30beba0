// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_CollapseRepairs.hxx>
#include <HalfEdgeAlgo_SoundEdits.hxx>
#include <Trivex_IntersectTriMesh.hxx>

#include <algorithm>
#include <cmath>

namespace
{
// Every crossing test looks at each face reshaped since the faces were last
// filed; past a few times the square root of the number of faces (and this
// many), they are filed anew, which keeps both costs in step.
const size_t THE_MIN_REFILING = 256;

// The tolerance of the repairs' checks.
const double THE_TOLERANCE = 1e-7;

// The largest distance between the two diagonals of a quadrilateral, as a
// share of the shorter one, at which the diagonal is swapped: the surface
// moves by about that distance. A triangle with a corner close to its
// opposite side swaps freely, whatever the bend between it and its neighbour.
const double THE_SWAP_TWIST = 0.1;

gp_XYZ normalOf(const gp_XYZ (&theCorners)[3])
{
  return (theCorners[1] - theCorners[0]).Crossed(theCorners[2] - theCorners[0]);
}

// Whether swapping the diagonal theA-theB of a quadrilateral for theC-theD
// moves the surface by little against the diagonals' lengths.
bool isGentleSwap(const gp_XYZ& theA, const gp_XYZ& theB, const gp_XYZ& theC, const gp_XYZ& theD)
{
  const gp_XYZ aCross   = (theB - theA).Crossed(theD - theC);
  const double aShorter = std::min((theB - theA).Modulus(), (theD - theC).Modulus());
  return std::abs(aCross.Dot(theC - theA)) <= THE_SWAP_TWIST * aShorter * aCross.Modulus();
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
} // namespace

HalfEdgeAlgo_SoundEdits::HalfEdgeAlgo_SoundEdits(Mesh&        theMesh,
                                                 double       theSharpestAngle,
                                                 unsigned int theNbThreads)
    : myMesh(theMesh),
      mySharpCosine(std::cos(theSharpestAngle * M_PI / 180.0)),
      myNbThreads(theNbThreads),
      myIsChanged(theMesh.n_faces(), 0),
      myMaxChanged(std::max(THE_MIN_REFILING,
                            static_cast<size_t>(4.0 * std::sqrt(static_cast<double>(theMesh.n_faces())))))
{
  file();
}

double HalfEdgeAlgo_SoundEdits::SharpestCosine(const gp_XYZ (&theCorners)[3])
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

bool HalfEdgeAlgo_SoundEdits::Collapse(Mesh::VertexHandle theNode, Mesh::VertexHandle theKept)
{
  return Collapse(theNode, theKept, pointOf(theKept));
}

bool HalfEdgeAlgo_SoundEdits::Collapse(Mesh::VertexHandle theNode,
                                       Mesh::VertexHandle theKept,
                                       const gp_XYZ&      thePlace)
{
  const Mesh::HalfedgeHandle aHalf = myMesh.find_halfedge(theNode, theKept);
  if (!aHalf.is_valid() || !HalfEdgeAlgo_CollapseRepairs::IsLegal(myMesh, aHalf))
  {
    return false;
  }
  // The faces around the collapsed node, then those around the kept node if
  // it moves; the faces on the collapsed edge vanish.
  std::vector<Reshape> aReshapes;
  const bool           isMoving = !thePlace.IsEqual(pointOf(theKept), 0.0);
  for (const Mesh::VertexHandle aCentre : {theNode, theKept})
  {
    for (auto aFace = myMesh.cvf_iter(aCentre); aFace.is_valid() && (aCentre == theNode || isMoving); ++aFace)
    {
      Reshape aReshape;
      aReshape.Face = aFace->idx();
      int  aCount   = 0;
      bool hasNode  = false;
      for (auto aCorner = myMesh.cfv_iter(*aFace); aCorner.is_valid(); ++aCorner, ++aCount)
      {
        if (aCount == 3)
        {
          return false;
        }
        const bool isEnd        = *aCorner == theNode || *aCorner == theKept;
        hasNode                 = hasNode || *aCorner == theNode;
        aReshape.IsVanishing    = aReshape.IsVanishing || (aCentre == theNode && *aCorner == theKept);
        aReshape.Before[aCount] = pointOf(*aCorner);
        aReshape.After[aCount]  = isEnd ? thePlace : pointOf(*aCorner);
      }
      aReshape.Facing = normalOf(aReshape.Before);
      if (aCentre == theNode || !hasNode)
      {
        aReshapes.push_back(aReshape);
      }
    }
  }
  if (!isSound(aReshapes))
  {
    return false;
  }
  std::vector<int> aChanging;
  for (const Reshape& aReshape : aReshapes)
  {
    aChanging.push_back(aReshape.Face);
  }
  myMesh.collapse(aHalf);
  myMesh.set_point(theKept, Mesh::Point(thePlace.X(), thePlace.Y(), thePlace.Z()));
  noteChanged(aChanging);
  return true;
}

bool HalfEdgeAlgo_SoundEdits::Swap(Mesh::EdgeHandle theEdge)
{
  if (myMesh.is_boundary(theEdge) || !myMesh.IsFlipOk(theEdge))
  {
    return false;
  }
  // The edge (a, b) between triangles (a, b, c) and (b, a, d) becomes (d, c),
  // between (c, a, d) and (d, b, c).
  const Mesh::HalfedgeHandle aHalf = myMesh.halfedge_handle(theEdge, 0);
  const Mesh::HalfedgeHandle aTwin = myMesh.opposite_halfedge_handle(aHalf);
  if (myMesh.valence(myMesh.face_handle(aHalf)) != 3 || myMesh.valence(myMesh.face_handle(aTwin)) != 3)
  {
    return false;
  }
  const gp_XYZ a = pointOf(myMesh.from_vertex_handle(aHalf));
  const gp_XYZ b = pointOf(myMesh.to_vertex_handle(aHalf));
  const gp_XYZ c = pointOf(myMesh.to_vertex_handle(myMesh.next_halfedge_handle(aHalf)));
  const gp_XYZ d = pointOf(myMesh.to_vertex_handle(myMesh.next_halfedge_handle(aTwin)));
  // Both new triangles face the way the quadrilateral does.
  const gp_XYZ aFacing = normalOf({a, b, c}) + normalOf({b, a, d});
  Reshape      aFirst{myMesh.face_handle(aHalf).idx(), {a, b, c}, {c, a, d}, aFacing, false};
  Reshape      aSecond{myMesh.face_handle(aTwin).idx(), {b, a, d}, {d, b, c}, aFacing, false};
  if (!isGentleSwap(a, b, c, d) || !isSound({aFirst, aSecond}))
  {
    return false;
  }
  myMesh.Flip(theEdge);
  noteChanged({aFirst.Face, aSecond.Face});
  return true;
}

bool HalfEdgeAlgo_SoundEdits::isSound(const std::vector<Reshape>& theReshapes) const
{
  double           aBefore = -1.0;
  double           anAfter = -1.0;
  Records          aRecords;
  std::vector<int> aChanging;
  for (const Reshape& aReshape : theReshapes)
  {
    aChanging.push_back(aReshape.Face);
    aBefore = std::max(aBefore, SharpestCosine(aReshape.Before));
    if (aReshape.IsVanishing)
    {
      continue;
    }
    Trivex::TriangleData aRecord;
    if (aReshape.Facing.Dot(normalOf(aReshape.After)) <= 0.0 ||
        !HalfEdgeAlgo_CheckSelfIntersections::MakeTriangleData(
            aReshape.Face, {gp_Pnt(aReshape.After[0]), gp_Pnt(aReshape.After[1]), gp_Pnt(aReshape.After[2])},
            aRecord))
    {
      return false;
    }
    anAfter = std::max(anAfter, SharpestCosine(aReshape.After));
    aRecords.push_back(aRecord);
  }
  if (anAfter > mySharpCosine && anAfter >= aBefore)
  {
    return false;
  }
  return !isCrossing(aChanging, aRecords);
}

bool HalfEdgeAlgo_SoundEdits::isCrossing(const std::vector<int>& theChanging,
                                         const Records&          theReshaped) const
{
  auto isChanging = [&theChanging](int theFace)
  { return std::find(theChanging.begin(), theChanging.end(), theFace) != theChanging.end(); };
  Trivex::IntersectTriMesh          aQuery(myFaces, THE_TOLERANCE);
  std::vector<Trivex::TriangleData> aCrossed;
  Box                               aReach;
  for (const Trivex::TriangleData& aRecord : theReshaped)
  {
    aQuery.Perform(aRecord, aCrossed);
    for (const Trivex::TriangleData& anOther : aCrossed)
    {
      const int aFace = anOther.FaceIndex();
      if (myIsChanged[static_cast<size_t>(aFace)] == 0 && !isChanging(aFace))
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
    if (myMesh.status(Mesh::FaceHandle(aFace)).deleted() || isChanging(aFace))
    {
      continue;
    }
    Box aBox;
    for (auto aCorner = myMesh.cfv_iter(Mesh::FaceHandle(aFace)); aCorner.is_valid(); ++aCorner)
    {
      aBox.Add(pointOf(*aCorner));
    }
    if (aReach.Overlaps(aBox))
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

void HalfEdgeAlgo_SoundEdits::noteChanged(const std::vector<int>& theChanging)
{
  for (const int aFace : theChanging)
  {
    if (myIsChanged[static_cast<size_t>(aFace)] == 0)
    {
      myIsChanged[static_cast<size_t>(aFace)] = 1;
      myChanged.push_back(aFace);
    }
  }
  if (myChanged.size() > myMaxChanged)
  {
    file();
  }
}

void HalfEdgeAlgo_SoundEdits::file()
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

gp_XYZ HalfEdgeAlgo_SoundEdits::pointOf(Mesh::VertexHandle theNode) const
{
  const Mesh::Point& aPoint = myMesh.point(theNode);
  return gp_XYZ(aPoint[0], aPoint[1], aPoint[2]);
}
