#include <SVO_UpdateTree.hxx>

IMPLEMENT_STANDARD_RTTIEXT(SVO_UpdateTree, Standard_Transient)

SVO_UpdateTree::SVO_UpdateTree(const Handle(SVO_Tree)& theTree)
    : myTree(theTree)
{
}
