// Boundary sewing: cracks along each other from a shared node zip up; nothing else moves.
#include <HalfEdgeAlgo_Sewing.hxx>

#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

using namespace PelliskTest_Meshes;

// The triangles on one side of z = 0.5 of a box (0, 0, theZMin)-(1, 1, theZMax), split n times.
static Handle(HalfEdge_Mesh) halfBox(int theNbDivisions, double theZMin, double theZMax, bool theIsUpper)
{
  const Handle(Poly_Triangulation) aBox = Box(gp_Pnt(0, 0, theZMin), gp_Pnt(1, 1, theZMax), theNbDivisions);
  std::vector<int>                 aGone;
  for (int aTri = 1, a, b, c; aTri <= aBox->NbTriangles() && (aBox->Triangle(aTri).Get(a, b, c), true);
       ++aTri)
  {
    if ((aBox->Node(a).Z() + aBox->Node(b).Z() + aBox->Node(c).Z() > 1.5) != theIsUpper)
    {
      aGone.push_back(aTri);
    }
  }
  return new HalfEdge_Mesh(Without(aBox, aGone));
}

TEST(HalfEdgeAlgo_SewingTest, OnlyANodeWithinTheToleranceOfAnEdgeFromTheSameNodeSplitsIt)
{
  // Nothing to sew: a box; grids sharing a corner at right angles, or a side and a node beyond an edge.
  gp_Trsf aCorner, aBeyond;
  aCorner.SetTranslation(gp_Vec(-2, -2, 0));
  aBeyond.SetTranslation(gp_Vec(-1, 0, 0));
  for (const Handle(Poly_Triangulation)& aTri :
       {Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 2, 3), 2), Append(Grid(2, 2), Transformed(Grid(2, 2), aCorner)),
        Append(Grid(2, 1), Transformed(Grid(1, 1), aBeyond))})
  {
    const Handle(HalfEdge_Mesh) aMesh    = new HalfEdge_Mesh(aTri);
    const int                   aNbEdges = aMesh->NbEdges();
    EXPECT_TRUE(aMesh->Execute(new HalfEdgeAlgo_Sewing(), false));
    EXPECT_EQ(aMesh->NbEdges(), aNbEdges);
  }
  // Triangles (k, a, c) and (k, d, b): b lies off k-a by the gap.
  const double aCases[][3] = {
      {0, 1e-7, 1}, {0.9e-7, 1e-7, 1}, {1.1e-7, 1e-7, 0}, {1e-3, 2e-3, 1}, {1e-3, 1e-4, 0}};
  for (const auto& [aGap, aTolerance, isSewn] : aCases)
  {
    SCOPED_TRACE(aGap);
    const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(
        Make({{0, 0, 0}, {2, 0, 0}, {1, 1, 0}, {0.8, aGap, 0}, {0.5, -1, 0}}, {{1, 2, 3}, {1, 5, 4}}));
    EXPECT_TRUE(aMesh->Execute(new HalfEdgeAlgo_Sewing(aTolerance), false));
    std::list<int> aFirst;
    aMesh->Face(0, aFirst);
    EXPECT_EQ(aFirst, isSewn ? std::list<int>({0, 3, 1, 2}) : std::list<int>({0, 1, 2}));
    EXPECT_EQ(aMesh->IsBoundaryEdge(aMesh->EdgeIndex(0, 3)), !isSewn) << "k-b joins both triangles";
    EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
  }
}

TEST(HalfEdgeAlgo_SewingTest, AddMeshZipsHalvesOfABoxWhoseSeamNodesDiffer)
{
  // Seam nodes per side: halves or fifths below; quarters (one per lower edge) or thirds (interleaved) above.
  const double aCases[][6] = {{2, 0, 1, 4, 0, 1}, {2, 0, 1, 3, -0.5, 1}, {5, 0, 1.25, 3, -0.5, 1}};
  for (const auto& [aNb, aMin, aMax, anUpperNb, anUpperMin, anUpperMax] : aCases)
  {
    SCOPED_TRACE(testing::Message() << aNb << " below, " << anUpperNb << " above");
    const Handle(HalfEdge_Mesh) aMesh = halfBox(int(aNb), aMin, aMax, false);
    aMesh->AddMesh(halfBox(int(anUpperNb), anUpperMin, anUpperMax, true));
    EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
    EXPECT_EQ(aMesh->BoundaryEdgesBegin(), aMesh->BoundaryEdgesEnd()) << "closed along the seam";
    const Handle(Poly_Triangulation) aTri = *aMesh;
    EXPECT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aTri));
  }
}
