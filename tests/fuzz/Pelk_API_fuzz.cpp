// Tiny soups with coordinates of any kind, NaN and infinities included,
// wrapped by the shipped pipeline at a coarse cell: a wrap reported done must
// be a closed, manifold surface.
#include "FuzzTarget_File.hxx"

#include <Algo_Voxelization.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <Pelk_Configuration.hxx>
#include <PelliskTest_MeshCheck.hxx>

#include <cmath>
#include <cstdio>
#include <limits>

static double coordinate(uint8_t theByte)
{
  constexpr double anInf = std::numeric_limits<double>::infinity(), THE_SPECIAL[3] = {NAN, anInf, -anInf};
  return theByte < 253 ? (theByte - 126) / 16.0 : THE_SPECIAL[theByte - 253];
}
extern "C" int PELLISK_FUZZ_ENTRY(const uint8_t* theData, size_t theSize)
{
  const int aNbTris = static_cast<int>(std::min<size_t>(theSize > 0 ? (theSize - 1) / 9 : 0, 16));
  if (aNbTris == 0)
  {
    return 0;
  }
  Handle(Poly_Triangulation) aSoup = new Poly_Triangulation(3 * aNbTris, aNbTris, false);
  for (int aNode = 1; aNode <= 3 * aNbTris; ++aNode)
  {
    const uint8_t* aBytes = theData + 3 * aNode - 2;
    aSoup->SetNode(aNode, gp_Pnt(coordinate(aBytes[0]), coordinate(aBytes[1]), coordinate(aBytes[2])));
  }
  for (int aTri = 1; aTri <= aNbTris; ++aTri)
  {
    aSoup->SetTriangle(aTri, Poly_Triangle(3 * aTri - 2, 3 * aTri - 1, 3 * aTri));
  }
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier();
  const Handle(Pelk_WrappingSettings) aSettings = Pelk_Configuration::Instance().CreateSettings(aNotifier);
  if (aSettings.IsNull())
  {
    std::abort(); // the shipped configuration must be found beside the build
  }
  // The side of the bounding cube (0 when there is none) over 8 to 16.
  const double aSide = std::sqrt(Algo_Voxelization::BoundingCube(aSoup).SquareExtent() / 3.0);
  aSettings->SetCellSize(aSide / (8 + theData[0] % 9));
  aSettings->SetNbThreads(1);
  Pelk_API anApi(aNotifier);
  anApi.SetDirtyMesh(aSoup);
  if (anApi.PerformWrapping(aSettings))
  {
    // A null or empty wrap leaves every property unchecked, which fails too.
    const PelliskTest_MeshCheck::Result aCheck = PelliskTest_MeshCheck::Check(anApi.GetResultTriangulation());
    if (!aCheck.Closed.IsOk() || !aCheck.EdgeManifold.IsOk() || !aCheck.VertexManifold.IsOk())
    {
      std::fprintf(stderr, "%s\n", aCheck.Summary().c_str());
      std::abort();
    }
  }
  return 0;
}
