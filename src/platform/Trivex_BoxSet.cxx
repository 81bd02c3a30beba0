#include <Trivex_BoxSet.hxx>

#include <Trivex_BVH.hxx>

#include <cmath>

IMPLEMENT_STANDARD_RTTIEXT(Trivex::BoxSet, Standard_Transient)

Trivex::BoxSet::BoxSet(const std::vector<BoxData>& theBoxes)
    : myBoxes(theBoxes),
      myHierarchy(new BVH())
{
}

Trivex::BoxSet::~BoxSet() = default;

const Trivex::BoxData& Trivex::BoxSet::Box(int theIndex) const
{
  static const BoxData THE_INVALID;
  return theIndex >= 0 && theIndex < NbBoxes() ? myBoxes[static_cast<size_t>(theIndex)] : THE_INVALID;
}

void Trivex::BoxSet::InitBuilder()
{
  myIsBuilt = false;
  myLeafBoxes.clear();
  myHierarchy.reset(new BVH());
}

bool Trivex::BoxSet::Build()
{
  if (myIsBuilt)
  {
    return true;
  }
  std::vector<BVH::Item> anItems;
  anItems.reserve(myBoxes.size());
  for (size_t i = 0; i < myBoxes.size(); ++i)
  {
    const BoxData& aBox = myBoxes[i];
    // Centroids of unbounded boxes are not numbers: such boxes cannot be sorted in.
    if (aBox.IsVoid() || !std::isfinite(aBox.Min().Modulus()) || !std::isfinite(aBox.Max().Modulus()))
    {
      continue;
    }
    const BVH::Item anItem = {{aBox.Min().X(), aBox.Min().Y(), aBox.Min().Z()},
                              {aBox.Max().X(), aBox.Max().Y(), aBox.Max().Z()},
                              static_cast<int>(i)};
    anItems.push_back(anItem);
  }
  if (anItems.empty())
  {
    return false;
  }
  myHierarchy->Build(anItems, myNbBuilderThreads);
  myLeafBoxes.reserve(anItems.size());
  for (const BVH::Item& anItem : anItems)
  {
    myLeafBoxes.push_back(myBoxes[static_cast<size_t>(anItem.Index)]);
  }
  myIsBuilt = true;
  return true;
}
