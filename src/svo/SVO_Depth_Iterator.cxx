#include <SVO_Depth_Iterator.hxx>

SVO_Depth_Iterator::SVO_Depth_Iterator(SVO_Tree& theTree)
    : SVO_Iterator(theTree)
{
  queueRoot();
}

SVO_Depth_Iterator::SVO_Depth_Iterator(const Handle(SVO_Tree)& theTree)
    : SVO_Iterator(theTree)
{
  queueRoot();
}

void SVO_Depth_Iterator::Next()
{
  if (myQueue.empty())
  {
    return;
  }
  SVO_Node* aNode = myQueue.front();
  myQueue.pop_front();
  if (aNode->Children[0] != nullptr)
  {
    // Pushed from the last child down, so child 0 comes out first.
    for (int aChild = 7; aChild >= 0; --aChild)
    {
      myQueue.push_front(aNode->Children[aChild]);
    }
  }
}
