// Which crossings of a copy a group's repair answers for: touched at first
// sight, left to later groups of the round, kept apart from one group to the next.
#include <Algo_GroupCrossings.hxx>
#include <HalfEdgeAlgo_AABBClipping.hxx>
#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <list>

namespace
{
// A lone triangle out of the copy's box (so that copy and surface numbers
// differ), then two crossings far apart: faces 1 and 2 at x = 0, faces 3
// and 4 at x = 10. Each crossing is a flat triangle pierced by an upright one.
Handle(HalfEdge_Mesh) twoCrossings()
{
  std::vector<gp_Pnt>             aNodes = {gp_Pnt(-20, 0, 0), gp_Pnt(-19, 0, 0), gp_Pnt(-20, 1, 0)};
  std::vector<std::array<int, 3>> aFaces = {{1, 2, 3}};
  for (const double aShift : {0.0, 10.0})
  {
    const int aFirst = static_cast<int>(aNodes.size()) + 1;
    for (const gp_Pnt& aPoint : {gp_Pnt(0, 0, 0), gp_Pnt(2, 0, 0), gp_Pnt(0, 2, 0), gp_Pnt(0.5, 0.2, -1),
                                 gp_Pnt(0.5, 0.2, 1), gp_Pnt(0.5, 1.0, 0)})
    {
      aNodes.push_back(gp_Pnt(aPoint.X() + aShift, aPoint.Y(), aPoint.Z()));
    }
    aFaces.push_back({aFirst, aFirst + 1, aFirst + 2});
    aFaces.push_back({aFirst + 3, aFirst + 4, aFirst + 5});
  }
  return new HalfEdge_Mesh(PelliskTest_Meshes::Make(aNodes, aFaces));
}

struct Copy
{
  Handle(HalfEdgeAlgo_AABBClipping)           Clip  = new HalfEdgeAlgo_AABBClipping();
  Handle(HalfEdgeAlgo_CheckSelfIntersections) Check = new HalfEdgeAlgo_CheckSelfIntersections();
  Handle(HalfEdge_Mesh)                       Mesh;

  explicit Copy(const Handle(HalfEdge_Mesh)& theSurface)
  {
    Clip->SetBox(Bnd_Box(gp_Pnt(-1, -1, -2), gp_Pnt(13, 3, 2)));
    EXPECT_TRUE(theSurface->Execute(Clip, false));
    Mesh = Clip->Result();
    Check->SetCollectGroups(true);
    EXPECT_TRUE(Mesh->Execute(Check, false));
  }

  // The copy's nodes of the surface faces theFaces.
  std::set<int> Corners(const Handle(HalfEdge_Mesh)& theSurface, const std::set<int>& theFaces) const
  {
    std::set<int>  aNodes;
    std::list<int> aCorners;
    for (const int aFace : theFaces)
    {
      theSurface->Face(aFace, aCorners);
      for (const int aNode : aCorners)
      {
        aNodes.insert(Clip->SubNode(aNode));
      }
    }
    return aNodes;
  }

  // The surface faces of the pairs, each pair as a set.
  std::set<std::set<int>> SurfacePairs(const std::vector<std::pair<int, int>>& thePairs) const
  {
    std::map<int, int> aSources;
    for (const auto& [aSource, aSub] : Clip->FaceMap())
    {
      aSources[aSub] = aSource;
    }
    std::set<std::set<int>> aPairs;
    for (const auto& [aFace, anOther] : thePairs)
    {
      aPairs.insert({aSources[aFace], aSources[anOther]});
    }
    return aPairs;
  }
};

const std::set<std::set<int>> THE_FIRST  = {{1, 2}};
const std::set<std::set<int>> THE_SECOND = {{3, 4}};
const std::set<std::set<int>> THE_BOTH   = {{1, 2}, {3, 4}};
} // namespace

TEST(Algo_GroupCrossings, CrossingFirstSeenUntouchedStaysTheNeighbours)
{
  const Handle(HalfEdge_Mesh) aSurface = twoCrossings();
  const Copy                  aCopy(aSurface);
  Algo_GroupCrossings         aCrossings;

  aCrossings.StartGroup(0, aSurface, {1});
  EXPECT_TRUE(aCrossings.Perform(aCopy.Mesh, *aCopy.Clip, *aCopy.Check));
  EXPECT_EQ(aCopy.SurfacePairs(aCrossings.OwnPairs()), THE_FIRST);
  EXPECT_EQ(aCrossings.OwnFaces().size(), 2u);
  // Moving the corners of a crossing seen before does not make it the group's.
  aCrossings.TouchNodes(aCopy.Corners(aSurface, {3}), *aCopy.Clip);
  EXPECT_TRUE(aCrossings.Perform(aCopy.Mesh, *aCopy.Clip, *aCopy.Check));
  EXPECT_EQ(aCopy.SurfacePairs(aCrossings.OwnPairs()), THE_FIRST);

  // The next group starts afresh: the other crossing is its own, the first
  // one, untouched, is not.
  aCrossings.StartGroup(1, aSurface, {4});
  EXPECT_TRUE(aCrossings.Perform(aCopy.Mesh, *aCopy.Clip, *aCopy.Check));
  EXPECT_EQ(aCopy.SurfacePairs(aCrossings.OwnPairs()), THE_SECOND);

  // A crossing touched before it is first seen is the group's.
  aCrossings.StartGroup(0, aSurface, {1});
  aCrossings.TouchNodes(aCopy.Corners(aSurface, {4}), *aCopy.Clip);
  EXPECT_TRUE(aCrossings.Perform(aCopy.Mesh, *aCopy.Clip, *aCopy.Check));
  EXPECT_EQ(aCopy.SurfacePairs(aCrossings.OwnPairs()), THE_BOTH);

  aCrossings.StartGroup(0, aSurface, {0});
  EXPECT_FALSE(aCrossings.Perform(aCopy.Mesh, *aCopy.Clip, *aCopy.Check));
  EXPECT_TRUE(aCrossings.OwnFaces().empty());
}

TEST(Algo_GroupCrossings, CrossingsOfLaterGroupsAreLeftToThem)
{
  const Handle(HalfEdge_Mesh)                 aSurface = twoCrossings();
  const Copy                                  aCopy(aSurface);
  Handle(HalfEdgeAlgo_CheckSelfIntersections) aRoundCheck = new HalfEdgeAlgo_CheckSelfIntersections();
  aRoundCheck->SetCollectGroups(true);
  ASSERT_TRUE(aSurface->Execute(aRoundCheck, false));
  ASSERT_EQ(aRoundCheck->Groups().size(), 2u);
  ASSERT_EQ(aRoundCheck->Groups().front(), (std::set<int>{1, 2}));
  Algo_GroupCrossings aCrossings;
  aCrossings.SetRound(aSurface, *aRoundCheck);

  // Touched or not, the crossing of the later group is left to it...
  aCrossings.StartGroup(0, aSurface, {1});
  aCrossings.TouchNodes(aCopy.Corners(aSurface, {3, 4}), *aCopy.Clip);
  EXPECT_TRUE(aCrossings.Perform(aCopy.Mesh, *aCopy.Clip, *aCopy.Check));
  EXPECT_EQ(aCopy.SurfacePairs(aCrossings.OwnPairs()), THE_FIRST);
  // ...but that of an earlier group, which was repaired, is back through
  // this one when touched.
  aCrossings.StartGroup(1, aSurface, {3});
  aCrossings.TouchNodes(aCopy.Corners(aSurface, {2}), *aCopy.Clip);
  EXPECT_TRUE(aCrossings.Perform(aCopy.Mesh, *aCopy.Clip, *aCopy.Check));
  EXPECT_EQ(aCopy.SurfacePairs(aCrossings.OwnPairs()), THE_BOTH);

  aCrossings.ClearRound();
  aCrossings.StartGroup(0, aSurface, {1});
  aCrossings.TouchNodes(aCopy.Corners(aSurface, {3}), *aCopy.Clip);
  EXPECT_TRUE(aCrossings.Perform(aCopy.Mesh, *aCopy.Clip, *aCopy.Check));
  EXPECT_EQ(aCopy.SurfacePairs(aCrossings.OwnPairs()), THE_BOTH);
}
