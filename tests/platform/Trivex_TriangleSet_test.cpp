#include <Trivex_ClassifyPntMesh.hxx>
#include <Trivex_DistRayMesh.hxx>
#include <Trivex_IntersectRayMesh.hxx>
#include <Trivex_IntersectTriMesh.hxx>
#include <Trivex_IntersectBoxMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include "Trivex_TestMeshes.hxx"

#include <gtest/gtest.h>

#include <limits>

TEST(Trivex_TriangleSetTest, TrianglesOfATriangulationAreNumberedFromZeroAndKeepTheirNumberAsFace)
{
  const Handle(Poly_Triangulation) aTorus = TrivexTest::Torus(2.0, 0.5, 12, 6);
  Handle(Trivex::TriangleSet)      aSet   = new Trivex::TriangleSet(aTorus);
  ASSERT_EQ(aSet->NbTriangles(), aTorus->NbTriangles());
  for (int i = 0; i < aSet->NbTriangles(); ++i)
  {
    const Trivex::TriangleData& aTri = aSet->Triangle(i);
    int                         aN[3];
    aTorus->Triangle(i + 1).Get(aN[0], aN[1], aN[2]);
    EXPECT_EQ(aTri.FaceIndex(), i + 1);
    EXPECT_EQ(aTri.SecondIndex(), -1);
    for (int k = 0; k < 3; ++k)
    {
      EXPECT_TRUE(aTri.Point(k).IsEqual(aTorus->Node(aN[k]), 0.0));
    }
    // Outward unit normal: pointing away from the tube's centre line.
    const gp_XYZ aCentroid = (aTri.Point(0).XYZ() + aTri.Point(1).XYZ() + aTri.Point(2).XYZ()) / 3.0;
    const gp_XYZ aAxis     = gp_XYZ(aCentroid.X(), aCentroid.Y(), 0.0).Normalized() * 2.0;
    EXPECT_GT(aTri.Normal().XYZ().Dot(aCentroid - aAxis), 0.0);
  }
  // Invalid numbers give the neutral record.
  EXPECT_EQ(aSet->Triangle(-1).FaceIndex(), -1);
  EXPECT_EQ(aSet->Triangle(aSet->NbTriangles()).FaceIndex(), -1);
  EXPECT_TRUE(aSet->Triangle(99999).Point(2).IsEqual(gp_Pnt(0, 0, 0), 0.0));
  EXPECT_EQ(aSet->DynamicType()->Name(), std::string("Trivex::TriangleSet"));
  EXPECT_TRUE(aSet->IsKind(STANDARD_TYPE(Standard_Transient)));
}

TEST(Trivex_TriangleSetTest, BuildLifecycleAndBadInput)
{
  // A degenerate triangle, one with a node number out of range, one valid.
  Handle(Poly_Triangulation) aMesh = new Poly_Triangulation(4, 3, Standard_False);
  aMesh->SetNode(1, gp_Pnt(0, 0, 0));
  aMesh->SetNode(2, gp_Pnt(1, 0, 0));
  aMesh->SetNode(3, gp_Pnt(0, 1, 0));
  aMesh->SetNode(4, gp_Pnt(2, 0, 0));
  aMesh->SetTriangle(1, Poly_Triangle(1, 2, 4));
  aMesh->SetTriangle(2, Poly_Triangle(1, 2, 7));
  aMesh->SetTriangle(3, Poly_Triangle(1, 2, 3));
  Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(aMesh);
  EXPECT_EQ(aSet->NbTriangles(), 3);
  EXPECT_TRUE(aSet->Triangle(0).Normal().IsEqual(gp_Dir(0, 0, 1), 0.0));
  EXPECT_FALSE(aSet->IsBuilt());
  EXPECT_TRUE(aSet->Box().IsVoid());
  aSet->SetNbBuilderThreads(0);
  EXPECT_EQ(aSet->NbBuilderThreads(), 1);
  EXPECT_TRUE(aSet->Build());
  EXPECT_TRUE(aSet->IsBuilt());
  std::vector<int> aFound;
  Trivex::IntersectBoxMesh(aSet).Perform(Bnd_Box(gp_Pnt(-5, -5, -5), gp_Pnt(5, 5, 5)), aFound);
  EXPECT_EQ(aFound, std::vector<int>({0, 2})); // the broken triangle keeps its number, unseen
  double aXMin, aYMin, aZMin, aXMax, aYMax, aZMax;
  aSet->Box().Get(aXMin, aYMin, aZMin, aXMax, aYMax, aZMax);
  EXPECT_EQ(aXMax, 2.0);
  EXPECT_EQ(aYMax, 1.0);
  // InitBuilder drops the hierarchy until the next Build.
  aSet->InitBuilder();
  EXPECT_FALSE(aSet->IsBuilt());
  EXPECT_FALSE(Trivex::IntersectBoxMesh(aSet).Perform(Bnd_Box(gp_Pnt(-5, -5, -5), gp_Pnt(5, 5, 5))));
  EXPECT_TRUE(aSet->Build());
  EXPECT_TRUE(aSet->Build());
  // Null and triangle-less triangulations make empty sets that never build.
  Handle(Trivex::TriangleSet) aNull = new Trivex::TriangleSet(Handle(Poly_Triangulation)());
  EXPECT_EQ(aNull->NbTriangles(), 0);
  EXPECT_FALSE(aNull->Build());
  Handle(Trivex::TriangleSet) aNoTriangles = new Trivex::TriangleSet(new Poly_Triangulation());
  EXPECT_FALSE(aNoTriangles->Build());
}

TEST(Trivex_TriangleSetTest, TheHierarchyDoesNotDependOnTheBuilderThreadCount)
{
  // Points on the torus axis are equally far from a whole ring of triangles:
  // which one a query names depends on the tree, so equal answers mean equal trees.
  const auto                  aTorus = TrivexTest::Records(TrivexTest::Torus(2.0, 0.5, 300, 60));
  Handle(Trivex::TriangleSet) aSet1 = TrivexTest::Built(aTorus, 1), aSet2 = TrivexTest::Built(aTorus, 2);
  Trivex::ProjectPntMesh      aQuery1(aSet1), aQuery2(aSet2);
  Trivex::DistRayMesh         aRay1(aSet1), aRay2(aSet2);
  for (int i = 0; i < 200; ++i)
  {
    const gp_Pnt aP(0.0, 0.0, -1.0 + 0.01 * i);
    aQuery1.Perform(aP);
    aQuery2.Perform(aP);
    ASSERT_EQ(aQuery1.Index(), aQuery2.Index());
    const Trivex::Ray aRay(aP, gp_Dir(std::cos(0.1 * i), std::sin(0.1 * i), 0.0), true);
    ASSERT_EQ(aRay1.Perform(aRay), aRay2.Perform(aRay));
    ASSERT_EQ(aRay1.Index(), aRay2.Index());
  }
}

TEST(Trivex_TriangleSetTest, QueriesWithCoordinatesThatAreNotNumbersFindNothing)
{
  const double                NaN = std::numeric_limits<double>::quiet_NaN();
  const gp_Pnt                aBad(NaN, 0.0, 1.0);
  Handle(Trivex::TriangleSet) aSet =
      TrivexTest::Built(TrivexTest::Records(TrivexTest::Torus(2.0, 0.5, 24, 12)));
  std::vector<int>                  aFound;
  std::vector<Trivex::TriangleData> aTris;
  EXPECT_FALSE(Trivex::ClassifyPntMesh(aSet).Perform(aBad));
  EXPECT_EQ(Trivex::DistRayMesh(aSet).Perform(Trivex::Ray(aBad, gp_Dir(1, 0, 0), true)),
            Trivex::DistRayMesh::THE_NO_HIT);
  EXPECT_FALSE(Trivex::IntersectRayMesh(aSet).Perform(Trivex::Ray(aBad, gp_Dir(1, 0, 0), true), aFound));
  EXPECT_FALSE(Trivex::IntersectRayMesh(aSet).Perform(
      Trivex::Ray(gp_Pnt(3, 0, 0), gp_Dir(-1, 0, 0), false, NaN), aFound));
  EXPECT_FALSE(Trivex::IntersectTriMesh(aSet).Perform(Trivex::TriangleData(aBad, aBad, aBad, 0), aTris));
  Trivex::ProjectPntMesh aProject(aSet);
  aProject.Perform(aBad, 1e-7, aFound);
  EXPECT_TRUE(aFound.empty());
  EXPECT_FALSE(aProject.IsDone());
}

TEST(Trivex_TriangleSetTest, ExponentiallySpreadTrianglesMakeADeepTreeThatQueriesStillWalk)
{
  // Each triangle twice as far as the previous one: surface-area splits peel
  // them off one by one, which is what the builder's depth limit is for. (Up to
  // 2^480, so that squared distances stay finite.)
  std::vector<Trivex::TriangleData> aTris;
  double                            aX = 1.0;
  for (int k = 0; k < 480; ++k, aX *= 2.0)
  {
    aTris.emplace_back(gp_Pnt(aX, 0, 0), gp_Pnt(aX * 1.25, 0, 0), gp_Pnt(aX, aX * 0.25, 0), k);
  }
  // Many copies of one triangle: identical centroids.
  for (int k = 0; k < 300; ++k)
  {
    aTris.emplace_back(gp_Pnt(-1, -1, -1), gp_Pnt(-2, -1, -1), gp_Pnt(-1, -2, -1), 480 + k);
  }
  for (int aNbThreads : {1, 2})
  {
    Handle(Trivex::TriangleSet) aSet = TrivexTest::Built(aTris, aNbThreads);
    Trivex::IntersectBoxMesh    aBoxQuery(aSet);
    Trivex::ProjectPntMesh      aProject(aSet);
    std::vector<int>            aFound;
    for (int k = 0; k < 480; ++k)
    {
      const gp_Pnt aP = aTris[static_cast<size_t>(k)].Point(0);
      aBoxQuery.SetTolerance(0.0);
      ASSERT_TRUE(aBoxQuery.Perform(Bnd_Box(aP, aP), aFound));
      ASSERT_EQ(aFound, std::vector<int>({k}));
      aProject.Perform(aP.Translated(gp_Vec(0, 0, 1e-3 * aP.X())));
      ASSERT_EQ(aProject.Index(), k);
    }
    aBoxQuery.Perform(Bnd_Box(gp_Pnt(-1.5, -1.5, -1), gp_Pnt(-1.5, -1.5, -1)), aFound);
    EXPECT_EQ(aFound.size(), 300u);
  }
}
