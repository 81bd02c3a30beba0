#include <Algo_CartesianWrapping.hxx>

#include <Algo_CartesianWrapping_Cells.hxx>
#include <Algo_TriangulatePolygon3d.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Trivex_ClassifyPntMesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include <Precision.hxx>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <utility>

using namespace Algo_CartesianWrapping_Cells;

namespace
{
// Points equal within the tolerance on every axis, found through a hash of
// buckets much larger than the tolerance: a point is looked for in its own
// bucket, and in the neighbouring ones only when it lies within the tolerance
// of their border. Points are numbered in the order they are first added.
// A slot keeps a 64-bit hash of its bucket rather than the bucket itself:
// small slots keep the table in cache, and the rare buckets whose hashes
// collide share one chain, whose points are compared anyway.
class PointWelder
{
public:
  // Room for about theNbPoints points before the table grows.
  explicit PointWelder(size_t theNbPoints) { resize(theNbPoints); }

  // Number of the point equal to thePoint, added when there is none.
  int Add(const gp_XYZ& thePoint, std::vector<gp_XYZ>& thePoints)
  {
    long aBucket[3];
    int  aNear[3];
    for (int anAxis = 0; anAxis < 3; ++anAxis)
    {
      const double aValue = thePoint.Coord(anAxis + 1) / THE_BUCKET;
      aBucket[anAxis]     = static_cast<long>(std::floor(aValue));
      const double aFrac  = aValue - static_cast<double>(aBucket[anAxis]);
      aNear[anAxis] =
          aFrac * THE_BUCKET <= THE_TOLERANCE ? -1 : ((1.0 - aFrac) * THE_BUCKET <= THE_TOLERANCE ? 1 : 0);
    }
    for (int aShift = 0; aShift < 8; ++aShift)
    {
      if (((aShift & 1) != 0 && aNear[0] == 0) || ((aShift & 2) != 0 && aNear[1] == 0) ||
          ((aShift & 4) != 0 && aNear[2] == 0))
      {
        continue;
      }
      const long aKey[3] = {aBucket[0] + ((aShift & 1) != 0 ? aNear[0] : 0),
                            aBucket[1] + ((aShift & 2) != 0 ? aNear[1] : 0),
                            aBucket[2] + ((aShift & 4) != 0 ? aNear[2] : 0)};
      for (int aPoint = slot(hash(aKey)).First; aPoint >= 0; aPoint = myNext[static_cast<size_t>(aPoint)])
      {
        if (isEqual(thePoints[static_cast<size_t>(aPoint)], thePoint))
        {
          return aPoint;
        }
      }
    }
    if (2 * (myNbUsed + 1) > mySlots.size())
    {
      grow();
    }
    const std::uint64_t aHash = hash(aBucket);
    Slot&               aSlot = slot(aHash);
    myNbUsed += aSlot.First < 0 ? 1 : 0;
    const int aNumber = static_cast<int>(thePoints.size());
    thePoints.push_back(thePoint);
    myNext.push_back(aSlot.First);
    myHashes.push_back(aHash);
    aSlot.First = aNumber;
    aSlot.Hash  = aHash;
    return aNumber;
  }

private:
  // Buckets are this wide along each axis.
  static constexpr double THE_BUCKET = 64.0 * 1e-7;

  struct Slot
  {
    std::uint64_t Hash  = 0;
    int           First = -1; // last point added to the bucket, -1 for an empty slot
  };

  static bool isEqual(const gp_XYZ& theA, const gp_XYZ& theB)
  {
    return std::abs(theA.X() - theB.X()) <= THE_TOLERANCE && std::abs(theA.Y() - theB.Y()) <= THE_TOLERANCE &&
           std::abs(theA.Z() - theB.Z()) <= THE_TOLERANCE;
  }

  static std::uint64_t hash(const long theKey[3])
  {
    return (static_cast<std::uint64_t>(theKey[0]) * 0x9E3779B97F4A7C15ull) ^
           (static_cast<std::uint64_t>(theKey[1]) * 0xC2B2AE3D27D4EB4Full) ^
           (static_cast<std::uint64_t>(theKey[2]) * 0x165667B19E3779F9ull);
  }

  // The slot of the bucket hash, or the empty slot where it would go.
  Slot& slot(std::uint64_t theHash)
  {
    size_t aSlot = static_cast<size_t>((theHash * 0x9E3779B97F4A7C15ull) >> myShift);
    while (mySlots[aSlot].First >= 0 && mySlots[aSlot].Hash != theHash)
    {
      aSlot = (aSlot + 1) & (mySlots.size() - 1);
    }
    return mySlots[aSlot];
  }

  void resize(size_t theNbPoints)
  {
    size_t aNbSlots = 16;
    for (myShift = 60; aNbSlots < 2 * theNbPoints; aNbSlots *= 2, --myShift)
    {
    }
    mySlots.assign(aNbSlots, Slot());
    myNbUsed = 0;
  }

  // Doubles the table; every bucket's chain is rebuilt in the order of its points.
  void grow()
  {
    resize(mySlots.size());
    for (size_t aPoint = 0; aPoint < myHashes.size(); ++aPoint)
    {
      Slot& aSlot = slot(myHashes[aPoint]);
      myNbUsed += aSlot.First < 0 ? 1 : 0;
      myNext[aPoint] = aSlot.First;
      aSlot.First    = static_cast<int>(aPoint);
      aSlot.Hash     = myHashes[aPoint];
    }
  }

private:
  std::vector<Slot>          mySlots;
  std::vector<int>           myNext;   // previous point of the same bucket, -1 at the first
  std::vector<std::uint64_t> myHashes; // hash of each point's bucket
  size_t                     myNbUsed = 0;
  int                        myShift  = 60;
};

// All small meshes as one polygon soup over shared points.
struct Soup
{
  std::vector<gp_XYZ>           Points;
  std::vector<std::vector<int>> Faces;
};

// Merges equal points (within the tolerance) of all small meshes, numbering
// them in the order they first appear; the faces are moved into the soup.
Soup weld(std::vector<Algo_CartesianWrapping::SmallMesh>& theMeshes)
{
  size_t aNbPoints = 0;
  size_t aNbFaces  = 0;
  for (const Algo_CartesianWrapping::SmallMesh& aMesh : theMeshes)
  {
    aNbPoints += aMesh.Points.size();
    aNbFaces += aMesh.Faces.size();
  }
  Soup aSoup;
  aSoup.Faces.reserve(aNbFaces);
  // A point is shared by about four cells.
  PointWelder      aWelder(aNbPoints / 4);
  std::vector<int> aLocal;
  for (Algo_CartesianWrapping::SmallMesh& aMesh : theMeshes)
  {
    aLocal.clear();
    for (const gp_XYZ& aPoint : aMesh.Points)
    {
      aLocal.push_back(aWelder.Add(aPoint, aSoup.Points));
    }
    for (std::vector<int>& aFace : aMesh.Faces)
    {
      for (int& aPoint : aFace)
      {
        aPoint = aLocal[static_cast<size_t>(aPoint)];
      }
      aSoup.Faces.push_back(std::move(aFace));
    }
  }
  return aSoup;
}

// Groups of faces connected through shared points, each in the order a
// breadth-first walk from its first face reaches them.
std::vector<std::vector<int>> splitShells(const Soup& theSoup)
{
  // Faces of each point, as one array cut at aStart[point].
  std::vector<int> aStart(theSoup.Points.size() + 1, 0);
  for (const std::vector<int>& aFace : theSoup.Faces)
  {
    for (const int aPoint : aFace)
    {
      ++aStart[static_cast<size_t>(aPoint) + 1];
    }
  }
  for (size_t aPoint = 0; aPoint < theSoup.Points.size(); ++aPoint)
  {
    aStart[aPoint + 1] += aStart[aPoint];
  }
  std::vector<int> aFacesOfPoint(static_cast<size_t>(aStart.back()));
  std::vector<int> aFill(aStart.begin(), aStart.end() - 1);
  for (size_t aFace = 0; aFace < theSoup.Faces.size(); ++aFace)
  {
    for (const int aPoint : theSoup.Faces[aFace])
    {
      aFacesOfPoint[static_cast<size_t>(aFill[static_cast<size_t>(aPoint)]++)] = static_cast<int>(aFace);
    }
  }
  std::vector<std::vector<int>> aShells;
  std::vector<char>             isVisited(theSoup.Faces.size(), 0);
  for (size_t aSeed = 0; aSeed < theSoup.Faces.size(); ++aSeed)
  {
    if (isVisited[aSeed] != 0)
    {
      continue;
    }
    isVisited[aSeed]        = 1;
    std::vector<int> aShell = {static_cast<int>(aSeed)};
    for (size_t aNext = 0; aNext < aShell.size(); ++aNext)
    {
      for (const int aPoint : theSoup.Faces[static_cast<size_t>(aShell[aNext])])
      {
        for (int aPosition = aStart[static_cast<size_t>(aPoint)];
             aPosition < aStart[static_cast<size_t>(aPoint) + 1]; ++aPosition)
        {
          const int aFace = aFacesOfPoint[static_cast<size_t>(aPosition)];
          if (isVisited[static_cast<size_t>(aFace)] == 0)
          {
            isVisited[static_cast<size_t>(aFace)] = 1;
            aShell.push_back(aFace);
          }
        }
      }
    }
    aShells.push_back(aShell);
  }
  return aShells;
}

// The triangles of a shell's faces as a built spatial index.
Handle(Trivex::TriangleSet)
triangleSet(const Soup& theSoup, const std::vector<int>& theShell, unsigned int theNbThreads)
{
  std::vector<std::vector<Trivex::TriangleData>> aPerFace(theShell.size());
  const long                                     aNbFaces = static_cast<long>(theShell.size());
#pragma omp parallel for schedule(dynamic)
  for (long aPosition = 0; aPosition < aNbFaces; ++aPosition)
  {
    const std::vector<int>& aFace =
        theSoup.Faces[static_cast<size_t>(theShell[static_cast<size_t>(aPosition)])];
    std::vector<gp_Pnt> aPoints;
    for (const int aPoint : aFace)
    {
      aPoints.emplace_back(theSoup.Points[static_cast<size_t>(aPoint)]);
    }
    // Rectangles, most faces, are split along a diagonal as the triangulation would split them.
    std::vector<std::uint64_t> aCorners = {3, 0, 1, 3, 1, 2};
    if (aPoints.size() != 4)
    {
      Algo_TriangulatePolygon3d aTriangulation;
      aTriangulation.SetPoints(aPoints);
      aTriangulation.Perform();
      aCorners = aTriangulation.IsDone() ? aTriangulation.Triangles() : std::vector<std::uint64_t>();
    }
    for (size_t aCorner = 0; aCorner + 2 < aCorners.size(); aCorner += 3)
    {
      aPerFace[static_cast<size_t>(aPosition)].emplace_back(
          aPoints[aCorners[aCorner]], aPoints[aCorners[aCorner + 1]], aPoints[aCorners[aCorner + 2]],
          theShell[static_cast<size_t>(aPosition)]);
    }
  }
  std::vector<Trivex::TriangleData> aTriangles;
  for (const std::vector<Trivex::TriangleData>& aList : aPerFace)
  {
    aTriangles.insert(aTriangles.end(), aList.begin(), aList.end());
  }
  Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(aTriangles);
  aSet->SetNbBuilderThreads(static_cast<int>(theNbThreads));
  aSet->InitBuilder();
  aSet->Build();
  return aSet;
}

// A side of a face across X that runs along Z: at X, at Y, from Z low to Z high.
struct CrossingSide
{
  double X, Y, ZLow, ZHigh;
};

// An axis-aligned box over points, tested as the kernel's boxes are (a point
// is out when it lies beyond a side moved out by the gap), without their calls.
struct AxisBox
{
  double Min[3] = {Precision::Infinite(), Precision::Infinite(), Precision::Infinite()};
  double Max[3] = {-Precision::Infinite(), -Precision::Infinite(), -Precision::Infinite()};

  void Add(const gp_XYZ& thePoint)
  {
    for (int anAxis = 0; anAxis < 3; ++anAxis)
    {
      Min[anAxis] = std::min(Min[anAxis], thePoint.Coord(anAxis + 1));
      Max[anAxis] = std::max(Max[anAxis], thePoint.Coord(anAxis + 1));
    }
  }

  bool IsOut(const gp_XYZ& thePoint, double theGap) const
  {
    return thePoint.X() < Min[0] - theGap || thePoint.X() > Max[0] + theGap ||
           thePoint.Y() < Min[1] - theGap || thePoint.Y() > Max[1] + theGap ||
           thePoint.Z() < Min[2] - theGap || thePoint.Z() > Max[2] + theGap;
  }
};

// A shell's box, test point, the boxes of its faces, the sides of its faces
// across X and, once asked for, the spatial index of its triangles.
struct ShellIndex
{
  AxisBox                     Box;
  gp_XYZ                      TestPoint;
  bool                        HasSides = false;
  std::vector<CrossingSide>   Sides;
  std::vector<AxisBox>        FaceBoxes; // tested with the tolerance as gap
  Handle(Trivex::TriangleSet) Triangles;
};

// Faces of the skin lie in planes across the axes and their sides run along
// the axes. A ray from a point towards +X, moved up by an infinitesimal e
// along Y and e * e along Z, crosses only faces across X, never along one of
// their sides: the point is inside a closed shell when the ray meets an odd
// number of them. Counting, for each face ahead of the point, its Z-running
// sides beyond the point along Y whose Z span holds the moved point gives the
// parity of those crossings. This needs no spatial index. A point within the
// tolerance of a face is left to the classification of the triangles, which
// decides what lies on the surface.
void collectCrossingSides(const Soup& theSoup, const std::vector<int>& theShell, ShellIndex& theIndex)
{
  theIndex.FaceBoxes.reserve(theShell.size());
  for (const int aFace : theShell)
  {
    const std::vector<int>& aCorners = theSoup.Faces[static_cast<size_t>(aFace)];
    AxisBox                 aBox;
    for (const int aPoint : aCorners)
    {
      aBox.Add(theSoup.Points[static_cast<size_t>(aPoint)]);
    }
    const bool isAcrossX = aBox.Max[0] - aBox.Min[0] <= THE_TOLERANCE;
    theIndex.FaceBoxes.push_back(aBox);
    if (!isAcrossX)
    {
      continue;
    }
    for (size_t aCorner = 0; aCorner < aCorners.size(); ++aCorner)
    {
      const gp_XYZ& aFrom = theSoup.Points[static_cast<size_t>(aCorners[aCorner])];
      const gp_XYZ& aTo   = theSoup.Points[static_cast<size_t>(aCorners[(aCorner + 1) % aCorners.size()])];
      if (std::abs(aTo.Z() - aFrom.Z()) > THE_TOLERANCE)
      {
        theIndex.Sides.push_back(
            {aFrom.X(), aFrom.Y(), std::min(aFrom.Z(), aTo.Z()), std::max(aFrom.Z(), aTo.Z())});
      }
    }
  }
  theIndex.HasSides = true;
}

// 1 inside, 0 outside, -1 when the point is too close to a face to tell by the ray.
int crossingParity(const ShellIndex& theIndex, const gp_XYZ& thePoint)
{
  for (const AxisBox& aFace : theIndex.FaceBoxes)
  {
    if (!aFace.IsOut(thePoint, THE_TOLERANCE))
    {
      return -1;
    }
  }
  int aCount = 0;
  for (const CrossingSide& aSide : theIndex.Sides)
  {
    aCount += (aSide.X - thePoint.X() > THE_TOLERANCE && aSide.Y - thePoint.Y() > THE_TOLERANCE &&
               aSide.ZLow <= thePoint.Z() + THE_TOLERANCE && aSide.ZHigh - thePoint.Z() > THE_TOLERANCE)
                  ? 1
                  : 0;
  }
  return aCount % 2;
}

// Volume enclosed by a shell, positive when its faces look outwards.
double signedVolume(const Soup& theSoup, const std::vector<int>& theShell)
{
  double aVolume = 0.0;
  for (const int aFace : theShell)
  {
    const std::vector<int>& aCorners = theSoup.Faces[static_cast<size_t>(aFace)];
    const gp_XYZ&           aFirst   = theSoup.Points[static_cast<size_t>(aCorners[0])];
    for (size_t aCorner = 1; aCorner + 1 < aCorners.size(); ++aCorner)
    {
      aVolume += aFirst.Dot(theSoup.Points[static_cast<size_t>(aCorners[aCorner])].Crossed(
                     theSoup.Points[static_cast<size_t>(aCorners[aCorner + 1])])) /
                 6.0;
    }
  }
  return aVolume;
}

// Decides which shells form the skin. A shell's triangles are indexed only
// when a test point falls into its box: most shells are never asked.
class ShellChoice
{
public:
  ShellChoice(const Soup& theSoup, const std::vector<std::vector<int>>& theShells, unsigned int theNbThreads)
      : mySoup(theSoup),
        myFaces(theShells),
        myShells(theShells.size()),
        myInPlay(theShells.size(), 1),
        myNbThreads(theNbThreads)
  {
    for (size_t aShell = 0; aShell < theShells.size(); ++aShell)
    {
      const std::vector<int>& aFaces = theShells[aShell];
      myShells[aShell].TestPoint =
          theSoup.Points[static_cast<size_t>(theSoup.Faces[static_cast<size_t>(aFaces[0])][0])];
      for (const int aFace : aFaces)
      {
        for (const int aPoint : theSoup.Faces[static_cast<size_t>(aFace)])
        {
          myShells[aShell].Box.Add(theSoup.Points[static_cast<size_t>(aPoint)]);
        }
      }
    }
  }

  // Every shell inside no other one.
  std::vector<char> Outer()
  {
    std::vector<char> aSelected(myShells.size(), 0);
    for (size_t aShell = 0; aShell < myShells.size(); ++aShell)
    {
      aSelected[aShell] = isOutermost(aShell) ? 1 : 0;
    }
    return aSelected;
  }

  // Drops the first outermost shell, selects the next outermost one and the
  // outermost shells of the rest that it encloses.
  std::vector<char> Inner()
  {
    std::vector<char> aSelected(myShells.size(), 0);
    setAsideFirstOutermost();
    const int anInner = setAsideFirstOutermost();
    if (anInner < 0)
    {
      return aSelected;
    }
    aSelected[static_cast<size_t>(anInner)] = 1;
    for (size_t aShell = 0; aShell < myShells.size(); ++aShell)
    {
      if (myInPlay[aShell] != 0 && isOutermost(aShell) && isInside(aShell, static_cast<size_t>(anInner)))
      {
        aSelected[aShell] = 1;
      }
    }
    return aSelected;
  }

  // Number of the selected shells that enclose the shell.
  int Depth(size_t theShell, const std::vector<char>& theIsSelected)
  {
    int aDepth = 0;
    for (size_t anOther = 0; anOther < myShells.size(); ++anOther)
    {
      aDepth += anOther != theShell && theIsSelected[anOther] != 0 && isInside(theShell, anOther) ? 1 : 0;
    }
    return aDepth;
  }

private:
  int setAsideFirstOutermost()
  {
    for (size_t aShell = 0; aShell < myShells.size(); ++aShell)
    {
      if (myInPlay[aShell] != 0 && isOutermost(aShell))
      {
        myInPlay[aShell] = 0;
        return static_cast<int>(aShell);
      }
    }
    return -1;
  }

  bool isOutermost(size_t theShell)
  {
    for (size_t anOther = 0; anOther < myShells.size(); ++anOther)
    {
      if (anOther != theShell && myInPlay[anOther] != 0 && isInside(theShell, anOther))
      {
        return false;
      }
    }
    return true;
  }

  // Whether the test point of one shell lies inside another shell.
  bool isInside(size_t theShell, size_t theOther)
  {
    const auto   anEntry = myInside.emplace(theShell * myShells.size() + theOther, false);
    ShellIndex&  anOther = myShells[theOther];
    const gp_Pnt aPoint(myShells[theShell].TestPoint);
    if (anEntry.second && !anOther.Box.IsOut(aPoint.XYZ(), 0.0))
    {
      if (!anOther.HasSides)
      {
        collectCrossingSides(mySoup, myFaces[theOther], anOther);
      }
      const int aParity = crossingParity(anOther, aPoint.XYZ());
      if (aParity >= 0)
      {
        anEntry.first->second = aParity == 1;
      }
      else
      {
        if (anOther.Triangles.IsNull())
        {
          anOther.Triangles = triangleSet(mySoup, myFaces[theOther], myNbThreads);
        }
        anEntry.first->second = Trivex::ClassifyPntMesh(anOther.Triangles).Perform(aPoint);
      }
    }
    return anEntry.first->second;
  }

private:
  const Soup&                          mySoup;
  const std::vector<std::vector<int>>& myFaces;
  std::vector<ShellIndex>              myShells;
  std::unordered_map<size_t, bool>     myInside; // answers of isInside, by shell pair
  std::vector<char>                    myInPlay;
  unsigned int                         myNbThreads;
};
} // namespace

bool Algo_CartesianWrapping::ConvertIntoTriangles()
{
  myNotifier->NewScope("Algo_CartesianWrapping::ConvertIntoTriangles", 0.0, 0.09, 0.015);
  myResult = new HalfEdge_Mesh();
  myResult->SetProgressNotifier(myNotifier);
  std::vector<SmallMesh> aSmallMeshes;
  BuildSmallMeshes(aSmallMeshes);
  const Soup aSoup = weld(aSmallMeshes);
  aSmallMeshes.clear();
  myNotifier->Increment();
  const std::vector<std::vector<int>> aShells = splitShells(aSoup);
  myNotifier->Increment();
  ShellChoice             aChoice(aSoup, aShells, applyParallelOptions());
  const std::vector<char> isSelected = myInnerMode ? aChoice.Inner() : aChoice.Outer();
  myNotifier->Increment();

  int aNbSelected = 0;
  for (const char aFlag : isSelected)
  {
    aNbSelected += aFlag != 0 ? 1 : 0;
  }
  myNotifier->NewScope("Algo_CartesianWrapping::ConvertIntoTrianglesCycle", 0.0, 0.07,
                       0.07 / (static_cast<double>(aNbSelected) + 1.0));
  // The chosen shells as one list of polygons over their points, numbered as
  // the faces first reach them; the soup's points are welded already, so the
  // mesh takes them in one go.
  std::vector<int>    aNodeOfPoint(aSoup.Points.size(), -1);
  std::vector<gp_XYZ> aNodes;
  std::vector<int>    aStarts = {0};
  std::vector<int>    aCorners;
  for (size_t aShell = 0; aShell < aShells.size(); ++aShell)
  {
    if (isSelected[aShell] == 0)
    {
      continue;
    }
    // A shell inside no other selected shell faces outwards, one inside
    // another faces inwards, whichever side its cells lie on: the result then
    // encloses a positive volume, in inner mode too (where the chosen skin
    // usually has the cells outside it).
    const bool isOutwards = aChoice.Depth(aShell, isSelected) % 2 == 0;
    const bool isReversed = (signedVolume(aSoup, aShells[aShell]) > 0.0) != isOutwards;
    for (const int aFace : aShells[aShell])
    {
      for (const int aPoint : aSoup.Faces[static_cast<size_t>(aFace)])
      {
        int& aNode = aNodeOfPoint[static_cast<size_t>(aPoint)];
        if (aNode < 0)
        {
          aNode = static_cast<int>(aNodes.size());
          aNodes.push_back(aSoup.Points[static_cast<size_t>(aPoint)]);
        }
        aCorners.push_back(aNode);
      }
      if (isReversed)
      {
        std::reverse(aCorners.begin() + aStarts.back(), aCorners.end());
      }
      aStarts.push_back(static_cast<int>(aCorners.size()));
    }
  }
  const bool isComplete = myResult->AddPolygons(aNodes, aStarts, aCorners, applyParallelOptions()) ==
                          static_cast<int>(aStarts.size()) - 1;
  for (int aShell = 0; aShell < aNbSelected; ++aShell)
  {
    myNotifier->Increment();
  }
  myNotifier->EndScope();
  myNotifier->EndScope();
  return isComplete;
}
