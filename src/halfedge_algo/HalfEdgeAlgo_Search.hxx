#ifndef HalfEdgeAlgo_Search_HeaderFile
#define HalfEdgeAlgo_Search_HeaderFile

#include <HalfEdgeAlgo_CheckMesh.hxx>
#include <HalfEdgeAlgo_SearchCriterion.hxx>

#include <list>
#include <set>
#include <vector>

//! Collects the live elements of one kind that pass every criterion, in the
//! order they were added (the first failing criterion ends an element's
//! tests). Without criteria every live element is found. Perform() is true
//! when something was found; Found() holds the element numbers.
class HalfEdgeAlgo_Search : public HalfEdgeAlgo_CheckMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_Search, HalfEdgeAlgo_CheckMesh)
public:
  //! Appends a criterion; all must hold.
  void AddCriterion(const Handle(HalfEdgeAlgo_SearchCriterion)& theCriterion);

  //! The criteria, in the order they were added.
  const std::list<Handle(HalfEdgeAlgo_SearchCriterion)>& Criteria() const { return myCriteria; }

  //! Numbers of the elements found by the last Perform().
  const std::set<int>& Found() const { return myFound; }

protected:
  //! The test of a criterion that a search asks (vertex, edge or face test).
  typedef bool (HalfEdgeAlgo_SearchCriterion::*Test)(Mesh&, int) const;

  //! Clears the previous result, then keeps the members of theElements that
  //! pass theTest of every criterion, tested in parallel; true when some passed.
  bool collect(Mesh& theMesh, const std::vector<int>& theElements, Test theTest);

  //! The numbers below theCount for which theIsLive holds, ascending.
  static std::vector<int>
  liveElements(const Mesh& theMesh, int theCount, bool (*theIsLive)(const Mesh&, int));

protected:
  std::list<Handle(HalfEdgeAlgo_SearchCriterion)> myCriteria;
  std::set<int>                                   myFound;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_Search, HalfEdgeAlgo_CheckMesh)

#endif
