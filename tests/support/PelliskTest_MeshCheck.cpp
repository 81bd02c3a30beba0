#include <PelliskTest_MeshCheck.hxx>

#include <PelliskTest_Crossing.hxx>
#include <Trivex_ClassifyPntMesh.hxx>
#include <Trivex_IntersectTriMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include <Bnd_Box.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <sstream>
#include <unordered_map>

using namespace PelliskTest_MeshCheck;

namespace
{
// The mesh as plain arrays; node k of the triangulation is Nodes[k - 1].
struct MeshData
{
  std::vector<gp_XYZ>             Nodes;
  std::vector<std::array<int, 3>> Faces;
  std::vector<bool>               IsUsable; // corners in range and distinct
  gp_XYZ                          Centre;

  const gp_XYZ& Corner(size_t theFace, int theK) const { return Nodes[Faces[theFace][theK] - 1]; }
};

// One undirected edge, its faces, and how often it runs low -> high and back.
struct EdgeUse
{
  int              Low = 0, High = 0;
  std::vector<int> Faces;
  int              NbForward = 0, NbBackward = 0;
};

// Union-find over 0..n-1 with path halving.
struct Groups
{
  explicit Groups(size_t theSize)
      : Parent(theSize)
  {
    std::iota(Parent.begin(), Parent.end(), 0);
  }
  int Root(int i)
  {
    while (Parent[i] != i)
    {
      i = Parent[i] = Parent[Parent[i]];
    }
    return i;
  }
  void             Join(int a, int b) { Parent[Root(a)] = Root(b); }
  std::vector<int> Parent;
};

// The parts streamed one after the other.
template <typename... Part_t>
std::string text(const Part_t&... theParts)
{
  std::ostringstream aText;
  (aText << ... << theParts);
  return aText.str();
}

std::string faceText(const MeshData& theData, int theFace)
{
  const std::array<int, 3>& f = theData.Faces[theFace - 1];
  return text("face ", theFace, " (", f[0], ", ", f[1], ", ", f[2], ")");
}

void addFault(Property& theProperty, const std::string& theText)
{
  if (theProperty.NbFaults++ == 0)
  {
    theProperty.FirstFault = theText;
  }
}

// The mesh's arrays, checking for degenerate faces on the way.
MeshData load(const Handle(Poly_Triangulation)& theMesh, const Options& theOptions, Result& theResult)
{
  MeshData aData;
  Bnd_Box  aBox;
  for (int i = 1; i <= theMesh->NbNodes(); ++i)
  {
    aData.Nodes.push_back(theMesh->Node(i).XYZ());
    aBox.Add(theMesh->Node(i));
  }
  aData.Centre        = (aBox.CornerMin().XYZ() + aBox.CornerMax().XYZ()) * 0.5;
  const double aLimit = theOptions.DegenerateArea * aBox.SquareExtent();
  for (int t = 1; t <= theMesh->NbTriangles(); ++t)
  {
    std::array<int, 3> f;
    theMesh->Triangle(t).Get(f[0], f[1], f[2]);
    aData.Faces.push_back(f);
    const bool isInRange =
        std::all_of(f.begin(), f.end(), [&](int n) { return n >= 1 && n <= theMesh->NbNodes(); });
    aData.IsUsable.push_back(isInRange && f[0] != f[1] && f[1] != f[2] && f[0] != f[2]);
    if (!aData.IsUsable.back())
    {
      addFault(theResult.NonDegenerate, faceText(aData, t) + " repeats a node or names one out of range");
      continue;
    }
    const gp_XYZ &a = aData.Corner(t - 1, 0), &b = aData.Corner(t - 1, 1), &c = aData.Corner(t - 1, 2);
    const double  aTwiceArea = (b - a).Crossed(c - a).Modulus();
    if (!(aTwiceArea > aLimit))
    {
      addFault(theResult.NonDegenerate, text(faceText(aData, t), " has area ", 0.5 * aTwiceArea));
    }
  }
  return aData;
}

// The edges in the order of their first use (so that the first fault found
// does not depend on hashing), checking Closed, EdgeManifold and Oriented.
std::vector<EdgeUse> checkEdges(const MeshData& theData, Result& theResult)
{
  std::vector<EdgeUse>                      anEdges;
  std::unordered_map<std::uint64_t, size_t> aPlace;
  for (size_t t = 0; t < theData.Faces.size(); ++t)
  {
    for (int k = 0; k < 3 && theData.IsUsable[t]; ++k)
    {
      const int  a = theData.Faces[t][k], b = theData.Faces[t][(k + 1) % 3];
      const int  aLow = std::min(a, b), aHigh = std::max(a, b);
      const auto aFound = aPlace.emplace((static_cast<std::uint64_t>(aLow) << 32) | aHigh, anEdges.size());
      if (aFound.second)
      {
        anEdges.push_back({aLow, aHigh, {}, 0, 0});
      }
      EdgeUse& anUse = anEdges[aFound.first->second];
      anUse.Faces.push_back(static_cast<int>(t) + 1);
      ++(a < b ? anUse.NbForward : anUse.NbBackward);
    }
  }
  for (const EdgeUse& anUse : anEdges)
  {
    const bool isTwice = anUse.NbForward > 1 || anUse.NbBackward > 1;
    if (anUse.Faces.size() == 2 && !isTwice)
    {
      continue;
    }
    std::string aText = text("edge ", anUse.Low, "-", anUse.High, " has ", anUse.Faces.size(), " face");
    for (size_t i = 0; i < anUse.Faces.size(); ++i)
    {
      aText += (i == 0 ? (anUse.Faces.size() == 1 ? ": " : "s: ") : ", ") + faceText(theData, anUse.Faces[i]);
    }
    if (anUse.Faces.size() != 2)
    {
      addFault(anUse.Faces.size() == 1 ? theResult.Closed : theResult.EdgeManifold, aText);
    }
    if (isTwice)
    {
      addFault(theResult.Oriented, aText + ", running twice in the same direction");
    }
  }
  return anEdges;
}

// The faces around a node form one fan when they are joined through the edges
// leaving it: the corners at either end of an edge are joined across its faces.
void checkFans(const MeshData& theData, const std::vector<EdgeUse>& theEdges, Result& theResult)
{
  const auto corner = [&](int theFace, int theNode)
  {
    const std::array<int, 3>& f = theData.Faces[theFace - 1];
    return 3 * (theFace - 1) + (f[0] == theNode ? 0 : (f[1] == theNode ? 1 : 2));
  };
  Groups aFans(3 * theData.Faces.size());
  for (const EdgeUse& anUse : theEdges)
  {
    for (const int aFace : anUse.Faces)
    {
      aFans.Join(corner(aFace, anUse.Low), corner(anUse.Faces[0], anUse.Low));
      aFans.Join(corner(aFace, anUse.High), corner(anUse.Faces[0], anUse.High));
    }
  }
  std::vector<std::vector<std::pair<int, int>>> aFansOfNode(theData.Nodes.size()); // root, first face
  for (int c = 0; c < static_cast<int>(aFans.Parent.size()); ++c)
  {
    const int aRoot = aFans.Root(c);
    auto&     aSeen = aFansOfNode[theData.IsUsable[c / 3] ? theData.Faces[c / 3][c % 3] - 1 : 0];
    if (theData.IsUsable[c / 3] &&
        std::none_of(aSeen.begin(), aSeen.end(), [&](const auto& theFan) { return theFan.first == aRoot; }))
    {
      aSeen.emplace_back(aRoot, c / 3 + 1);
    }
  }
  for (size_t v = 0; v < aFansOfNode.size(); ++v)
  {
    if (aFansOfNode[v].size() > 1)
    {
      const gp_XYZ& p = theData.Nodes[v];
      addFault(theResult.VertexManifold,
               text("node ", v + 1, " (", p.X(), ", ", p.Y(), ", ", p.Z(), ") has ", aFansOfNode[v].size(),
                    " separate fans of faces, e.g. face ", aFansOfNode[v][0].second, " and face ",
                    aFansOfNode[v][1].second));
    }
  }
}

Handle(Trivex::TriangleSet) buildSet(const Handle(Trivex::TriangleSet)& theSet)
{
  theSet->SetNbBuilderThreads(1);
  theSet->InitBuilder();
  theSet->Build();
  return theSet;
}

// Volume of the whole and of each shell (faces joined by edges); a shell of
// negative volume is fine only as a cavity, i.e. inside the other shells.
void checkVolume(const MeshData& theData, const std::vector<EdgeUse>& theEdges, Result& theResult)
{
  Groups aShells(theData.Faces.size());
  for (const EdgeUse& anUse : theEdges)
  {
    for (const int aFace : anUse.Faces)
    {
      aShells.Join(aFace - 1, anUse.Faces[0] - 1);
    }
  }
  std::unordered_map<int, double> aVolumeOfShell;
  std::vector<int>                aFirstOfShell;
  for (size_t t = 0; t < theData.Faces.size(); ++t)
  {
    if (theData.IsUsable[t])
    {
      const gp_XYZ a = theData.Corner(t, 0) - theData.Centre, b = theData.Corner(t, 1) - theData.Centre;
      const double aVolume = a.Dot(b.Crossed(theData.Corner(t, 2) - theData.Centre)) / 6.0;
      if (aVolumeOfShell.emplace(aShells.Root(static_cast<int>(t)), 0.0).second)
      {
        aFirstOfShell.push_back(static_cast<int>(t));
      }
      aVolumeOfShell[aShells.Root(static_cast<int>(t))] += aVolume;
      theResult.Volume += aVolume;
    }
  }
  theResult.NbShells = static_cast<int>(aFirstOfShell.size());
  if (!(theResult.Volume > 0.0))
  {
    addFault(theResult.PositiveVolume,
             text("the signed volume ", theResult.Volume, " is not positive: the surface faces inwards"));
  }
  for (const int aFirst : aFirstOfShell)
  {
    const int    aShell  = aShells.Root(aFirst);
    const double aVolume = aVolumeOfShell[aShell];
    if (aVolume >= 0.0 || aFirstOfShell.size() == 1)
    {
      continue;
    }
    std::vector<Trivex::TriangleData> anOthers;
    for (size_t t = 0; t < theData.Faces.size(); ++t)
    {
      if (theData.IsUsable[t] && aShells.Root(static_cast<int>(t)) != aShell)
      {
        anOthers.emplace_back(theData.Corner(t, 0), theData.Corner(t, 1), theData.Corner(t, 2),
                              static_cast<int>(t) + 1);
      }
    }
    if (!Trivex::ClassifyPntMesh(buildSet(new Trivex::TriangleSet(anOthers)), 3)
             .Perform(gp_Pnt(theData.Corner(aFirst, 0))))
    {
      addFault(theResult.PositiveVolume, text("the shell of ", faceText(theData, aFirst + 1), " has volume ",
                                              aVolume, " and is no cavity of another shell"));
    }
  }
}

std::vector<std::pair<int, int>> crossingPairs(const MeshData&                    theData,
                                               const Handle(Trivex::TriangleSet)& theSet,
                                               CrossingSearch                     theSearch,
                                               double                             theTolerance)
{
  const int                        aNbFaces = static_cast<int>(theData.Faces.size());
  std::vector<std::pair<int, int>> aPairs;
  if (theSearch == CrossingSearch::Hierarchy)
  {
#pragma omp parallel
    {
      Trivex::IntersectTriMesh          aQuery(theSet, theTolerance);
      std::vector<Trivex::TriangleData> aFound;
#pragma omp for schedule(dynamic, 64)
      for (int t = 0; t < aNbFaces; ++t)
      {
        if (!theData.IsUsable[t] || !aQuery.Perform(theSet->Triangle(t), aFound))
        {
          continue;
        }
        for (const int u : aQuery.Indices())
        {
          if (theData.IsUsable[u] && u != t)
          {
#pragma omp critical(PelliskTest_MeshCheck_Pairs)
            aPairs.emplace_back(std::min(t, u) + 1, std::max(t, u) + 1);
          }
        }
      }
    }
  }
  else
  {
    for (int t = 0; t < aNbFaces; ++t)
    {
      const gp_XYZ A[3] = {theData.Corner(t, 0), theData.Corner(t, 1), theData.Corner(t, 2)};
      for (int u = t + 1; u < aNbFaces && theData.IsUsable[t]; ++u)
      {
        const gp_XYZ B[3] = {theData.Corner(u, 0), theData.Corner(u, 1), theData.Corner(u, 2)};
        if (theData.IsUsable[u] && PelliskTest_Crossing::FacesCross(A, B, theTolerance))
        {
          aPairs.emplace_back(t + 1, u + 1);
        }
      }
    }
  }
  std::sort(aPairs.begin(), aPairs.end());
  aPairs.erase(std::unique(aPairs.begin(), aPairs.end()), aPairs.end());
  return aPairs;
}

void checkEnclosure(const Handle(Trivex::TriangleSet)& theSet,
                    const Handle(Poly_Triangulation)&  theInput,
                    const Options&                     theOptions,
                    Result&                            theResult)
{
  Bnd_Box aBox;
  for (int i = 1; i <= theInput->NbNodes(); ++i)
  {
    aBox.Add(theInput->Node(i));
  }
  const double        aTolerance = theOptions.InputTolerance >= 0.0 || aBox.IsVoid()
                                       ? theOptions.InputTolerance
                                       : 1e-6 * std::sqrt(aBox.SquareExtent());
  const int           aNbInput   = theInput->NbNodes();
  std::vector<double> anOutside(static_cast<size_t>(aNbInput), 0.0); // distance of nodes found outside
#pragma omp parallel
  {
    Trivex::ClassifyPntMesh aClassifier(theSet, 3);
    Trivex::ProjectPntMesh  aProjector(theSet);
#pragma omp for schedule(dynamic, 256)
    for (int i = 0; i < aNbInput; ++i)
    {
      const gp_Pnt p = theInput->Node(i + 1);
      if (!aClassifier.Perform(p))
      {
        aProjector.Perform(p);
        const double aDistance = aProjector.IsDone() ? aProjector.Distance() : RealLast();
        anOutside[i]           = aDistance > aTolerance ? aDistance : 0.0;
      }
    }
  }
  for (int i = 0; i < aNbInput; ++i)
  {
    if (anOutside[i] > 0.0)
    {
      const gp_Pnt p = theInput->Node(i + 1);
      addFault(theResult.EnclosesInput,
               text("input node ", i + 1, " (", p.X(), ", ", p.Y(), ", ", p.Z(), ") is outside, ",
                    anOutside[i], " from the surface (tolerance ", aTolerance, ")"));
    }
  }
}

::testing::AssertionResult asAssertion(const Result& theResult)
{
  if (theResult.IsValid())
  {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "the mesh is not a valid wrap:\n" << theResult.Summary();
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
  for (const auto& aProperty : Properties())
  {
    if (!aProperty.second->IsOk() && (aProperty.second != &EnclosesInput || EnclosesInput.IsChecked))
    {
      return false;
    }
  }
  return true;
}

std::string Result::Summary() const
{
  std::ostringstream aText;
  aText << "mesh: " << NbNodes << " nodes, " << NbTriangles << " triangles, " << NbShells
        << " shells, volume " << Volume << "\n";
  for (const auto& aProperty : Properties())
  {
    const Property& p = *aProperty.second;
    aText << aProperty.first << ": "
          << (!p.IsChecked      ? "not checked"
              : p.NbFaults == 0 ? "ok"
                                : text("FAILED (", p.NbFaults, p.NbFaults == 1 ? " fault" : " faults",
                                       "), first: ", p.FirstFault))
          << "\n";
  }
  return aText.str();
}

Result PelliskTest_MeshCheck::Check(const Handle(Poly_Triangulation)& theMesh,
                                    const Handle(Poly_Triangulation)& theInput,
                                    const Options&                    theOptions)
{
  Result aResult;
  if (theMesh.IsNull() || theMesh->NbTriangles() == 0)
  {
    return aResult;
  }
  for (Property* aProperty :
       {&aResult.Closed, &aResult.EdgeManifold, &aResult.VertexManifold, &aResult.Oriented,
        &aResult.PositiveVolume, &aResult.NonDegenerate, &aResult.NoCrossing})
  {
    aProperty->IsChecked = true;
  }
  aResult.EnclosesInput.IsChecked    = !theInput.IsNull();
  aResult.NbNodes                    = theMesh->NbNodes();
  aResult.NbTriangles                = theMesh->NbTriangles();
  const MeshData             aData   = load(theMesh, theOptions, aResult);
  const std::vector<EdgeUse> anEdges = checkEdges(aData, aResult);
  checkFans(aData, anEdges, aResult);
  checkVolume(aData, anEdges, aResult);
  const Handle(Trivex::TriangleSet) aSet = buildSet(new Trivex::TriangleSet(theMesh));
  for (const auto& aPair : crossingPairs(aData, aSet, theOptions.Search, theOptions.CrossingTolerance))
  {
    addFault(aResult.NoCrossing, faceText(aData, aPair.first) + " crosses " + faceText(aData, aPair.second));
  }
  if (!theInput.IsNull())
  {
    checkEnclosure(aSet, theInput, theOptions, aResult);
  }
  return aResult;
}

Result PelliskTest_MeshCheck::Check(const Handle(HalfEdge_Mesh)&      theMesh,
                                    const Handle(Poly_Triangulation)& theInput,
                                    const Options&                    theOptions)
{
  return theMesh.IsNull() ? Result()
                          : Check(static_cast<Handle(Poly_Triangulation)>(*theMesh), theInput, theOptions);
}

std::vector<std::pair<int, int>> PelliskTest_MeshCheck::CrossingPairs(
    const Handle(Poly_Triangulation)& theMesh, CrossingSearch theSearch, double theTolerance)
{
  if (theMesh.IsNull() || theMesh->NbTriangles() == 0)
  {
    return {};
  }
  Result aScratch;
  return crossingPairs(load(theMesh, Options(), aScratch), buildSet(new Trivex::TriangleSet(theMesh)),
                       theSearch, theTolerance);
}

::testing::AssertionResult PelliskTest_MeshCheck::IsValidWrap(const Handle(Poly_Triangulation)& theMesh,
                                                              const Handle(Poly_Triangulation)& theInput,
                                                              const Options&                    theOptions)
{
  return asAssertion(Check(theMesh, theInput, theOptions));
}

::testing::AssertionResult PelliskTest_MeshCheck::IsValidWrap(const Handle(HalfEdge_Mesh)&      theMesh,
                                                              const Handle(Poly_Triangulation)& theInput,
                                                              const Options&                    theOptions)
{
  return asAssertion(Check(theMesh, theInput, theOptions));
}
