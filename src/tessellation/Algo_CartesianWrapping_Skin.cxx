#include <Algo_CartesianWrapping.hxx>

#include <Algo_CartesianWrapping_Cells.hxx>

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

using namespace Algo_CartesianWrapping_Cells;

namespace
{
// Squared distance below which a point lies on a polygon side or at its end.
const double THE_SQUARED_TOLERANCE = 1e-14;

// Which parts of a cell's faces are exposed, and the corners of smaller
// neighbours that lie on its sides. Face 2k is the low side of axis k, face
// 2k + 1 the high side; quadrant q of a face is the upper half along its first
// in-plane axis when bit 0 is set and along the second when bit 1 is set.
struct CellRecord
{
  std::array<std::array<std::uint8_t, 4>, 6> Quadrants;
  std::array<std::uint8_t, 6>                Covered;
  std::vector<gp_XYZ>                        EdgePoints;

  CellRecord()
  {
    for (std::array<std::uint8_t, 4>& aFace : Quadrants)
    {
      aFace.fill(1);
    }
    Covered.fill(0);
  }
};

// The two axes in the plane of a face of axis theAxis (0 to 2), in X, Y, Z order.
std::pair<int, int> inPlaneAxes(int theAxis)
{
  return theAxis == 0 ? std::make_pair(1, 2) : (theAxis == 1 ? std::make_pair(0, 2) : std::make_pair(0, 1));
}

// Marks what theOther covers on theCell's faces and keeps its corners that lie
// on theCell's sides.
void recordNeighbour(const SVO_Node& theCell, const SVO_Node& theOther, CellRecord& theRecord)
{
  int aSide[3];
  CellSide(theCell, theOther, aSide);
  const int anOrder = ContactOrder(aSide);
  if (anOrder == 1)
  {
    const int anAxis = aSide[0] != 0 ? 0 : (aSide[1] != 0 ? 1 : 2);
    const int aFace  = 2 * anAxis + (aSide[anAxis] > 0 ? 1 : 0);
    if (Extent(theCell) / Extent(theOther) < 1.01)
    {
      theRecord.Quadrants[aFace].fill(0);
      theRecord.Covered[aFace] = 1;
    }
    else
    {
      const auto [aFirst, aSecond] = inPlaneAxes(anAxis);
      const gp_XYZ aCentre         = (theOther.BoxMin + theOther.BoxMax) / 2.0;
      const gp_XYZ aFaceCentre     = (theCell.BoxMin + theCell.BoxMax) / 2.0;
      const int    aQuadrant       = (aCentre.Coord(aFirst + 1) > aFaceCentre.Coord(aFirst + 1) ? 1 : 0) +
                            (aCentre.Coord(aSecond + 1) > aFaceCentre.Coord(aSecond + 1) ? 2 : 0);
      theRecord.Quadrants[aFace][static_cast<size_t>(aQuadrant)] = 0;
    }
  }
  // A smaller neighbour sharing a face or an edge has corners in the middle of
  // this cell's sides, where the skin has a node: both the neighbour's own
  // faces and the faces of this cell that continue them meet there. Corners of
  // face neighbours count too: a half-size cell on a face puts a node in the
  // middle of the adjacent faces' sides, and two half-size cells side by side
  // one in the middle of a half-exposed face. Aligned cells at least as large
  // as this one have no corner strictly inside its sides.
  if ((anOrder == 1 || anOrder == 2) && Extent(theCell) / Extent(theOther) >= 1.01)
  {
    for (int aCorner = 0; aCorner < 8; ++aCorner)
    {
      const gp_XYZ aPoint = theOther.Corner(aCorner);
      if (!ContainsPoint(theCell, aPoint, THE_TOLERANCE))
      {
        continue;
      }
      bool isNew = true;
      for (int anOwn = 0; anOwn < 8 && isNew; ++anOwn)
      {
        isNew = (theCell.Corner(anOwn) - aPoint).SquareModulus() >= THE_SQUARED_TOLERANCE;
      }
      for (const gp_XYZ& aKnown : theRecord.EdgePoints)
      {
        isNew = isNew && (aKnown - aPoint).SquareModulus() >= THE_SQUARED_TOLERANCE;
      }
      if (isNew)
      {
        theRecord.EdgePoints.push_back(aPoint);
      }
    }
  }
}

// A point of a face's 3 x 3 grid, as steps (0 to 2) along the face's first
// and second in-plane axes; a polygon side between two of them; the corners
// of a polygon.
using GridPoint = std::pair<int, int>;
using GridSide  = std::pair<GridPoint, GridPoint>;
using Outline   = std::vector<GridPoint>;

// The quadrants of the set connected to its lowest one through shared sides.
// Quadrants touching only at the face centre are separate groups: each gets a
// polygon of its own, so every polygon stays simple.
unsigned int firstGroup(unsigned int theSet)
{
  unsigned int aGroup = theSet & (~theSet + 1u);
  for (int aStep = 0; aStep < 2; ++aStep)
  {
    for (int aQuadrant = 0; aQuadrant < 4; ++aQuadrant)
    {
      if ((aGroup >> aQuadrant) & 1u)
      {
        aGroup |= ((1u << (aQuadrant ^ 1)) | (1u << (aQuadrant ^ 2))) & theSet;
      }
    }
  }
  return aGroup;
}

// Sides of the group's squares, counter-clockwise; sides shared inside the group cancel.
std::vector<GridSide> outlineSides(unsigned int theGroup)
{
  std::vector<GridSide> aSides;
  for (int aQuadrant = 0; aQuadrant < 4; ++aQuadrant)
  {
    if (((theGroup >> aQuadrant) & 1u) == 0)
    {
      continue;
    }
    const int                      aU = aQuadrant & 1, aV = aQuadrant >> 1;
    const std::array<GridPoint, 4> aSquare = {{{aU, aV}, {aU + 1, aV}, {aU + 1, aV + 1}, {aU, aV + 1}}};
    for (size_t aCorner = 0; aCorner < 4; ++aCorner)
    {
      const GridPoint aFrom = aSquare[aCorner], aTo = aSquare[(aCorner + 1) % 4];
      const auto      aTwin = std::find(aSides.begin(), aSides.end(), GridSide(aTo, aFrom));
      if (aTwin != aSides.end())
      {
        aSides.erase(aTwin);
      }
      else
      {
        aSides.emplace_back(aFrom, aTo);
      }
    }
  }
  return aSides;
}

// The corners of the outline: its sides walked from the lowest point (every
// outline point has one outgoing side), keeping the points where it turns.
Outline outlineCorners(const std::vector<GridSide>& theSides)
{
  std::vector<GridPoint> aLoop;
  GridPoint              aPoint = std::min_element(theSides.begin(), theSides.end())->first;
  do
  {
    aLoop.push_back(aPoint);
    aPoint = std::find_if(theSides.begin(), theSides.end(),
                          [&](const GridSide& theSide) { return theSide.first == aPoint; })
                 ->second;
  } while (aPoint != aLoop.front());
  Outline aCorners;
  for (size_t anIndex = 0; anIndex < aLoop.size(); ++anIndex)
  {
    const GridPoint& aPrev  = aLoop[(anIndex + aLoop.size() - 1) % aLoop.size()];
    const GridPoint& aCur   = aLoop[anIndex];
    const GridPoint& aNext  = aLoop[(anIndex + 1) % aLoop.size()];
    const int        aCross = (aCur.first - aPrev.first) * (aNext.second - aCur.second) -
                       (aCur.second - aPrev.second) * (aNext.first - aCur.first);
    if (aCross != 0)
    {
      aCorners.push_back(aCur);
    }
  }
  return aCorners;
}

// Outlines of the groups of exposed quadrants (a bit set of them),
// counter-clockwise in the face's in-plane axes.
std::vector<Outline> makeOutlines(unsigned int theExposed)
{
  std::vector<Outline> anOutlines;
  for (unsigned int aLeft = theExposed; aLeft != 0;)
  {
    const unsigned int aGroup = firstGroup(aLeft);
    aLeft &= ~aGroup;
    anOutlines.push_back(outlineCorners(outlineSides(aGroup)));
  }
  return anOutlines;
}

// The outlines for a face, from its exposed-quadrant flags.
const std::vector<Outline>& quadrantOutlines(const std::array<std::uint8_t, 4>& theExposed)
{
  static const std::array<std::vector<Outline>, 16> THE_OUTLINES = []
  {
    std::array<std::vector<Outline>, 16> aTable;
    for (unsigned int aSet = 0; aSet < 16; ++aSet)
    {
      aTable[aSet] = makeOutlines(aSet);
    }
    return aTable;
  }();
  unsigned int aSet = 0;
  for (int aQuadrant = 0; aQuadrant < 4; ++aQuadrant)
  {
    aSet |= theExposed[static_cast<size_t>(aQuadrant)] != 0 ? (1u << aQuadrant) : 0u;
  }
  return THE_OUTLINES[aSet];
}

// Number of the point in the list, added when new.
int pointIndex(std::vector<gp_XYZ>& thePoints, const gp_XYZ& thePoint)
{
  for (size_t anIndex = 0; anIndex < thePoints.size(); ++anIndex)
  {
    if ((thePoints[anIndex] - thePoint).SquareModulus() < THE_SQUARED_TOLERANCE)
    {
      return static_cast<int>(anIndex);
    }
  }
  thePoints.push_back(thePoint);
  return static_cast<int>(thePoints.size()) - 1;
}

// The polygon with every edge point that lies strictly inside one of its
// sides inserted there, in order along the side.
std::vector<gp_XYZ> withEdgePoints(const std::vector<gp_XYZ>& thePolygon,
                                   const std::vector<gp_XYZ>& thePoints)
{
  std::vector<gp_XYZ> aResult;
  for (size_t anIndex = 0; anIndex < thePolygon.size(); ++anIndex)
  {
    const gp_XYZ&                          aStart   = thePolygon[anIndex];
    const gp_XYZ                           aSide    = thePolygon[(anIndex + 1) % thePolygon.size()] - aStart;
    const double                           aLength2 = aSide.SquareModulus();
    std::vector<std::pair<double, gp_XYZ>> anInside;
    for (const gp_XYZ& aPoint : thePoints)
    {
      const double aParam = (aPoint - aStart).Dot(aSide) / aLength2;
      const gp_XYZ aFoot  = aStart + aSide * aParam;
      if ((aFoot - aPoint).SquareModulus() < THE_SQUARED_TOLERANCE &&
          aParam * aParam * aLength2 > THE_SQUARED_TOLERANCE &&
          (1.0 - aParam) * (1.0 - aParam) * aLength2 > THE_SQUARED_TOLERANCE && aParam > 0.0 && aParam < 1.0)
      {
        anInside.emplace_back(aParam, aPoint);
      }
    }
    std::sort(anInside.begin(), anInside.end(),
              [](const auto& theA, const auto& theB) { return theA.first < theB.first; });
    aResult.push_back(aStart);
    for (const auto& aPoint : anInside)
    {
      aResult.push_back(aPoint.second);
    }
  }
  return aResult;
}

// Point of the face's 3 x 3 grid: 0 is the low bound on an axis, 2 the high one.
double gridValue(const SVO_Node& theCell, int theAxis, int theStep)
{
  const double aLow = theCell.BoxMin.Coord(theAxis + 1), aHigh = theCell.BoxMax.Coord(theAxis + 1);
  return theStep == 0 ? aLow : (theStep == 2 ? aHigh : (aLow + aHigh) / 2.0);
}

// Lists reused from cell to cell by one thread: a small mesh is built in them
// and copied out at its final size, which spares most allocations.
struct SmallMeshScratch
{
  std::vector<gp_XYZ> Points;
  std::vector<gp_XYZ> Polygon;
};

// The exposed parts of the cell's faces as polygons. Counter-clockwise in a
// face's in-plane axes looks towards +X, -Y, +Z for faces of axis X, Y, Z.
// All polygons of all cells look out of their cell, so that every shell of
// the welded soup is consistently oriented, as the strict face insertion needs.
void buildSmallMesh(const SVO_Node&                    theCell,
                    const CellRecord&                  theRecord,
                    SmallMeshScratch&                  theScratch,
                    Algo_CartesianWrapping::SmallMesh& theMesh)
{
  size_t aNbPolygons = 0;
  for (int aFace = 0; aFace < 6; ++aFace)
  {
    aNbPolygons += theRecord.Covered[aFace] != 0 ? 0 : quadrantOutlines(theRecord.Quadrants[aFace]).size();
  }
  theMesh.Faces.reserve(aNbPolygons);
  theScratch.Points.clear();
  for (int aFace = 0; aFace < 6; ++aFace)
  {
    const int  anAxis                = aFace / 2;
    const bool isHigh                = (aFace % 2) != 0;
    const auto [aFirst, aSecond]     = inPlaneAxes(anAxis);
    const bool isCounterClockwiseOut = (anAxis == 1) != isHigh;
    const bool isReversed            = !isCounterClockwiseOut;
    if (theRecord.Covered[aFace] != 0)
    {
      continue;
    }
    for (const Outline& anOutline : quadrantOutlines(theRecord.Quadrants[aFace]))
    {
      std::vector<gp_XYZ>& aPolygon = theScratch.Polygon;
      aPolygon.clear();
      for (size_t aCorner = 0; aCorner < anOutline.size(); ++aCorner)
      {
        const GridPoint& aGridPoint = anOutline[isReversed ? anOutline.size() - 1 - aCorner : aCorner];
        gp_XYZ           aPoint;
        aPoint.SetCoord(anAxis + 1, gridValue(theCell, anAxis, isHigh ? 2 : 0));
        aPoint.SetCoord(aFirst + 1, gridValue(theCell, aFirst, aGridPoint.first));
        aPoint.SetCoord(aSecond + 1, gridValue(theCell, aSecond, aGridPoint.second));
        aPolygon.push_back(aPoint);
      }
      if (!theRecord.EdgePoints.empty())
      {
        aPolygon = withEdgePoints(aPolygon, theRecord.EdgePoints);
      }
      std::vector<int> aFaceNodes;
      aFaceNodes.reserve(aPolygon.size());
      for (const gp_XYZ& aPoint : aPolygon)
      {
        aFaceNodes.push_back(pointIndex(theScratch.Points, aPoint));
      }
      theMesh.Faces.push_back(std::move(aFaceNodes));
    }
  }
  theMesh.Points.assign(theScratch.Points.begin(), theScratch.Points.end());
}
} // namespace

void Algo_CartesianWrapping::BuildSmallMeshes(std::vector<SmallMesh>& theMeshes)
{
  myNotifier->NewScope("Algo_CartesianWrapping::BuildSmallMeshes", 0.0, 0.1, 0.1 / 3.0);
  const unsigned int    aNbThreads = applyParallelOptions();
  const NeighbourFinder aFinder(myNodes, myNeighbourLists.get(), aNbThreads);
  myNotifier->Increment();
  std::vector<CellRecord> aRecords(myNodes.size());
  theMeshes.assign(myNodes.size(), SmallMesh());
  myNotifier->Increment();
  const long aNbCells = static_cast<long>(myNodes.size());
#pragma omp parallel
  {
    NeighbourFinder::Searcher aSearch(aFinder);
    std::vector<int>          aNeighbours;
    SmallMeshScratch          aScratch;
#pragma omp for schedule(static)
    for (long anIndex = 0; anIndex < aNbCells; ++anIndex)
    {
      const size_t    aPosition = static_cast<size_t>(anIndex);
      const SVO_Node& aCell     = *myNodes[aPosition];
      aSearch.Touching(static_cast<int>(anIndex), aNeighbours);
      for (const int aNeighbour : aNeighbours)
      {
        if (static_cast<size_t>(aNeighbour) != aPosition)
        {
          recordNeighbour(aCell, *myNodes[static_cast<size_t>(aNeighbour)], aRecords[aPosition]);
        }
      }
      buildSmallMesh(aCell, aRecords[aPosition], aScratch, theMeshes[aPosition]);
    }
  }
  myNotifier->EndScope();
}
