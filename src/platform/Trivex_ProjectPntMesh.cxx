#include <Trivex_ProjectPntMesh.hxx>

#include <Trivex_BVH.hxx>
#include <Trivex_Predicates.hxx>

#include <algorithm>
#include <cmath>
#include <utility>

gp_Pnt Trivex::ProjectPntMesh::Perform(const gp_Pnt& thePoint)
{
  return perform(thePoint, 0.0, nullptr);
}

gp_Pnt
Trivex::ProjectPntMesh::Perform(const gp_Pnt& thePoint, double theTolerance, std::vector<int>& theIndices)
{
  theIndices.clear();
  return perform(thePoint, std::max(theTolerance, 0.0), &theIndices);
}

namespace
{
// Nearest-first descent: the nearer child is visited first, and subtrees whose
// box lies farther than the best distance (plus the tolerance when all near
// triangles are wanted) are skipped.
struct NearestVisitor : Trivex::BVHVisitor
{
  static constexpr bool THE_IS_ORDERED = true;

  const gp_XYZ&                        P;
  double                               Tolerance;
  const double*                        Corners;
  std::vector<std::pair<int, double>>* Near; // every triangle within the bound of its time, when wanted
  Trivex::ProjectPntMesh::Nearest      Best;

  NearestVisitor(const gp_XYZ&                        theP,
                 double                               theTolerance,
                 const double*                        theCorners,
                 std::vector<std::pair<int, double>>* theNear)
      : P(theP),
        Tolerance(theTolerance),
        Corners(theCorners),
        Near(theNear)
  {
  }

  bool Meets(const Trivex::BVHNode& theNode, double& theSqDistance) const
  {
    theSqDistance = Trivex::Predicates::PointBoxSqDistance(P, theNode.Min, theNode.Max);
    return !IsFar(theSqDistance);
  }

  bool IsFar(double theSqDistance) const { return theSqDistance > Best.Bound2; }

  bool Visit(int theLeaf)
  {
    const double* aC = Corners + 9 * static_cast<size_t>(theLeaf);
    const gp_XYZ  aQ = Trivex::Predicates::ClosestPointTriangle(
         P, gp_XYZ(aC[0], aC[1], aC[2]), gp_XYZ(aC[3], aC[4], aC[5]), gp_XYZ(aC[6], aC[7], aC[8]));
    const double aD2 = (aQ - P).SquareModulus();
    // The first finite or overflowing distance is taken even when it squares to
    // infinity (coordinates beyond 1e154); a distance that is not a number never is.
    if (aD2 < Best.Best2 || (Best.Leaf < 0 && aD2 <= Best.Best2))
    {
      Best.Best2 = aD2;
      Best.Point = aQ;
      Best.Leaf  = theLeaf;
      // The square of the root may round below aD2: the nearest itself must stay within the bound.
      const double aBound = std::sqrt(aD2) + Tolerance;
      Best.Bound2         = Near == nullptr ? aD2 : std::max(aD2, aBound * aBound);
    }
    if (Near != nullptr && aD2 <= Best.Bound2)
    {
      Near->emplace_back(theLeaf, aD2);
    }
    return true;
  }
};
} // namespace

gp_Pnt
Trivex::ProjectPntMesh::perform(const gp_Pnt& thePoint, double theTolerance, std::vector<int>* theIndices)
{
  myDistance = 0.0;
  myIndex    = -1;
  if (mySet.IsNull() || !mySet->IsBuilt())
  {
    return thePoint;
  }
  myNear.clear();
  const Nearest aBest = search(thePoint.XYZ(), theTolerance, theIndices != nullptr);
  if (aBest.Leaf < 0)
  {
    return thePoint;
  }
  const std::vector<int>& anOrder = mySet->hierarchy().Order();
  myIndex                         = anOrder[static_cast<size_t>(aBest.Leaf)];
  myDistance                      = std::sqrt(aBest.Best2);
  if (theIndices != nullptr)
  {
    // Candidates were kept against the bound of their time; the final one decides.
    const double aLimit = myDistance + theTolerance;
    for (const std::pair<int, double>& aCandidate : myNear)
    {
      if (std::sqrt(aCandidate.second) <= aLimit)
      {
        theIndices->push_back(anOrder[static_cast<size_t>(aCandidate.first)]);
      }
    }
    std::sort(theIndices->begin(), theIndices->end());
  }
  return gp_Pnt(aBest.Point);
}

Trivex::ProjectPntMesh::Nearest
Trivex::ProjectPntMesh::search(const gp_XYZ& theP, double theTolerance, bool theIsAllNear)
{
  NearestVisitor aVisitor(theP, theTolerance, mySet->leafCorners(0), theIsAllNear ? &myNear : nullptr);
  mySet->hierarchy().Walk(aVisitor);
  return aVisitor.Best;
}
