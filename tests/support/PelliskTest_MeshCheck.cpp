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

#ifdef _OPENMP
#include <omp.h>
#endif

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
  double                          Diagonal = 0.0;
};

// Faces on one undirected edge, and how often it runs low -> high and back.
struct EdgeUse
{
  std::vector<int> Faces;
  int              NbForward  = 0;
  int              NbBackward = 0;
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

std::uint64_t edgeKey(int a, int b)
{
  return (static_cast<std::uint64_t>(std::min(a, b)) << 32) | static_cast<std::uint32_t>(std::max(a, b));
}

MeshData load(const Handle(Poly_Triangulation)& theMesh)
{
  MeshData aData;
  Bnd_Box  aBox;
  for (int i = 1; i <= theMesh->NbNodes(); ++i)
  {
    aData.Nodes.push_back(theMesh->Node(i).XYZ());
    aBox.Add(theMesh->Node(i));
  }
  const int aNbNodes = theMesh->NbNodes();
  for (int t = 1; t <= theMesh->NbTriangles(); ++t)
  {
    std::array<int, 3> f;
    theMesh->Triangle(t).Get(f[0], f[1], f[2]);
    aData.Faces.push_back(f);
    const bool isInRange = std::all_of(f.begin(), f.end(), [&](int n) { return n >= 1 && n <= aNbNodes; });
    aData.IsUsable.push_back(isInRange && f[0] != f[1] && f[1] != f[2] && f[0] != f[2]);
  }
  if (!aBox.IsVoid())
  {
    aData.Centre   = (aBox.CornerMin().XYZ() + aBox.CornerMax().XYZ()) * 0.5;
    aData.Diagonal = std::sqrt(aBox.SquareExtent());
  }
  return aData;
}

std::string nodeText(const MeshData& theData, int theNode)
{
  std::ostringstream aText;
  const gp_XYZ&      p = theData.Nodes[static_cast<size_t>(theNode) - 1];
  aText << "node " << theNode << " (" << p.X() << ", " << p.Y() << ", " << p.Z() << ")";
  return aText.str();
}

std::string faceText(const MeshData& theData, int theFace)
{
  const std::array<int, 3>& f = theData.Faces[static_cast<size_t>(theFace) - 1];
  std::ostringstream        aText;
  aText << "face " << theFace << " (" << f[0] << ", " << f[1] << ", " << f[2] << ")";
  return aText.str();
}

void addFault(Property& theProperty, const std::string& theText)
{
  if (theProperty.NbFaults++ == 0)
  {
    theProperty.FirstFault = theText;
  }
}

void checkDegenerate(const MeshData& theData, const Options& theOptions, Result& theResult)
{
  theResult.NonDegenerate.IsChecked = true;
  const double aLimit               = theOptions.DegenerateArea * theData.Diagonal * theData.Diagonal;
  for (size_t t = 0; t < theData.Faces.size(); ++t)
  {
    const int                 aFace = static_cast<int>(t) + 1;
    const std::array<int, 3>& f     = theData.Faces[t];
    if (!theData.IsUsable[t])
    {
      addFault(theResult.NonDegenerate,
               faceText(theData, aFace) + " repeats a node or names one out of range");
      continue;
    }
    const gp_XYZ &a = theData.Nodes[f[0] - 1], &b = theData.Nodes[f[1] - 1], &c = theData.Nodes[f[2] - 1];
    const double  aTwiceArea = (b - a).Crossed(c - a).Modulus();
    if (!(aTwiceArea > aLimit))
    {
      std::ostringstream aText;
      aText << faceText(theData, aFace) << " has area " << 0.5 * aTwiceArea;
      addFault(theResult.NonDegenerate, aText.str());
    }
  }
}

std::unordered_map<std::uint64_t, EdgeUse> collectEdges(const MeshData& theData)
{
  std::unordered_map<std::uint64_t, EdgeUse> anEdges;
  for (size_t t = 0; t < theData.Faces.size(); ++t)
  {
    for (int k = 0; k < 3 && theData.IsUsable[t]; ++k)
    {
      const int a = theData.Faces[t][k], b = theData.Faces[t][(k + 1) % 3];
      EdgeUse&  anUse = anEdges[edgeKey(a, b)];
      anUse.Faces.push_back(static_cast<int>(t) + 1);
      ++(a < b ? anUse.NbForward : anUse.NbBackward);
    }
  }
  return anEdges;
}

// Closed, EdgeManifold and Oriented, reported in face order so that the first
// fault does not depend on hashing.
void checkEdges(const MeshData&                                   theData,
                const std::unordered_map<std::uint64_t, EdgeUse>& theEdges,
                Result&                                           theResult)
{
  theResult.Closed.IsChecked = theResult.EdgeManifold.IsChecked = theResult.Oriented.IsChecked = true;
  std::unordered_map<std::uint64_t, bool> aSeen;
  for (size_t t = 0; t < theData.Faces.size(); ++t)
  {
    for (int k = 0; k < 3 && theData.IsUsable[t]; ++k)
    {
      const int a = theData.Faces[t][k], b = theData.Faces[t][(k + 1) % 3];
      if (aSeen[edgeKey(a, b)])
      {
        continue;
      }
      aSeen[edgeKey(a, b)]     = true;
      const EdgeUse&     anUse = theEdges.at(edgeKey(a, b));
      std::ostringstream aName, aFaces;
      aName << "edge " << std::min(a, b) << "-" << std::max(a, b);
      for (size_t i = 0; i < anUse.Faces.size(); ++i)
      {
        aFaces << (i == 0 ? "" : ", ") << faceText(theData, anUse.Faces[i]);
      }
      if (anUse.Faces.size() == 1)
      {
        addFault(theResult.Closed, aName.str() + " has one face: " + aFaces.str());
      }
      if (anUse.Faces.size() > 2)
      {
        addFault(theResult.EdgeManifold,
                 aName.str() + " has " + std::to_string(anUse.Faces.size()) + " faces: " + aFaces.str());
      }
      if (anUse.NbForward > 1 || anUse.NbBackward > 1)
      {
        addFault(theResult.Oriented, aName.str() + " runs twice in the same direction in " + aFaces.str());
      }
    }
  }
}

// The faces around a node form one fan when they are all joined through the
// edges leaving the node (in a triangle every other corner is such an edge).
void checkFans(const MeshData& theData, Result& theResult)
{
  theResult.VertexManifold.IsChecked = true;
  std::vector<std::vector<int>> aFacesOfNode(theData.Nodes.size());
  for (size_t t = 0; t < theData.Faces.size(); ++t)
  {
    for (int k = 0; k < 3 && theData.IsUsable[t]; ++k)
    {
      aFacesOfNode[static_cast<size_t>(theData.Faces[t][k]) - 1].push_back(static_cast<int>(t));
    }
  }
  for (size_t v = 0; v < aFacesOfNode.size(); ++v)
  {
    const std::vector<int>&      aFaces = aFacesOfNode[v];
    Groups                       aFans(aFaces.size());
    std::unordered_map<int, int> aFirstByCorner;
    for (size_t i = 0; i < aFaces.size(); ++i)
    {
      for (const int aCorner : theData.Faces[static_cast<size_t>(aFaces[i])])
      {
        if (aCorner != static_cast<int>(v) + 1)
        {
          const auto anIt = aFirstByCorner.emplace(aCorner, static_cast<int>(i)).first;
          aFans.Join(static_cast<int>(i), anIt->second);
        }
      }
    }
    std::vector<int> aFirstOfFan;
    for (size_t i = 0; i < aFaces.size(); ++i)
    {
      if (aFans.Root(static_cast<int>(i)) == static_cast<int>(i))
      {
        aFirstOfFan.push_back(aFaces[i] + 1);
      }
    }
    if (aFirstOfFan.size() > 1)
    {
      std::ostringstream aText;
      aText << nodeText(theData, static_cast<int>(v) + 1) << " has " << aFirstOfFan.size()
            << " separate fans of faces, e.g. face " << aFirstOfFan[0] << " and face " << aFirstOfFan[1];
      addFault(theResult.VertexManifold, aText.str());
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

// Volume of the whole and of each shell; a shell of negative volume is fine
// only as a cavity, i.e. inside the other shells.
void checkVolume(const MeshData&                                   theData,
                 const std::unordered_map<std::uint64_t, EdgeUse>& theEdges,
                 Result&                                           theResult)
{
  theResult.PositiveVolume.IsChecked = true;
  Groups aShells(theData.Faces.size());
  for (const auto& anEdge : theEdges)
  {
    for (size_t i = 1; i < anEdge.second.Faces.size(); ++i)
    {
      aShells.Join(anEdge.second.Faces[i] - 1, anEdge.second.Faces[0] - 1);
    }
  }
  std::unordered_map<int, double> aVolumeOfShell;
  std::vector<int>                aShellOrder; // roots by first face
  for (size_t t = 0; t < theData.Faces.size(); ++t)
  {
    if (!theData.IsUsable[t])
    {
      continue;
    }
    const std::array<int, 3>& f = theData.Faces[t];
    const gp_XYZ a = theData.Nodes[f[0] - 1] - theData.Centre, b = theData.Nodes[f[1] - 1] - theData.Centre,
                 c       = theData.Nodes[f[2] - 1] - theData.Centre;
    const double aVolume = a.Dot(b.Crossed(c)) / 6.0;
    const int    aRoot   = aShells.Root(static_cast<int>(t));
    if (aVolumeOfShell.emplace(aRoot, 0.0).second)
    {
      aShellOrder.push_back(static_cast<int>(t));
    }
    aVolumeOfShell[aRoot] += aVolume;
    theResult.Volume += aVolume;
  }
  theResult.NbShells = static_cast<int>(aShellOrder.size());
  if (!(theResult.Volume > 0.0))
  {
    std::ostringstream aText;
    aText << "the signed volume " << theResult.Volume << " is not positive: the surface faces inwards";
    addFault(theResult.PositiveVolume, aText.str());
  }
  for (size_t s = 0; s < aShellOrder.size(); ++s)
  {
    const int    aFirst  = aShellOrder[s];
    const double aVolume = aVolumeOfShell[aShells.Root(aFirst)];
    if (aVolume >= 0.0 || aShellOrder.size() == 1)
    {
      continue;
    }
    std::vector<Trivex::TriangleData> anOthers;
    for (size_t t = 0; t < theData.Faces.size(); ++t)
    {
      if (theData.IsUsable[t] && aShells.Root(static_cast<int>(t)) != aShells.Root(aFirst))
      {
        const std::array<int, 3>& f = theData.Faces[t];
        anOthers.emplace_back(theData.Nodes[f[0] - 1], theData.Nodes[f[1] - 1], theData.Nodes[f[2] - 1],
                              static_cast<int>(t) + 1);
      }
    }
    const Handle(Trivex::TriangleSet) aSet = buildSet(new Trivex::TriangleSet(anOthers));
    const gp_Pnt aProbe(theData.Nodes[static_cast<size_t>(theData.Faces[aFirst][0]) - 1]);
    if (!Trivex::ClassifyPntMesh(aSet, 3).Perform(aProbe))
    {
      std::ostringstream aText;
      aText << "the shell of " << faceText(theData, aFirst + 1) << " has volume " << aVolume
            << " and is no cavity of another shell";
      addFault(theResult.PositiveVolume, aText.str());
    }
  }
}

std::vector<std::pair<int, int>>
hierarchyPairs(const MeshData& theData, const Handle(Trivex::TriangleSet)& theSet, double theTolerance)
{
  const int                                     aNbFaces = static_cast<int>(theData.Faces.size());
  std::vector<std::vector<std::pair<int, int>>> aPerThread(1);
#pragma omp parallel
  {
#ifdef _OPENMP
#pragma omp single
    aPerThread.resize(static_cast<size_t>(omp_get_num_threads()));
    const size_t aThread = static_cast<size_t>(omp_get_thread_num());
#else
    const size_t aThread = 0;
#endif
    Trivex::IntersectTriMesh          aQuery(theSet, theTolerance);
    std::vector<Trivex::TriangleData> aFound;
#pragma omp for schedule(dynamic, 64)
    for (int t = 0; t < aNbFaces; ++t)
    {
      if (!theData.IsUsable[static_cast<size_t>(t)])
      {
        continue;
      }
      aQuery.Perform(theSet->Triangle(t), aFound);
      for (const int u : aQuery.Indices())
      {
        if (theData.IsUsable[static_cast<size_t>(u)] && u != t)
        {
          aPerThread[aThread].emplace_back(std::min(t, u) + 1, std::max(t, u) + 1);
        }
      }
    }
  }
  std::vector<std::pair<int, int>> aPairs;
  for (const auto& aPart : aPerThread)
  {
    aPairs.insert(aPairs.end(), aPart.begin(), aPart.end());
  }
  return aPairs;
}

std::vector<std::pair<int, int>> bruteForcePairs(const MeshData& theData, double theTolerance)
{
  std::vector<std::pair<int, int>>   aPairs;
  const size_t                       aNbFaces = theData.Faces.size();
  std::vector<std::array<gp_XYZ, 3>> aCorners(aNbFaces);
  for (size_t t = 0; t < aNbFaces; ++t)
  {
    for (int k = 0; k < 3 && theData.IsUsable[t]; ++k)
    {
      aCorners[t][k] = theData.Nodes[static_cast<size_t>(theData.Faces[t][k]) - 1];
    }
  }
  for (size_t t = 0; t < aNbFaces; ++t)
  {
    for (size_t u = t + 1; u < aNbFaces && theData.IsUsable[t]; ++u)
    {
      if (theData.IsUsable[u] &&
          PelliskTest_Crossing::FacesCross(aCorners[t].data(), aCorners[u].data(), theTolerance))
      {
        aPairs.emplace_back(static_cast<int>(t) + 1, static_cast<int>(u) + 1);
      }
    }
  }
  return aPairs;
}

std::vector<std::pair<int, int>> crossingPairs(const MeshData&                    theData,
                                               const Handle(Trivex::TriangleSet)& theSet,
                                               CrossingSearch                     theSearch,
                                               double                             theTolerance)
{
  std::vector<std::pair<int, int>> aPairs = theSearch == CrossingSearch::Hierarchy
                                                ? hierarchyPairs(theData, theSet, theTolerance)
                                                : bruteForcePairs(theData, theTolerance);
  std::sort(aPairs.begin(), aPairs.end());
  aPairs.erase(std::unique(aPairs.begin(), aPairs.end()), aPairs.end());
  return aPairs;
}

void checkEnclosure(const Handle(Trivex::TriangleSet)& theSet,
                    const Handle(Poly_Triangulation)&  theInput,
                    const Options&                     theOptions,
                    Result&                            theResult)
{
  theResult.EnclosesInput.IsChecked = true;
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
        const double aDistance            = aProjector.IsDone() ? aProjector.Distance() : RealLast();
        anOutside[static_cast<size_t>(i)] = aDistance > aTolerance ? aDistance : 0.0;
      }
    }
  }
  for (int i = 0; i < aNbInput; ++i)
  {
    if (anOutside[static_cast<size_t>(i)] > 0.0)
    {
      const gp_Pnt       p = theInput->Node(i + 1);
      std::ostringstream aText;
      aText << "input node " << i + 1 << " (" << p.X() << ", " << p.Y() << ", " << p.Z() << ") is outside, "
            << anOutside[static_cast<size_t>(i)] << " from the surface (tolerance " << aTolerance << ")";
      addFault(theResult.EnclosesInput, aText.str());
    }
  }
}

std::string propertyLine(const char* theName, const Property& theProperty)
{
  std::ostringstream aLine;
  aLine << theName << ": ";
  if (!theProperty.IsChecked)
  {
    aLine << "not checked";
  }
  else if (theProperty.NbFaults == 0)
  {
    aLine << "ok";
  }
  else
  {
    aLine << "FAILED (" << theProperty.NbFaults << (theProperty.NbFaults == 1 ? " fault" : " faults")
          << "), first: " << theProperty.FirstFault;
  }
  return aLine.str();
}
} // namespace

bool Result::IsValid() const
{
  return Closed.IsOk() && EdgeManifold.IsOk() && VertexManifold.IsOk() && Oriented.IsOk() &&
         PositiveVolume.IsOk() && NonDegenerate.IsOk() && NoCrossing.IsOk() &&
         (!EnclosesInput.IsChecked || EnclosesInput.IsOk());
}

std::string Result::Summary() const
{
  std::ostringstream aText;
  aText << "mesh: " << NbNodes << " nodes, " << NbTriangles << " triangles, " << NbShells
        << " shells, volume " << Volume << "\n";
  const std::pair<const char*, const Property*> aLines[] = {{"closed", &Closed},
                                                            {"edge-manifold", &EdgeManifold},
                                                            {"vertex-manifold", &VertexManifold},
                                                            {"oriented", &Oriented},
                                                            {"positive volume", &PositiveVolume},
                                                            {"no degenerate face", &NonDegenerate},
                                                            {"no crossing", &NoCrossing},
                                                            {"encloses input", &EnclosesInput}};
  for (const auto& aLine : aLines)
  {
    aText << propertyLine(aLine.first, *aLine.second) << "\n";
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
  const MeshData aData = load(theMesh);
  aResult.NbNodes      = theMesh->NbNodes();
  aResult.NbTriangles  = theMesh->NbTriangles();
  const auto anEdges   = collectEdges(aData);
  checkDegenerate(aData, theOptions, aResult);
  checkEdges(aData, anEdges, aResult);
  checkFans(aData, aResult);
  checkVolume(aData, anEdges, aResult);

  const Handle(Trivex::TriangleSet) aSet = buildSet(new Trivex::TriangleSet(theMesh));
  aResult.NoCrossing.IsChecked           = true;
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
  if (theMesh.IsNull())
  {
    return Result();
  }
  const Handle(Poly_Triangulation) aTriangulation = static_cast<Handle(Poly_Triangulation)>(*theMesh);
  return Check(aTriangulation, theInput, theOptions);
}

std::vector<std::pair<int, int>> PelliskTest_MeshCheck::CrossingPairs(
    const Handle(Poly_Triangulation)& theMesh, CrossingSearch theSearch, double theTolerance)
{
  if (theMesh.IsNull() || theMesh->NbTriangles() == 0)
  {
    return {};
  }
  const MeshData                    aData = load(theMesh);
  const Handle(Trivex::TriangleSet) aSet  = buildSet(new Trivex::TriangleSet(theMesh));
  return crossingPairs(aData, aSet, theSearch, theTolerance);
}

::testing::AssertionResult PelliskTest_MeshCheck::IsValidWrap(const Handle(Poly_Triangulation)& theMesh,
                                                              const Handle(Poly_Triangulation)& theInput,
                                                              const Options&                    theOptions)
{
  const Result aResult = Check(theMesh, theInput, theOptions);
  if (aResult.IsValid())
  {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "the mesh is not a valid wrap:\n" << aResult.Summary();
}

::testing::AssertionResult PelliskTest_MeshCheck::IsValidWrap(const Handle(HalfEdge_Mesh)&      theMesh,
                                                              const Handle(Poly_Triangulation)& theInput,
                                                              const Options&                    theOptions)
{
  const Result aResult = Check(theMesh, theInput, theOptions);
  if (aResult.IsValid())
  {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "the mesh is not a valid wrap:\n" << aResult.Summary();
}
