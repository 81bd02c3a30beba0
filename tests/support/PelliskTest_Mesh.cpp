#include <PelliskTest_Mesh.hxx>

#include <algorithm>
#include <list>
#include <sstream>

namespace
{
// Counts the positions from begin to end, checking each one; bounded so that
// an iterator that never reaches the end cannot hang the test.
template <typename Check_t>
int walk(HalfEdge_Mesh::Iterator theIt, const HalfEdge_Mesh::Iterator& theEnd, Check_t theCheck)
{
  int aCount = 0;
  for (; theIt != theEnd && aCount <= 100000000; ++theIt, ++aCount)
  {
    theCheck(theIt.Index(), *theIt);
  }
  return aCount;
}
} // namespace

int PelliskTest_Mesh::NbLiveFaces(const Handle(HalfEdge_Mesh)& theMesh)
{
  int aCount = 0;
  for (int f = 0; f < theMesh->NbFaces(); ++f)
  {
    std::list<int> aNodes;
    theMesh->Face(f, aNodes);
    aCount += aNodes.empty() ? 0 : 1;
  }
  return aCount;
}

std::string PelliskTest_Mesh::Check(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::ostringstream aProblems;
  const auto         checkNode = [&](int theNode, const std::list<int>& theValue)
  {
    const int aFound = theMesh->NodeIndex(theMesh->Node(theNode));
    if (theValue != std::list<int>{theNode} || aFound < 0 ||
        theMesh->Node(aFound).Distance(theMesh->Node(theNode)) > 2e-7)
    {
      aProblems << "node " << theNode << " dereferences wrongly or is not found at its point\n";
    }
  };
  const auto checkFace = [&](int theFace, const std::list<int>& theCorners)
  {
    if (theCorners.size() < 3)
    {
      aProblems << "face " << theFace << " has " << theCorners.size() << " corners\n";
      return;
    }
    for (auto aPrev = std::prev(theCorners.end()), aCorner = theCorners.begin(); aCorner != theCorners.end();
         aPrev = aCorner++)
    {
      std::list<int> aFaces;
      theMesh->FacesForEdge(theMesh->EdgeIndex(*aPrev, *aCorner), aFaces);
      if (std::find(aFaces.begin(), aFaces.end(), theFace) == aFaces.end())
      {
        aProblems << "face " << theFace << " is not beside its edge " << *aPrev << "-" << *aCorner << "\n";
      }
    }
  };
  const auto checkEdge = [&](int theEdge, const std::list<int>& theEnds)
  {
    std::list<int> aFaces;
    theMesh->FacesForEdge(theEdge, aFaces);
    if (theEnds.size() != 2 || aFaces.empty() ||
        theMesh->EdgeIndex(theEnds.front(), theEnds.back()) != theEdge)
    {
      aProblems << "edge " << theEdge << " is dangling or not found from its ends\n";
    }
  };
  const int aNbNodes = walk(theMesh->VerticesBegin(), theMesh->VerticesEnd(), checkNode);
  const int aNbFaces = walk(theMesh->FacesBegin(), theMesh->FacesEnd(), checkFace);
  walk(theMesh->EdgesBegin(), theMesh->EdgesEnd(), checkEdge);
  if (aNbFaces != NbLiveFaces(theMesh) || aNbNodes > theMesh->NbNodes())
  {
    aProblems << "iteration visits " << aNbFaces << " faces of " << NbLiveFaces(theMesh) << " and "
              << aNbNodes << " nodes of " << theMesh->NbNodes() << "\n";
  }
  return aProblems.str();
}
