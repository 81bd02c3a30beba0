#include <Trivex_ClassifyPntMesh.hxx>
#include <Trivex_IntersectBoxBox.hxx>
#include <Trivex_DistRayMesh.hxx>
#include <Trivex_IntersectBoxMesh.hxx>
#include <Trivex_IntersectRayMesh.hxx>
#include <Trivex_IntersectTriMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>

#include <PelliskTest_MeshCheck.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Meshes.hxx>

#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <random>

namespace
{
using Tri = Trivex::TriangleData;
using Set = Handle(Trivex::TriangleSet);

const double THE_NAN    = std::nan("");
const double THE_NO_HIT = Trivex::DistRayMesh::THE_NO_HIT;

// A soup in [0, 4]^3 of lattice triangles, small ones, degenerate ones (a repeated corner, collinear
// corners), ones in the planes z = const, and an earlier one's side reversed with a new third corner or
// its own. Coordinates lie on a lattice of step 0.5 (shared corners, sides and planes, touching boxes),
// beside it by 5e-8 or 5e-6 (either side of the default tolerance), or anywhere.
std::vector<Tri> soup(std::mt19937& theGen, int theNb)
{
  const auto aCoord = [&](unsigned int theKind)
  {
    return theKind == 3 ? 4.0 * (theGen() / 4294967296.0)
                        : 0.5 * (theGen() % 9) + (theKind == 0 ? 0.0 : (theKind == 1 ? 5e-8 : -5e-6));
  };
  const auto aPoint = [&](bool theIsLattice)
  {
    const double aX = aCoord(theIsLattice ? 0 : theGen() % 4), aY = aCoord(theIsLattice ? 0 : theGen() % 4);
    return gp_Pnt(aX, aY, aCoord(theIsLattice ? 0 : theGen() % 4));
  };
  std::vector<Tri> aSoup;
  while (static_cast<int>(aSoup.size()) < theNb)
  {
    const unsigned int aKind = theGen() % 5, isOne = theGen() % 2;
    const gp_Pnt       aP = aPoint(aKind != 1 && isOne), aQ = aPoint(true), aR = aPoint(true);
    const double       aS             = 0.05 + 0.5 * (theGen() / 4294967296.0);
    const Tri          aBase          = aSoup.empty() ? Tri(aP, aQ, aR, 0) : aSoup[theGen() % aSoup.size()];
    const gp_Pnt       aCorners[5][3] = {
              {aP, aQ, aR},
              {aP, aP.Translated(gp_Vec(aS, 0.1 * aS, 0.3 * aS)), aP.Translated(gp_Vec(0.2 * aS, aS, -0.4 * aS))},
              {aP, isOne ? aP : gp_Pnt(0.5 * (aP.XYZ() + aQ.XYZ())), aQ},
              {aQ, gp_Pnt(aR.X(), aR.Y(), aQ.Z()), gp_Pnt(aP.X(), aP.Y(), aQ.Z())},
              {aBase.Point(1), aBase.Point(0), theGen() % 4 == 0 ? aBase.Point(2) : aP}};
    aSoup.emplace_back(aCorners[aKind][0], aCorners[aKind][1], aCorners[aKind][2], int(aSoup.size()));
  }
  return aSoup;
}

// The support torus stretched threefold along z about (2, 2, 2), each triangle turned inside out.
std::vector<Tri> torus(int theNbU, int theNbV)
{
  const Handle(Poly_Triangulation) aMesh = PelliskTest_Meshes::Torus(theNbU, theNbV);
  std::vector<Tri>                 aTris;
  for (int t = 1; t <= aMesh->NbTriangles(); ++t)
  {
    const auto aNode = [&](int k)
    { return aMesh->Node(aMesh->Triangle(t).Value(k)).XYZ().Multiplied(gp_XYZ(1, 1, 3)) + gp_XYZ(2, 2, 2); };
    aTris.emplace_back(aNode(2), aNode(1), aNode(3), t);
  }
  return aTris;
}

Bnd_Box boxOf(const Tri& theT, double theGap = 0.0)
{
  Bnd_Box aBox(theT.Point(0), theT.Point(0));
  aBox.Add(theT.Point(1));
  aBox.Add(theT.Point(2));
  aBox.SetGap(theGap);
  return aBox;
}

template <class T>
T built(const T& theSet, int theNbThreads = 1)
{
  theSet->SetNbBuilderThreads(theNbThreads);
  theSet->InitBuilder();
  theSet->Build();
  return theSet;
}

// A triangle set, and a box set over the triangles' boxes and a void and an unbounded box (never found).
struct Sets
{
  Set                    Tris;
  Handle(Trivex::BoxSet) Boxes;
};

Sets built(const std::vector<Tri>& theTris, int theNbThreads = 1)
{
  std::vector<Trivex::BoxData> aBoxes;
  for (const Tri& aT : theTris)
  {
    aBoxes.emplace_back(boxOf(aT).CornerMin().XYZ(), boxOf(aT).CornerMax().XYZ(), int(aBoxes.size()));
  }
  aBoxes.emplace_back(gp_XYZ(0, 0, 0), gp_XYZ(HUGE_VAL, 1, 1), int(aBoxes.size()));
  aBoxes.emplace_back();
  return {built(Set(new Trivex::TriangleSet(theTris)), theNbThreads),
          built(Handle(Trivex::BoxSet)(new Trivex::BoxSet(aBoxes)), theNbThreads)};
}

double sqDistance(const gp_XYZ& theP, const gp_XYZ& theQ, const Tri& theT)
{
  const gp_XYZ aT[3] = {theT.Point(0).XYZ(), theT.Point(1).XYZ(), theT.Point(2).XYZ()};
  return PelliskTest_MeshCheck::SegmentTriangleSqDistance(theP, theQ, aT);
}

// True when a corner lies within theHeight of the line through the other two: a computed normal that
// is noise, or a plane that the tolerance leaves undecided.
bool isThin(const Tri& theT, double theHeight)
{
  const gp_XYZ anAB  = theT.Point(1).XYZ() - theT.Point(0).XYZ(),
               anAC  = theT.Point(2).XYZ() - theT.Point(0).XYZ();
  const double aMax2 = std::max({anAB.SquareModulus(), anAC.SquareModulus(), (anAC - anAB).SquareModulus()});
  return anAB.Crossed(anAC).SquareModulus() <= theHeight * theHeight * aMax2;
}

bool onLattice(const gp_XYZ& theP)
{
  const gp_XYZ aP4 = theP * 4.0;
  return aP4.IsEqual(gp_XYZ(std::floor(aP4.X()), std::floor(aP4.Y()), std::floor(aP4.Z())), 0.0);
}

// A query: a triangle, a point, a ray and a box derived from it, the tolerances and variant choices.
struct Input
{
  Tri          T;
  bool         IsAimed; // see query()
  gp_Pnt       Point;
  Trivex::Ray  Ray;
  gp_XYZ       Min, Max;
  double       BoxTol, TieTol;
  unsigned int Bits;
};

// The queries of theT. The box is spanned by its first two corners, or a small cell at the lower one, or
// flat, with no tolerance only on the lattice (where no rounding blurs an exact touch). The ray runs from
// the first corner towards the second or along the normal, infinite or ending there; the point is the
// first corner. Aimed queries target the first corner or side's midpoint of theT, a triangle of theSet:
// the ray comes from afar, the point is where the classifier's first ray runs through the target.
// Rounding puts these beside it, where on a closed surface a triangle around must still count.
Input query(const Tri& theT, unsigned int theBits, bool theIsOwn, const Set& theSet)
{
  const gp_XYZ aA = theT.Point(0).XYZ(), aB = theT.Point(1).XYZ(),
               aTarget = theBits % 2 ? 0.5 * (aA + aB) : aA;
  const gp_Vec aD(theT.Point(0), theT.Point(1));
  const gp_XYZ aTilt(theBits >> 14 & 7, theBits >> 17 & 7, theBits >> 20 & 7),
      aFrom = aTarget + (theT.Normal().XYZ() + (aTilt - gp_XYZ(3.5, 3.5, 3.5)) * 0.04) * 3.0;
  const gp_Dir aDir =
      (theBits >> 6) % 3 == 0 ? theT.Normal() : (aD.Magnitude() > 1e-3 ? gp_Dir(aD) : gp_Dir(1.0, 0.5, 0.25));
  const gp_XYZ aMin(std::min(aA.X(), aB.X()), std::min(aA.Y(), aB.Y()), std::min(aA.Z(), aB.Z()));
  gp_XYZ       aMax(std::max(aA.X(), aB.X()), std::max(aA.Y(), aB.Y()), std::max(aA.Z(), aB.Z()));
  aMax = (theBits >> 3) % 3 == 0 ? aMin + gp_XYZ(0.25, 0.25, 0.25) : aMax;
  aMax.SetZ((theBits >> 3) % 3 == 1 ? aMin.Z() : aMax.Z());
  const double      aTol    = (theBits >> 5) % 2 == 0 || !onLattice(aMin) || !onLattice(aMax) ? 1e-7 : 0.0;
  const bool        isAimed = theIsOwn && (theBits >> 1) % 3 != 0 && !isThin(theT, 1e-9);
  const Trivex::Ray aRay(theT.Point(0), aDir, (theBits >> 8) % 2 == 0, aD.Magnitude());
  Input anIn{theT, isAimed, theT.Point(0), aRay, aMin, aMax, aTol, (theBits >> 9) % 2 ? 1e-9 : 1e-7, theBits};
  if (anIn.IsAimed)
  {
    // The classifier's first ray heads for the side of the set's box nearest to the point, tilted by the
    // first two draws of its default seed.
    std::mt19937 aGen(1231121987u);
    const double aZ = 2.0 * (aGen() / 4294967296.0) - 1.0, aPhi = 2.0 * M_PI * (aGen() / 4294967296.0);
    gp_XYZ       aFirst =
        gp_XYZ(std::sqrt(1 - aZ * aZ) * std::cos(aPhi), std::sqrt(1 - aZ * aZ) * std::sin(aPhi), aZ) * 0.25;
    const gp_XYZ aLow     = aTarget - theSet->Box().CornerMin().XYZ(),
                 aHigh    = theSet->Box().CornerMax().XYZ() - aTarget;
    const double aGaps[6] = {aHigh.X(), aLow.X(), aHigh.Y(), aLow.Y(), aHigh.Z(), aLow.Z()};
    const int    aSide    = static_cast<int>(std::min_element(aGaps, aGaps + 6) - aGaps);
    aFirst.SetCoord(aSide / 2 + 1, aSide % 2 == 0 ? 1.0 : -1.0);
    anIn.Point = gp_Pnt(aTarget - aFirst.Normalized() * (0.05 + 0.2 * (theBits >> 12 & 3)));
    anIn.Ray   = Trivex::Ray(gp_Pnt(aFrom), gp_Dir(aTarget - aFrom), true);
  }
  return anIn;
}

// Query number theQ: every other one of the first is on a triangle of the set, its corners turned.
Input input(std::mt19937& theGen, const Set& theSet, int theQ)
{
  const Tri  aT = soup(theGen, 1)[0], &anOwn = theSet->Triangle(theQ / 2);
  const bool isOwn = theQ % 2 == 0 && theQ / 2 < theSet->NbTriangles();
  const int  k     = theQ % 3;
  return query(
      isOwn ? Tri(anOwn.Point(k), anOwn.Point((k + 1) % 3), anOwn.Point((k + 2) % 3), anOwn.FaceIndex())
            : Tri(aT.Point(0), aT.Point(1), aT.Point(2), 100000 + theQ),
      static_cast<unsigned int>(theGen()), isOwn, theSet);
}

// What a query answered: whether it found something, a distance, a triangle and the triangles listed.
struct Answer
{
  bool             IsFound = false;
  double           Value   = 0.0;
  int              Index   = -1;
  std::vector<int> Found   = {-1}; // the queries must empty it first

  bool IsNothing() const { return !IsFound && Found.empty() && Index == -1; }

  bool operator==(const Answer& theA) const
  {
    return IsFound == theA.IsFound && Value == theA.Value && Index == theA.Index && Found == theA.Found;
  }
};

Answer runBox(const Sets& theSets, const Input& theIn)
{
  Trivex::IntersectBoxMesh aQuery(theSets.Tris);
  Answer                   anA;
  aQuery.SetTolerance(theIn.BoxTol);
  anA.IsFound = aQuery.Perform(Bnd_Box(theIn.Min, theIn.Max), anA.Found);
  EXPECT_EQ(aQuery.Perform(Bnd_Box(theIn.Min, theIn.Max)), anA.IsFound);
  return anA;
}

Answer runBoxBox(const Sets& theSets, const Input& theIn)
{
  Trivex::IntersectBoxBox      aQuery(theSets.Boxes);
  std::vector<Trivex::BoxData> aFound(1);
  const bool isFound = aQuery.Perform(Trivex::BoxData(theIn.Min, theIn.Max), aFound, theIn.BoxTol);
  EXPECT_TRUE(std::equal(aFound.begin(), aFound.end(), aQuery.Indices().begin(), aQuery.Indices().end(),
                         [](const Trivex::BoxData& theB, int theI) { return theB.Index() == theI; }));
  return {isFound, 0.0, -1, aQuery.Indices()};
}

Answer runClassify(const Sets& theSets, const Input& theIn)
{
  // Default parameters, a single try (a grazing ray must then be told apart), or three voting rays.
  const Trivex::ClassifyPntMesh aQuery[3] = {Trivex::ClassifyPntMesh(theSets.Tris),
                                             Trivex::ClassifyPntMesh(theSets.Tris, 1, 1231121987u, 1),
                                             Trivex::ClassifyPntMesh(theSets.Tris, 3, 7u, 5)};
  return {aQuery[(theIn.Bits >> 10) % 3].Perform(theIn.Point), 0.0, -1, {}};
}

Answer runProject(const Sets& theSets, const Input& theIn)
{
  Trivex::ProjectPntMesh aQuery(theSets.Tris);
  std::vector<int>       aFound{-1};
  const gp_Pnt           aQ = aQuery.Perform(theIn.Point, theIn.TieTol, aFound);
  const Answer           anA{aQuery.IsDone(), aQuery.Distance(), aQuery.Index(), aFound};
  // Without the list the same point; with it, a point of the triangle named (which is listed), at the
  // distance given.
  EXPECT_TRUE(aQuery.Perform(theIn.Point).IsEqual(aQ, 0.0) || std::isnan(aQ.X()));
  EXPECT_TRUE(!anA.IsFound || (std::count(aFound.begin(), aFound.end(), anA.Index) &&
                               std::abs(aQ.Distance(theIn.Point) - anA.Value) < 1e-12 &&
                               sqDistance(aQ.XYZ(), aQ.XYZ(), theSets.Tris->Triangle(anA.Index)) < 1e-18));
  return anA;
}

Answer runDistRay(const Sets& theSets, const Input& theIn)
{
  Trivex::DistRayMesh aQuery(theSets.Tris);
  const double        aDist = aQuery.Perform(theIn.Ray);
  EXPECT_EQ(aDist < THE_NO_HIT, aQuery.Index() >= 0);
  return {aDist < THE_NO_HIT, aDist, aQuery.Index(), {}};
}

Answer runRay(const Sets& theSets, const Input& theIn)
{
  Answer anA;
  anA.IsFound = Trivex::IntersectRayMesh(theSets.Tris).Perform(theIn.Ray, anA.Found);
  return anA;
}

Answer runTri(const Sets& theSets, const Input& theIn)
{
  Trivex::IntersectTriMesh aQuery(theSets.Tris);
  std::vector<Tri>         aCrossed(1);
  const bool               isFound = aQuery.Perform(theIn.T, aCrossed);
  EXPECT_TRUE(std::equal(aCrossed.begin(), aCrossed.end(), aQuery.Indices().begin(), aQuery.Indices().end(),
                         [&](const Tri& theT, int theI)
                         { return theT.FaceIndex() == theSets.Tris->Triangle(theI).FaceIndex(); }));
  return {isFound, 0.0, -1, aQuery.Indices()};
}

// Independent answers for one triangle (found or not, a distance, a solid angle); NaN when too close to call.
double oracleBox(const Tri& theT, const Input& theIn)
{
  const gp_XYZ  aTol = gp_XYZ(1, 1, 1) * theIn.BoxTol, aMin = theIn.Min - aTol, aMax = theIn.Max + aTol;
  const gp_XYZ  aT[3] = {theT.Point(0).XYZ(), theT.Point(1).XYZ(), theT.Point(2).XYZ()};
  const Bnd_Box aBox(aMin, aMax);
  // The closed shapes meet when the triangle's first corner lies in the box or the triangle meets one of
  // the box's faces, two triangles each; bit k of a box corner's number picks the upper bound on axis k.
  const int  aFaces[12][3] = {{0, 1, 3}, {0, 3, 2}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                              {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 3, 7}, {1, 7, 5}};
  const auto aCorner       = [&](int c)
  { return gp_XYZ((c & 1 ? aMax : aMin).X(), (c & 2 ? aMax : aMin).Y(), (c & 4 ? aMax : aMin).Z()); };
  bool isMeet = !aBox.IsOut(theT.Point(0));
  for (int f = 0; f < 12 && !isMeet && !aBox.IsOut(boxOf(theT)); ++f)
  {
    const gp_XYZ aHalf[3] = {aCorner(aFaces[f][0]), aCorner(aFaces[f][1]), aCorner(aFaces[f][2])};
    isMeet                = PelliskTest_MeshCheck::TriangleTriangleSqDistance(aT, aHalf) <= 1e-24;
  }
  const bool isExact = aTol.X() > 0.0 || (onLattice(aT[0]) && onLattice(aT[1]) && onLattice(aT[2]));
  return isThin(theT, 1e-9) || !isExact ? THE_NAN : isMeet;
}

double oracleBoxBox(const Tri& theT, const Input& theIn)
{
  return !boxOf(theT, theIn.BoxTol).IsOut(Bnd_Box(theIn.Min, theIn.Max));
}

// Solid angle of theT seen from the point (Van Oosterom and Strackee); NaN within 1e-6 of the triangle,
// where rounding may decide, and infinite within 1e-9, on the surface, where nothing is inside.
double oracleClassify(const Tri& theT, const Input& theIn)
{
  const gp_XYZ aP = theIn.Point.XYZ(), a = theT.Point(0).XYZ() - aP, b = theT.Point(1).XYZ() - aP,
               c  = theT.Point(2).XYZ() - aP;
  const double la = a.Modulus(), lb = b.Modulus(), lc = c.Modulus(), aD2 = sqDistance(aP, aP, theT);
  return aD2 < 1e-12 ? (aD2 < 1e-18 ? HUGE_VAL : THE_NAN)
                     : 2.0 * std::atan2(a.Dot(b.Crossed(c)),
                                        la * lb * lc + a.Dot(b) * lc + a.Dot(c) * lb + b.Dot(c) * la);
}

double oracleProject(const Tri& theT, const Input& theIn)
{
  return std::sqrt(sqDistance(theIn.Point.XYZ(), theIn.Point.XYZ(), theT));
}

// 1 when the ray, from theFrom to its end (at most 100) and theBeyond, meets the closed triangle, 0 when
// it passes clear; NaN when it ends or passes within 1e-9 of the triangle's sides, where rounding decides.
double rayHits(const Tri& theT, const Input& theIn, double theFrom, double theBeyond)
{
  const double anEnd = std::min(theIn.Ray.MaxParameter(), 100.0) + theBeyond;
  const gp_XYZ aD = theIn.Ray.Direction().XYZ(), aP = theIn.Ray.Origin().XYZ() + aD * theFrom,
               aQ = theIn.Ray.Origin().XYZ() + aD * anEnd;
  double aNear    = std::min(sqDistance(aP, aP, theT), sqDistance(aQ, aQ, theT));
  for (int k = 0; k < 3; ++k)
  {
    const Tri aSide(theT.Point(k), theT.Point((k + 1) % 3), theT.Point((k + 1) % 3), 0);
    aNear = std::min(aNear, sqDistance(aP, aQ, aSide));
  }
  return anEnd <= theFrom ? 0.0 : (aNear < 1e-18 ? THE_NAN : (sqDistance(aP, aQ, theT) == 0.0 ? 1.0 : 0.0));
}

double oracleDistRay(const Tri& theT, const Input& theIn)
{
  const gp_XYZ aA = theT.Point(0).XYZ(), aN = (theT.Point(1).XYZ() - aA).Crossed(theT.Point(2).XYZ() - aA);
  const double aHit = rayHits(theT, theIn, 1e-7, 0.0), aNear = aN.Dot(aA - theIn.Ray.Origin().XYZ());
  return aHit == 1.0 ? aNear / aN.Dot(theIn.Ray.Direction().XYZ()) : (aHit == 0.0 ? THE_NO_HIT : THE_NAN);
}

double oracleRay(const Tri& theT, const Input& theIn)
{
  return rayHits(theT, theIn, -1e-7, 1e-7);
}

double oracleTri(const Tri& theT, const Input& theIn)
{
  const gp_XYZ aA[3] = {theIn.T.Point(0).XYZ(), theIn.T.Point(1).XYZ(), theIn.T.Point(2).XYZ()};
  const gp_XYZ aB[3] = {theT.Point(0).XYZ(), theT.Point(1).XYZ(), theT.Point(2).XYZ()};
  // The query itself is never reported.
  return isThin(theT, 2e-7) || isThin(theIn.T, 2e-7)
             ? THE_NAN
             : theT.FaceIndex() != theIn.T.FaceIndex() && PelliskTest_MeshCheck::FacesCross(aA, aB, 1e-7);
}

// How the set's answer follows from its triangles' answers one by one.
enum Reduce
{
  Hits,    // the triangles found
  Nearest, // the nearest, ties within the tolerance listed
  First,   // one of the nearest
  Winding  // the winding number (closed surfaces only)
};

struct QueryKind
{
  const char* Name;
  Answer (*Run)(const Sets&, const Input&);
  double (*Oracle)(const Tri&, const Input&);
  Reduce Mode;
};

using Trivex_TriangleSetQueryTest = testing::TestWithParam<QueryKind>;
} // namespace

INSTANTIATE_TEST_SUITE_P(Kinds,
                         Trivex_TriangleSetQueryTest,
                         testing::Values(QueryKind{"IntersectBoxMesh", runBox, oracleBox, Hits},
                                         QueryKind{"IntersectBoxBox", runBoxBox, oracleBoxBox, Hits},
                                         QueryKind{"ClassifyPntMesh", runClassify, oracleClassify, Winding},
                                         QueryKind{"ProjectPntMesh", runProject, oracleProject, Nearest},
                                         QueryKind{"DistRayMesh", runDistRay, oracleDistRay, First},
                                         QueryKind{"IntersectRayMesh", runRay, oracleRay, Hits},
                                         QueryKind{"IntersectTriMesh", runTri, oracleTri, Hits}),
                         [](const testing::TestParamInfo<QueryKind>& theInfo) { return theInfo.param.Name; });

TEST_P(Trivex_TriangleSetQueryTest, HierarchyAgreesWithExhaustiveSearchAndIndependentOracle)
{
  const QueryKind& aKind = GetParam();
  const bool       isRay = aKind.Run == runRay || aKind.Run == runDistRay;
  std::mt19937     aGen(7);
  // The soup, and neighbours along a side folded onto the face exactly, within the tolerance and beyond it.
  std::vector<Tri> aSoup = soup(aGen, 300);
  for (const double aZ : {0.0, 5e-8, 5e-6})
  {
    const gp_Pnt aO(aSoup.size() - 295.0, 0, 0), aX(aO.X() + 1, 0, 0); // x = 5, 7, 9
    aSoup.emplace_back(aO, aX, gp_Pnt(aO.X(), 1, 0), int(aSoup.size()));
    aSoup.emplace_back(aX, aO, gp_Pnt(aO.X() + 0.3, 0.3, aZ), int(aSoup.size()));
  }
  for (const std::vector<Tri>& aTris : {aSoup, torus(20, 10)})
  {
    const bool isClosed = aTris.size() == 400;
    SCOPED_TRACE(isClosed ? "torus" : "soup");
    const Sets        aSet = built(aTris);
    std::vector<Sets> aSingles(aTris.size()); // a query on each is the exhaustive answer
    std::transform(aTris.begin(), aTris.end(), aSingles.begin(),
                   [](const Tri& theT) { return built({theT}); });
    const int aNbQueries = isClosed || aKind.Mode != Winding ? 1500 : 0;
    int       aNbFound = 0, aNbMany = 0, aNbCompared = 0;
    for (int q = 0; q < aNbQueries; ++q)
    {
      const Input         anIn = input(aGen, aSet.Tris, q);
      const Answer        anA  = aKind.Run(aSet, anIn);
      std::vector<double> aValues; // of each triangle alone, HUGE_VAL when it finds nothing
      double              aSum = 0.0;
      for (size_t i = 0; i < aTris.size(); ++i)
      {
        const double anOracle = aKind.Oracle(aTris[i], anIn);
        const Answer anOne    = aKind.Mode == Winding ? Answer() : aKind.Run(aSingles[i], anIn);
        const double aValue   = aKind.Mode == Hits ? anOne.IsFound : anOne.Value;
        const bool   isTold   = !std::isnan(anOracle) && aKind.Mode != Winding;
        ASSERT_TRUE(!isTold || std::abs(aValue - anOracle) <= 1e-9)
            << "query " << q << " triangle " << i << ": " << aValue << " vs " << anOracle;
        aSum += anOracle;
        aNbCompared += isTold ? 1 : 0;
        aValues.push_back(anOne.IsFound ? aValue : HUGE_VAL);
      }
      const double     aMin = *std::min_element(aValues.begin(), aValues.end());
      std::vector<int> anExpected;
      for (size_t i = 0; i < aValues.size(); ++i)
      {
        if (aValues[i] < HUGE_VAL && aValues[i] <= aMin + (aKind.Mode == Nearest ? anIn.TieTol : 0.0))
        {
          anExpected.push_back(static_cast<int>(i));
        }
      }
      const bool isRight[4] = {
          anA.Found == anExpected, anA.Found == anExpected && anA.Value == aMin,
          !anA.IsFound || (anA.Value == aMin && std::count(anExpected.begin(), anExpected.end(), anA.Index)),
          std::isnan(aSum) || anA.IsFound == (std::abs(aSum) > 2.0 * M_PI && aSum < HUGE_VAL)};
      ASSERT_TRUE(isRight[aKind.Mode] && (aKind.Mode == Winding || anA.IsFound == !anExpected.empty()))
          << "query " << q;
      ASSERT_TRUE(!isClosed || !isRay || !anIn.IsAimed || anA.IsFound) << "query " << q << " slipped through";
      aNbFound += anA.IsFound ? 1 : 0;
      aNbMany += anA.Found.size() > 1 ? 1 : 0;
      aNbCompared += aKind.Mode == Winding && !std::isnan(aSum) ? 1 : 0;
    }
    // Both outcomes represented (the classifier runs on the closed surface only), most told by the oracle.
    const int aNbTold = aKind.Mode == Nearest ? aNbMany : aNbFound;
    EXPECT_TRUE(aNbQueries == 0 || (aNbTold >= aNbQueries / 10 && aNbTold < aNbQueries)) << aNbTold;
    EXPECT_GE(aNbCompared, aKind.Mode == Winding ? aNbQueries / 2 : 100 * aNbQueries);
  }
}

TEST_P(Trivex_TriangleSetQueryTest, ThreadsChangeNoAnswerAndNothingIsFoundUnbuiltOrForNotANumber)
{
  // Enough triangles for the builder to share out; lattice queries meet ties, whose winner is the tree's.
  std::mt19937     aGen(5);
  std::vector<Tri> aTris = torus(120, 60), aSoup = soup(aGen, 4000);
  aTris.insert(aTris.end(), aSoup.begin(), aSoup.end());
  const Sets          aSet = built(aTris, 1), aSet2 = built(aTris, 2);
  std::vector<Input>  anInputs;
  std::vector<Answer> aSerial, aParallel(600);
  size_t              aHit = 600; // a query that finds something
  for (int q = 0; q < 600; ++q)
  {
    anInputs.push_back(input(aGen, aSet.Tris, q));
    aSerial.push_back(GetParam().Run(aSet, anInputs.back()));
    aHit = aSerial.back().IsFound ? std::min(aHit, aSerial.size() - 1) : aHit;
  }
#pragma omp parallel for num_threads(2) schedule(dynamic, 1)
  for (int i = 0; i < 600; ++i)
  {
    aParallel[static_cast<size_t>(i)] = GetParam().Run(aSet2, anInputs[static_cast<size_t>(i)]);
  }
  EXPECT_TRUE(aSerial == aParallel);
  const auto   aRun   = GetParam().Run;
  const Input& aFinds = anInputs.at(aHit);
  EXPECT_TRUE(aRun(Sets(), aFinds).IsNothing() && aRun(built(std::vector<Tri>()), aFinds).IsNothing());
  aSet.Tris->InitBuilder(); // drops the hierarchy until the next Build
  aSet.Boxes->InitBuilder();
  EXPECT_TRUE(aRun(aSet, aFinds).IsNothing() && aSet.Tris->Build() && aSet.Boxes->Build() &&
              !aRun(aSet, aFinds).IsNothing());
  // Coordinates that are not numbers find nothing; a segment of such a length is empty.
  const Tri aBad(gp_Pnt(THE_NAN, 2, 2), gp_Pnt(2, THE_NAN, 2), gp_Pnt(2, 2, THE_NAN), -5);
  EXPECT_TRUE(aRun(aSet, query(aBad, 0, false, aSet.Tris)).IsNothing() &&
              aRun(aSet, query(aBad, 2345, false, aSet.Tris)).IsNothing());
  std::vector<int> aFound;
  EXPECT_FALSE(Trivex::IntersectRayMesh(aSet.Tris).Perform(
      Trivex::Ray(gp_Pnt(4, 2, 2), gp_Dir(0, 0, 1), false, THE_NAN), aFound));
}

TEST(Trivex_TriangleSetTest, HandBuiltSetsGiveExactTouchesTiesAndLengthsAndDeepTreesButNoBrokenTriangle)
{
  // A triangle touching a box only at the box's upper corner: seen from the box's rounded centre, the
  // separating axes show a touch that rounding may turn into a gap.
  Trivex::IntersectBoxMesh aBoxQuery(
      built({Tri(gp_Pnt(0.9, 0.5, 1.5), gp_Pnt(1.8, 0.7, 1.8), gp_Pnt(1.4, 0.7, 2.1), 0)}).Tris);
  aBoxQuery.SetTolerance(0.0);
  EXPECT_TRUE(aBoxQuery.Perform(Bnd_Box(gp_Pnt(0.4, 0.4, 0.8), gp_Pnt(0.9, 0.5, 1.5))));
  // Two grids of 4 x 4 squares, at z = 0 and 1.5, numbered from 0; the last triangle has a node number out
  // of range (never found), the one before repeats a node (found all the same).
  gp_Trsf aLift;
  aLift.SetTranslation(gp_Vec(0, 0, 1.5));
  using namespace PelliskTest_Meshes;
  const Handle(Poly_Triangulation) aGrid = Grid(4, 4), aMesh = Append(aGrid, Transformed(aGrid, aLift));
  aMesh->SetTriangle(64, Poly_Triangle(1, 2, 99));
  aMesh->SetTriangle(63, Poly_Triangle(1, 1, 2));
  const Set  aSet = new Trivex::TriangleSet(aMesh);
  const Tri& aT   = aSet->Triangle(40);
  EXPECT_TRUE(aT.FaceIndex() == 41 && aT.Point(2).IsEqual(aMesh->Node(aMesh->Triangle(41).Value(3)), 0.0));
  EXPECT_TRUE(aSet->Triangle(64).FaceIndex() == -1 && aSet->Box().IsVoid());
  std::vector<int> aFound;
  Trivex::IntersectBoxMesh(built(aSet)).Perform(Bnd_Box(gp_Pnt(-5, -5, -5), gp_Pnt(5, 5, 5)), aFound);
  EXPECT_TRUE(aFound.size() == 63 && aFound[62] == 62 &&
              aSet->Box().CornerMax().IsEqual(gp_Pnt(4, 4, 1.5), 0));
  // The six triangles around a node, all at distance 0, lie in different subtrees.
  Trivex::ProjectPntMesh(aSet).Perform(gp_Pnt(2, 2, 0), 0.0, aFound);
  EXPECT_EQ(aFound, std::vector<int>({10, 11, 13, 18, 20, 21}));
  // The nearest triangle is listed even where the square of its distance's root rounds below it.
  Trivex::ProjectPntMesh(
      built(Set(new Trivex::TriangleSet({Tri(gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(0, 1, 0), 0)}))))
      .Perform(gp_Pnt(-0.5, -0.5, 0.5), 0.0, aFound);
  EXPECT_EQ(aFound, std::vector<int>({0}));
  // Along this ray double precision puts the shared side B-C exactly on it, while
  // it truly passes 2^-60 inside face 0: exactly one of the two faces is hit.
  const double e = std::ldexp(1.0, -30);
  const gp_Pnt aB(1 + 2 * e, 1 + e, 0), aC(-1 - e, -1, 0);
  Trivex::IntersectRayMesh(built(Set(new Trivex::TriangleSet(
                               {Tri(gp_Pnt(1, -1, 0), aB, aC, 0), Tri(gp_Pnt(-1, 1, 0), aC, aB, 1)}))))
      .Perform(Trivex::Ray(gp_Pnt(0, 0, -1), gp_Dir(0, 0, 1), true), aFound);
  EXPECT_EQ(aFound, std::vector<int>({0}));
  // A ray from the lower sheet (its own, ignored) reaches the upper one at 1.5.
  Trivex::DistRayMesh aQuery(aSet);
  const gp_Pnt        aMid(0.5, 0.5, 0); // on a diagonal
  EXPECT_EQ(aQuery.Perform(Trivex::Ray(gp_Pnt(2, 2, 0), gp_Dir(0, 0, 1), true)), 1.5);
  EXPECT_EQ(aQuery.Perform(Trivex::Ray(aMid, gp_Dir(0, 0, 1), false, 1.4)), THE_NO_HIT);
  EXPECT_EQ(aQuery.Perform(Trivex::Ray(aMid, gp_Dir(0, 0, 1), false, 1.5)), 1.5);
  aQuery.SetTolerance(-1.0); // nothing ignored: the own sheet is hit at 0
  EXPECT_EQ(aQuery.Perform(Trivex::Ray(aMid, gp_Dir(0, 0, 1), true)), 0.0);
  // Null and triangle-less triangulations make empty sets that never build.
  EXPECT_FALSE(built(Set(new Trivex::TriangleSet(Handle(Poly_Triangulation)())))->IsBuilt());
  EXPECT_FALSE(built(Set(new Trivex::TriangleSet(new Poly_Triangulation())))->IsBuilt());
  // Each triangle twice as far as the previous one (up to 2^480, so that squared distances stay
  // finite): surface-area splits peel them off one by one, which the builder's depth limit is for. Then
  // many copies of one triangle: identical centroids.
  std::vector<Tri> aTris;
  for (int k = 0; k < 780; ++k)
  {
    const double aX = k < 480 ? std::ldexp(1.0, k) : -1.0;
    aTris.emplace_back(gp_Pnt(aX, 0, 0), gp_Pnt(aX * 1.25, 0, 0), gp_Pnt(aX, aX * 0.25, 0), k);
  }
  const Set              aDeep = built(aTris).Tris;
  Trivex::ProjectPntMesh aProject(aDeep);
  for (int k = 0; k < 480; ++k)
  {
    const gp_Pnt aP = aTris[static_cast<size_t>(k)].Point(0);
    ASSERT_TRUE(Trivex::IntersectBoxMesh(aDeep).Perform(Bnd_Box(aP, aP), aFound) &&
                aFound == std::vector<int>({k}));
    aProject.Perform(aP.Translated(gp_Vec(0, 0, 1e-3 * aP.X())));
    ASSERT_EQ(aProject.Index(), k);
  }
  Trivex::IntersectBoxMesh(aDeep).Perform(Bnd_Box(gp_Pnt(-1.1, -0.1, 0), gp_Pnt(-1.1, -0.1, 0)), aFound);
  EXPECT_EQ(aFound.size(), 300u);
}

TEST(Trivex_IntersectTriMeshTest, RealDirtyMeshesHaveTheirIndependentlyCountedCrossings)
{
  // The data's documentation counts the crossing face pairs with another tool; each pair is found from
  // both of its faces.
  for (const auto& [aFile, aNb] : {std::pair("bones_cgal.stl", 366), std::pair("spider_assimp.stl", 317)})
  {
    const Set aSet = built(new Trivex::TriangleSet(RWStl::ReadFile(PelliskTest_Data::File(aFile).c_str())));
    Trivex::IntersectTriMesh         aQuery(aSet);
    std::vector<Tri>                 aFound;
    std::vector<std::pair<int, int>> aPairs, anAll;        // lower face first, by query and by the self walk
    int                              aNbPairs[2] = {0, 0}; // found from the lower and from the upper face
    for (int i = 0; i < aSet->NbTriangles(); ++i)
    {
      aQuery.Perform(aSet->Triangle(i), aFound);
      for (int j : aQuery.Indices())
      {
        ++aNbPairs[j > i ? 0 : 1];
        aPairs.insert(aPairs.end(), j > i ? 1 : 0, {i, j});
      }
    }
    EXPECT_TRUE(aNbPairs[0] == aNb && aNbPairs[1] == aNb) << aNbPairs[0] << " " << aNbPairs[1];
    for (const int aRun : {1, 2, 3, 4}) // either hierarchy, one thread or two; a yes/no walk finds some
    {
      aSet->SetQuickBuild(aRun > 2);
      Trivex::IntersectTriMesh aWalk(built(aSet, 2 - aRun % 2));
      EXPECT_TRUE(aWalk.PerformAll(anAll, 2 - aRun % 2) && anAll == aPairs &&
                  aWalk.PerformAll(anAll, 2, true));
    }
  }
}
