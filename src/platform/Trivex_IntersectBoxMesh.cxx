#include <Trivex_IntersectBoxMesh.hxx>

#include <Trivex_BoxVisitor.hxx>
#include <Trivex_Predicates.hxx>

#include <algorithm>

bool Trivex::IntersectBoxMesh::Perform(const Bnd_Box& theBox, std::vector<int>& theIndices)
{
  theIndices.clear();
  perform(theBox, &theIndices);
  std::sort(theIndices.begin(), theIndices.end());
  return !theIndices.empty();
}

bool Trivex::IntersectBoxMesh::perform(const Bnd_Box& theBox, std::vector<int>* theIndices) const
{
  if (mySet.IsNull() || !mySet->IsBuilt() || theBox.IsVoid())
  {
    return false;
  }
  double aMin[3], aMax[3];
  theBox.Get(aMin[0], aMin[1], aMin[2], aMax[0], aMax[1], aMax[2]);
  for (int k = 0; k < 3; ++k)
  {
    aMin[k] -= myTolerance;
    aMax[k] += myTolerance;
  }
  // Without a list of indices the walk ends at the first triangle found.
  const double*           aCorners = mySet->leafCorners(0);
  const std::vector<int>& anOrder  = mySet->hierarchy().Order();
  bool                    isFound  = false;
  // Every triangle of a node inside the box meets it: no test needed.
  auto aTake = [&](int theFirst, int theEnd)
  {
    isFound = true;
    if (theIndices != nullptr)
    {
      theIndices->insert(theIndices->end(), anOrder.begin() + theFirst, anOrder.begin() + theEnd);
    }
    return theIndices != nullptr;
  };
  auto aTest = [&](int theLeaf)
  {
    const double* aC = aCorners + 9 * static_cast<size_t>(theLeaf);
    if (!Predicates::TriangleBox(gp_XYZ(aC[0], aC[1], aC[2]), gp_XYZ(aC[3], aC[4], aC[5]),
                                 gp_XYZ(aC[6], aC[7], aC[8]), aMin, aMax))
    {
      return true;
    }
    isFound = true;
    if (theIndices != nullptr)
    {
      theIndices->push_back(anOrder[static_cast<size_t>(theLeaf)]);
    }
    return theIndices != nullptr;
  };
  BoxVisitor aVisitor(aMin, aMax, aTest, aTake);
  mySet->hierarchy().Walk(aVisitor);
  return isFound;
}
