#include <PelliskTest_Meshes.hxx>

#include <PelliskTest_MeshCheck.hxx>

#include <gtest/gtest.h>

#include <cmath>

using namespace PelliskTest_MeshCheck;
namespace Meshes = PelliskTest_Meshes;

TEST(PelliskTest_MeshesTest, ClosedMakersGiveValidMeshesOfTheExpectedSize)
{
  for (int n = 1; n <= 4; ++n)
  {
    const Handle(Poly_Triangulation) aBox = Meshes::Box(gp_Pnt(-1, 0, 2), gp_Pnt(1, 3, 3), n);
    EXPECT_EQ(aBox->NbNodes(), 6 * n * n + 2);
    EXPECT_EQ(aBox->NbTriangles(), 12 * n * n);
    const Result aResult = Check(aBox);
    EXPECT_TRUE(aResult.IsValid()) << aResult.Summary();
    EXPECT_NEAR(aResult.Volume, 6.0, 1e-12);
  }
  const Handle(Poly_Triangulation) anUV = Meshes::UVSphere(gp_Pnt(0, 0, 0), 2.0, 24, 12);
  EXPECT_EQ(anUV->NbNodes(), 24 * 11 + 2);
  EXPECT_EQ(anUV->NbTriangles(), 2 * 24 * 11);
  const Result aSphere = Check(anUV);
  EXPECT_TRUE(aSphere.IsValid()) << aSphere.Summary();
  EXPECT_NEAR(aSphere.Volume, 4.0 / 3.0 * M_PI * 8.0, 0.05 * 4.0 / 3.0 * M_PI * 8.0);
  EXPECT_LT(aSphere.Volume, 4.0 / 3.0 * M_PI * 8.0);

  for (int k = 0; k <= 3; ++k)
  {
    const Handle(Poly_Triangulation) anIco = Meshes::IcoSphere(gp_Pnt(1, 1, 1), 0.5, k);
    EXPECT_EQ(anIco->NbNodes(), 10 * (1 << (2 * k)) + 2);
    EXPECT_EQ(anIco->NbTriangles(), 20 * (1 << (2 * k)));
    for (int i = 1; i <= anIco->NbNodes(); ++i)
    {
      EXPECT_NEAR(anIco->Node(i).Distance(gp_Pnt(1, 1, 1)), 0.5, 1e-12);
    }
    EXPECT_TRUE(IsValidWrap(anIco));
  }
}

TEST(PelliskTest_MeshesTest, EditsKeepOrientationAndMergeNodes)
{
  const Handle(Poly_Triangulation) aBox = Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1));
  gp_Trsf                          aMirror;
  aMirror.SetMirror(gp_Pnt(3, 0, 0));
  const Result aMirrored = Check(Meshes::Transformed(aBox, aMirror));
  EXPECT_TRUE(aMirrored.IsValid()) << aMirrored.Summary();
  EXPECT_NEAR(aMirrored.Volume, 1.0, 1e-12);
  EXPECT_NEAR(Check(Meshes::Reversed(aBox)).Volume, -1.0, 1e-12);

  const Handle(Poly_Triangulation) aPair =
      Meshes::Append(aBox, Meshes::Box(gp_Pnt(1, 0, 0), gp_Pnt(2, 1, 1)));
  EXPECT_EQ(aPair->NbNodes(), 16);
  EXPECT_EQ(aPair->NbTriangles(), 24);
  // Welding joins the four shared corners; the shared square then holds two
  // faces on each of its edges from either box.
  const Handle(Poly_Triangulation) aWelded = Meshes::Welded(aPair, 1e-9);
  EXPECT_EQ(aWelded->NbNodes(), 12);
  EXPECT_EQ(aWelded->NbTriangles(), 24);
  EXPECT_EQ(Meshes::Without(aBox, {1, 12, 40})->NbTriangles(), 10);
}

TEST(PelliskTest_MeshesTest, DirtySoupsHaveTheirAdvertisedFlaws)
{
  const Result anOverlap = Check(Meshes::OverlappingBoxes());
  EXPECT_TRUE(anOverlap.Closed.IsOk() && anOverlap.Oriented.IsOk());
  EXPECT_FALSE(anOverlap.NoCrossing.IsOk());
  EXPECT_EQ(anOverlap.NbShells, 2);

  const Result aHoled = Check(Meshes::HoledSphereWithShiftedPatch());
  EXPECT_FALSE(aHoled.Closed.IsOk());
  EXPECT_FALSE(aHoled.NoCrossing.IsOk());
  EXPECT_GE(aHoled.NbShells, 2);

  const Handle(Poly_Triangulation) aPlate  = Meshes::PlateInPieces();
  const Result                     aPieces = Check(aPlate);
  EXPECT_EQ(aPieces.NbShells, aPlate->NbTriangles());
  EXPECT_EQ(aPieces.Closed.NbFaults, 3 * aPlate->NbTriangles());
  EXPECT_NEAR(aPieces.Volume, 2.0 * 1.0 * 0.04, 1e-12);

  const Result aFar = Check(Meshes::FarApartObjects());
  EXPECT_TRUE(aFar.IsValid()) << aFar.Summary();
  EXPECT_EQ(aFar.NbShells, 2);

  const Result aHollow = Check(Meshes::HollowBox());
  EXPECT_TRUE(aHollow.IsValid()) << aHollow.Summary();
}
