#include <SVO_Breadth_Iterator.hxx>

SVO_Breadth_Iterator::SVO_Breadth_Iterator(SVO_Tree& theTree)
    : SVO_Iterator(theTree)
{
  queueRoot();
}

SVO_Breadth_Iterator::SVO_Breadth_Iterator(const Handle(SVO_Tree)& theTree)
    : SVO_Iterator(theTree)
{
  queueRoot();
}

void SVO_Breadth_Iterator::Next()
{
  if (myQueue.empty())
  {
    return;
  }
  SVO_Node* aNode = myQueue.front();
  myQueue.pop_front();
  if (aNode->Children[0] != nullptr)
  {
    myQueue.insert(myQueue.end(), aNode->Children, aNode->Children + 8);
  }
}
