#include <Fundra_OMPParallel.hxx>

#include <omp.h>

unsigned int Fundra::OMPParallel::applyParallelOptions() const
{
  const unsigned int aNbThreads = myNbThreads > 0 ? myNbThreads : 1u;
  // Dynamic adjustment could hand a region fewer threads, never more; it is
  // switched off so that a region runs exactly the planned count.
  omp_set_dynamic(0);
  omp_set_num_threads(static_cast<int>(aNbThreads));
  return aNbThreads;
}
