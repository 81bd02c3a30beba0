#include <PelliskTest_MeshCheck.hxx>

#include <Trivex_ClassifyPntMesh.hxx>
#include <Trivex_IntersectTriMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include <Bnd_Box.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <set>
#include <sstream>

using namespace PelliskTest_MeshCheck;

namespace
{
template <typename... Part_t>
std::string text(const Part_t&... theParts)
{
  std::ostringstream aText;
  (aText << ... << theParts);
  return aText.str();
}

void addFault(Property& theProperty, const std::string& theText)
{
  theProperty.FirstFault = theProperty.NbFaults++ == 0 ? theText : theProperty.FirstFault;
}

// Union-find with path halving.
int root(std::vector<int>& theParent, int i)
{
  while (theParent[i] != i)
  {
    i = theParent[i] = theParent[theParent[i]];
  }
  return i;
}

// The triangles (from 0) with their node numbers and points, and the box of
// the points; a face repeating a node or naming one out of range is not usable.
struct Faces
{
  explicit Faces(const Handle(Poly_Triangulation)& theMesh)
  {
    for (int t = 1; !theMesh.IsNull() && t <= theMesh->NbTriangles(); ++t)
    {
      std::array<int, 3> f;
      theMesh->Triangle(t).Get(f[0], f[1], f[2]);
      Nodes.push_back(f);
      IsUsable.push_back(
          std::all_of(f.begin(), f.end(), [&](int n) { return n >= 1 && n <= theMesh->NbNodes(); }) &&
          f[0] != f[1] && f[1] != f[2] && f[0] != f[2]);
      Points.emplace_back();
      for (int k = 0; k < 3 && IsUsable.back(); ++k)
      {
        Points.back()[k] = theMesh->Node(f[k]).XYZ();
        Box.Add(theMesh->Node(f[k]));
      }
    }
  }
  std::string Text(int t) const
  {
    return text("face ", t + 1, " (", Nodes[t][0], ", ", Nodes[t][1], ", ", Nodes[t][2], ")");
  }
  std::vector<std::array<int, 3>>    Nodes;
  std::vector<std::array<gp_XYZ, 3>> Points;
  std::vector<bool>                  IsUsable;
  Bnd_Box                            Box;
};

Handle(Trivex::TriangleSet) built(const Handle(Trivex::TriangleSet)& theSet)
{
  theSet->SetNbBuilderThreads(1);
  theSet->InitBuilder();
  theSet->Build();
  return theSet;
}

double pointSegmentSqDistance(const gp_XYZ& theP, const gp_XYZ& theA, const gp_XYZ& theB)
{
  const gp_XYZ d = theB - theA;
  const double s =
      d.SquareModulus() > 0.0 ? std::clamp((theP - theA).Dot(d) / d.SquareModulus(), 0.0, 1.0) : 0.0;
  return (theA + d * s - theP).SquareModulus();
}

// The closest points are inside both segments, where the gradient vanishes,
// or one of them is an end.
double
segmentSegmentSqDistance(const gp_XYZ& theP1, const gp_XYZ& theQ1, const gp_XYZ& theP2, const gp_XYZ& theQ2)
{
  const gp_XYZ d1 = theQ1 - theP1, d2 = theQ2 - theP2, r = theP1 - theP2;
  const double a = d1.SquareModulus(), b = d1.Dot(d2), e = d2.SquareModulus(), c = d1.Dot(r), f = d2.Dot(r);
  const double aDenom = a * e - b * b, s = (b * f - c * e) / aDenom, t = (a * f - b * c) / aDenom;
  const bool   isInside = aDenom > 0.0 && s > 0.0 && s < 1.0 && t > 0.0 && t < 1.0;
  return std::min({isInside ? (r + d1 * s - d2 * t).SquareModulus() : RealLast(),
                   pointSegmentSqDistance(theP1, theP2, theQ2), pointSegmentSqDistance(theQ1, theP2, theQ2),
                   pointSegmentSqDistance(theP2, theP1, theQ1), pointSegmentSqDistance(theQ2, theP1, theQ1)});
}

// Inside the prism over the triangle the closest point is in the plane;
// elsewhere, and for a triangle without area, it is on a side.
double pointTriangleSqDistance(const gp_XYZ& theP, const gp_XYZ* theT)
{
  const gp_XYZ ab = theT[1] - theT[0], ac = theT[2] - theT[0], n = ab.Crossed(ac);
  bool         isAbove = n.SquareModulus() > 1e-30 * ab.SquareModulus() * ac.SquareModulus();
  for (int k = 0; k < 3 && isAbove; ++k)
  {
    isAbove = (theT[(k + 1) % 3] - theT[k]).Crossed(theP - theT[k]).Dot(n) >= 0.0;
  }
  const double aHeight = n.Dot(theP - theT[0]);
  return isAbove ? aHeight * aHeight / n.SquareModulus()
                 : std::min({pointSegmentSqDistance(theP, theT[0], theT[1]),
                             pointSegmentSqDistance(theP, theT[1], theT[2]),
                             pointSegmentSqDistance(theP, theT[2], theT[0])});
}

// Distance from thePoint to the plane of theT; 0 for a triangle without area.
double planeDistance(const gp_XYZ& thePoint, const gp_XYZ* theT)
{
  const gp_XYZ aNormal = (theT[1] - theT[0]).Crossed(theT[2] - theT[0]);
  const double aLength = aNormal.Modulus();
  return aLength > 0.0 ? std::abs(aNormal.Dot(thePoint - theT[0])) / aLength : 0.0;
}

// True when the side from theT[0] towards theEnd runs within theT's plane into
// theT's angle at theT[0] (its sides included), i.e. meets theT beyond that corner.
bool runsIntoCorner(const gp_XYZ& theEnd, const gp_XYZ* theT, double theTol)
{
  const gp_XYZ e1 = theT[1] - theT[0], e2 = theT[2] - theT[0], d = theEnd - theT[0], n = e1.Crossed(e2);
  return n.SquareModulus() > 0.0 && planeDistance(theEnd, theT) <= theTol && e1.Crossed(d).Dot(n) >= 0.0 &&
         d.Crossed(e2).Dot(n) >= 0.0;
}

// Squared distance between the segment [theP, theQ] and the closed triangle
// theT: 0 when it pierces the triangle (Moeller-Trumbore; a segment parallel to
// the plane is left to the distances), else the least of its ends' and sides'.
double segmentTriangleSqDistance(const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ theT[3])
{
  const gp_XYZ aDir = theQ - theP, ab = theT[1] - theT[0], ac = theT[2] - theT[0];
  const gp_XYZ h = aDir.Crossed(ac), s = theP - theT[0], q = s.Crossed(ab);
  const double aDet = ab.Dot(h), u = s.Dot(h) / aDet, v = aDir.Dot(q) / aDet, t = ac.Dot(q) / aDet;
  return std::abs(aDet) > 1e-15 * aDir.Modulus() * ab.Modulus() * ac.Modulus() && u >= 0.0 && v >= 0.0 &&
                 u + v <= 1.0 && t >= 0.0 && t <= 1.0
             ? 0.0
             : std::min({pointTriangleSqDistance(theP, theT), pointTriangleSqDistance(theQ, theT),
                         segmentSegmentSqDistance(theP, theQ, theT[0], theT[1]),
                         segmentSegmentSqDistance(theP, theQ, theT[1], theT[2]),
                         segmentSegmentSqDistance(theP, theQ, theT[2], theT[0])});
}

// Squared distance between two closed triangles: 0 when they meet, else the
// least distance of a side of one to the other.
double triangleTriangleSqDistance(const gp_XYZ theA[3], const gp_XYZ theB[3])
{
  double aMin = RealLast();
  for (int k = 0; k < 3; ++k)
  {
    aMin = std::min({aMin, segmentTriangleSqDistance(theA[k], theA[(k + 1) % 3], theB),
                     segmentTriangleSqDistance(theB[k], theB[(k + 1) % 3], theA)});
  }
  return aMin;
}

// The brute-force oracle, written independently of the library's spatial
// queries: true when two faces cross, with corners closer than theTolerance
// counting as shared. Without shared corner, they cross when they come within
// theTolerance; sharing one corner, when they meet anywhere beyond it; sharing
// a side, when they fold onto each other (the free corners on the same side,
// coplanar within theTolerance); sharing three corners, always.
bool facesCross(const gp_XYZ theA[3], const gp_XYZ theB[3], double theTolerance)
{
  const double aTol2        = theTolerance * theTolerance;
  int          aMatchOfB[3] = {-1, -1, -1};
  bool         isUsed[3]    = {false, false, false};
  int          aNbShared    = 0;
  for (int j = 0; j < 3; ++j)
  {
    for (int i = 0; i < 3 && aMatchOfB[j] < 0; ++i)
    {
      if (!isUsed[i] && (theA[i] - theB[j]).SquareModulus() <= aTol2)
      {
        isUsed[i]    = true;
        aMatchOfB[j] = i;
        ++aNbShared;
      }
    }
  }
  if (aNbShared == 0 || aNbShared == 3)
  {
    return aNbShared == 3 || triangleTriangleSqDistance(theA, theB) <= aTol2;
  }
  // Sharing a corner, they cross when a side beyond it comes near the other
  // face or runs into its angle at the corner.
  if (aNbShared == 1)
  {
    const int    j     = aMatchOfB[0] >= 0 ? 0 : (aMatchOfB[1] >= 0 ? 1 : 2);
    const int    i     = aMatchOfB[j];
    const gp_XYZ aA[3] = {theA[i], theA[(i + 1) % 3], theA[(i + 2) % 3]};
    const gp_XYZ aB[3] = {theB[j], theB[(j + 1) % 3], theB[(j + 2) % 3]};
    return segmentTriangleSqDistance(aA[1], aA[2], aB) <= aTol2 ||
           segmentTriangleSqDistance(aB[1], aB[2], aA) <= aTol2 || runsIntoCorner(aA[1], aB, theTolerance) ||
           runsIntoCorner(aA[2], aB, theTolerance) || runsIntoCorner(aB[1], aA, theTolerance) ||
           runsIntoCorner(aB[2], aA, theTolerance);
  }
  // Sharing a side, they cross when they fold onto each other: coplanar, the free corners on one side.
  const int     aFreeB = aMatchOfB[0] < 0 ? 0 : (aMatchOfB[1] < 0 ? 1 : 2);
  const gp_XYZ &p = theB[(aFreeB + 1) % 3], &q = theB[(aFreeB + 2) % 3],
               &aFreeA = theA[!isUsed[0] ? 0 : (!isUsed[1] ? 1 : 2)];
  const gp_XYZ aA[3] = {p, q, aFreeA}, aB[3] = {p, q, theB[aFreeB]}, e = q - p;
  const gp_XYZ anOffA = (aFreeA - p) - e * (e.Dot(aFreeA - p) / e.SquareModulus());
  const gp_XYZ anOffB = (aB[2] - p) - e * (e.Dot(aB[2] - p) / e.SquareModulus());
  return (planeDistance(aB[2], aA) <= theTolerance || planeDistance(aFreeA, aB) <= theTolerance) &&
         (e.SquareModulus() <= 0.0 || anOffA.Dot(anOffB) >= 0.0);
}

std::vector<std::pair<int, int>> crossingPairs(const Faces&                       theFaces,
                                               const Handle(Trivex::TriangleSet)& theSet,
                                               CrossingSearch                     theSearch,
                                               double                             theTolerance)
{
  const int                        aNb = static_cast<int>(theFaces.Nodes.size());
  std::vector<std::pair<int, int>> aPairs;
#pragma omp parallel for schedule(dynamic, 16)
  for (int t = 0; t < aNb; ++t)
  {
    std::vector<int> aHits;
    if (theFaces.IsUsable[t] && theSearch == CrossingSearch::Hierarchy)
    {
      Trivex::IntersectTriMesh          aQuery(theSet, theTolerance);
      std::vector<Trivex::TriangleData> aFound;
      aHits = aQuery.Perform(theSet->Triangle(t), aFound) ? aQuery.Indices() : aHits;
    }
    for (int u = t + 1; theFaces.IsUsable[t] && theSearch == CrossingSearch::BruteForce && u < aNb; ++u)
    {
      if (facesCross(theFaces.Points[t].data(), theFaces.Points[u].data(), theTolerance))
      {
        aHits.push_back(u);
      }
    }
    for (const int u : aHits)
    {
      if (u != t && theFaces.IsUsable[u])
      {
#pragma omp critical(PelliskTest_MeshCheck_Pairs)
        aPairs.emplace_back(std::min(t, u) + 1, std::max(t, u) + 1);
      }
    }
  }
  std::sort(aPairs.begin(), aPairs.end());
  aPairs.erase(std::unique(aPairs.begin(), aPairs.end()), aPairs.end());
  return aPairs;
}
} // namespace

std::vector<std::pair<const char*, const Property*>> Result::Properties() const
{
  return {{"closed", &Closed},
          {"edge-manifold", &EdgeManifold},
          {"vertex-manifold", &VertexManifold},
          {"oriented", &Oriented},
          {"positive volume", &PositiveVolume},
          {"no degenerate face", &NonDegenerate},
          {"no crossing", &NoCrossing},
          {"encloses input", &EnclosesInput}};
}

bool Result::IsValid() const
{
  const auto aList = Properties();
  return std::all_of(aList.begin(), aList.end(),
                     [this](const auto& p) {
                       return p.second->IsOk() || (p.second == &EnclosesInput && !EnclosesInput.IsChecked);
                     });
}

std::string Result::Summary() const
{
  std::string aText = text("mesh: ", NbNodes, " nodes, ", NbTriangles, " triangles, ", NbShells,
                           " shells, volume ", Volume, "\n");
  for (const auto& [aName, p] : Properties())
  {
    aText += text(aName, ": ",
                  !p->IsChecked      ? "not checked"
                  : p->NbFaults == 0 ? "ok"
                                     : text("FAILED (", p->NbFaults, p->NbFaults == 1 ? " fault" : " faults",
                                            "), first: ", p->FirstFault),
                  "\n");
  }
  return aText;
}

Result PelliskTest_MeshCheck::Check(const Handle(Poly_Triangulation)& theMesh,
                                    const Handle(Poly_Triangulation)& theInput)
{
  Result r;
  if (theMesh.IsNull() || theMesh->NbTriangles() == 0)
  {
    return r;
  }
  for (Property* p : {&r.Closed, &r.EdgeManifold, &r.VertexManifold, &r.Oriented, &r.PositiveVolume,
                      &r.NonDegenerate, &r.NoCrossing, &r.EnclosesInput})
  {
    p->IsChecked = p != &r.EnclosesInput || !theInput.IsNull();
  }
  r.NbNodes     = theMesh->NbNodes();
  r.NbTriangles = theMesh->NbTriangles();
  const Faces  aFaces(theMesh);
  const gp_XYZ aCentre = (aFaces.Box.CornerMin().XYZ() + aFaces.Box.CornerMax().XYZ()) * 0.5;

  // One pass over the faces gives each undirected edge its faces, signed by
  // the direction they run it in: closed, edge-manifold and oriented follow.
  std::map<std::pair<int, int>, std::vector<int>> anEdges;
  for (int t = 0; t < r.NbTriangles; ++t)
  {
    const std::array<gp_XYZ, 3>& p          = aFaces.Points[t];
    const double                 aTwiceArea = (p[1] - p[0]).Crossed(p[2] - p[0]).Modulus();
    if (!aFaces.IsUsable[t] || !(aTwiceArea > 1e-12 * aFaces.Box.SquareExtent()))
    {
      addFault(r.NonDegenerate,
               aFaces.Text(t) + (aFaces.IsUsable[t] ? text(" has area ", 0.5 * aTwiceArea)
                                                    : " repeats a node or names one out of range"));
    }
    for (int k = 0; k < 3 && aFaces.IsUsable[t]; ++k)
    {
      const int a = aFaces.Nodes[t][k], b = aFaces.Nodes[t][(k + 1) % 3];
      anEdges[std::minmax(a, b)].push_back(a < b ? t + 1 : -t - 1);
    }
  }
  // The corners at either end of an edge are joined across its faces: the
  // corners of a node in one group form a fan. Faces joined by edges form a shell.
  std::vector<int> aFans(3 * r.NbTriangles), aShells(r.NbTriangles);
  std::iota(aFans.begin(), aFans.end(), 0);
  std::iota(aShells.begin(), aShells.end(), 0);
  const auto corner = [&](int t, int theNode)
  {
    const std::array<int, 3>& f = aFaces.Nodes[t];
    return 3 * t + static_cast<int>(std::find(f.begin(), f.end(), theNode) - f.begin());
  };
  for (const auto& [anEdge, aUses] : anEdges)
  {
    const size_t      aNbForward = std::count_if(aUses.begin(), aUses.end(), [](int u) { return u > 0; });
    const std::string aText      = text("edge ", anEdge.first, "-", anEdge.second, " has ", aUses.size(),
                                        " face(s), the first ", aFaces.Text(std::abs(aUses[0]) - 1));
    for (const int aUse : aUses)
    {
      const int t = std::abs(aUse) - 1, aFirst = std::abs(aUses[0]) - 1;
      aFans[root(aFans, corner(t, anEdge.first))]  = root(aFans, corner(aFirst, anEdge.first));
      aFans[root(aFans, corner(t, anEdge.second))] = root(aFans, corner(aFirst, anEdge.second));
      aShells[root(aShells, t)]                    = root(aShells, aFirst);
    }
    if (aUses.size() != 2)
    {
      addFault(aUses.size() == 1 ? r.Closed : r.EdgeManifold, aText);
    }
    if (aNbForward > 1 || aUses.size() - aNbForward > 1)
    {
      addFault(r.Oriented, aText + ", runs twice in one direction");
    }
  }
  std::map<int, std::set<int>> aFansOfNode; // node -> root corners of its fans
  std::map<int, double>        aShellVolume;
  for (int t = 0; t < r.NbTriangles; ++t)
  {
    const std::array<gp_XYZ, 3>& p = aFaces.Points[t];
    const double                 aVolume =
        aFaces.IsUsable[t] ? (p[0] - aCentre).Dot((p[1] - aCentre).Crossed(p[2] - aCentre)) / 6.0 : 0.0;
    for (int k = 0; k < 3 && aFaces.IsUsable[t]; ++k)
    {
      aFansOfNode[aFaces.Nodes[t][k]].insert(root(aFans, 3 * t + k));
    }
    r.Volume += aVolume;
    aShellVolume[root(aShells, t)] += aVolume;
  }
  for (const auto& [aNode, aRoots] : aFansOfNode)
  {
    if (aRoots.size() > 1)
    {
      addFault(r.VertexManifold, text("node ", aNode, " has ", aRoots.size(), " separate fans of faces"));
    }
  }

  // A shell of negative volume is fine only as a cavity: inside the other shells.
  r.NbShells = static_cast<int>(std::count_if(aShellVolume.begin(), aShellVolume.end(),
                                              [&](const auto& s) { return aFaces.IsUsable[s.first]; }));
  if (!(r.Volume > 0.0))
  {
    addFault(r.PositiveVolume,
             text("the signed volume ", r.Volume, " is not positive: the surface faces inwards"));
  }
  for (const auto& [aShell, aVolume] : aShellVolume)
  {
    std::vector<Trivex::TriangleData> anOthers;
    for (int t = 0; t < r.NbTriangles && aVolume < 0.0; ++t)
    {
      if (aFaces.IsUsable[t] && root(aShells, t) != aShell)
      {
        anOthers.emplace_back(aFaces.Points[t][0], aFaces.Points[t][1], aFaces.Points[t][2], t + 1);
      }
    }
    if (!anOthers.empty() && !Trivex::ClassifyPntMesh(built(new Trivex::TriangleSet(anOthers)), 3)
                                  .Perform(gp_Pnt(aFaces.Points[aShell][0])))
    {
      addFault(r.PositiveVolume, text("the shell of ", aFaces.Text(aShell), " has volume ", aVolume,
                                      " and is no cavity of another shell"));
    }
  }

  const Handle(Trivex::TriangleSet) aSet = built(new Trivex::TriangleSet(theMesh));
  for (const auto& [t, u] : crossingPairs(aFaces, aSet, CrossingSearch::Hierarchy, 1e-7))
  {
    addFault(r.NoCrossing, aFaces.Text(t - 1) + " crosses " + aFaces.Text(u - 1));
  }
  const double aTolerance = 1e-6 * std::sqrt(Faces(theInput).Box.SquareExtent());
  for (int i = 1; !theInput.IsNull() && i <= theInput->NbNodes(); ++i)
  {
    Trivex::ProjectPntMesh aProjector(aSet);
    aProjector.Perform(theInput->Node(i));
    const double anOutside = Trivex::ClassifyPntMesh(aSet, 3).Perform(theInput->Node(i)) ? 0.0
                             : aProjector.IsDone() ? aProjector.Distance()
                                                   : RealLast();
    if (anOutside > aTolerance)
    {
      addFault(r.EnclosesInput, text("input node ", i, " is outside, ", anOutside,
                                     " from the surface (tolerance ", aTolerance, ")"));
    }
  }
  return r;
}

std::vector<std::pair<int, int>> PelliskTest_MeshCheck::CrossingPairs(
    const Handle(Poly_Triangulation)& theMesh, CrossingSearch theSearch, double theTolerance)
{
  return crossingPairs(Faces(theMesh), built(new Trivex::TriangleSet(theMesh)), theSearch, theTolerance);
}

double
PelliskTest_MeshCheck::SegmentTriangleSqDistance(const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ theT[3])
{
  return segmentTriangleSqDistance(theP, theQ, theT);
}

double PelliskTest_MeshCheck::TriangleTriangleSqDistance(const gp_XYZ theA[3], const gp_XYZ theB[3])
{
  return triangleTriangleSqDistance(theA, theB);
}

bool PelliskTest_MeshCheck::FacesCross(const gp_XYZ theA[3], const gp_XYZ theB[3], double theTolerance)
{
  return facesCross(theA, theB, theTolerance);
}

::testing::AssertionResult PelliskTest_MeshCheck::IsValidWrap(const Handle(Poly_Triangulation)& theMesh,
                                                              const Handle(Poly_Triangulation)& theInput)
{
  const Result aResult = Check(theMesh, theInput);
  return aResult.IsValid() ? ::testing::AssertionSuccess()
                           : ::testing::AssertionFailure() << "the mesh is not a valid wrap:\n"
                                                           << aResult.Summary();
}

double PelliskTest_MeshCheck::PointMeshDistance(const Handle(Poly_Triangulation)& theMesh, const gp_Pnt& theP)
{
  double aBest = std::numeric_limits<double>::max();
  for (int aT = 1; aT <= theMesh->NbTriangles(); ++aT)
  {
    int aN1 = 0, aN2 = 0, aN3 = 0;
    theMesh->Triangle(aT).Get(aN1, aN2, aN3);
    const gp_XYZ aCorners[3] = {theMesh->Node(aN1).XYZ(), theMesh->Node(aN2).XYZ(), theMesh->Node(aN3).XYZ()};
    aBest                    = std::min(aBest, SegmentTriangleSqDistance(theP.XYZ(), theP.XYZ(), aCorners));
  }
  return std::sqrt(aBest);
}
