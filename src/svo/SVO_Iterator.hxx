#ifndef SVO_Iterator_HeaderFile
#define SVO_Iterator_HeaderFile

#include <Pellisk_Export.hxx>
#include <SVO_Tree.hxx>

#include <deque>

//! Walk over every node of an octree, internal nodes and leaves alike, starting
//! with the root. Typical use: while More(), read Current(), then Next(). The
//! iterator keeps raw node pointers: it must not outlive its tree, and the tree
//! must not change while it is in use.
class Pellisk_EXPORT SVO_Iterator
{
public:
  //! True while a node is left to visit.
  virtual bool More() = 0;

  //! Moves to the next node; does nothing once the walk has ended.
  virtual void Next() = 0;

  //! The node visited; null once the walk has ended.
  virtual SVO_Node* Current() = 0;

protected:
  //! Stores the tree (no reference is taken) with nothing queued.
  explicit SVO_Iterator(SVO_Tree& theTree);

  //! Stores the tree held by the handle (no reference is taken); a null handle gives an empty walk.
  explicit SVO_Iterator(const Handle(SVO_Tree)& theTree);

  //! Not virtual: iterators are used by value, never deleted through the base.
  ~SVO_Iterator() = default;

  //! Queues the root of the tree, if there is a tree.
  void queueRoot();

protected:
  SVO_Tree*             myTree;
  std::deque<SVO_Node*> myQueue; //!< nodes still to visit; the front is the current one
};

#endif
