#include <Trivex_TriangleSet.hxx>

#include <Trivex_BVH.hxx>

#include <algorithm>
#include <cmath>
#include <limits>

IMPLEMENT_STANDARD_RTTIEXT(Trivex::TriangleSet, Standard_Transient)

namespace
{
// Loops over fewer triangles than this are not worth a parallel region.
constexpr int THE_PARALLEL_SIZE = 20000;

bool isFinite(const gp_Pnt& thePnt)
{
  return std::isfinite(thePnt.X()) && std::isfinite(thePnt.Y()) && std::isfinite(thePnt.Z());
}
} // namespace

Trivex::TriangleSet::TriangleSet(const Handle(Poly_Triangulation)& theMesh)
    : myHierarchy(new BVH())
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
    : myTriangles(theTriangles),
      myHierarchy(new BVH())
{
}

Trivex::TriangleSet::TriangleSet(std::vector<TriangleData>&& theTriangles)
    : myTriangles(std::move(theTriangles)),
      myHierarchy(new BVH())
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
  myCorners.reset();
  myLeafFaces.reset();
  myHierarchy.reset(new BVH());
}

bool Trivex::TriangleSet::Build()
{
  if (myIsBuilt)
  {
    return true;
  }
  // Items are made in parallel in triangle order; triangles that are not
  // finite keep an index of -1 and are dropped afterwards, in order.
  const int              aNbTris = NbTriangles();
  std::vector<BVH::Item> anItems(myTriangles.size());
  int                    aNbDropped = 0;
#pragma omp parallel for num_threads(myNbBuilderThreads) schedule(static) if (aNbTris > THE_PARALLEL_SIZE) \
    reduction(+ : aNbDropped)
  for (int i = 0; i < aNbTris; ++i)
  {
    const TriangleData& aTri   = myTriangles[static_cast<size_t>(i)];
    BVH::Item&          anItem = anItems[static_cast<size_t>(i)];
    anItem.Index = isFinite(aTri.Point(0)) && isFinite(aTri.Point(1)) && isFinite(aTri.Point(2)) ? i : -1;
    aNbDropped += anItem.Index < 0 ? 1 : 0;
    for (int k = 0; k < 3; ++k)
    {
      const double aA = aTri.Point(0).XYZ().GetData()[k], aB = aTri.Point(1).XYZ().GetData()[k],
                   aC = aTri.Point(2).XYZ().GetData()[k];
      anItem.Min[k]   = std::min(aA, std::min(aB, aC));
      anItem.Max[k]   = std::max(aA, std::max(aB, aC));
    }
  }
  if (aNbDropped > 0)
  {
    anItems.erase(std::remove_if(anItems.begin(), anItems.end(),
                                 [](const BVH::Item& theItem) { return theItem.Index < 0; }),
                  anItems.end());
  }
  if (anItems.empty())
  {
    return false;
  }
  if (myIsQuickBuild)
  {
    myHierarchy->BuildQuick(anItems, myNbBuilderThreads);
  }
  else
  {
    myHierarchy->Build(anItems, myNbBuilderThreads);
  }
  double aMin[3] = {1e308, 1e308, 1e308}, aMax[3] = {-1e308, -1e308, -1e308};
  for (const BVH::Item& anItem : anItems)
  {
    for (int k = 0; k < 3; ++k)
    {
      aMin[k] = std::min(aMin[k], anItem.Min[k]);
      aMax[k] = std::max(aMax[k], anItem.Max[k]);
    }
  }
  myBox.Update(aMin[0], aMin[1], aMin[2], aMax[0], aMax[1], aMax[2]);
  // Corners (and face indices) are copied in leaf order so that a leaf reads
  // one contiguous block.
  const std::vector<int>& anOrder   = myHierarchy->Order();
  const int               aNbLeaves = static_cast<int>(anOrder.size());
  myCorners.reset(new double[9 * anOrder.size()]);
  myLeafFaces.reset(new int[anOrder.size()]);
#pragma omp parallel for num_threads(myNbBuilderThreads) schedule(static) if (aNbLeaves > THE_PARALLEL_SIZE)
  for (int aLeaf = 0; aLeaf < aNbLeaves; ++aLeaf)
  {
    const TriangleData& aTri    = myTriangles[static_cast<size_t>(anOrder[static_cast<size_t>(aLeaf)])];
    double*             aTarget = myCorners.get() + 9 * static_cast<size_t>(aLeaf);
    myLeafFaces[static_cast<size_t>(aLeaf)] = aTri.FaceIndex();
    for (int k = 0; k < 3; ++k)
    {
      std::copy(aTri.Point(k).XYZ().GetData(), aTri.Point(k).XYZ().GetData() + 3, aTarget + 3 * k);
    }
  }
  myIsBuilt = true;
  return true;
}
