// Self-intersection check against an all-pairs search, on soups, data meshes and hand-made cases.
#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <Pelk_API.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Meshes.hxx>
#include <Trivex_IntersectTriMesh.hxx>

#include <Bnd_Box.hxx>
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <tuple>

namespace
{
using Groups = std::list<std::set<int>>;
using Pairs  = std::set<std::pair<int, int>>;
using Algo   = HalfEdgeAlgo_CheckSelfIntersections;
using Points = std::vector<gp_Pnt>;

// Face pairs whose records cross: by query, or every pair by the mesh checker's rule (boxes first).
Pairs crossingPairs(const Handle(Trivex::TriangleSet)& theSet, bool theIsQuery)
{
  const int                          aNb = theSet->NbTriangles();
  std::vector<std::array<gp_XYZ, 3>> aCorners(aNb);
  std::vector<Bnd_Box>               aBoxes(aNb);
  for (int i = 0; i < 3 * aNb; ++i)
  {
    aBoxes[i / 3].Add(gp_Pnt(aCorners[i / 3][i % 3] = theSet->Triangle(i / 3).Point(i % 3).XYZ()));
    aBoxes[i / 3].SetGap(1e-7);
  }
  Pairs                             aPairs;
  Trivex::IntersectTriMesh          aQuery(theSet);
  std::vector<Trivex::TriangleData> aFound;
  for (int i = 0; i < aNb; ++i)
  {
    std::vector<int> aHits =
        theIsQuery && aQuery.Perform(theSet->Triangle(i), aFound) ? aQuery.Indices() : std::vector<int>();
    for (int j = i + 1; j < aNb && !theIsQuery; ++j)
    {
      if (!aBoxes[i].IsOut(aBoxes[j]) &&
          PelliskTest_MeshCheck::FacesCross(aCorners[i].data(), aCorners[j].data(), 1e-7))
      {
        aHits.push_back(j);
      }
    }
    for (const int j : aHits)
    {
      const int a = theSet->Triangle(i).FaceIndex(), b = theSet->Triangle(j).FaceIndex();
      aPairs.emplace(std::min(a, b), std::max(a, b));
    }
  }
  return aPairs;
}

// Connected pieces of the pairs, sorted: each pair takes in every piece it touches.
Groups components(const Pairs& thePairs)
{
  Groups aGroups;
  for (const auto& [a, b] : thePairs)
  {
    std::set<int> aJoined = {a, b};
    for (Groups::iterator aGroup = aGroups.begin(); aGroup != aGroups.end();)
    {
      const bool isTouched = aGroup->count(a) + aGroup->count(b) > 0;
      aJoined.insert(aGroup->begin(), isTouched ? aGroup->end() : aGroup->begin());
      aGroup = isTouched ? aGroups.erase(aGroup) : std::next(aGroup);
    }
    aGroups.push_back(aJoined);
  }
  aGroups.sort();
  return aGroups;
}

// Runs the check on 2 threads then 1, expecting the same results and a valid mesh of the groups' faces.
// Some faces are given as the tested faces on 2 threads, as the argument on 1.
bool check(const Handle(HalfEdge_Mesh)& theMesh,
           Handle(Algo)&                theCheck,
           const std::set<int>*         theFaces = nullptr)
{
  const auto aRun = [&](Mesh& m)
  {
    theCheck->TestedFaces() = theFaces && theCheck->NbThreads() == 2 ? *theFaces : std::set<int>();
    return theFaces && theCheck->NbThreads() == 1 ? theCheck->Perform(m, *theFaces) : theCheck->Perform(m);
  };
  std::tuple<bool, Groups, std::vector<std::pair<int, int>>> aRuns[3];
  for (unsigned int aNbThreads : {2u, 1u})
  {
    theCheck->SetNbThreads(aNbThreads);
    const bool isFound = PelliskTest_Mesh::Apply(theMesh, aRun, false);
    aRuns[aNbThreads]  = {isFound, theCheck->Groups(), theCheck->Pairs()};
  }
  EXPECT_EQ(aRuns[1], aRuns[2]) << "one thread against two";
  size_t aNbFaces = 0;
  for (const std::set<int>& aGroup : std::get<1>(aRuns[1]))
  {
    aNbFaces += aGroup.size();
  }
  if (std::get<0>(aRuns[1]) && theCheck->IsCollectGroups())
  {
    EXPECT_EQ(theCheck->IntersectionMesh()->NbFaces(), static_cast<int>(aNbFaces));
    EXPECT_EQ(PelliskTest_Mesh::Check(theCheck->IntersectionMesh()), "");
  }
  return std::get<0>(aRuns[1]);
}

Handle(HalfEdge_Mesh) meshOf(const std::vector<Points>& theFaces)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh();
  for (const Points& aFace : theFaces)
  {
    std::list<int> aNodes;
    std::transform(aFace.begin(), aFace.end(), std::back_inserter(aNodes),
                   [&](const gp_Pnt& p) { return aMesh->AddNode(p); });
    EXPECT_GE(aMesh->AddFace(aNodes, true), 0);
  }
  return aMesh;
}
} // namespace

// Random soups of 200 triangles, then the data meshes with their documented counts of crossing pairs (the
// all-pairs search runs over the check's records). Teapot: 56 pairs, not 46, but all are plain crossings
// (each face 0.03 or more across the other's plane, no corner shared or near), at tolerances 0 to 1e-5 alike.
TEST(HalfEdgeAlgo_CheckSelfIntersectionsTest, PairsAndGroupsAgreeWithAllPairs)
{
  const char* aNames[] = {"",           "",           "", "teapot_utah", "spider_assimp", "maxexport_assimp",
                          "bones_cgal", "boeing_cgal"};
  const int   aDocumented[] = {-1, -1, -1, 46, 317, 356, 366, 0};
  for (size_t m = 0; m < std::size(aNames); ++m)
  {
    SCOPED_TRACE(aNames[m]);
    const bool                             isSoup = aDocumented[m] < 0;
    Pelk_API                               anAPI;
    std::mt19937                           aRandom(static_cast<unsigned int>(m));
    std::uniform_real_distribution<double> aCoord(0.0, 1.0), aSide(-0.15, 0.15);
    std::vector<Points>                    aSoup(isSoup ? 200 : 0);
    const auto                             aNear = [&](const gp_XYZ& theCentre)
    { return gp_Pnt(theCentre + gp_XYZ(aSide(aRandom), aSide(aRandom), aSide(aRandom))); };
    for (Points& aFace : aSoup)
    {
      const gp_XYZ aCentre(aCoord(aRandom), aCoord(aRandom), aCoord(aRandom));
      aFace = {aNear(aCentre), aNear(aCentre), aNear(aCentre)};
    }
    ASSERT_TRUE(isSoup || anAPI.ImportSTL(PelliskTest_Data::File(aNames[m] + std::string(".stl")).c_str()));
    const Handle(HalfEdge_Mesh) aMesh  = isSoup ? meshOf(aSoup) : new HalfEdge_Mesh(anAPI.DirtyMesh());
    Handle(Algo)                aCheck = new Algo();
    aCheck->SetCollectGroups(true);
    const bool  isFound = check(aMesh, aCheck);
    const Pairs anAll   = crossingPairs(aCheck->TriangleSet(), false);
    EXPECT_EQ(crossingPairs(aCheck->TriangleSet(), true), anAll);
    EXPECT_EQ(isFound, !anAll.empty());
    EXPECT_EQ(aCheck->Groups(), components(anAll));
    EXPECT_TRUE(std::equal(anAll.begin(), anAll.end(), aCheck->Pairs().begin(), aCheck->Pairs().end()));
    EXPECT_TRUE(!isSoup || aCheck->Groups().size() > 3u);
  }
}

TEST(HalfEdgeAlgo_CheckSelfIntersectionsTest, EdgeCases)
{
  std::vector<std::set<int>> aReports = {{1, 2}, {2, 3}, {3, 4}, {7}}; // a chain, in every order
  do
  {
    Groups aGroups;
    std::for_each(aReports.begin(), aReports.end(), [&](const auto& r) { Algo::MergeGroup(aGroups, r); });
    aGroups.sort();
    EXPECT_EQ(aGroups, Groups({{1, 2, 3, 4}, {7}}));
  } while (std::next_permutation(aReports.begin(), aReports.end()));
  // A in z = 0; B through A and C (A raised); D through C only; E, F as A, B moved; the pin through both
  // halves of the quad, however split; the needle through A, its corners on a line.
  const Points aQuad = {{0, 0, 0}, {20, 0, 0}, {20, 20, 0}, {0, 20, 0}};
  const Points aA = {{0, 0, 0}, {20, 0, 0}, {0, 20, 0}}, aC = {{0, 0, 5}, {20, 0, 5}, {0, 20, 5}};
  const Points aB = {{4, 5, -10}, {6, 5, -10}, {5, 5, 10}}, aD = {{12, 2, 3}, {14, 2, 3}, {13, 2, 10}};
  const Points aE = {{90, 0, 0}, {110, 0, 0}, {90, 20, 0}}, aF = {{94, 5, -10}, {96, 5, -10}, {95, 5, 10}};
  const Points aPin = {{5, 10, -9}, {15, 10, -9}, {10, 10, 9}}, aNeedle = {{5, 5, -9}, {5, 5, 0}, {5, 5, 9}};
  // A and B a hundred thousand times smaller: A's area is below 1e-7, its heights are not.
  const auto aSmall = [](Points theFace)
  {
    std::for_each(theFace.begin(), theFace.end(), [](gp_Pnt& p) { p.SetXYZ(p.XYZ() * 1e-5); });
    return theFace;
  };
  const Handle(HalfEdge_Mesh) aSphere   = new HalfEdge_Mesh(PelliskTest_Meshes::IcoSphere(gp_Pnt(), 1, 2));
  const Handle(HalfEdge_Mesh) aTwoPairs = meshOf({aA, aB, aE, aF, aD});
  struct Case
  {
    const char*           Name;
    Handle(HalfEdge_Mesh) Mesh;
    std::set<int>         Faces; // all faces when empty
    bool                  IsCollect, IsFound;
    Groups                Expected;
    int                   NbRecords; // the quad's are its halves, the needle has none
  } aCases[] = {{"chain", meshOf({aA, aD, aC, aB}), {}, true, true, {{0, 1, 2, 3}}, 4},
                {"closed sphere", aSphere, {}, true, false, {}, 320},
                {"collinear", meshOf({aA, aNeedle}), {}, true, false, {}, 1},
                {"small", meshOf({aSmall(aA), aSmall(aB)}), {}, true, true, {{0, 1}}, 2},
                {"quad", meshOf({aQuad, aPin}), {}, true, true, {{0, 1}}, 3},
                {"one face", aTwoPairs, {2}, true, true, {{2, 3}}, 5},
                {"no crossing or invalid", aTwoPairs, {-1, 4, 99}, true, false, {}, 5},
                {"yes or no", aTwoPairs, {}, false, true, {}, 5}};
  for (const Case& aCase : aCases)
  {
    SCOPED_TRACE(aCase.Name);
    Handle(Algo) aCheck = new Algo();
    aCheck->SetCollectGroups(true);
    ASSERT_TRUE(aTwoPairs->Execute(aCheck, false));
    const Handle(HalfEdge_Mesh) aBefore = aCheck->IntersectionMesh();
    aCheck->SetCollectGroups(aCase.IsCollect);
    EXPECT_EQ(check(aCase.Mesh, aCheck, aCase.Faces.empty() ? nullptr : &aCase.Faces), aCase.IsFound);
    EXPECT_EQ(aCheck->Groups(), aCase.Expected);
    std::set<int> aPaired, aGrouped;
    for (const auto& [aFace, anOther] : aCheck->Pairs())
    {
      EXPECT_LT(aFace, anOther);
      aPaired.insert({aFace, anOther});
    }
    std::for_each(aCase.Expected.begin(), aCase.Expected.end(),
                  [&](const auto& g) { aGrouped.insert(g.begin(), g.end()); });
    EXPECT_EQ(aPaired, aGrouped) << "the pairs make the groups";
    EXPECT_EQ(aCheck->IntersectionMesh() == aBefore, !aCase.IsCollect || !aCase.IsFound);
    EXPECT_EQ(aCheck->TriangleSet()->NbTriangles(), aCase.NbRecords);
  }
}

// A bumpy sheet of quadrangles pierced by pins, checked with remembered splits
// before and after some nodes move (two of them to -0 and back), against a
// check that works every split out: the same records and pairs each time.
TEST(HalfEdgeAlgo_CheckSelfIntersectionsTest, RememberedSplitsGiveTheSameRecords)
{
  std::mt19937                           aRandom(7);
  std::uniform_real_distribution<double> aBump(-0.4, 0.4);
  const int                              aSide = 6;
  Handle(HalfEdge_Mesh)                  aMesh = new HalfEdge_Mesh();
  for (int j = 0; j <= aSide; ++j)
  {
    for (int i = 0; i <= aSide; ++i)
    {
      aMesh->AddNode(gp_Pnt(i, j, aBump(aRandom)));
    }
  }
  for (int j = 0; j < aSide; ++j)
  {
    for (int i = 0; i < aSide; ++i)
    {
      const int a = j * (aSide + 1) + i;
      ASSERT_GE(aMesh->AddFace({a, a + 1, a + aSide + 2, a + aSide + 1}, true), 0);
    }
  }
  for (int k = 0; k < 8; ++k)
  {
    const double x = 0.5 + k % 4, y = 0.5 + k / 4 * 2;
    ASSERT_GE(aMesh->AddFace({aMesh->AddNode(gp_Pnt(x - 0.3, y - 0.3, -1)),
                              aMesh->AddNode(gp_Pnt(x + 0.3, y + 0.3, -1)), aMesh->AddNode(gp_Pnt(x, y, 1))},
                             true),
              0);
  }
  Handle(Algo) aRemembering = new Algo(), aFresh = new Algo();
  for (const Handle(Algo)& aCheck : {aRemembering, aFresh})
  {
    aCheck->SetCollectGroups(true);
  }
  aRemembering->SetSplitsRemembered(true);
  const auto aRecords = [](const Handle(Algo)& theCheck)
  {
    std::vector<std::array<double, 10>> aList;
    for (int i = 0; i < theCheck->TriangleSet()->NbTriangles(); ++i)
    {
      const Trivex::TriangleData& aRecord = theCheck->TriangleSet()->Triangle(i);
      std::array<double, 10>      anItem  = {double(aRecord.FaceIndex())};
      for (int k = 0; k < 9; ++k)
      {
        anItem[size_t(k + 1)] = aRecord.Point(k / 3).Coord(k % 3 + 1);
      }
      aList.push_back(anItem);
    }
    return aList;
  };
  const gp_Pnt aFirst = aMesh->Node(0), aLast = aMesh->Node(aSide);
  for (int aRun = 0; aRun < 4; ++aRun)
  {
    SCOPED_TRACE(aRun);
    if (aRun == 1 || aRun == 3)
    {
      aMesh->SetNode(0, gp_Pnt(aFirst.X(), aFirst.Y(), aRun == 1 ? -0.0 : aFirst.Z()));
      aMesh->SetNode(aSide, gp_Pnt(aLast.X(), aLast.Y(), aRun == 1 ? -0.0 : aLast.Z()));
    }
    for (int aNode = 9; aNode < 13 && aRun == 2; ++aNode)
    {
      aMesh->SetNode(aNode, aMesh->Node(aNode).Translated(gp_Vec(0, 0, 0.5)));
    }
    const bool isFound = aMesh->Execute(aRemembering, false);
    EXPECT_EQ(aMesh->Execute(aFresh, false), isFound);
    EXPECT_TRUE(isFound);
    EXPECT_EQ(aRemembering->Pairs(), aFresh->Pairs());
    EXPECT_EQ(aRecords(aRemembering), aRecords(aFresh));
  }
}
