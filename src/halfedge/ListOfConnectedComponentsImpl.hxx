#ifndef ListOfConnectedComponentsImpl_HeaderFile
#define ListOfConnectedComponentsImpl_HeaderFile

#include <ListOfConnectedComponents.hxx>

//! The list of connected edge components, kept as a list of node sets with
//! their edge lists. Create it with std::make_shared and hold it as a
//! ListOfConnectedComponents.
class ListOfConnectedComponentsImpl : public ListOfConnectedComponents
{
public:
  //! One connected piece: its nodes and its edges in insertion order.
  struct Component
  {
    std::set<int>  Nodes;
    std::list<int> Edges;
  };

  //! An empty list.
  ListOfConnectedComponentsImpl() = default;

  //! See ListOfConnectedComponents::AddEdge; a number that is not live is ignored.
  void AddEdge(const Mesh& theMesh, int theEdge) override;
  //! See ListOfConnectedComponents::Refresh.
  void Refresh(const Mesh& theMesh, int theEdge) override;
  //! See ListOfConnectedComponents::ReplaceEdge.
  void ReplaceEdge(const Mesh& theMesh, int theOld, int theNew) override;
  //! See ListOfConnectedComponents::UpdateAfterCollapse.
  void UpdateAfterCollapse(const Mesh& theMesh, int theEdge, int theRemoved, int theKept) override;
  //! See ListOfConnectedComponents::Contains.
  bool Contains(int theEdge) const override;
  //! See ListOfConnectedComponents::IsEmpty.
  bool IsEmpty() const override { return myComponents.empty(); }
  //! See ListOfConnectedComponents::Begin.
  Iterator Begin() const override;

  //! The components, in order.
  const std::list<Component>& Components() const { return myComponents; }

private:
  //! The component whose edge list holds theEdge, or the end.
  std::list<Component>::iterator holding(int theEdge);

private:
  std::list<Component> myComponents;
};

#endif
