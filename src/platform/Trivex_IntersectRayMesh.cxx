#include <Trivex_IntersectRayMesh.hxx>

#include <Trivex_RayVisitor.hxx>

#include <algorithm>

bool Trivex::IntersectRayMesh::Perform(const Ray& theRay, std::vector<int>& theIndices)
{
  theIndices.clear();
  const double aTol = std::max(myTolerance, 0.0);
  if (mySet.IsNull() || !mySet->IsBuilt() || !(theRay.MaxParameter() >= -aTol))
  {
    return false;
  }
  const RayTester         aRay(theRay.Origin().XYZ(), theRay.Direction().XYZ());
  const double            aTMin = -aTol, aTMax = theRay.MaxParameter() + aTol;
  const double*           aCorners = mySet->leafCorners(0);
  const std::vector<int>& anOrder  = mySet->hierarchy().Order();
  auto                    aTest    = [&](int theLeaf)
  {
    const double* aC = aCorners + 9 * static_cast<size_t>(theLeaf);
    double        aT = 0.0, aU = 0.0, aV = 0.0, aW = 0.0;
    if (aRay.Hit(aC, aC + 3, aC + 6, aT, aU, aV, aW) && aT >= aTMin && aT <= aTMax)
    {
      theIndices.push_back(anOrder[static_cast<size_t>(theLeaf)]);
    }
    return true;
  };
  RayVisitor aVisitor(aRay, aTol, aTMin, aTMax, aTest);
  mySet->hierarchy().Walk(aVisitor);
  std::sort(theIndices.begin(), theIndices.end());
  return !theIndices.empty();
}
