#include <Pelk_MemoryEstimate.hxx>

#include <Bnd_Box.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <unistd.h>

namespace
{
// Measured peak resident memory = base + per triangle x triangles + per cell x
// boundary cells + per skin cell x skin cells, fitted on the test meshes (the
// program, its libraries and the message catalogue make the base).
const double THE_BASE_BYTES          = 14.0e6;
const double THE_BYTES_PER_TRIANGLE  = 1000.0;
const double THE_BYTES_PER_CELL      = 1250.0;
const double THE_BYTES_PER_SKIN_CELL = 1250.0;

// The skin of an open sheet goes round both of its sides and whatever it encloses.
const double THE_SKIN_PER_AREA = 4.0;

// Nodes of a triangle in ascending order: the key under which repeats count once.
std::array<int, 3> sortedNodes(const Poly_Triangle& theTriangle)
{
  std::array<int, 3> aNodes;
  theTriangle.Get(aNodes[0], aNodes[1], aNodes[2]);
  std::sort(aNodes.begin(), aNodes.end());
  return aNodes;
}
} // namespace

Pelk_MemoryEstimate::Pelk_MemoryEstimate(const Handle(Poly_Triangulation)& theMesh, double theCubeSide)
    : myArea(0.0),
      mySkinArea(0.0),
      mySide(theCubeSide),
      myNbTriangles(0)
{
  if (theMesh.IsNull())
  {
    return;
  }
  // Double-sided sheets and repeated facets are common in dirty input; counting
  // them twice would double the cells their surface crosses.
  std::vector<std::array<int, 3>> aKeys;
  aKeys.reserve(static_cast<size_t>(theMesh->NbTriangles()));
  for (int aTriangle = 1; aTriangle <= theMesh->NbTriangles(); ++aTriangle)
  {
    aKeys.push_back(sortedNodes(theMesh->Triangle(aTriangle)));
  }
  std::sort(aKeys.begin(), aKeys.end());
  aKeys.erase(std::unique(aKeys.begin(), aKeys.end()), aKeys.end());
  for (const std::array<int, 3>& aKey : aKeys)
  {
    const gp_XYZ aP1 = theMesh->Node(aKey[0]).XYZ();
    myArea +=
        0.5 * (theMesh->Node(aKey[1]).XYZ() - aP1).Crossed(theMesh->Node(aKey[2]).XYZ() - aP1).Modulus();
  }
  myNbTriangles = static_cast<size_t>(theMesh->NbTriangles());
  Bnd_Box aBox;
  for (int aNode = 1; aNode <= theMesh->NbNodes(); ++aNode)
  {
    aBox.Add(theMesh->Node(aNode));
  }
  if (!aBox.IsVoid())
  {
    const gp_XYZ anExtent = aBox.CornerMax().XYZ() - aBox.CornerMin().XYZ();
    const double aSurface =
        2.0 * (anExtent.X() * anExtent.Y() + anExtent.Y() * anExtent.Z() + anExtent.Z() * anExtent.X());
    mySkinArea = std::min(aSurface, THE_SKIN_PER_AREA * myArea);
  }
}

double Pelk_MemoryEstimate::LeafSize(double theCellSize) const
{
  double aSize = mySide;
  // The same halving as the voxelization's split rule; bounded for any input.
  for (int aLevel = 0; aLevel < 2100 && aSize >= 2.0 * theCellSize; ++aLevel)
  {
    aSize *= 0.5;
  }
  return aSize;
}

double Pelk_MemoryEstimate::cellsOn(double theArea, double theCellSize) const
{
  const double aLeaf    = LeafSize(theCellSize);
  const double aPerSide = std::max(mySide / aLeaf, 1.0);
  return std::max(std::min(theArea / (aLeaf * aLeaf), aPerSide * aPerSide * aPerSide), 1.0);
}

double Pelk_MemoryEstimate::NbCells(double theCellSize) const
{
  return cellsOn(myArea, theCellSize);
}

double Pelk_MemoryEstimate::NbSkinCells(double theCellSize) const
{
  return cellsOn(mySkinArea, theCellSize);
}

double Pelk_MemoryEstimate::NbBytes(double theCellSize) const
{
  return THE_BASE_BYTES + THE_BYTES_PER_TRIANGLE * static_cast<double>(myNbTriangles) +
         THE_BYTES_PER_CELL * NbCells(theCellSize) + THE_BYTES_PER_SKIN_CELL * NbSkinCells(theCellSize);
}

double Pelk_MemoryEstimate::SmallestCell(double theLimit) const
{
  if (NbBytes(mySide) > theLimit)
  {
    return 0.0;
  }
  const double aSmallest = std::max(MinCellSize(), mySide / MaxCellRatio());
  double       aLeaf     = mySide;
  while (0.5 * aLeaf >= aSmallest && NbBytes(0.5 * aLeaf) <= theLimit)
  {
    aLeaf *= 0.5;
  }
  // The cube is halved while its cells are at least twice the request: a
  // request just above half the finest fitting leaf stops at that leaf, unless
  // that is finer than the grid resolves.
  return std::max(aSmallest, 0.5 * aLeaf * (1.0 + 1e-6));
}

double Pelk_MemoryEstimate::DefaultLimit()
{
  const long aPages    = sysconf(_SC_PHYS_PAGES);
  const long aPageSize = sysconf(_SC_PAGESIZE);
  if (aPages <= 0 || aPageSize <= 0)
  {
    return 4096.0;
  }
  return 0.5 * static_cast<double>(aPages) * static_cast<double>(aPageSize) / (1024.0 * 1024.0);
}
