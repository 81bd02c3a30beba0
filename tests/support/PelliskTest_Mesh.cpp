#include <PelliskTest_Mesh.hxx>

#include <HalfEdgeAlgo_CheckMesh.hxx>
#include <Mesh.hxx>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace
{
using Elements = std::map<int, std::list<int>>; // number -> its nodes

// Bounded so that an iterator that never reaches the end cannot hang the test.
Elements visited(HalfEdge_Mesh::Iterator theIt, const HalfEdge_Mesh::Iterator& theEnd)
{
  Elements aVisited;
  for (int aGuard = 0; theIt != theEnd && aGuard < 100000000; ++theIt, ++aGuard)
  {
    aVisited[theIt.Index()] = *theIt;
  }
  return aVisited;
}

class Work : public HalfEdgeAlgo_CheckMesh
{
public:
  explicit Work(const std::function<bool(Mesh&)>& theWork)
      : myWork(theWork)
  {
  }
  std::string Name() const override { return "PelliskTest_Mesh::Apply"; }
  bool        Perform(Mesh& theMesh) override { return myWork(theMesh); }

private:
  std::function<bool(Mesh&)> myWork;
};
} // namespace

bool PelliskTest_Mesh::Apply(const Handle(HalfEdge_Mesh)&      theMesh,
                             const std::function<bool(Mesh&)>& theWork,
                             bool                              theWithGC)
{
  return theMesh->Execute(new Work(theWork), theWithGC);
}

std::string PelliskTest_Mesh::Check(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::ostringstream           aProblems;
  Elements                     aFaces, anEdges, aBoundary;
  std::map<int, std::set<int>> aFacesOfNode;
  std::set<int>                aBoundaryNodes;
  for (int f = 0; f < theMesh->NbFaces(); ++f)
  {
    std::list<int> aNodes;
    theMesh->Face(f, aNodes);
    int aPrev = aNodes.empty() ? -1 : aNodes.back();
    for (const int aCorner : aNodes)
    {
      std::list<int> aSides;
      theMesh->FacesForEdge(theMesh->EdgeIndex(aPrev, aCorner), aSides);
      if (aNodes.size() < 3 || std::count(aSides.begin(), aSides.end(), f) != 1)
      {
        aProblems << "face " << f << " has " << aNodes.size() << " corners or is not beside its edge "
                  << aPrev << "-" << aCorner << "\n";
      }
      aFaces[f] = aNodes;
      aFacesOfNode[aCorner].insert(f);
      aPrev = aCorner;
    }
  }
  for (int e = 0; e < theMesh->NbEdges(); ++e)
  {
    std::list<int> aSides;
    theMesh->FacesForEdge(e, aSides);
    int anEnds[2] = {-1, -1};
    theMesh->Edge(e, anEnds);
    const bool isBoundary = theMesh->IsBoundaryEdge(e);
    if (!aSides.empty() &&
        (theMesh->EdgeIndex(anEnds[0], anEnds[1]) != e || theMesh->EdgeIndex(anEnds[1], anEnds[0]) != e ||
         isBoundary != (aSides.size() == 1)))
    {
      aProblems << "edge " << e << " is not found from its ends or is misjudged as boundary\n";
    }
    if (!aSides.empty())
    {
      anEdges[e] = {anEnds[0], anEnds[1]};
    }
    if (!aSides.empty() && isBoundary)
    {
      aBoundary[e] = anEdges[e];
      aBoundaryNodes.insert(anEnds, anEnds + 2);
    }
  }
  // Every visited node: found at its point, with the faces that name it, on
  // the boundary when it has no face or a boundary edge.
  const Elements aNodes = visited(theMesh->VerticesBegin(), theMesh->VerticesEnd());
  for (const auto& [aNode, aValue] : aNodes)
  {
    std::list<int> aRound;
    theMesh->FacesForNode(aNode, aRound);
    const int aFound = theMesh->NodeIndex(theMesh->Node(aNode));
    if (aValue != std::list<int>{aNode} || aFound < 0 ||
        theMesh->Node(aFound).Distance(theMesh->Node(aNode)) > 2e-7 ||
        std::set<int>(aRound.begin(), aRound.end()) != aFacesOfNode[aNode] ||
        aRound.size() != aFacesOfNode[aNode].size() ||
        theMesh->IsBoundaryNode(aNode) != (aRound.empty() || aBoundaryNodes.count(aNode) > 0))
    {
      aProblems << "node " << aNode << " is not found at its point or answers wrongly\n";
    }
  }
  const std::pair<const char*, bool> aWalks[] = {
      {"nodes", static_cast<int>(aNodes.size()) <= theMesh->NbNodes()},
      {"faces", visited(theMesh->FacesBegin(), theMesh->FacesEnd()) == aFaces},
      {"edges with faces", visited(theMesh->EdgesBegin(), theMesh->EdgesEnd()) == anEdges},
      {"boundary edges", visited(theMesh->BoundaryEdgesBegin(), theMesh->BoundaryEdgesEnd()) == aBoundary}};
  for (const auto& [aKind, isOk] : aWalks)
  {
    aProblems << (isOk ? ""
                       : std::string("the iterator does not visit the live ") + aKind + " as they are\n");
  }
  return aProblems.str();
}

Mesh& PelliskTest_Mesh::Storage(const Handle(HalfEdge_Mesh)& theMesh)
{
  Mesh* aStorage = nullptr;
  Apply(
      theMesh, [&](Mesh& theStorage) { return (aStorage = &theStorage) != nullptr; }, false);
  return *aStorage;
}
