#include <Mesh.hxx>

#include <ListOfConnectedComponentsImpl.hxx>

#include <iterator>
#include <utility>
#include <vector>

namespace
{
bool isInRange(const Mesh& theMesh, int theEdge)
{
  return theEdge >= 0 && theEdge < static_cast<int>(theMesh.n_edges());
}

bool isLiveEdge(const Mesh& theMesh, int theEdge)
{
  return isInRange(theMesh, theEdge) && !theMesh.status(Mesh::EdgeHandle(theEdge)).deleted();
}

bool isDeletedEdge(const Mesh& theMesh, int theEdge)
{
  return isInRange(theMesh, theEdge) && theMesh.status(Mesh::EdgeHandle(theEdge)).deleted();
}

// Ends of an edge in range: from- and to-node of its first halfedge. The
// kernel keeps them on deleted edges, renamed by the collapse that deleted them.
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
} // namespace

//! The edge walk: visited entries leave the list, entries marked for a retry
//! move to the end of their component, consumed components leave the list.
class ListOfConnectedComponentsWalk : public ListOfConnectedComponents::IteratorImpl
{
  typedef ListOfConnectedComponentsImpl::ComponentPlace   ComponentPlace;
  typedef std::list<ListOfConnectedComponentsImpl::Entry> Entries;

public:
  explicit ListOfConnectedComponentsWalk(ListOfConnectedComponentsImpl& theList)
      : myList(theList),
        myComponent(theList.myComponents.begin())
  {
    if (myComponent != myList.myComponents.end())
    {
      myEntry = myComponent->Edges.begin();
    }
    settle();
  }

  bool More() const override { return myComponent != myList.myComponents.end(); }

  void Next() override
  {
    Entries::iterator aNext = std::next(myEntry);
    if (myIsKept)
    {
      aNext = aNext == myComponent->Edges.end() ? myEntry : aNext;
      myComponent->Edges.splice(myComponent->Edges.end(), myComponent->Edges, myEntry);
    }
    else
    {
      myList.eraseEntry(myComponent, myEntry);
    }
    myEntry   = aNext;
    myIsStart = false;
    myIsKept  = false;
    settle();
  }

  bool IsComponentStart() const override { return myIsStart; }

  const std::set<int>& Nodes() const override { return myComponent->Nodes; }

  int Edge() const override { return myEntry->Edge; }

  bool MarkForRetry() override
  {
    myIsKept = myEntry->MarkedAt != myComponent->NbCollapses;
    if (myIsKept)
    {
      myEntry->MarkedAt = myComponent->NbCollapses;
    }
    return myIsKept;
  }

private:
  // Drops the dead entries from the current one on, and the components left
  // without entries, until on a live edge or past the last component.
  void settle()
  {
    while (myComponent != myList.myComponents.end())
    {
      while (myEntry != myComponent->Edges.end() && !myList.isLive(myEntry->Edge))
      {
        const Entries::iterator aDead = myEntry++;
        myList.eraseEntry(myComponent, aDead);
      }
      if (myEntry != myComponent->Edges.end())
      {
        return;
      }
      const ComponentPlace aDone = myComponent++;
      myList.eraseComponent(aDone);
      myIsStart = true;
      if (myComponent != myList.myComponents.end())
      {
        myEntry = myComponent->Edges.begin();
      }
    }
  }

private:
  ListOfConnectedComponentsImpl& myList;
  ComponentPlace                 myComponent;
  Entries::iterator              myEntry;
  bool                           myIsStart = true;
  bool                           myIsKept  = false;
};

void ListOfConnectedComponentsImpl::Reset(const Mesh& theMesh)
{
  myMesh = &theMesh;
  myComponents.clear();
  myNodeOwners.clear();
  myEdgePlaces.clear();
}

void ListOfConnectedComponentsImpl::AddEdge(const Mesh& theMesh, int theEdge)
{
  if (isLiveEdge(theMesh, theEdge) && !Contains(theEdge))
  {
    const auto [aFrom, aTo] = edgeEnds(theMesh, theEdge);
    addEdge(theEdge, aFrom, aTo, myComponents.end());
  }
}

void ListOfConnectedComponentsImpl::Refresh(const Mesh& theMesh, int theEdge)
{
  const auto aPlace = myEdgePlaces.find(theEdge);
  if (aPlace == myEdgePlaces.end())
  {
    return;
  }
  const ComponentPlace aComponent = aPlace->second.Owner;
  std::vector<int>     aLive;
  for (const Entry& anEntry : aComponent->Edges)
  {
    if (isLiveEdge(theMesh, anEntry.Edge))
    {
      aLive.push_back(anEntry.Edge);
    }
  }
  // New pieces go before an empty mark in the old place: merges never touch it.
  const ComponentPlace aMark = myComponents.insert(aComponent, Component());
  eraseComponent(aComponent);
  for (const int anEdge : aLive)
  {
    const auto [aFrom, aTo] = edgeEnds(theMesh, anEdge);
    addEdge(anEdge, aFrom, aTo, aMark);
  }
  myComponents.erase(aMark);
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
  const auto aPlace = myEdgePlaces.find(anOld);
  if (aPlace == myEdgePlaces.end() || Contains(aNew))
  {
    return;
  }
  const Place aWhere = aPlace->second;
  myEdgePlaces.erase(aPlace);
  aWhere.Slot->Edge   = aNew;
  myEdgePlaces[aNew]  = aWhere;
  const auto [aA, aB] = edgeEnds(theMesh, aNew);
  // Ends that another component holds stay there: components never share nodes.
  for (const int aNode : {aA, aB})
  {
    if (myNodeOwners.emplace(aNode, aWhere.Owner).second)
    {
      aWhere.Owner->Nodes.insert(aNode);
    }
  }
}

void ListOfConnectedComponentsImpl::UpdateAfterCollapse(const Mesh& theMesh,
                                                        int         theEdge,
                                                        int         theRemoved,
                                                        int         theKept)
{
  const auto aPlace = myEdgePlaces.find(theEdge);
  if (aPlace == myEdgePlaces.end())
  {
    return;
  }
  const ComponentPlace aComponent = aPlace->second.Owner;
  ++aComponent->NbCollapses;
  for (auto anEntry = std::next(aPlace->second.Slot); anEntry != aComponent->Edges.end(); ++anEntry)
  {
    if (!isDeletedEdge(theMesh, anEntry->Edge))
    {
      continue;
    }
    auto [aFrom, aTo] = edgeEnds(theMesh, anEntry->Edge);
    aFrom             = aFrom == theRemoved ? theKept : aFrom;
    aTo               = aTo == theRemoved ? theKept : aTo;
    const int aLive   = aFrom != aTo ? liveEdgeJoining(theMesh, aFrom, aTo) : -1;
    if (aLive >= 0 && !Contains(aLive))
    {
      myEdgePlaces.erase(anEntry->Edge);
      anEntry->Edge       = aLive;
      myEdgePlaces[aLive] = {aComponent, anEntry};
    }
  }
  const auto anOwner = myNodeOwners.find(theRemoved);
  if (anOwner != myNodeOwners.end() && anOwner->second == aComponent)
  {
    aComponent->Nodes.erase(theRemoved);
    myNodeOwners.erase(anOwner);
    if (myNodeOwners.emplace(theKept, aComponent).second)
    {
      aComponent->Nodes.insert(theKept);
    }
  }
}

ListOfConnectedComponents::Iterator ListOfConnectedComponentsImpl::Begin()
{
  return Iterator(std::make_shared<ListOfConnectedComponentsWalk>(*this));
}

void ListOfConnectedComponentsImpl::addEdge(int theEdge, int theA, int theB, ComponentPlace theBefore)
{
  const auto     anOwnerA = myNodeOwners.find(theA);
  const auto     anOwnerB = myNodeOwners.find(theB);
  ComponentPlace aTarget;
  if (anOwnerA == myNodeOwners.end() && anOwnerB == myNodeOwners.end())
  {
    aTarget = myComponents.insert(theBefore, Component());
  }
  else if (anOwnerA == myNodeOwners.end() || anOwnerB == myNodeOwners.end())
  {
    aTarget = anOwnerA != myNodeOwners.end() ? anOwnerA->second : anOwnerB->second;
  }
  else
  {
    aTarget =
        anOwnerA->second == anOwnerB->second ? anOwnerA->second : merge(anOwnerA->second, anOwnerB->second);
  }
  for (const int aNode : {theA, theB})
  {
    aTarget->Nodes.insert(aNode);
    myNodeOwners[aNode] = aTarget;
  }
  aTarget->Edges.push_back({theEdge, -1});
  myEdgePlaces[theEdge] = {aTarget, std::prev(aTarget->Edges.end())};
}

ListOfConnectedComponentsImpl::ComponentPlace ListOfConnectedComponentsImpl::merge(ComponentPlace theFirst,
                                                                                   ComponentPlace theSecond)
{
  // The smaller one moves into the larger one, so that building a list costs
  // n log n; the larger one then takes the first one's place in the list.
  const bool     isFirstLarger = theFirst->Edges.size() >= theSecond->Edges.size();
  ComponentPlace aKept         = isFirstLarger ? theFirst : theSecond;
  ComponentPlace aMoved        = isFirstLarger ? theSecond : theFirst;
  for (const int aNode : aMoved->Nodes)
  {
    myNodeOwners[aNode] = aKept;
  }
  for (const Entry& anEntry : aMoved->Edges)
  {
    myEdgePlaces[anEntry.Edge].Owner = aKept;
  }
  aKept->Nodes.insert(aMoved->Nodes.begin(), aMoved->Nodes.end());
  aKept->Edges.splice(isFirstLarger ? aKept->Edges.end() : aKept->Edges.begin(), aMoved->Edges);
  myComponents.splice(theFirst, myComponents, aKept);
  myComponents.erase(aMoved);
  return aKept;
}

void ListOfConnectedComponentsImpl::eraseEntry(ComponentPlace             theComponent,
                                               std::list<Entry>::iterator theEntry)
{
  myEdgePlaces.erase(theEntry->Edge);
  theComponent->Edges.erase(theEntry);
}

void ListOfConnectedComponentsImpl::eraseComponent(ComponentPlace theComponent)
{
  for (const Entry& anEntry : theComponent->Edges)
  {
    myEdgePlaces.erase(anEntry.Edge);
  }
  for (const int aNode : theComponent->Nodes)
  {
    const auto anOwner = myNodeOwners.find(aNode);
    if (anOwner != myNodeOwners.end() && anOwner->second == theComponent)
    {
      myNodeOwners.erase(anOwner);
    }
  }
  myComponents.erase(theComponent);
}

bool ListOfConnectedComponentsImpl::isLive(int theEdge) const
{
  return myMesh == nullptr || isLiveEdge(*myMesh, theEdge);
}
