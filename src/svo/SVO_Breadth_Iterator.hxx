#ifndef SVO_Breadth_Iterator_HeaderFile
#define SVO_Breadth_Iterator_HeaderFile

#include <Pellisk_Export.hxx>
#include <SVO_Iterator.hxx>

//! Visits every node of an octree once, level by level from the root; within a level in the order of
//! the parents, the children of each parent from 0 to 7.
class Pellisk_EXPORT SVO_Breadth_Iterator : public SVO_Iterator
{
public:
  //! Starts at the root of the tree.
  explicit SVO_Breadth_Iterator(SVO_Tree& theTree);

  //! Starts at the root of the tree held by the handle; a null handle gives an empty walk.
  explicit SVO_Breadth_Iterator(const Handle(SVO_Tree)& theTree);

  //! True while a node is left to visit.
  bool More() override { return !myQueue.empty(); }

  //! Moves to the next node; does nothing once the walk has ended.
  void Next() override;

  //! The node visited; null once the walk has ended.
  SVO_Node* Current() override { return myQueue.empty() ? nullptr : myQueue.front(); }
};

#endif
