#ifndef ListOfConnectedComponents_HeaderFile
#define ListOfConnectedComponents_HeaderFile

#include <list>
#include <memory>
#include <set>

class Mesh;

//! Groups of mesh edges that stay meaningful while edges are collapsed: each
//! component holds the nodes and the edges (in insertion order) of one
//! connected piece of the graph of edges added to it. Edges are named by their
//! numbers in the Mesh given with each call; an edge number that is out of
//! range or deleted counts as not live.
class ListOfConnectedComponents
{
public:
  //! Walks the components in order.
  class IteratorImpl
  {
  public:
    virtual ~IteratorImpl();
    //! True while on a component.
    virtual bool More() const = 0;
    //! Moves to the next component.
    virtual void Next() = 0;
    //! Node numbers of the current component.
    virtual const std::set<int>& Nodes() const = 0;
    //! Edge numbers of the current component, in insertion order.
    virtual const std::list<int>& Edges() const = 0;
  };

  //! A walk over the components: while More(), read Nodes() and Edges(), then Next().
  class Iterator
  {
  public:
    //! A walk over the given implementation.
    explicit Iterator(const std::shared_ptr<IteratorImpl>& theImpl)
        : myImpl(theImpl)
    {
    }
    virtual ~Iterator();
    //! True while on a component.
    virtual bool More() const { return myImpl->More(); }
    //! Moves to the next component.
    virtual void Next() { myImpl->Next(); }
    //! Node numbers of the current component.
    virtual const std::set<int>& Nodes() const { return myImpl->Nodes(); }
    //! Edge numbers of the current component, in insertion order.
    virtual const std::list<int>& Edges() const { return myImpl->Edges(); }

  private:
    std::shared_ptr<IteratorImpl> myImpl;
  };

public:
  virtual ~ListOfConnectedComponents();

  //! Adds a live edge: to the component holding one of its ends, joining the
  //! two components of its ends if they differ, or as a new component.
  virtual void AddEdge(const Mesh& theMesh, int theEdge) = 0;

  //! In the component holding theEdge, drops the edges no longer live and
  //! regroups the others into connected pieces, which take its place.
  virtual void Refresh(const Mesh& theMesh, int theEdge) = 0;

  //! When theNew is live, puts it in place of (the last occurrence of)
  //! theOld in the component holding theOld, unless that component holds
  //! theNew already; when theNew is deleted and theOld live, the same with the
  //! two exchanged.
  virtual void ReplaceEdge(const Mesh& theMesh, int theOld, int theNew) = 0;

  //! After a collapse that removed node theRemoved in favour of theKept: in the
  //! component holding theEdge, each later edge that is now deleted is
  //! replaced by the live edge joining its ends (theRemoved read as theKept),
  //! when there is one; the component's nodes follow the collapse.
  virtual void UpdateAfterCollapse(const Mesh& theMesh, int theEdge, int theRemoved, int theKept) = 0;

  //! True when some component holds theEdge.
  virtual bool Contains(int theEdge) const = 0;

  //! True when there is no component.
  virtual bool IsEmpty() const = 0;

  //! A walk over the components.
  virtual Iterator Begin() const = 0;
};

#endif
