// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_AABBClippingIndex.hxx>

#include <algorithm>
#include <cmath>

namespace
{
// Share of the faces, the widest ones, kept out of the grid: a few stretched
// faces must not make the cells coarse for all others.
constexpr double THE_WIDE_SHARE = 0.001;

// At most this many cells per filed face, so that a grid over a thin or
// sparse mesh stays as small as the mesh.
constexpr double THE_CELLS_PER_FACE = 2.0;

// Places of a face outside the grid (cell keys are not negative).
constexpr int64_t THE_NOWHERE  = -1;
constexpr int64_t THE_IN_LARGE = -2;

} // namespace

HalfEdgeAlgo_AABBClippingIndex::Box HalfEdgeAlgo_AABBClippingIndex::faceBox(const Mesh& theMesh, int theFace)
{
  Box aBox = {{HUGE_VAL, HUGE_VAL, HUGE_VAL}, {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL}};
  for (const Mesh::VertexHandle aCorner : theMesh.fv_range(Mesh::FaceHandle(theFace)))
  {
    const Mesh::Point& aPoint = theMesh.point(aCorner);
    for (int k = 0; k < 3; ++k)
    {
      // A corner that is not a number spoils the box, which then files the
      // face with the wide ones.
      aBox.Min[k] = std::isnan(aPoint[k]) ? aPoint[k] : std::min(aBox.Min[k], aPoint[k]);
      aBox.Max[k] = std::isnan(aPoint[k]) ? aPoint[k] : std::max(aBox.Max[k], aPoint[k]);
    }
  }
  return aBox;
}

HalfEdgeAlgo_AABBClippingIndex::HalfEdgeAlgo_AABBClippingIndex(const Mesh& theMesh)
    : myMesh(&theMesh),
      myNbNodes(theMesh.n_vertices()),
      myNbFaces(theMesh.n_faces()),
      myOrigin{0.0, 0.0, 0.0},
      myCell(1.0),
      myDims{1, 1, 1},
      myIsRefreshed(theMesh.n_faces(), 0),
      myPlace(theMesh.n_faces(), THE_NOWHERE)
{
  std::vector<Box>    aBoxes(myNbFaces);
  std::vector<double> aWidths;
  aWidths.reserve(myNbFaces);
  double aMin[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, aMax[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  for (const Mesh::FaceHandle aFace : theMesh.faces())
  {
    const Box& aBox = aBoxes[static_cast<size_t>(aFace.idx())] = faceBox(theMesh, aFace.idx());
    double     aWidth                                          = 0.0;
    for (int k = 0; k < 3; ++k)
    {
      aWidth  = std::max(aWidth, aBox.Max[k] - aBox.Min[k]);
      aMin[k] = std::min(aMin[k], aBox.Min[k]);
      aMax[k] = std::max(aMax[k], aBox.Max[k]);
    }
    if (std::isfinite(aWidth))
    {
      aWidths.push_back(aWidth);
    }
  }
  if (!aWidths.empty())
  {
    const auto aCut =
        aWidths.begin() + static_cast<std::ptrdiff_t>((aWidths.size() - 1) * (1.0 - THE_WIDE_SHARE));
    std::nth_element(aWidths.begin(), aCut, aWidths.end());
    double aVolume = 1.0;
    for (int k = 0; k < 3; ++k)
    {
      myOrigin[k] = std::isfinite(aMin[k]) ? aMin[k] : 0.0;
      aVolume *= std::isfinite(aMax[k] - aMin[k]) ? aMax[k] - aMin[k] : 0.0;
    }
    const double aSparse = std::cbrt(aVolume / (THE_CELLS_PER_FACE * static_cast<double>(aWidths.size())));
    myCell               = std::max({2.0 * *aCut, aSparse, 1e-300});
    // Faces far apart on a flat or thin mesh still ask for many cells: the
    // cells grow until the grid is no larger than the mesh.
    const double aMaxCells = THE_CELLS_PER_FACE * static_cast<double>(aWidths.size()) + 64.0;
    for (double aNbCells = HUGE_VAL; aNbCells > aMaxCells; myCell *= 2.0)
    {
      aNbCells = 1.0;
      for (int k = 0; k < 3; ++k)
      {
        const double anExtent = std::isfinite(aMax[k] - aMin[k]) ? aMax[k] - aMin[k] : 0.0;
        myDims[k]             = static_cast<int64_t>(std::min(anExtent / myCell, 1e6)) + 1;
        aNbCells *= static_cast<double>(myDims[k]);
      }
    }
    myCell /= 2.0;
  }

  // Counting sort of the faces by cell.
  std::vector<int64_t> aKeys(myNbFaces, -1);
  myStart.assign(static_cast<size_t>(myDims[0] * myDims[1] * myDims[2]) + 1, 0);
  for (const Mesh::FaceHandle aFace : theMesh.faces())
  {
    const Box& aBox = aBoxes[static_cast<size_t>(aFace.idx())];
    if (!isFileable(aBox))
    {
      myLarge.push_back(aFace.idx());
      myPlace[static_cast<size_t>(aFace.idx())] = THE_IN_LARGE;
      continue;
    }
    aKeys[static_cast<size_t>(aFace.idx())] = keyOf(aBox);
    ++myStart[static_cast<size_t>(keyOf(aBox)) + 1];
  }
  for (size_t k = 1; k < myStart.size(); ++k)
  {
    myStart[k] += myStart[k - 1];
  }
  myFaces.resize(static_cast<size_t>(myStart.back()));
  std::vector<int> aFill(myStart.begin(), myStart.end() - 1);
  for (size_t aFace = 0; aFace < aKeys.size(); ++aFace)
  {
    if (aKeys[aFace] >= 0)
    {
      myFaces[static_cast<size_t>(aFill[static_cast<size_t>(aKeys[aFace])]++)] = static_cast<int>(aFace);
    }
  }
}

bool HalfEdgeAlgo_AABBClippingIndex::IsOver(const Mesh& theMesh) const
{
  return myMesh == &theMesh && theMesh.n_vertices() >= myNbNodes && theMesh.n_faces() >= myNbFaces;
}

int64_t HalfEdgeAlgo_AABBClippingIndex::cellOf(int theAxis, double theCoord) const
{
  const double aCell = std::floor((theCoord - myOrigin[theAxis]) / myCell);
  // Clamping keeps the cells in the order of the coordinates, so boxes that
  // meet still share a cell when they lie outside the grid.
  return static_cast<int64_t>(std::min(std::max(aCell, 0.0), static_cast<double>(myDims[theAxis] - 1)));
}

bool HalfEdgeAlgo_AABBClippingIndex::isFileable(const Box& theBox) const
{
  for (int k = 0; k < 3; ++k)
  {
    if (!std::isfinite(theBox.Min[k]) || !std::isfinite(theBox.Max[k]) ||
        !(theBox.Max[k] - theBox.Min[k] <= 0.5 * myCell))
    {
      return false;
    }
  }
  return true;
}

int64_t HalfEdgeAlgo_AABBClippingIndex::keyOf(const Box& theBox) const
{
  return cellOf(0, theBox.Min[0]) +
         myDims[0] * (cellOf(1, theBox.Min[1]) + myDims[1] * cellOf(2, theBox.Min[2]));
}

void HalfEdgeAlgo_AABBClippingIndex::fileRefreshed(const Mesh& theMesh, int theFace)
{
  myIsRefreshed[static_cast<size_t>(theFace)] = 1;
  const Box     aBox                          = faceBox(theMesh, theFace);
  const int64_t aPlace                        = isFileable(aBox) ? keyOf(aBox) : THE_IN_LARGE;
  int64_t&      anOld                         = myPlace[static_cast<size_t>(theFace)];
  if (anOld == aPlace)
  {
    return;
  }
  if (anOld == THE_IN_LARGE)
  {
    myLarge.erase(std::find(myLarge.begin(), myLarge.end(), theFace));
  }
  else if (anOld != THE_NOWHERE)
  {
    std::vector<int>& aCell = myRefreshed[anOld];
    aCell.erase(std::find(aCell.begin(), aCell.end(), theFace));
    if (aCell.empty())
    {
      myRefreshed.erase(anOld);
    }
  }
  (aPlace == THE_IN_LARGE ? myLarge : myRefreshed[aPlace]).push_back(theFace);
  anOld = aPlace;
}

void HalfEdgeAlgo_AABBClippingIndex::Refresh(const Mesh& theMesh, const std::vector<int>& theNodes)
{
  std::vector<int> aFaces;
  for (const int aNode : theNodes)
  {
    const Mesh::VertexHandle aVertex(aNode);
    if (aNode < 0 || aNode >= static_cast<int>(theMesh.n_vertices()) || theMesh.status(aVertex).deleted() ||
        !theMesh.halfedge_handle(aVertex).is_valid())
    {
      continue;
    }
    for (auto aFace = theMesh.cvf_iter(aVertex); aFace.is_valid(); ++aFace)
    {
      if (static_cast<size_t>(aFace->idx()) < myNbFaces)
      {
        aFaces.push_back(aFace->idx());
      }
    }
  }
  std::sort(aFaces.begin(), aFaces.end());
  aFaces.erase(std::unique(aFaces.begin(), aFaces.end()), aFaces.end());
  for (const int aFace : aFaces)
  {
    fileRefreshed(theMesh, aFace);
  }
}

bool HalfEdgeAlgo_AABBClippingIndex::Search(const Mesh&       theMesh,
                                            const double      theMin[3],
                                            const double      theMax[3],
                                            std::vector<int>& theFaces) const
{
  theFaces.clear();
  int64_t aLow[3], aHigh[3];
  size_t  aNbCells = 1;
  for (int k = 0; k < 3; ++k)
  {
    if (!std::isfinite(theMin[k]) || !std::isfinite(theMax[k]))
    {
      return false;
    }
    // A filed face is at most half a cell wide, so its lower corner lies at
    // most that far below the box when the two meet; a whole cell is a margin
    // against rounding.
    aLow[k]  = cellOf(k, theMin[k] - myCell);
    aHigh[k] = cellOf(k, theMax[k]);
    aNbCells *= static_cast<size_t>(aHigh[k] - aLow[k] + 1);
  }
  // A box over a good part of the grid is cheaper to clip by walking the mesh.
  if (aNbCells > (myStart.size() - 1) / 4)
  {
    return false;
  }
  for (int64_t z = aLow[2]; z <= aHigh[2]; ++z)
  {
    for (int64_t y = aLow[1]; y <= aHigh[1]; ++y)
    {
      // The cells of a row along x are consecutive, and so are their faces.
      const int64_t aRow = myDims[0] * (y + myDims[1] * z);
      for (int i = myStart[static_cast<size_t>(aRow + aLow[0])];
           i < myStart[static_cast<size_t>(aRow + aHigh[0] + 1)]; ++i)
      {
        const int aFace = myFaces[static_cast<size_t>(i)];
        if (!myIsRefreshed[static_cast<size_t>(aFace)])
        {
          theFaces.push_back(aFace);
        }
      }
      for (int64_t x = aLow[0]; !myRefreshed.empty() && x <= aHigh[0]; ++x)
      {
        const auto aCell = myRefreshed.find(aRow + x);
        if (aCell != myRefreshed.end())
        {
          theFaces.insert(theFaces.end(), aCell->second.begin(), aCell->second.end());
        }
      }
    }
  }
  theFaces.insert(theFaces.end(), myLarge.begin(), myLarge.end());
  for (size_t aFace = myNbFaces; aFace < theMesh.n_faces(); ++aFace)
  {
    theFaces.push_back(static_cast<int>(aFace));
  }
  std::sort(theFaces.begin(), theFaces.end());
  theFaces.erase(std::unique(theFaces.begin(), theFaces.end()), theFaces.end());
  return true;
}
