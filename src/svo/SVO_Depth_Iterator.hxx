#ifndef SVO_Depth_Iterator_HeaderFile
#define SVO_Depth_Iterator_HeaderFile

#include <Pellisk_Export.hxx>
#include <SVO_Iterator.hxx>

//! Visits every node of an octree once, in pre-order: a node before its children, the whole subtree of
//! child 0 before child 1, and so on to child 7.
class Pellisk_EXPORT SVO_Depth_Iterator : public SVO_Iterator
{
public:
  //! Starts at the root of the tree.
  explicit SVO_Depth_Iterator(SVO_Tree& theTree);

  //! Starts at the root of the tree held by the handle; a null handle gives an empty walk.
  explicit SVO_Depth_Iterator(const Handle(SVO_Tree)& theTree);

  //! True while a node is left to visit.
  bool More() override { return !myQueue.empty(); }

  //! Moves to the next node; does nothing once the walk has ended.
  void Next() override;

  //! The node visited; null once the walk has ended.
  SVO_Node* Current() override { return myQueue.empty() ? nullptr : myQueue.front(); }
};

#endif
