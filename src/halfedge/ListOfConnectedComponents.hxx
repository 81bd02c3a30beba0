#ifndef ListOfConnectedComponents_HeaderFile
#define ListOfConnectedComponents_HeaderFile

#include <memory>
#include <set>

class Mesh;

//! Groups of mesh edges that stay meaningful while edges are collapsed: each
//! component holds the nodes and the edges (in insertion order) of one
//! connected piece of the graph of edges added to it. Edges are named by their
//! numbers in the mesh; an edge number that is out of range or deleted counts
//! as not live. An edge is held by one component at most, and once.
//!
//! The list is walked edge by edge (Begin()); the walk consumes what it
//! visits. While a walk runs, only ReplaceEdge() and UpdateAfterCollapse() may
//! change the list (they edit entries in place); AddEdge(), Refresh() and
//! Reset() end the walk (its iterator must not be used afterwards).
class ListOfConnectedComponents
{
public:
  //! The position of a walk over the edges of the components.
  class IteratorImpl
  {
  public:
    virtual ~IteratorImpl();
    //! True while on an edge.
    virtual bool More() const = 0;
    //! Leaves the current edge, which is dropped from its component unless it
    //! was marked for a retry, and moves to the next live edge: the next one of
    //! the component, or the first one of the next component.
    virtual void Next() = 0;
    //! True on the first edge visited in a component.
    virtual bool IsComponentStart() const = 0;
    //! Node numbers of the current edge's component.
    virtual const std::set<int>& Nodes() const = 0;
    //! Number of the current edge (live).
    virtual int Edge() const = 0;
    //! Asks for the current edge to be visited again after the rest of its
    //! component: Next() moves it to the end of the component. When the edge
    //! was marked before and nothing in its component was collapsed since
    //! (UpdateAfterCollapse()), the retry has failed: the answer is false and
    //! Next() drops the edge. So a walk ends: between two collapses each edge
    //! comes round at most twice, and every collapse removes a node.
    virtual bool MarkForRetry() = 0;
  };

  //! A walk over the edges: while More(), use Edge() (and at a component's
  //! start its Nodes()), then Next().
  class Iterator
  {
  public:
    //! A walk over the given position.
    explicit Iterator(const std::shared_ptr<IteratorImpl>& theImpl)
        : myImpl(theImpl)
    {
    }
    virtual ~Iterator();
    //! True while on an edge.
    virtual bool More() const { return myImpl->More(); }
    //! See IteratorImpl::Next().
    virtual void Next() { myImpl->Next(); }
    //! True on the first edge visited in a component.
    virtual bool IsComponentStart() const { return myImpl->IsComponentStart(); }
    //! Node numbers of the current edge's component.
    virtual const std::set<int>& Nodes() const { return myImpl->Nodes(); }
    //! Number of the current edge.
    virtual int Edge() const { return myImpl->Edge(); }
    //! See IteratorImpl::MarkForRetry(): false when the retry failed.
    virtual bool MarkForRetry() { return myImpl->MarkForRetry(); }

  private:
    std::shared_ptr<IteratorImpl> myImpl;
  };

public:
  virtual ~ListOfConnectedComponents();

  //! Empties the list; the walk then reads the liveness of edges from
  //! theMesh, which must outlive the walk.
  virtual void Reset(const Mesh& theMesh) = 0;

  //! Adds a live edge that no component holds yet: to the component holding
  //! one of its ends, joining the two components of its ends if they differ
  //! (the second one's edges follow the first one's), or as a new component.
  virtual void AddEdge(const Mesh& theMesh, int theEdge) = 0;

  //! In the component holding theEdge, drops the edges no longer live and
  //! regroups the others into connected pieces. Every piece becomes a
  //! component of its own, in the place of the old one, in the order of their
  //! first edges: edges that fell apart are still walked, each with its own
  //! neighbours.
  virtual void Refresh(const Mesh& theMesh, int theEdge) = 0;

  //! When theNew is live, puts it in place of theOld in the component holding
  //! theOld, unless some component holds theNew already; when theNew is
  //! deleted and theOld live, the same with the two exchanged.
  virtual void ReplaceEdge(const Mesh& theMesh, int theOld, int theNew) = 0;

  //! After a collapse of theEdge that removed node theRemoved in favour of
  //! theKept: in the component holding theEdge, each later edge that is now
  //! deleted is replaced by the live edge joining its ends (theRemoved read as
  //! theKept), when there is one that no component holds yet; the component's
  //! nodes follow the collapse, and its failed retries may be tried again.
  virtual void UpdateAfterCollapse(const Mesh& theMesh, int theEdge, int theRemoved, int theKept) = 0;

  //! True when some component holds theEdge.
  virtual bool Contains(int theEdge) const = 0;

  //! True when there is no component.
  virtual bool IsEmpty() const = 0;

  //! A walk over the edges of the components, in order, from the first
  //! live one.
  virtual Iterator Begin() = 0;
};

#endif
