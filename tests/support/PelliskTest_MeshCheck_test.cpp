#include <PelliskTest_MeshCheck.hxx>

#include <PelliskTest_Crossing.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gp_Ax2.hxx>

#include <gtest/gtest.h>

#include <random>

using namespace PelliskTest_MeshCheck;
namespace Meshes = PelliskTest_Meshes;

namespace
{
Handle(Poly_Triangulation) unitBox()
{
  return Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1));
}

// Names of the properties that failed, in summary order.
std::vector<std::string> failed(const Result& theResult)
{
  std::vector<std::string>                            aNames;
  const std::vector<std::pair<std::string, Property>> aAll = {{"Closed", theResult.Closed},
                                                              {"EdgeManifold", theResult.EdgeManifold},
                                                              {"VertexManifold", theResult.VertexManifold},
                                                              {"Oriented", theResult.Oriented},
                                                              {"PositiveVolume", theResult.PositiveVolume},
                                                              {"NonDegenerate", theResult.NonDegenerate},
                                                              {"NoCrossing", theResult.NoCrossing},
                                                              {"EnclosesInput", theResult.EnclosesInput}};
  for (const auto& aProperty : aAll)
  {
    if (aProperty.second.IsChecked && !aProperty.second.IsOk())
    {
      aNames.push_back(aProperty.first);
    }
  }
  return aNames;
}

using Names = std::vector<std::string>;

// A closed box whose bottom edge (node 1 to node 2) carries its midpoint and a
// zero-area sliver face (mid, 1, 2): still closed, manifold and oriented.
Handle(Poly_Triangulation) boxWithSliver()
{
  std::vector<gp_Pnt>             aNodes = Meshes::Nodes(unitBox());
  std::vector<std::array<int, 3>> aFaces = Meshes::Triangles(unitBox());
  const int                       a = aFaces[0][0], b = aFaces[0][1];
  aNodes.push_back(gp_Pnt((aNodes[a - 1].XYZ() + aNodes[b - 1].XYZ()) * 0.5));
  const int m = static_cast<int>(aNodes.size());
  const int c = aFaces[0][2];
  aFaces[0]   = {a, m, c};
  aFaces.push_back({m, b, c});
  aFaces.push_back({m, a, b});
  return Meshes::Make(aNodes, aFaces);
}
} // namespace

TEST(PelliskTest_MeshCheckTest, ClosedOutwardMeshesPassEveryCheck)
{
  gp_Trsf aMirror;
  aMirror.SetMirror(gp_Ax2(gp_Pnt(0.3, 0, 0), gp_Dir(1, 1, 0)));
  const std::vector<Handle(Poly_Triangulation)> aValid = {
      unitBox(),
      Meshes::Box(gp_Pnt(-1e-3, 0, 0), gp_Pnt(0, 2e-3, 1e-3), 3),
      Meshes::Box(gp_Pnt(1e4, 1e4, 1e4), gp_Pnt(1.001e4, 1.002e4, 1.003e4), 2),
      Meshes::UVSphere(gp_Pnt(1, 2, 3), 2.0, 16, 9),
      Meshes::IcoSphere(gp_Pnt(0, 0, 0), 1.0, 3),
      Meshes::Transformed(Meshes::IcoSphere(gp_Pnt(1, 0, 0), 0.5, 1), aMirror),
      Meshes::HollowBox(),
      Meshes::FarApartObjects()};
  for (size_t i = 0; i < aValid.size(); ++i)
  {
    EXPECT_TRUE(IsValidWrap(aValid[i])) << "mesh " << i;
  }
  const Result aHollow = Check(Meshes::HollowBox());
  EXPECT_NEAR(aHollow.Volume, 8.0 - 1.0, 1e-12);
  EXPECT_EQ(aHollow.NbShells, 2);

  // The half-edge mesh is checked through its triangulation.
  const Handle(HalfEdge_Mesh) aHalfEdge = new HalfEdge_Mesh(Meshes::IcoSphere(gp_Pnt(0, 0, 0), 1.0, 2));
  EXPECT_TRUE(IsValidWrap(aHalfEdge));
}

TEST(PelliskTest_MeshCheckTest, EachFlawFailsItsOwnCheck)
{
  // Open box: the three sides of the missing triangle are boundary edges.
  const Result anOpen = Check(Meshes::Without(unitBox(), {5}));
  EXPECT_EQ(failed(anOpen), Names({"Closed"}));
  EXPECT_EQ(anOpen.Closed.NbFaults, 3);
  EXPECT_NE(anOpen.Closed.FirstFault.find("has one face: face"), std::string::npos)
      << anOpen.Closed.FirstFault;

  // A fin on a box edge (a T): that edge has three faces; the fin's free
  // sides are open and its side on the edge repeats a direction.
  std::vector<gp_Pnt>             aFinNodes = Meshes::Nodes(unitBox());
  std::vector<std::array<int, 3>> aFinFaces = Meshes::Triangles(unitBox());
  aFinNodes.emplace_back(-1.0, -1.0, 0.5);
  aFinFaces.push_back({aFinFaces[0][0], aFinFaces[0][1], static_cast<int>(aFinNodes.size())});
  const Result aFin = Check(Meshes::Make(aFinNodes, aFinFaces));
  EXPECT_EQ(failed(aFin), Names({"Closed", "EdgeManifold", "Oriented"}));
  EXPECT_EQ(aFin.EdgeManifold.NbFaults, 1);
  EXPECT_NE(aFin.EdgeManifold.FirstFault.find("has 3 faces: face 1 "), std::string::npos)
      << aFin.EdgeManifold.FirstFault;

  // Two cubes sharing one corner node: one node with two fans.
  const Result aCorner =
      Check(Meshes::Welded(Meshes::Append(unitBox(), Meshes::Box(gp_Pnt(1, 1, 1), gp_Pnt(2, 2, 2))), 1e-9));
  EXPECT_EQ(failed(aCorner), Names({"VertexManifold"}));
  EXPECT_EQ(aCorner.VertexManifold.NbFaults, 1);
  EXPECT_NE(aCorner.VertexManifold.FirstFault.find("(1, 1, 1) has 2 separate fans"), std::string::npos)
      << aCorner.VertexManifold.FirstFault;

  // One reversed face: its three edges run twice in one direction.
  std::vector<std::array<int, 3>> aFaces = Meshes::Triangles(unitBox());
  std::swap(aFaces[3][1], aFaces[3][2]);
  const Result aFlipped = Check(Meshes::Make(Meshes::Nodes(unitBox()), aFaces));
  EXPECT_EQ(failed(aFlipped), Names({"Oriented"}));
  EXPECT_EQ(aFlipped.Oriented.NbFaults, 3);

  // Inside out, alone or as the outer shell of a hollow box.
  for (const auto& aMesh : {Meshes::Reversed(unitBox()), Meshes::Reversed(Meshes::HollowBox())})
  {
    const Result anInverted = Check(aMesh);
    EXPECT_EQ(failed(anInverted), Names({"PositiveVolume"}));
    EXPECT_LT(anInverted.Volume, 0.0);
  }
  // An inward box beside a larger outward one is no cavity, although the total is positive.
  const Result aBeside =
      Check(Meshes::Append(Meshes::Box(gp_Pnt(0, 0, 0), gp_Pnt(2, 2, 2)),
                           Meshes::Reversed(Meshes::Box(gp_Pnt(5, 0, 0), gp_Pnt(6, 1, 1)))));
  EXPECT_GT(aBeside.Volume, 0.0);
  EXPECT_EQ(failed(aBeside), Names({"PositiveVolume"}));
  EXPECT_NE(aBeside.PositiveVolume.FirstFault.find("no cavity"), std::string::npos);
}

TEST(PelliskTest_MeshCheckTest, DegenerateFacesAreFoundRelativeToTheMeshSize)
{
  const Result aSliver = Check(boxWithSliver());
  EXPECT_TRUE(aSliver.Closed.IsOk() && aSliver.EdgeManifold.IsOk() && aSliver.Oriented.IsOk() &&
              aSliver.VertexManifold.IsOk());
  EXPECT_EQ(aSliver.NonDegenerate.NbFaults, 1);
  EXPECT_NE(aSliver.NonDegenerate.FirstFault.find("face 14 (9, 1,"), std::string::npos)
      << aSliver.NonDegenerate.FirstFault;

  std::vector<std::array<int, 3>> aFaces = Meshes::Triangles(unitBox());
  aFaces.push_back({2, 2, 5});
  aFaces.push_back({1, 2, 99});
  const Result aRepeated = Check(Meshes::Make(Meshes::Nodes(unitBox()), aFaces));
  EXPECT_EQ(aRepeated.NonDegenerate.NbFaults, 2);
  EXPECT_NE(aRepeated.NonDegenerate.FirstFault.find("face 13 (2, 2, 5) repeats a node"), std::string::npos);
  // Faces that cannot be read are left out of the other checks.
  EXPECT_EQ(failed(aRepeated), Names({"NonDegenerate"}));

  // A tiny but sound box has no degenerate face; a sliver of it has.
  gp_Trsf aShrink;
  aShrink.SetScale(gp_Pnt(0, 0, 0), 1e-4);
  EXPECT_TRUE(Check(Meshes::Transformed(unitBox(), aShrink)).NonDegenerate.IsOk());
  EXPECT_FALSE(Check(Meshes::Transformed(boxWithSliver(), aShrink)).NonDegenerate.IsOk());
}

TEST(PelliskTest_MeshCheckTest, CrossingFacesAreFoundAndTouchingNeighboursAreNot)
{
  const Result anOverlap = Check(Meshes::OverlappingBoxes());
  EXPECT_EQ(failed(anOverlap), Names({"NoCrossing"}));
  EXPECT_GT(anOverlap.NoCrossing.NbFaults, 0);
  EXPECT_NE(anOverlap.NoCrossing.FirstFault.find(" crosses face "), std::string::npos);

  // Every reported pair really crosses; boxes sharing a corner only touch there.
  for (const auto& aPair : CrossingPairs(Meshes::OverlappingBoxes(), CrossingSearch::Hierarchy))
  {
    const Handle(Poly_Triangulation) aMesh = Meshes::OverlappingBoxes();
    gp_XYZ                           aCorners[2][3];
    for (int s = 0; s < 2; ++s)
    {
      int n[3];
      aMesh->Triangle(s == 0 ? aPair.first : aPair.second).Get(n[0], n[1], n[2]);
      for (int k = 0; k < 3; ++k)
      {
        aCorners[s][k] = aMesh->Node(n[k]).XYZ();
      }
    }
    EXPECT_TRUE(PelliskTest_Crossing::FacesCross(aCorners[0], aCorners[1], 1e-7));
  }
  EXPECT_TRUE(
      Check(Meshes::Welded(Meshes::Append(unitBox(), Meshes::Box(gp_Pnt(1, 1, 1), gp_Pnt(2, 2, 2))), 1e-9))
          .NoCrossing.IsOk());
  // Boxes touching face to face without shared nodes do cross (their faces meet).
  EXPECT_FALSE(Check(Meshes::Append(unitBox(), Meshes::Box(gp_Pnt(1, 0.2, 0.2), gp_Pnt(2, 0.8, 0.8))))
                   .NoCrossing.IsOk());
}

TEST(PelliskTest_MeshCheckTest, NeighboursCrossOnlyWhenTheyMeetBeyondWhatTheyShare)
{
  const gp_Pnt o(0, 0, 0), x(1, 0, 0), y(0, 1, 0);
  struct Case
  {
    gp_Pnt B[3];
    bool   IsCrossing;
  };
  // The second triangle against (o, x, y).
  const Case aCases[] = {
      {{o, gp_Pnt(-1, 0, 0), gp_Pnt(0, -1, 0)}, false},       // opposite quadrant, one corner
      {{o, gp_Pnt(0, 0, 1), gp_Pnt(-1, 0, 1)}, false},        // another plane, one corner
      {{o, gp_Pnt(1, 1, 0), gp_Pnt(2, 0.5, 0)}, true},        // same plane, overlapping at the corner
      {{o, gp_Pnt(0.2, 0.2, -1), gp_Pnt(0.2, 0.2, 1)}, true}, // pierces beyond the corner
      {{x, o, gp_Pnt(0.5, -0.5, 0)}, false},                  // side, unfolded
      {{x, o, gp_Pnt(0.5, 0.5, 1)}, false},                   // side, bent
      {{x, o, gp_Pnt(0.5, 0.3, 0)}, true},                    // side, folded back
      {{y, x, o}, true},                                      // same corners, another face
      {{gp_Pnt(0, 0, 1e-8), gp_Pnt(1, 0, 1), y}, false},      // corner within the tolerance: shared
      {{gp_Pnt(0.2, 0.2, 1e-8), gp_Pnt(1, 1, 1), gp_Pnt(2, 0, 1)},
       true}}; // no shared corner, within tolerance
  for (size_t c = 0; c < sizeof(aCases) / sizeof(aCases[0]); ++c)
  {
    const gp_XYZ A[3] = {o.XYZ(), x.XYZ(), y.XYZ()};
    const gp_XYZ B[3] = {aCases[c].B[0].XYZ(), aCases[c].B[1].XYZ(), aCases[c].B[2].XYZ()};
    EXPECT_EQ(PelliskTest_Crossing::FacesCross(A, B, 1e-7), aCases[c].IsCrossing) << "case " << c;
    const Handle(Poly_Triangulation) aPair =
        Meshes::Make({o, x, y, aCases[c].B[0], aCases[c].B[1], aCases[c].B[2]}, {{1, 2, 3}, {4, 5, 6}});
    EXPECT_EQ(CrossingPairs(aPair, CrossingSearch::Hierarchy).size(), aCases[c].IsCrossing ? 1u : 0u)
        << "case " << c;
  }
}

TEST(PelliskTest_MeshCheckTest, HierarchyAndBruteForceFindTheSameCrossings)
{
  std::mt19937                           aGenerator(31337u);
  std::uniform_real_distribution<double> aUnit(0.0, 1.0), aNoise(-1.0, 1.0);
  size_t                                 aNbPairs = 0, aNbClean = 0;
  for (int aCase = 0; aCase < 90; ++aCase)
  {
    Handle(Poly_Triangulation) aMesh;
    if (aCase % 3 == 0)
    {
      // A soup of small triangles: crossings without shared corners.
      std::vector<gp_Pnt>             aNodes;
      std::vector<std::array<int, 3>> aFaces;
      for (int t = 0; t < 40; ++t)
      {
        const gp_XYZ aBase(aUnit(aGenerator), aUnit(aGenerator), aUnit(aGenerator));
        for (int k = 0; k < 3; ++k)
        {
          aNodes.emplace_back(aBase +
                              0.3 * gp_XYZ(aNoise(aGenerator), aNoise(aGenerator), aNoise(aGenerator)));
        }
        aFaces.push_back({3 * t + 1, 3 * t + 2, 3 * t + 3});
      }
      aMesh = Meshes::Make(aNodes, aFaces);
    }
    else if (aCase % 3 == 1)
    {
      // Triangles on a small lattice: shared corners, shared sides, coplanar
      // folds and overlaps, duplicates.
      std::uniform_int_distribution<int> aLattice(0, 2);
      std::vector<gp_Pnt>                aNodes;
      std::vector<std::array<int, 3>>    aFaces;
      for (int t = 0; t < 12; ++t)
      {
        for (int k = 0; k < 3; ++k)
        {
          aNodes.emplace_back(aLattice(aGenerator), aLattice(aGenerator), aLattice(aGenerator) % 2);
        }
        const gp_XYZ &a = aNodes[3 * t].XYZ(), &b = aNodes[3 * t + 1].XYZ(), &c = aNodes[3 * t + 2].XYZ();
        if ((b - a).Crossed(c - a).SquareModulus() > 0.0)
        {
          aFaces.push_back({3 * t + 1, 3 * t + 2, 3 * t + 3});
        }
      }
      aMesh = Meshes::Make(aNodes, aFaces);
    }
    else
    {
      // A crumpled sphere: crossings of faces sharing corners and sides.
      std::vector<gp_Pnt> aNodes = Meshes::Nodes(Meshes::IcoSphere(gp_Pnt(0, 0, 0), 1.0, 1));
      const double        aSize  = 0.05 * (aCase % 7);
      for (gp_Pnt& p : aNodes)
      {
        p.ChangeCoord() += aSize * gp_XYZ(aNoise(aGenerator), aNoise(aGenerator), aNoise(aGenerator));
      }
      aMesh = Meshes::Make(aNodes, Meshes::Triangles(Meshes::IcoSphere(gp_Pnt(0, 0, 0), 1.0, 1)));
    }
    const auto aFast = CrossingPairs(aMesh, CrossingSearch::Hierarchy);
    EXPECT_EQ(aFast, CrossingPairs(aMesh, CrossingSearch::BruteForce)) << "case " << aCase;
    Options aBrute;
    aBrute.Search = CrossingSearch::BruteForce;
    EXPECT_EQ(Check(aMesh, Handle(Poly_Triangulation)(), aBrute).NoCrossing.NbFaults,
              static_cast<int>(aFast.size()));
    aNbPairs += aFast.size();
    aNbClean += aFast.empty() ? 1 : 0;
  }
  EXPECT_GT(aNbPairs, 100u);
  EXPECT_GT(aNbClean, 0u);
}

TEST(PelliskTest_MeshCheckTest, InputNodesOutsideTheWrapAreReported)
{
  const std::vector<gp_Pnt> anInside = {gp_Pnt(0.5, 0.5, 0.5), gp_Pnt(0.1, 0.9, 0.2), gp_Pnt(1.0, 0.5, 0.5),
                                        gp_Pnt(0.5, 0.5, 1.0 + 1e-8)};
  std::vector<gp_Pnt>       aNodes   = anInside;
  aNodes.emplace_back(2.0, 0.5, 0.5);
  aNodes.emplace_back(0.5, -0.25, 0.5);
  const Handle(Poly_Triangulation) anInput = Meshes::Make(aNodes, {{1, 2, 3}, {4, 5, 6}});

  const Result aResult = Check(unitBox(), anInput);
  EXPECT_EQ(failed(aResult), Names({"EnclosesInput"}));
  EXPECT_EQ(aResult.EnclosesInput.NbFaults, 2);
  EXPECT_NE(aResult.EnclosesInput.FirstFault.find("input node 5 (2, 0.5, 0.5) is outside, 1 from"),
            std::string::npos)
      << aResult.EnclosesInput.FirstFault;

  // A tolerance as wide as the farthest node accepts them all.
  Options aWide;
  aWide.InputTolerance = 1.5;
  EXPECT_TRUE(IsValidWrap(unitBox(), anInput, aWide));
  EXPECT_TRUE(IsValidWrap(unitBox(), Meshes::Make(anInside, {{1, 2, 3}, {2, 3, 4}})));
  // The hollow box's cavity is outside its surface, its wall inside.
  const Result aCavity =
      Check(Meshes::HollowBox(),
            Meshes::Make({gp_Pnt(0.9, 0.9, 0.9), gp_Pnt(0, 0, 0.1), gp_Pnt(-0.9, 0, 0)}, {{1, 2, 3}}));
  EXPECT_EQ(aCavity.EnclosesInput.NbFaults, 1);
  EXPECT_NE(aCavity.EnclosesInput.FirstFault.find("input node 2 "), std::string::npos);
}

TEST(PelliskTest_MeshCheckTest, SummaryAndAssertionNameTheFailures)
{
  const ::testing::AssertionResult anOpen = IsValidWrap(Meshes::Without(unitBox(), {1}));
  ASSERT_FALSE(anOpen);
  const std::string aMessage = anOpen.message();
  EXPECT_NE(aMessage.find("closed: FAILED (3 faults), first: edge "), std::string::npos) << aMessage;
  EXPECT_NE(aMessage.find("oriented: ok"), std::string::npos) << aMessage;
  EXPECT_NE(aMessage.find("encloses input: not checked"), std::string::npos) << aMessage;

  // Nothing to check is never valid.
  EXPECT_FALSE(IsValidWrap(Handle(Poly_Triangulation)()));
  EXPECT_FALSE(IsValidWrap(Handle(HalfEdge_Mesh)()));
  EXPECT_FALSE(IsValidWrap(Handle(HalfEdge_Mesh)(new HalfEdge_Mesh())));
  EXPECT_FALSE(Check(Handle(Poly_Triangulation)()).Closed.IsChecked);
}
