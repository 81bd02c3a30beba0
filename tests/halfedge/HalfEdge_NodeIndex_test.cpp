// The node index against brute force, on points that nearly share coordinates.
#include <HalfEdge_Mesh.hxx>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace
{
// Lowest-numbered earlier point closer than 1e-7 in every coordinate, or -1.
int bruteForceMatch(const std::vector<gp_Pnt>& thePoints, size_t theCount, const gp_Pnt& thePoint)
{
  for (size_t i = 0; i < theCount; ++i)
  {
    const gp_XYZ aDelta = thePoints[i].XYZ() - thePoint.XYZ();
    if (std::abs(aDelta.X()) < 1e-7 && std::abs(aDelta.Y()) < 1e-7 && std::abs(aDelta.Z()) < 1e-7)
    {
      return static_cast<int>(i);
    }
  }
  return -1;
}
} // namespace

TEST(HalfEdge_NodeIndexTest, FindsEveryNodeAmongPointsThatNearlyShareCoordinates)
{
  // Coordinates a fraction of the tolerance apart on one or two axes and far
  // apart on the others: an index ordered with a tolerant comparison lost
  // nodes on such sets (smoothed meshes have them), and merged none wrongly.
  std::mt19937                           aRandom(7);
  std::uniform_int_distribution<int>     aStep(0, 40);
  std::uniform_real_distribution<double> aFar(-10.0, 10.0);
  for (const double aScale : {1.0, 1e4})
  {
    std::vector<gp_Pnt> aPoints;
    for (int i = 0; i < 3000; ++i)
    {
      const double aNear = aScale + 0.37e-7 * aStep(aRandom);
      aPoints.emplace_back(i % 3 == 0 ? aNear : aFar(aRandom), i % 3 == 1 ? aNear : aFar(aRandom),
                           i % 3 == 2 ? aNear : aNear + 1e-3 * aStep(aRandom));
    }
    HalfEdge_Mesh    aMesh;
    std::vector<int> aNodes;
    for (size_t i = 0; i < aPoints.size(); ++i)
    {
      const int aMatch = bruteForceMatch(aPoints, i, aPoints[i]);
      aNodes.push_back(aMesh.AddNode(aPoints[i]));
      ASSERT_EQ(aNodes.back(), aMatch < 0 ? aMesh.NbNodes() - 1 : aNodes[static_cast<size_t>(aMatch)]) << i;
    }
    for (size_t i = 0; i < aPoints.size(); ++i)
    {
      ASSERT_EQ(aMesh.NodeIndex(aPoints[i]), aNodes[i]) << i;
      ASSERT_EQ(aMesh.NodeIndex(aPoints[i].Translated(gp_Vec(0.9e-7, -0.9e-7, 0.5e-7))) >= 0,
                bruteForceMatch(aPoints, aPoints.size(),
                                aPoints[i].Translated(gp_Vec(0.9e-7, -0.9e-7, 0.5e-7))) >= 0);
    }
  }
}
