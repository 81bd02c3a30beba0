#include <Trivex_IntersectBoxBox.hxx>

#include <Trivex_BoxVisitor.hxx>
#include <Trivex_Predicates.hxx>

#include <algorithm>

bool Trivex::IntersectBoxBox::Perform(const BoxData&        theBox,
                                      std::vector<BoxData>& theResult,
                                      double                theTolerance)
{
  theResult.clear();
  myIndices.clear();
  myFound.clear();
  if (mySet.IsNull() || !mySet->IsBuilt() || theBox.IsVoid())
  {
    return false;
  }
  const double aTol    = std::max(theTolerance, 0.0);
  const double aMin[3] = {theBox.Min().X() - aTol, theBox.Min().Y() - aTol, theBox.Min().Z() - aTol};
  const double aMax[3] = {theBox.Max().X() + aTol, theBox.Max().Y() + aTol, theBox.Max().Z() + aTol};
  const std::vector<int>& anOrder = mySet->hierarchy().Order();
  auto                    aTake   = [&](int theFirst, int theEnd)
  {
    for (int aLeaf = theFirst; aLeaf < theEnd; ++aLeaf)
    {
      myFound.emplace_back(anOrder[static_cast<size_t>(aLeaf)], aLeaf);
    }
    return true;
  };
  auto aTest = [&](int theLeaf)
  {
    const BoxData& aB = mySet->leafBox(theLeaf);
    if (Predicates::BoxesTouch(aB.Min().GetData(), aB.Max().GetData(), aMin, aMax))
    {
      myFound.emplace_back(anOrder[static_cast<size_t>(theLeaf)], theLeaf);
    }
    return true;
  };
  BoxVisitor aVisitor(aMin, aMax, aTest, aTake);
  mySet->hierarchy().Walk(aVisitor);
  // Results come from the leaf copies, which the search has just read.
  std::sort(myFound.begin(), myFound.end());
  theResult.reserve(myFound.size());
  myIndices.reserve(myFound.size());
  for (const std::pair<int, int>& aFound : myFound)
  {
    myIndices.push_back(aFound.first);
    theResult.push_back(mySet->leafBox(aFound.second));
  }
  return !myFound.empty();
}
