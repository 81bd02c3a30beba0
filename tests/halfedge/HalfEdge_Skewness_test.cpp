#include <HalfEdge_Mesh.hxx>
#include <HalfEdge_Skewness.hxx>
#include <PelliskTest_Mesh.hxx>

#include <Mesh.hxx>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(HalfEdge_SkewnessTest, ValuesOfFacesWorkedOutByHand)
{
  const std::pair<std::vector<gp_Pnt>, double> aCases[] = {
      {{{0, 0, 0}, {1, 0, 0}, {0.5, std::sqrt(3.0) / 2.0, 0}}, 0.0},               // equilateral
      {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 3.0 - 2.0 * std::sqrt(2.0)},             // P = 2 + sqrt(2)
      {{{0, 0, 0}, {1, 0, 0}, {3, 0, 0}}, 1.0},                                    // flat
      {{{0, 0, 0}, {2, 1, 0}, {2, 1, 0}}, 1.0},                                    // two corners at one point
      {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 0.0},                         // square
      {{{0, 0, 0}, {4, 0, 0}, {4, 0, 1}, {0, 0, 1}}, 1.0 - std::sqrt(2.0 / 17.0)}, // 4 x 1: aspect ratio 4
      {{{0, 0, 0}, {1, 0, 0}, {1, NAN, 0}, {0, 1, 0}}, 1.0}};                      // not a number
  for (const auto& aCase : aCases)
  {
    EXPECT_NEAR(HalfEdge_Skewness::Of(aCase.first), aCase.second, 1e-12) << "case " << &aCase - aCases;
  }
}

TEST(HalfEdge_SkewnessTest, StatisticsFollowAddedAndRemovedFaces)
{
  // An equilateral triangle (face 0), a unit square (1) and a right isosceles triangle (2).
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh();
  const auto node = [&](double theX, double theY) { return aMesh->AddNode(gp_Pnt(theX, theY, 0)); };
  ASSERT_EQ(
      (std::vector<int>{aMesh->AddFace({node(0, 0), node(0.5, -std::sqrt(3.0) / 2.0), node(1, 0)}, true),
                        aMesh->AddFace({node(0, 0), node(1, 0), node(1, 1), node(0, 1)}, true),
                        aMesh->AddFace({node(0, 0), node(0, 1), node(-1, 0)}, true)}),
      (std::vector<int>{0, 1, 2}));
  Mesh& aStorage = PelliskTest_Mesh::Storage(aMesh);
  aStorage.RequestMetrics("aspect");
  aStorage.RequestMetrics("skewness");
  const std::shared_ptr<HalfEdge_FaceMetrics> aSkew = aStorage.GetMetrics("skewness");
  ASSERT_TRUE(aSkew && !aStorage.GetMetrics("aspect"));
  const double aRight        = 3.0 - 2.0 * std::sqrt(2.0);
  const auto   expectMeanMax = [&](double theMean, double theMax)
  {
    EXPECT_EQ(aSkew->Min(), 0.0);
    EXPECT_NEAR(aSkew->Mean(), theMean, 1e-12);
    EXPECT_NEAR(aSkew->Max(), theMax, 1e-12);
  };
  expectMeanMax(aRight / 3.0, aRight); // the equilateral face counts, at 0

  // Update() folds one added face in; the statistics then take the grown mesh in full.
  const int    aPeak      = aMesh->AddFace({node(1, 0), node(3, 0.5), node(1, 1)}, true);
  const double aPeakValue = HalfEdge_Skewness::Of({{1, 0, 0}, {3, 0.5, 0}, {1, 1, 0}});
  aSkew->Update(aPeak);
  EXPECT_EQ(aSkew->Value(aPeak), aPeakValue);
  expectMeanMax((aRight + aPeakValue) / 4.0, aPeakValue);

  // A deleted face has no value; once faces are collected, everything is computed anew.
  aMesh->DeleteFace(aPeak);
  aSkew->Compute();
  EXPECT_EQ(aSkew->Value(aPeak), -std::numeric_limits<double>::max());
  aMesh->DeleteFace(0);
  aMesh->GarbageCollection();
  expectMeanMax(aRight / 2.0, aRight);
}

TEST(HalfEdge_SkewnessTest, CopiesOfAMeshReadTheirOwnFaces)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh();
  aMesh->AddFace(aMesh->AddNode(gp_Pnt(0, 0, 0)), aMesh->AddNode(gp_Pnt(1, 0, 0)),
                 aMesh->AddNode(gp_Pnt(0, 1, 0)), true);
  PelliskTest_Mesh::Storage(aMesh).RequestMetrics("skewness");
  Handle(HalfEdge_Mesh) aCopy = new HalfEdge_Mesh(aMesh);
  aMesh->SetNode(2, gp_Pnt(0.5, std::sqrt(3.0) / 2.0, 0)); // the source becomes equilateral
  const std::shared_ptr<HalfEdge_FaceMetrics> aSkew = PelliskTest_Mesh::Storage(aCopy).GetMetrics("skewness");
  ASSERT_TRUE(aSkew);
  aSkew->Compute();
  EXPECT_NEAR(aSkew->Max(), 3.0 - 2.0 * std::sqrt(2.0), 1e-12);
}
