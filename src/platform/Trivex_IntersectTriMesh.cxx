#include <Trivex_IntersectTriMesh.hxx>

#include <Trivex_BoxVisitor.hxx>
#include <Trivex_Predicates.hxx>

#include <algorithm>

namespace
{
// True when the two corner sets coincide within the tolerance, in any order.
bool sameCorners(const gp_XYZ* theA, const gp_XYZ* theB, double theTol2)
{
  bool aUsed[3] = {false, false, false};
  for (int j = 0; j < 3; ++j)
  {
    bool aFound = false;
    for (int i = 0; i < 3 && !aFound; ++i)
    {
      if (!aUsed[i] && (theA[i] - theB[j]).SquareModulus() <= theTol2)
      {
        aUsed[i] = aFound = true;
      }
    }
    if (!aFound)
    {
      return false;
    }
  }
  return true;
}

} // namespace

bool Trivex::IntersectTriMesh::Perform(const TriangleData& theTriangle, std::vector<TriangleData>& theResult)
{
  theResult.clear();
  myIndices.clear();
  if (mySet.IsNull() || !mySet->IsBuilt())
  {
    return false;
  }
  const double aTol  = std::max(myTolerance, 0.0);
  const gp_XYZ aQ[3] = {theTriangle.Point(0).XYZ(), theTriangle.Point(1).XYZ(), theTriangle.Point(2).XYZ()};
  double       aMin[3], aMax[3];
  for (int k = 0; k < 3; ++k)
  {
    const int aCoord = k + 1;
    aMin[k]          = std::min({aQ[0].Coord(aCoord), aQ[1].Coord(aCoord), aQ[2].Coord(aCoord)}) - aTol;
    aMax[k]          = std::max({aQ[0].Coord(aCoord), aQ[1].Coord(aCoord), aQ[2].Coord(aCoord)}) + aTol;
  }
  const std::vector<int>& anOrder = mySet->hierarchy().Order();
  auto                    aTest   = [&](int theLeaf)
  {
    if (crossesLeaf(theLeaf, aQ, theTriangle.FaceIndex(), aMin, aMax, aTol))
    {
      myIndices.push_back(anOrder[static_cast<size_t>(theLeaf)]);
    }
    return true;
  };
  BoxVisitor aVisitor(aMin, aMax, aTest);
  mySet->hierarchy().Walk(aVisitor);
  std::sort(myIndices.begin(), myIndices.end());
  theResult.reserve(myIndices.size());
  for (int anIndex : myIndices)
  {
    theResult.push_back(mySet->Triangle(anIndex));
  }
  return !myIndices.empty();
}

bool Trivex::IntersectTriMesh::crossesLeaf(int           theLeaf,
                                           const gp_XYZ* theQuery,
                                           int           theFaceIndex,
                                           const double* theMin,
                                           const double* theMax,
                                           double        theTol) const
{
  const double* aC       = mySet->leafCorners(theLeaf);
  const double  aTMin[3] = {std::min({aC[0], aC[3], aC[6]}), std::min({aC[1], aC[4], aC[7]}),
                            std::min({aC[2], aC[5], aC[8]})};
  const double  aTMax[3] = {std::max({aC[0], aC[3], aC[6]}), std::max({aC[1], aC[4], aC[7]}),
                            std::max({aC[2], aC[5], aC[8]})};
  if (!Predicates::BoxesTouch(aTMin, aTMax, theMin, theMax))
  {
    return false;
  }
  const gp_XYZ aT[3] = {gp_XYZ(aC[0], aC[1], aC[2]), gp_XYZ(aC[3], aC[4], aC[5]),
                        gp_XYZ(aC[6], aC[7], aC[8])};
  // Corners first: the record lookup is a cache miss, needed only for the query itself.
  if (sameCorners(theQuery, aT, theTol * theTol) &&
      mySet->Triangle(mySet->hierarchy().Order()[static_cast<size_t>(theLeaf)]).FaceIndex() == theFaceIndex)
  {
    return false;
  }
  return Predicates::TrianglesCross(theQuery, aT, theTol);
}
