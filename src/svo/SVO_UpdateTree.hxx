#ifndef SVO_UpdateTree_HeaderFile
#define SVO_UpdateTree_HeaderFile

#include <Pellisk_Export.hxx>
#include <SVO_Tree.hxx>

#include <Standard_Transient.hxx>

//! Base of the algorithms that update an octree in place: holds the tree to
//! work on; Perform() runs the update.
class Pellisk_EXPORT SVO_UpdateTree : public Standard_Transient
{
  DEFINE_STANDARD_RTTIEXT(SVO_UpdateTree, Standard_Transient)
public:
  //! Updates the tree; true on success, false when there is no tree.
  virtual bool Perform() = 0;

  //! The tree worked on (may be null).
  const Handle(SVO_Tree)& Tree() const { return myTree; }

  //! Sets the tree the next Perform() works on.
  void SetTree(const Handle(SVO_Tree)& theTree) { myTree = theTree; }

protected:
  //! Keeps the tree to work on.
  explicit SVO_UpdateTree(const Handle(SVO_Tree)& theTree);

protected:
  Handle(SVO_Tree) myTree;
};

DEFINE_STANDARD_HANDLE(SVO_UpdateTree, Standard_Transient)

#endif
