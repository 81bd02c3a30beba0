#include <Trivex_DistRayMesh.hxx>

#include <Trivex_BVH.hxx>
#include <Trivex_Predicates.hxx>

#include <algorithm>

namespace
{
// Front-to-back descent: the child the ray enters first is visited first, and
// subtrees entered beyond the nearest hit so far are skipped.
struct NearestHitVisitor : Trivex::BVHVisitor
{
  static constexpr bool THE_IS_ORDERED = true;

  const Trivex::RayTester& Ray;
  double                   Tol;      // widening of the node boxes
  double                   MinParam; // hits nearer to the origin are ignored
  const double*            Corners;
  double                   Best;
  int                      BestLeaf = -1;

  NearestHitVisitor(const Trivex::RayTester& theRay,
                    double                   theMinParam,
                    double                   theTMax,
                    const double*            theCorners)
      : Ray(theRay),
        Tol(std::max(theMinParam, 0.0)),
        MinParam(theMinParam),
        Corners(theCorners),
        Best(theTMax)
  {
  }

  bool Meets(const Trivex::BVHNode& theNode, double& theEntry) const
  {
    return Ray.WidenedSlab(theNode.Min, theNode.Max, Tol, 0.0, Best, theEntry);
  }

  bool IsFar(double theEntry) const { return theEntry > Best; }

  bool Visit(int theLeaf)
  {
    const double* aC = Corners + 9 * static_cast<size_t>(theLeaf);
    double        aT = 0.0, aU = 0.0, aV = 0.0, aW = 0.0;
    if (Ray.Hit(aC, aC + 3, aC + 6, aT, aU, aV, aW) && aT > MinParam &&
        (aT < Best || (aT == Best && BestLeaf < 0)))
    {
      Best     = aT;
      BestLeaf = theLeaf;
    }
    return true;
  }
};
} // namespace

double Trivex::DistRayMesh::Perform(const Ray& theRay)
{
  myIndex = -1;
  if (mySet.IsNull() || !mySet->IsBuilt() || !(theRay.MaxParameter() >= myTolerance))
  {
    return THE_NO_HIT;
  }
  int          aBestLeaf = -1;
  const double aBest =
      search(RayTester(theRay.Origin().XYZ(), theRay.Direction().XYZ()), theRay.MaxParameter(), aBestLeaf);
  if (aBestLeaf < 0)
  {
    return THE_NO_HIT;
  }
  myIndex = mySet->hierarchy().Order()[static_cast<size_t>(aBestLeaf)];
  return aBest;
}

double Trivex::DistRayMesh::search(const RayTester& theRay, double theTMax, int& theBestLeaf) const
{
  NearestHitVisitor aVisitor(theRay, myTolerance, theTMax, mySet->leafCorners(0));
  mySet->hierarchy().Walk(aVisitor);
  theBestLeaf = aVisitor.BestLeaf;
  return aVisitor.Best;
}
