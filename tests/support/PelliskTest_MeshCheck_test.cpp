#include <PelliskTest_MeshCheck.hxx>

#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

using namespace PelliskTest_MeshCheck;
using namespace PelliskTest_Meshes;

TEST(PelliskTest_MeshCheckTest, EachFlawFailsItsOwnCheckOnlyAndBothCrossingSearchesAgree)
{
  const Handle(Poly_Triangulation) aBox = Box(gp_Pnt(0, 0, 0), gp_Pnt(1, 1, 1));
  // Flawed copies of the unit box (nodes 1-8, face 1 is (1, 4, 2)): a fin on
  // edge 1-2, a flipped face, faces repeating or missing a node, and face 1
  // split at the midpoint 9 of its side 1-4 with the sliver (9, 1, 4) folding onto it.
  const Handle(Poly_Triangulation) aTwoCubes = Append(aBox, Box(gp_Pnt(1, 1, 1), gp_Pnt(2, 2, 2)));
  std::vector<gp_Pnt>              aNodes    = Nodes(aBox);
  aNodes.push_back(gp_Pnt(-1, -1, 0.5));
  std::vector<std::array<int, 3>> aFin = Triangles(aBox), aFlipped = aFin, aBroken = aFin, aSliver = aFin,
                                  aCubes = Triangles(aTwoCubes);
  aFin.push_back({1, 2, 9});
  std::swap(aFlipped[3][1], aFlipped[3][2]);
  aBroken.insert(aBroken.end(), {{2, 2, 5}, {1, 2, 99}});
  aSliver[0] = {1, 9, 2};
  aSliver.insert(aSliver.end(), {{9, 4, 2}, {9, 1, 4}});
  for (std::array<int, 3>& f : aCubes)
  {
    std::replace(f.begin(), f.end(), 9, 8); // the second cube's corner (1, 1, 1) is the first's
  }
  std::vector<gp_Pnt> aMiddle = Nodes(aBox);
  aMiddle.push_back(gp_Pnt((aMiddle[0].XYZ() + aMiddle[3].XYZ()) / 2));
  gp_Trsf aShrink;
  aShrink.SetScale(gp_Pnt(0, 0, 0), 1e-6);
  std::vector<gp_Pnt> anInput = {gp_Pnt(0.5, 0.5, 0.5), gp_Pnt(0.1, 0.9, 0.2), gp_Pnt(1.0, 0.5, 0.5),
                                 gp_Pnt(0.5, 0.5, 1.0 + 1e-8)};
  const Handle(Poly_Triangulation) anInside = Make(anInput, {{1, 2, 3}, {2, 3, 4}});
  anInput.insert(anInput.end(), {gp_Pnt(2.0, 0.5, 0.5), gp_Pnt(0.5, -0.25, 0.5)});
  const Handle(Poly_Triangulation) anOutside = Make(anInput, {{1, 2, 3}, {4, 5, 6}});
  const struct
  {
    const char*                Name;
    Handle(Poly_Triangulation) Mesh, Input;
    std::string                Failed;    // the failed properties
    const char*                InSummary; // what the summary says
  } aCases[] = {
      {"box", aBox, nullptr, "", "mesh: 8 nodes, 12 triangles, 1 shells, volume 1\nclosed: ok\n"},
      {"box shrunk to 1e-6: areas are relative to the size", Transformed(aBox, aShrink), nullptr, "", ""},
      {"torus", Torus(12, 7), nullptr, "", "84 nodes, 168 triangles, 1 shells"},
      {"hollow box", HollowBox(), nullptr, "", "2 shells, volume 7\n"},
      {"input inside or on the surface", aBox, anInside, "", "encloses input: ok"},
      {"open box", Without(aBox, {5}), nullptr, "closed", "closed: FAILED (3 faults), first: edge "},
      {"fin on an edge", Make(aNodes, aFin), nullptr, "closed,edge-manifold,oriented",
       "edge-manifold: FAILED (1 fault), first: edge 1-2 has 3 face(s), the first face 1 "},
      {"cubes sharing a corner", Make(Nodes(aTwoCubes), aCubes), nullptr, "vertex-manifold",
       "vertex-manifold: FAILED (1 fault), first: node 8 has 2 separate fans"},
      {"flipped face", Make(aNodes, aFlipped), nullptr, "oriented", "oriented: FAILED (3 faults)"},
      {"inside out", Reversed(aBox), nullptr, "positive volume",
       "positive volume: FAILED (1 fault), first: the signed volume -1 is not positive"},
      {"inward box beside an outward one",
       Append(Box(gp_Pnt(0, 0, 0), gp_Pnt(2, 2, 2)), Reversed(Box(gp_Pnt(5, 0, 0), gp_Pnt(6, 1, 1)))),
       nullptr, "positive volume", ") has volume -1 and is no cavity"},
      {"sliver", Make(aMiddle, aSliver), nullptr, "no degenerate face,no crossing",
       "no degenerate face: FAILED (1 fault), first: face 14 (9, 1, 4) has area 0"},
      {"repeated or missing node", Make(aNodes, aBroken), nullptr, "no degenerate face",
       "no degenerate face: FAILED (2 faults), first: face 13 (2, 2, 5) repeats"},
      {"overlapping boxes", OverlappingBoxes(), nullptr, "no crossing", "2 shells"},
      {"boxes face to face", Append(aBox, Box(gp_Pnt(1, 0.2, 0.2), gp_Pnt(2, 0.8, 0.8))), nullptr,
       "no crossing", " crosses face "},
      {"input outside", aBox, anOutside, "encloses input",
       "encloses input: FAILED (2 faults), first: input node 5 is outside, 1 from"},
      {"input in the cavity", HollowBox(),
       Make({gp_Pnt(0.9, 0.9, 0.9), gp_Pnt(0, 0, 0.1), gp_Pnt(-0.9, 0, 0)}, {{1, 2, 3}}), "encloses input",
       "encloses input: FAILED (1 fault), first: input node 2 "},
      {"holed sphere with a shifted patch", HoledSphereWithShiftedPatch(), nullptr,
       "closed,vertex-manifold,no crossing", ""},
      {"plate in pieces", PlateInPieces(), nullptr, "closed",
       "192 shells, volume 0.08\nclosed: FAILED (576 faults)"}};
  size_t aNbPairs = 0;
  for (const auto& aCase : aCases)
  {
    SCOPED_TRACE(aCase.Name);
    const Result aResult = Check(aCase.Mesh, aCase.Input);
    std::string  aFailed;
    for (const auto& [aName, aProperty] : aResult.Properties())
    {
      aFailed +=
          aProperty->IsChecked && !aProperty->IsOk() ? (aFailed.empty() ? "" : ",") + std::string(aName) : "";
    }
    EXPECT_EQ(aFailed, aCase.Failed) << aResult.Summary();
    EXPECT_EQ(aResult.EnclosesInput.IsChecked, !aCase.Input.IsNull());
    EXPECT_EQ(static_cast<bool>(IsValidWrap(aCase.Mesh, aCase.Input)), aCase.Failed.empty());
    EXPECT_NE(aResult.Summary().find(aCase.InSummary), std::string::npos) << aResult.Summary();
    const auto aPairs = CrossingPairs(aCase.Mesh, CrossingSearch::Hierarchy);
    // Faces without area are left to NonDegenerate: the searches may see them differently.
    EXPECT_TRUE(!aResult.NonDegenerate.IsOk() ||
                aPairs == CrossingPairs(aCase.Mesh, CrossingSearch::BruteForce));
    aNbPairs += aPairs.size();
  }
  EXPECT_GT(aNbPairs, 40u);
  EXPECT_FALSE(IsValidWrap(Handle(Poly_Triangulation)())) << "nothing to check is never valid";
}
