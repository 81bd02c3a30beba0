#include <PelliskTest_MeshCheck.hxx>

#include <PelliskTest_Crossing.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gp_Ax2.hxx>

#include <gtest/gtest.h>

#include <random>

using namespace PelliskTest_MeshCheck;
using namespace PelliskTest_Meshes;

namespace
{
Handle(Poly_Triangulation) unitBox()
{
  return Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1));
}

// Names of the failed properties, in summary order, separated by commas.
std::string failed(const Result& theResult)
{
  std::string aNames;
  for (const auto& aProperty : theResult.Properties())
  {
    if (aProperty.second->IsChecked && !aProperty.second->IsOk())
    {
      aNames += (aNames.empty() ? "" : ",") + std::string(aProperty.first);
    }
  }
  return aNames;
}

// The unit box with one more face, given by its corners (new nodes appended).
Handle(Poly_Triangulation) boxWith(const std::vector<gp_Pnt>& theNewNodes, const std::array<int, 3>& theFace)
{
  std::vector<gp_Pnt> aNodes = Nodes(unitBox());
  aNodes.insert(aNodes.end(), theNewNodes.begin(), theNewNodes.end());
  std::vector<std::array<int, 3>> aFaces = Triangles(unitBox());
  aFaces.push_back(theFace);
  return Make(aNodes, aFaces);
}

// The unit box whose first face (1, 4, 2) is split at the midpoint 9 of its
// side 1-4 into (1, 9, 2) and (9, 4, 2), with the zero-area sliver (9, 1, 4)
// closing the side: still closed, manifold and oriented, but node 9 lies on
// the side 1-4 of face 2, which the halves then meet beyond their corner 1.
Handle(Poly_Triangulation) boxWithSliver()
{
  std::vector<gp_Pnt>             aNodes = Nodes(unitBox());
  std::vector<std::array<int, 3>> aFaces = Triangles(unitBox());
  const int                       a = aFaces[0][0], b = aFaces[0][1], c = aFaces[0][2];
  aNodes.push_back(gp_Pnt((aNodes[a - 1].XYZ() + aNodes[b - 1].XYZ()) * 0.5));
  const int m = static_cast<int>(aNodes.size());
  aFaces[0]   = {a, m, c};
  aFaces.push_back({m, b, c});
  aFaces.push_back({m, a, b});
  return Make(aNodes, aFaces);
}
} // namespace

TEST(PelliskTest_MeshCheckTest, EachFlawFailsItsOwnCheckOnly)
{
  gp_Trsf aMirror, aShrink;
  aMirror.SetMirror(gp_Ax2(gp_Pnt(0.3, 0, 0), gp_Dir(1, 1, 0)));
  aShrink.SetScale(gp_Pnt(0, 0, 0), 1e-6);
  const Handle(Poly_Triangulation) aCornerCubes =
      Welded(Append(unitBox(), Box(gp_Pnt(1, 1, 1), gp_Pnt(2, 2, 2))), 1e-9);
  std::vector<std::array<int, 3>> aFlipped = Triangles(unitBox()), aBroken = aFlipped;
  std::swap(aFlipped[3][1], aFlipped[3][2]);
  aBroken.push_back({2, 2, 5});
  aBroken.push_back({1, 2, 99});
  std::vector<gp_Pnt> anInside  = {gp_Pnt(0.5, 0.5, 0.5), gp_Pnt(0.1, 0.9, 0.2), gp_Pnt(1.0, 0.5, 0.5),
                                   gp_Pnt(0.5, 0.5, 1.0 + 1e-8)},
                      anOutside = anInside;
  anOutside.emplace_back(2.0, 0.5, 0.5);
  anOutside.emplace_back(0.5, -0.25, 0.5);
  const Handle(Poly_Triangulation) anInput = Make(anOutside, {{1, 2, 3}, {4, 5, 6}});
  Options                          aWide;
  aWide.InputTolerance = 1.5;
  struct Case
  {
    const char*                Name;
    Handle(Poly_Triangulation) Mesh, Input;
    std::string                Failed;    // the failed properties
    const char*                InSummary; // what the summary says of them
    Options                    Tolerances = Options();
  };
  const Case aCases[] = {
      // Closed makers and closed soups.
      {"box", unitBox(), nullptr, "", ""},
      {"tiny box", Box(gp_Pnt(-1e-3, 0, 0), gp_Pnt(0, 2e-3, 1e-3), 3), nullptr, "", ""},
      {"far box", Box(gp_Pnt(1e4, 1e4, 1e4), gp_Pnt(1.001e4, 1.002e4, 1.003e4), 2), nullptr, "", ""},
      {"tetrahedron", Tetrahedron(), nullptr, "", ""},
      {"torus", Torus(12, 7), nullptr, "", ""},
      {"icosphere", IcoSphere(gp_Pnt(0, 0, 0), 1.0, 3), nullptr, "", ""},
      {"mirrored icosphere", Transformed(IcoSphere(gp_Pnt(1, 0, 0), 0.5, 1), aMirror), nullptr, "", ""},
      {"hollow box", HollowBox(), nullptr, "", ""},
      {"far apart objects", FarApartObjects(), nullptr, "", ""},
      {"input inside or on the surface", unitBox(), Make(anInside, {{1, 2, 3}, {2, 3, 4}}), "", ""},
      {"input within a wide tolerance", unitBox(), anInput, "", "", aWide},
      // Flaws, each found by its own check.
      {"open box", Without(unitBox(), {5}), nullptr, "closed", "closed: FAILED (3 faults), first: edge "},
      {"fin on an edge", boxWith({gp_Pnt(-1, -1, 0.5)}, {1, 2, 9}), nullptr, "closed,edge-manifold,oriented",
       "edge-manifold: FAILED (1 fault), first: edge 1-2 has 3 faces: face 1 "},
      {"cubes sharing a corner", aCornerCubes, nullptr, "vertex-manifold",
       "vertex-manifold: FAILED (1 fault), first: node 8 (1, 1, 1) has 2 separate fans of faces, e.g. face 3 "
       "and face 13"},
      {"flipped face", Make(Nodes(unitBox()), aFlipped), nullptr, "oriented", "oriented: FAILED (3 faults)"},
      {"inside out", Reversed(unitBox()), nullptr, "positive volume",
       "positive volume: FAILED (1 fault), first: the signed volume -1 is not positive"},
      {"hollow box inside out", Reversed(HollowBox()), nullptr, "positive volume", "positive volume: FAILED"},
      {"inward box beside an outward one",
       Append(Box(gp_Pnt(0, 0, 0), gp_Pnt(2, 2, 2)), Reversed(Box(gp_Pnt(5, 0, 0), gp_Pnt(6, 1, 1)))),
       nullptr, "positive volume", "positive volume: FAILED (1 fault), first: the shell of face 13 "},
      {"sliver", boxWithSliver(), nullptr, "no degenerate face,no crossing",
       "no degenerate face: FAILED (1 fault), first: face 14 (9, 1, 4) has area 0"},
      {"box shrunk to 1e-6: areas are relative to the size", Transformed(unitBox(), aShrink), nullptr, "",
       ""},
      {"sliver of a tiny box", Transformed(boxWithSliver(), aShrink), nullptr,
       "no degenerate face,no crossing",
       "no degenerate face: FAILED (1 fault), first: face 14 (9, 1, 4) has area 0"},
      {"repeated or missing node", Make(Nodes(unitBox()), aBroken), nullptr, "no degenerate face",
       "no degenerate face: FAILED (2 faults), first: face 13 (2, 2, 5) repeats a node"},
      {"overlapping boxes", OverlappingBoxes(), nullptr, "no crossing", " crosses face "},
      {"boxes face to face", Append(unitBox(), Box(gp_Pnt(1, 0.2, 0.2), gp_Pnt(2, 0.8, 0.8))), nullptr,
       "no crossing", "no crossing: FAILED"},
      {"input outside", unitBox(), anInput, "encloses input",
       "encloses input: FAILED (2 faults), first: input node 5 (2, 0.5, 0.5) is outside, 1 from"},
      {"input in the cavity", HollowBox(),
       Make({gp_Pnt(0.9, 0.9, 0.9), gp_Pnt(0, 0, 0.1), gp_Pnt(-0.9, 0, 0)}, {{1, 2, 3}}), "encloses input",
       "encloses input: FAILED (1 fault), first: input node 2 "},
      // Dirty soups, with the flaws they are made for.
      {"holed sphere with a shifted patch", HoledSphereWithShiftedPatch(), nullptr,
       "closed,vertex-manifold,no crossing", ""},
      {"plate in pieces", PlateInPieces(), nullptr, "closed", "closed: FAILED (576 faults)"}};
  for (const Case& aCase : aCases)
  {
    SCOPED_TRACE(aCase.Name);
    const Result aResult = Check(aCase.Mesh, aCase.Input, aCase.Tolerances);
    EXPECT_EQ(failed(aResult), aCase.Failed) << aResult.Summary();
    EXPECT_EQ(aResult.IsValid(), aCase.Failed.empty());
    EXPECT_NE(aResult.Summary().find(aCase.InSummary), std::string::npos) << aResult.Summary();
  }
  // The makers' sizes, and the volumes and shells counted.
  for (int n = 1; n <= 4; ++n)
  {
    const Handle(Poly_Triangulation) aBox = Box(gp_Pnt(-1, 0, 2), gp_Pnt(1, 3, 3), n);
    EXPECT_EQ(aBox->NbNodes(), 6 * n * n + 2);
    EXPECT_EQ(aBox->NbTriangles(), 12 * n * n);
    EXPECT_NEAR(Check(aBox).Volume, 6.0, 1e-12);
    const Handle(Poly_Triangulation) anIco = IcoSphere(gp_Pnt(1, 1, 1), 0.5, n - 1);
    EXPECT_EQ(anIco->NbNodes(), 10 * (1 << (2 * n - 2)) + 2);
    EXPECT_EQ(anIco->NbTriangles(), 20 * (1 << (2 * n - 2)));
    for (int i = 1; i <= anIco->NbNodes(); ++i)
    {
      EXPECT_NEAR(anIco->Node(i).Distance(gp_Pnt(1, 1, 1)), 0.5, 1e-12);
    }
  }
  EXPECT_EQ(Torus(12, 7)->NbNodes(), 84);
  EXPECT_EQ(Torus(12, 7)->NbTriangles(), 168);
  EXPECT_NEAR(Check(Torus(60, 30)).Volume, 2 * M_PI * M_PI * 2 * 0.25, 0.01 * 2 * M_PI * M_PI * 2 * 0.25);
  EXPECT_NEAR(Check(HollowBox()).Volume, 8.0 - 1.0, 1e-12);
  EXPECT_EQ(Check(HollowBox()).NbShells, 2);
  EXPECT_NEAR(Check(Reversed(unitBox())).Volume, -1.0, 1e-12);
  EXPECT_EQ(Check(OverlappingBoxes()).NbShells, 2);
  EXPECT_EQ(Check(PlateInPieces()).NbShells, 192);
  EXPECT_NEAR(Check(PlateInPieces()).Volume, 2.0 * 1.0 * 0.04, 1e-12);
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
        Make({o, x, y, aCases[c].B[0], aCases[c].B[1], aCases[c].B[2]}, {{1, 2, 3}, {4, 5, 6}});
    for (const CrossingSearch aSearch : {CrossingSearch::Hierarchy, CrossingSearch::BruteForce})
    {
      EXPECT_EQ(CrossingPairs(aPair, aSearch).size(), aCases[c].IsCrossing ? 1u : 0u) << "case " << c;
    }
  }
}

TEST(PelliskTest_MeshCheckTest, HierarchyAndBruteForceFindTheSameCrossings)
{
  std::mt19937                           aGenerator(31337u);
  std::uniform_real_distribution<double> aNoise(-1.0, 1.0);
  std::uniform_int_distribution<int>     aLattice(0, 2);
  const auto                             noise = [&](double theSize)
  { return theSize * gp_XYZ(aNoise(aGenerator), aNoise(aGenerator), aNoise(aGenerator)); };
  size_t aNbPairs = 0, aNbClean = 0;
  for (int aCase = 0; aCase < 90; ++aCase)
  {
    std::vector<gp_Pnt>             aNodes;
    std::vector<std::array<int, 3>> aFaces;
    if (aCase % 3 == 2)
    {
      // A crumpled sphere: crossings of faces sharing corners and sides.
      aNodes = Nodes(IcoSphere(gp_Pnt(0, 0, 0), 1.0, 1));
      aFaces = Triangles(IcoSphere(gp_Pnt(0, 0, 0), 1.0, 1));
      for (gp_Pnt& p : aNodes)
      {
        p.ChangeCoord() += noise(0.05 * (aCase % 7));
      }
    }
    // Otherwise a soup of small triangles (crossings without shared corners),
    // or triangles on a small lattice (shared corners and sides, coplanar folds
    // and overlaps, duplicates).
    for (int t = 0; aCase % 3 != 2 && t < (aCase % 3 == 0 ? 40 : 12); ++t)
    {
      const gp_XYZ aBase = noise(1.0);
      for (int k = 0; k < 3; ++k)
      {
        aNodes.emplace_back(
            aCase % 3 == 0 ? aBase + noise(0.3)
                           : gp_XYZ(aLattice(aGenerator), aLattice(aGenerator), aLattice(aGenerator) % 2));
      }
      const gp_XYZ &a = aNodes[3 * t].XYZ(), &b = aNodes[3 * t + 1].XYZ(), &c = aNodes[3 * t + 2].XYZ();
      if ((b - a).Crossed(c - a).SquareModulus() > 0.0)
      {
        aFaces.push_back({3 * t + 1, 3 * t + 2, 3 * t + 3});
      }
    }
    const Handle(Poly_Triangulation) aMesh = Make(aNodes, aFaces);
    const auto                       aFast = CrossingPairs(aMesh, CrossingSearch::Hierarchy);
    EXPECT_EQ(aFast, CrossingPairs(aMesh, CrossingSearch::BruteForce)) << "case " << aCase;
    Options aBrute;
    aBrute.Search = CrossingSearch::BruteForce;
    EXPECT_EQ(Check(aMesh, nullptr, aBrute).NoCrossing.NbFaults, static_cast<int>(aFast.size()));
    aNbPairs += aFast.size();
    aNbClean += aFast.empty() ? 1 : 0;
  }
  EXPECT_GT(aNbPairs, 100u);
  EXPECT_GT(aNbClean, 0u);
}

TEST(PelliskTest_MeshCheckTest, SummaryAndAssertionNameTheFailures)
{
  const ::testing::AssertionResult anOpen = IsValidWrap(Without(unitBox(), {1}));
  ASSERT_FALSE(anOpen);
  const std::string aMessage = anOpen.message();
  EXPECT_NE(aMessage.find("closed: FAILED (3 faults), first: edge "), std::string::npos) << aMessage;
  EXPECT_NE(aMessage.find("oriented: ok"), std::string::npos) << aMessage;
  EXPECT_NE(aMessage.find("encloses input: not checked"), std::string::npos) << aMessage;
  // The half-edge mesh is checked through its triangulation; nothing to check is never valid.
  EXPECT_TRUE(IsValidWrap(Handle(HalfEdge_Mesh)(new HalfEdge_Mesh(IcoSphere(gp_Pnt(0, 0, 0), 1.0, 2)))));
  EXPECT_FALSE(IsValidWrap(Handle(Poly_Triangulation)()));
  EXPECT_FALSE(IsValidWrap(Handle(HalfEdge_Mesh)()));
  EXPECT_FALSE(IsValidWrap(Handle(HalfEdge_Mesh)(new HalfEdge_Mesh())));
  EXPECT_FALSE(Check(Handle(Poly_Triangulation)()).Closed.IsChecked);
}
