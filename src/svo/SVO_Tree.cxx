#include <SVO_Tree.hxx>

#include <SVO_Depth_Iterator.hxx>

IMPLEMENT_STANDARD_RTTIEXT(SVO_Tree, Standard_Transient)

SVO_Tree::SVO_Tree()
    : myRoot(new SVO_Node(nullptr, -1)),
      myDepth(1),
      myNbNodes(1)
{
}

SVO_Tree::~SVO_Tree()
{
  // The iterator keeps the walk off the call stack, so trees of any depth are
  // freed; a node is deleted only once the iterator has queued its children.
  SVO_Depth_Iterator anIter(*this);
  while (anIter.More())
  {
    SVO_Node* aNode = anIter.Current();
    anIter.Next();
    delete aNode;
  }
}
