#include <Mesh.hxx>

#include <HalfEdgeAlgo_Search.hxx>

#include <omp.h>

#include <algorithm>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_Search, HalfEdgeAlgo_CheckMesh)

void HalfEdgeAlgo_Search::AddCriterion(const Handle(HalfEdgeAlgo_SearchCriterion)& theCriterion)
{
  if (!theCriterion.IsNull())
  {
    myCriteria.push_back(theCriterion);
  }
}

bool HalfEdgeAlgo_Search::collect(Mesh& theMesh, const std::vector<int>& theElements, Test theTest)
{
  myFound.clear();
  const std::vector<Handle(HalfEdgeAlgo_SearchCriterion)> aCriteria(myCriteria.begin(), myCriteria.end());
  const auto                                              isPassed = [&](int theElement)
  {
    return std::all_of(aCriteria.begin(), aCriteria.end(),
                       [&](const Handle(HalfEdgeAlgo_SearchCriterion)& theCriterion)
                       { return ((*theCriterion).*theTest)(theMesh, theElement); });
  };
  // Each thread keeps what passed; the ordered set makes the merge independent of the thread count.
  std::vector<std::vector<int>> aPassed(applyParallelOptions());
  const int                     aNbElements = static_cast<int>(theElements.size());
#pragma omp parallel for schedule(static) if (aNbElements > Fundra::OMPParallel::MinParallelSize)
  for (int i = 0; i < aNbElements; ++i)
  {
    if (isPassed(theElements[static_cast<size_t>(i)]))
    {
      aPassed[static_cast<size_t>(omp_get_thread_num())].push_back(theElements[static_cast<size_t>(i)]);
    }
  }
  for (const std::vector<int>& aThreadPassed : aPassed)
  {
    myFound.insert(aThreadPassed.begin(), aThreadPassed.end());
  }
  return !myFound.empty();
}

std::vector<int>
HalfEdgeAlgo_Search::liveElements(const Mesh& theMesh, int theCount, bool (*theIsLive)(const Mesh&, int))
{
  std::vector<int> aLive;
  aLive.reserve(static_cast<size_t>(std::max(theCount, 0)));
  for (int anElement = 0; anElement < theCount; ++anElement)
  {
    if (theIsLive(theMesh, anElement))
    {
      aLive.push_back(anElement);
    }
  }
  return aLive;
}
