#include <Fundra_OMPParallel.hxx>

#include <gtest/gtest.h>

#include <omp.h>

#include <vector>

namespace
{
// An algorithm that plans per-thread scratch data the way the library does.
class CountingAlgorithm : public Fundra::OMPParallel
{
public:
  // Returns the planned thread count and the number of distinct threads that ran.
  std::pair<unsigned int, int> Run()
  {
    const unsigned int aPlanned = applyParallelOptions();
    std::vector<int>   aSlots(aPlanned, 0);
#pragma omp parallel
    {
      // Indexing past the planned slots would be a fault of the options.
      aSlots.at(static_cast<size_t>(omp_get_thread_num())) = 1;
    }
    int aNbUsed = 0;
    for (int aSlot : aSlots)
    {
      aNbUsed += aSlot;
    }
    return {aPlanned, aNbUsed};
  }
};
} // namespace

TEST(Fundra_OMPParallelTest, RegionsRunTheConfiguredThreadCount)
{
  CountingAlgorithm anAlgo;
  EXPECT_EQ(anAlgo.NbThreads(), 0u);
  // Not configured: one thread.
  EXPECT_EQ(anAlgo.Run(), std::make_pair(1u, 1));

  anAlgo.SetNbThreads(3);
  EXPECT_EQ(anAlgo.Run(), std::make_pair(3u, 3));

  // A second algorithm on the same thread gets its own count, not the previous one.
  CountingAlgorithm aSingle;
  aSingle.SetNbThreads(1);
  EXPECT_EQ(aSingle.Run(), std::make_pair(1u, 1));
}
