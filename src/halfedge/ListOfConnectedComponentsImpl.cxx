#include <Mesh.hxx>

#include <ListOfConnectedComponentsImpl.hxx>

#include <algorithm>

namespace
{
bool isLiveEdge(const Mesh& theMesh, int theEdge)
{
  return theEdge >= 0 && theEdge < static_cast<int>(theMesh.n_edges()) &&
         !theMesh.status(Mesh::EdgeHandle(theEdge)).deleted();
}

bool isDeletedEdge(const Mesh& theMesh, int theEdge)
{
  return theEdge >= 0 && theEdge < static_cast<int>(theMesh.n_edges()) &&
         theMesh.status(Mesh::EdgeHandle(theEdge)).deleted();
}

// Ends of an edge in range: from- and to-node of its first halfedge.
std::pair<int, int> edgeEnds(const Mesh& theMesh, int theEdge)
{
  const Mesh::HalfedgeHandle aHalf = theMesh.halfedge_handle(Mesh::EdgeHandle(theEdge), 0);
  return {theMesh.from_vertex_handle(aHalf).idx(), theMesh.to_vertex_handle(aHalf).idx()};
}

// The live edge from theFrom to theTo among theFrom's outgoing halfedges, or -1.
int liveEdgeJoining(const Mesh& theMesh, int theFrom, int theTo)
{
  if (theFrom < 0 || theFrom >= static_cast<int>(theMesh.n_vertices()))
  {
    return -1;
  }
  const Mesh::VertexHandle aFrom(theFrom);
  if (theMesh.status(aFrom).deleted() || !theMesh.halfedge_handle(aFrom).is_valid())
  {
    return -1;
  }
  for (auto anOut = theMesh.cvoh_iter(aFrom); anOut.is_valid(); ++anOut)
  {
    const Mesh::EdgeHandle anEdge = theMesh.edge_handle(*anOut);
    if (theMesh.to_vertex_handle(*anOut).idx() == theTo && !theMesh.status(anEdge).deleted())
    {
      return anEdge.idx();
    }
  }
  return -1;
}

// Adds an edge of known ends to a list of components (the grouping rule).
void addEdgeTo(std::list<ListOfConnectedComponentsImpl::Component>& theComponents,
               int                                                  theEdge,
               int                                                  theA,
               int                                                  theB)
{
  auto aFirst  = theComponents.end();
  auto aSecond = theComponents.end();
  for (auto aComp = theComponents.begin(); aComp != theComponents.end(); ++aComp)
  {
    if (aFirst == theComponents.end() && aComp->Nodes.count(theA) != 0)
    {
      aFirst = aComp;
    }
    if (aSecond == theComponents.end() && aComp->Nodes.count(theB) != 0)
    {
      aSecond = aComp;
    }
  }
  if (aFirst == theComponents.end() && aSecond == theComponents.end())
  {
    theComponents.push_back({{theA, theB}, {theEdge}});
    return;
  }
  if (aFirst == theComponents.end())
  {
    aFirst = aSecond;
  }
  else if (aSecond != theComponents.end() && aSecond != aFirst)
  {
    aFirst->Nodes.insert(aSecond->Nodes.begin(), aSecond->Nodes.end());
    aFirst->Edges.splice(aFirst->Edges.end(), aSecond->Edges);
    theComponents.erase(aSecond);
  }
  aFirst->Nodes.insert(theA);
  aFirst->Nodes.insert(theB);
  aFirst->Edges.push_back(theEdge);
}

class ComponentIterator : public ListOfConnectedComponents::IteratorImpl
{
public:
  explicit ComponentIterator(const std::list<ListOfConnectedComponentsImpl::Component>& theComponents)
      : myCurrent(theComponents.begin()),
        myEnd(theComponents.end())
  {
  }
  bool                  More() const override { return myCurrent != myEnd; }
  void                  Next() override { ++myCurrent; }
  const std::set<int>&  Nodes() const override { return myCurrent->Nodes; }
  const std::list<int>& Edges() const override { return myCurrent->Edges; }

private:
  std::list<ListOfConnectedComponentsImpl::Component>::const_iterator myCurrent;
  std::list<ListOfConnectedComponentsImpl::Component>::const_iterator myEnd;
};
} // namespace

std::list<ListOfConnectedComponentsImpl::Component>::iterator
ListOfConnectedComponentsImpl::holding(int theEdge)
{
  return std::find_if(
      myComponents.begin(), myComponents.end(),
      [theEdge](const Component& theComp)
      { return std::find(theComp.Edges.begin(), theComp.Edges.end(), theEdge) != theComp.Edges.end(); });
}

void ListOfConnectedComponentsImpl::AddEdge(const Mesh& theMesh, int theEdge)
{
  if (isLiveEdge(theMesh, theEdge))
  {
    const auto [aFrom, aTo] = edgeEnds(theMesh, theEdge);
    addEdgeTo(myComponents, theEdge, aFrom, aTo);
  }
}

void ListOfConnectedComponentsImpl::Refresh(const Mesh& theMesh, int theEdge)
{
  const auto aComp = holding(theEdge);
  if (aComp == myComponents.end())
  {
    return;
  }
  std::list<Component> aPieces;
  for (const int anEdge : aComp->Edges)
  {
    if (isLiveEdge(theMesh, anEdge))
    {
      const auto [aFrom, aTo] = edgeEnds(theMesh, anEdge);
      addEdgeTo(aPieces, anEdge, aFrom, aTo);
    }
  }
  // Pieces that fell apart stay components of their own, where the old one was.
  myComponents.splice(aComp, aPieces);
  myComponents.erase(aComp);
}

void ListOfConnectedComponentsImpl::ReplaceEdge(const Mesh& theMesh, int theOld, int theNew)
{
  int anOld = theOld;
  int aNew  = theNew;
  if (!isLiveEdge(theMesh, aNew))
  {
    if (!isLiveEdge(theMesh, anOld))
    {
      return;
    }
    std::swap(anOld, aNew);
  }
  const auto aComp = holding(anOld);
  if (aComp == myComponents.end() ||
      std::find(aComp->Edges.begin(), aComp->Edges.end(), aNew) != aComp->Edges.end())
  {
    return;
  }
  const auto aLast        = std::find(aComp->Edges.rbegin(), aComp->Edges.rend(), anOld);
  *aLast                  = aNew;
  const auto [aFrom, aTo] = edgeEnds(theMesh, aNew);
  aComp->Nodes.insert(aFrom);
  aComp->Nodes.insert(aTo);
}

void ListOfConnectedComponentsImpl::UpdateAfterCollapse(const Mesh& theMesh,
                                                        int         theEdge,
                                                        int         theRemoved,
                                                        int         theKept)
{
  const auto aComp = holding(theEdge);
  if (aComp == myComponents.end())
  {
    return;
  }
  auto anEntry = std::find(aComp->Edges.begin(), aComp->Edges.end(), theEdge);
  for (++anEntry; anEntry != aComp->Edges.end(); ++anEntry)
  {
    if (!isDeletedEdge(theMesh, *anEntry))
    {
      continue;
    }
    auto [aFrom, aTo] = edgeEnds(theMesh, *anEntry);
    aFrom             = aFrom == theRemoved ? theKept : aFrom;
    aTo               = aTo == theRemoved ? theKept : aTo;
    if (aFrom != aTo)
    {
      const int aLive = liveEdgeJoining(theMesh, aFrom, aTo);
      *anEntry        = aLive >= 0 ? aLive : *anEntry;
    }
  }
  if (aComp->Nodes.erase(theRemoved) != 0)
  {
    aComp->Nodes.insert(theKept);
  }
}

bool ListOfConnectedComponentsImpl::Contains(int theEdge) const
{
  return std::any_of(
      myComponents.begin(), myComponents.end(),
      [theEdge](const Component& theComp)
      { return std::find(theComp.Edges.begin(), theComp.Edges.end(), theEdge) != theComp.Edges.end(); });
}

ListOfConnectedComponents::Iterator ListOfConnectedComponentsImpl::Begin() const
{
  return Iterator(std::make_shared<ComponentIterator>(myComponents));
}
