#include <Fundra_OMPParallel.hxx>

#include <gtest/gtest.h>

#include <omp.h>

TEST(Fundra_OMPParallelTest, RegionsRunTheConfiguredThreadCount)
{
  // Per-thread scratch data planned as the algorithms plan it; the planned and the running thread counts.
  struct Counting : public Fundra::OMPParallel
  {
    std::pair<size_t, long> Run()
    {
      std::vector<int> aSlots(applyParallelOptions(), 0);
#pragma omp parallel
      {
        aSlots.at(static_cast<size_t>(omp_get_thread_num())) = 1;
      }
      return {aSlots.size(), std::count(aSlots.begin(), aSlots.end(), 1)};
    }
  } anAlgo, aSingle;
  EXPECT_EQ(anAlgo.Run(), std::make_pair(size_t(1), 1L)); // not configured: one thread
  anAlgo.SetNbThreads(3);
  EXPECT_EQ(anAlgo.Run(), std::make_pair(size_t(3), 3L));
  aSingle.SetNbThreads(1); // a second algorithm on the same thread gets its own count
  EXPECT_EQ(aSingle.Run(), std::make_pair(size_t(1), 1L));
}
