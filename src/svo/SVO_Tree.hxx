#ifndef SVO_Tree_HeaderFile
#define SVO_Tree_HeaderFile

#include <Pellisk_Export.hxx>
#include <SVO_Node.hxx>

#include <Standard_Transient.hxx>

#include <cstddef>

//! A sparse voxel octree: owns every cell reachable from its root through
//! Children and deletes them all with itself. Depth and node count are kept
//! for the builder, which sets them; the tree never computes them.
class Pellisk_EXPORT SVO_Tree : public Standard_Transient
{
  DEFINE_STANDARD_RTTIEXT(SVO_Tree, Standard_Transient)
public:
  //! A tree of one root without box (see SVO_Node), depth 1 and one node. The
  //! builder sets the root box and links the children.
  SVO_Tree();

  //! Deletes every node of the tree, the root included, each exactly once.
  ~SVO_Tree() override;

  SVO_Tree(const SVO_Tree&)            = delete;
  SVO_Tree& operator=(const SVO_Tree&) = delete;

  //! The root cell, never null.
  SVO_Node* Root() { return myRoot; }

  //! Number of node levels as set by the builder (1 for a new tree).
  int Depth() const { return myDepth; }

  //! Records the number of node levels.
  void SetDepth(int theDepth) { myDepth = theDepth; }

  //! Number of nodes as set by the builder (1 for a new tree).
  size_t NbNodes() const { return myNbNodes; }

  //! Records the number of nodes.
  void SetNbNodes(size_t theNbNodes) { myNbNodes = theNbNodes; }

private:
  SVO_Node* myRoot;
  int       myDepth;
  size_t    myNbNodes;
};

DEFINE_STANDARD_HANDLE(SVO_Tree, Standard_Transient)

#endif
