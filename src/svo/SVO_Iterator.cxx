#include <SVO_Iterator.hxx>

SVO_Iterator::SVO_Iterator(SVO_Tree& theTree)
    : myTree(&theTree)
{
}

SVO_Iterator::SVO_Iterator(const Handle(SVO_Tree)& theTree)
    : myTree(theTree.get())
{
}

void SVO_Iterator::queueRoot()
{
  if (myTree != nullptr)
  {
    myQueue.push_back(myTree->Root());
  }
}
