#include <Trivex_TriangleSet.hxx>

#include <Trivex_BVH.hxx>

#include <cmath>
#include <limits>

IMPLEMENT_STANDARD_RTTIEXT(Trivex::TriangleSet, Standard_Transient)

namespace
{
bool isFinite(const gp_Pnt& thePnt)
{
  return std::isfinite(thePnt.X()) && std::isfinite(thePnt.Y()) && std::isfinite(thePnt.Z());
}
} // namespace

Trivex::TriangleSet::TriangleSet(const Handle(Poly_Triangulation) & theMesh) : myHierarchy(new BVH())
{
  if (theMesh.IsNull())
  {
    return;
  }
  const int aNbNodes = theMesh->NbNodes();
  const int aNbTris  = theMesh->NbTriangles();
  myTriangles.reserve(static_cast<size_t>(aNbTris));
  const double aNaN = std::numeric_limits<double>::quiet_NaN();
  for (int t = 1; t <= aNbTris; ++t)
  {
    int aN[3];
    theMesh->Triangle(t).Get(aN[0], aN[1], aN[2]);
    gp_Pnt aP[3];
    for (int k = 0; k < 3; ++k)
    {
      aP[k] = aN[k] >= 1 && aN[k] <= aNbNodes ? theMesh->Node(aN[k]) : gp_Pnt(aNaN, aNaN, aNaN);
    }
    myTriangles.emplace_back(aP[0], aP[1], aP[2], t);
  }
}

Trivex::TriangleSet::TriangleSet(const std::vector<TriangleData>& theTriangles)
    : myTriangles(theTriangles), myHierarchy(new BVH())
{
}

Trivex::TriangleSet::~TriangleSet() = default;

const Trivex::TriangleData& Trivex::TriangleSet::Triangle(int theIndex) const
{
  static const TriangleData THE_INVALID;
  return theIndex >= 0 && theIndex < NbTriangles() ? myTriangles[static_cast<size_t>(theIndex)] : THE_INVALID;
}

void Trivex::TriangleSet::InitBuilder()
{
  myIsBuilt = false;
  myBox.SetVoid();
  myCorners.clear();
  myHierarchy.reset(new BVH());
}

bool Trivex::TriangleSet::Build()
{
  if (myIsBuilt)
  {
    return true;
  }
  std::vector<BVH::Item> anItems;
  anItems.reserve(myTriangles.size());
  for (size_t i = 0; i < myTriangles.size(); ++i)
  {
    const TriangleData& aTri = myTriangles[i];
    if (!isFinite(aTri.Point(0)) || !isFinite(aTri.Point(1)) || !isFinite(aTri.Point(2)))
    {
      continue;
    }
    BVH::Item anItem;
    for (int k = 1; k <= 3; ++k)
    {
      const double aA = aTri.Point(0).Coord(k), aB = aTri.Point(1).Coord(k), aC = aTri.Point(2).Coord(k);
      anItem.Min[k - 1] = std::min(aA, std::min(aB, aC));
      anItem.Max[k - 1] = std::max(aA, std::max(aB, aC));
    }
    anItem.Index = static_cast<int>(i);
    anItems.push_back(anItem);
    myBox.Update(anItem.Min[0], anItem.Min[1], anItem.Min[2], anItem.Max[0], anItem.Max[1], anItem.Max[2]);
  }
  if (anItems.empty())
  {
    return false;
  }
  myHierarchy->Build(anItems, myNbBuilderThreads);
  // Corners are copied in leaf order so that a leaf reads one contiguous block.
  const std::vector<int>& anOrder = myHierarchy->Order();
  myCorners.resize(9 * anOrder.size());
  for (size_t aLeaf = 0; aLeaf < anOrder.size(); ++aLeaf)
  {
    const TriangleData& aTri = myTriangles[static_cast<size_t>(anOrder[aLeaf])];
    for (int k = 0; k < 3; ++k)
    {
      myCorners[9 * aLeaf + 3 * k]     = aTri.Point(k).X();
      myCorners[9 * aLeaf + 3 * k + 1] = aTri.Point(k).Y();
      myCorners[9 * aLeaf + 3 * k + 2] = aTri.Point(k).Z();
    }
  }
  myIsBuilt = true;
  return true;
}
