#include <PelliskTool_Info.hxx>

#include <gp_Vec.hxx>

#include <map>
#include <numeric>
#include <vector>

namespace
{
int findRoot(std::vector<int>& theParents, int theNode)
{
  while (theParents[theNode] != theNode)
  {
    theParents[theNode] = theParents[theParents[theNode]];
    theNode             = theParents[theNode];
  }
  return theNode;
}

// Counts the pieces made of faces that share nodes.
int countComponents(const Handle(Poly_Triangulation)& theMesh)
{
  std::vector<int> aParents(static_cast<size_t>(theMesh->NbNodes()) + 1);
  std::iota(aParents.begin(), aParents.end(), 0);
  std::vector<bool> isUsed(aParents.size(), false);
  for (int aFace = 1; aFace <= theMesh->NbTriangles(); ++aFace)
  {
    int aNodes[3];
    theMesh->Triangle(aFace).Get(aNodes[0], aNodes[1], aNodes[2]);
    for (int k = 0; k < 3; ++k)
    {
      isUsed[aNodes[k]]                       = true;
      aParents[findRoot(aParents, aNodes[k])] = findRoot(aParents, aNodes[(k + 1) % 3]);
    }
  }
  int aCount = 0;
  for (int aNode = 1; aNode <= theMesh->NbNodes(); ++aNode)
  {
    aCount += (isUsed[aNode] && findRoot(aParents, aNode) == aNode) ? 1 : 0;
  }
  return aCount;
}
} // namespace

PelliskTool_Info PelliskTool_Info::Compute(const Handle(Poly_Triangulation)& theMesh)
{
  PelliskTool_Info anInfo;
  anInfo.NbNodes = theMesh->NbNodes();
  anInfo.NbFaces = theMesh->NbTriangles();
  Bnd_Box aBox;
  for (int aNode = 1; aNode <= theMesh->NbNodes(); ++aNode)
  {
    aBox.Add(theMesh->Node(aNode));
  }
  if (!aBox.IsVoid())
  {
    anInfo.Min = aBox.CornerMin();
    anInfo.Max = aBox.CornerMax();
  }
  // Directed uses of each undirected edge: (count a->b, count b->a) with a < b.
  std::map<std::pair<int, int>, std::pair<int, int>> anEdges;
  for (int aFace = 1; aFace <= theMesh->NbTriangles(); ++aFace)
  {
    int aNodes[3];
    theMesh->Triangle(aFace).Get(aNodes[0], aNodes[1], aNodes[2]);
    const gp_XYZ aP[3] = {theMesh->Node(aNodes[0]).XYZ(), theMesh->Node(aNodes[1]).XYZ(),
                          theMesh->Node(aNodes[2]).XYZ()};
    anInfo.Volume += aP[0].Dot(aP[1].Crossed(aP[2])) / 6.0;
    if (aNodes[0] == aNodes[1] || aNodes[1] == aNodes[2] || aNodes[0] == aNodes[2] ||
        (aP[1] - aP[0]).Crossed(aP[2] - aP[0]).SquareModulus() == 0.0)
    {
      ++anInfo.NbDegenerateFaces;
    }
    for (int k = 0; k < 3; ++k)
    {
      const int a     = aNodes[k];
      const int b     = aNodes[(k + 1) % 3];
      auto&     aUses = anEdges[{std::min(a, b), std::max(a, b)}];
      (a < b ? aUses.first : aUses.second) += 1;
    }
  }
  anInfo.NbEdges = static_cast<int>(anEdges.size());
  for (const auto& anEdge : anEdges)
  {
    const int aNbFaces = anEdge.second.first + anEdge.second.second;
    anInfo.NbBoundaryEdges += aNbFaces == 1 ? 1 : 0;
    anInfo.NbNonManifoldEdges += aNbFaces > 2 ? 1 : 0;
    anInfo.NbMisorientedEdges += (aNbFaces == 2 && anEdge.second.first != 1) ? 1 : 0;
  }
  anInfo.NbComponents = countComponents(theMesh);
  return anInfo;
}

void PelliskTool_Info::Print(std::ostream& theStream) const
{
  theStream << "nodes: " << NbNodes << "\n"
            << "faces: " << NbFaces << "\n"
            << "degenerate faces: " << NbDegenerateFaces << "\n"
            << "bounding box: (" << Min.X() << ", " << Min.Y() << ", " << Min.Z() << ") - (" << Max.X()
            << ", " << Max.Y() << ", " << Max.Z() << ")\n"
            << "connected components: " << NbComponents << "\n"
            << "edges: " << NbEdges << "\n"
            << "boundary edges: " << NbBoundaryEdges << "\n"
            << "non-manifold edges: " << NbNonManifoldEdges << "\n"
            << "closed: " << (IsClosed() ? "yes" : "no") << "\n"
            << "consistently oriented: " << (IsOriented() ? "yes" : "no") << "\n";
  if (IsClosed() && IsOriented())
  {
    theStream << "volume: " << Volume << (Volume > 0.0 ? " (outward)" : " (inward)") << "\n";
  }
}
