#ifndef ListOfConnectedComponentsImpl_HeaderFile
#define ListOfConnectedComponentsImpl_HeaderFile

#include <ListOfConnectedComponents.hxx>

#include <list>
#include <unordered_map>

//! The list of connected edge components, kept as a list of node sets with
//! their edge lists, and indexed from node and edge numbers to their places so
//! that every operation but UpdateAfterCollapse() and Refresh() (linear in the
//! size of one component) takes a time independent of the list's size.
//! Create it with std::make_shared and hold it as a ListOfConnectedComponents.
class ListOfConnectedComponentsImpl : public ListOfConnectedComponents
{
public:
  //! An edge held by a component, with the component's collapse count when
  //! it was last marked for a retry (-1: never).
  struct Entry
  {
    int Edge;
    int MarkedAt;
  };

  //! One connected piece: its nodes, its edges in order, and the number of
  //! collapses it has been told about.
  struct Component
  {
    std::set<int>    Nodes;
    std::list<Entry> Edges;
    int              NbCollapses = 0;
  };

  //! The place of a component in the list.
  typedef std::list<Component>::iterator ComponentPlace;

  //! An empty list; until Reset(), a walk takes every edge for live.
  ListOfConnectedComponentsImpl() = default;

  void Reset(const Mesh& theMesh) override;
  //! See ListOfConnectedComponents::AddEdge; an edge that is not live or is
  //! held already is ignored.
  void     AddEdge(const Mesh& theMesh, int theEdge) override;
  void     Refresh(const Mesh& theMesh, int theEdge) override;
  void     ReplaceEdge(const Mesh& theMesh, int theOld, int theNew) override;
  void     UpdateAfterCollapse(const Mesh& theMesh, int theEdge, int theRemoved, int theKept) override;
  bool     Contains(int theEdge) const override { return myEdgePlaces.count(theEdge) != 0; }
  bool     IsEmpty() const override { return myComponents.empty(); }
  Iterator Begin() override;

  //! The components, in order.
  const std::list<Component>& Components() const { return myComponents; }

private:
  //! Where an edge is held.
  struct Place
  {
    ComponentPlace             Owner;
    std::list<Entry>::iterator Slot;
  };

  friend class ListOfConnectedComponentsWalk;

  //! Adds an edge of known ends (the grouping rule); theBefore is where a new
  //! component goes.
  void addEdge(int theEdge, int theA, int theB, ComponentPlace theBefore);

  //! Moves everything of theSecond into theFirst (theSecond's edges after
  //! theFirst's), leaving the result in theFirst's place; returns it.
  ComponentPlace merge(ComponentPlace theFirst, ComponentPlace theSecond);

  //! Drops an entry of a component from the list and the index.
  void eraseEntry(ComponentPlace theComponent, std::list<Entry>::iterator theEntry);

  //! Drops a component, its entries and its nodes from the list and the index.
  void eraseComponent(ComponentPlace theComponent);

  //! True when the walk should visit the edge.
  bool isLive(int theEdge) const;

private:
  const Mesh*                             myMesh = nullptr;
  std::list<Component>                    myComponents;
  std::unordered_map<int, ComponentPlace> myNodeOwners;
  std::unordered_map<int, Place>          myEdgePlaces;
};

#endif
