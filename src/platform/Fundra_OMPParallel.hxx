#ifndef Fundra_OMPParallel_HeaderFile
#define Fundra_OMPParallel_HeaderFile

#include <Pellisk_Export.hxx>

namespace Fundra
{
//! Thread options of an algorithm that runs OpenMP loops.
//! The algorithm calls applyParallelOptions() on its own thread before its parallel
//! work; the regions it opens afterwards on that thread run with at most the
//! returned number of threads, so per-thread scratch data sized by the result
//! and indexed by omp_get_thread_num() is always large enough.
class Pellisk_EXPORT OMPParallel
{
public:
  //! Loops over fewer items than this run on the calling thread alone: waking
  //! a team costs more than it saves on small meshes, such as the sub-meshes
  //! that repairs work on by the thousand, and on a busy machine the waiting
  //! threads of many short regions take the cores that the work needs.
  static constexpr int MinParallelSize = 4096;

  //! Requested number of threads; 0 means "not configured".
  unsigned int NbThreads() const { return myNbThreads; }

  //! Sets the requested number of threads.
  void SetNbThreads(unsigned int theNbThreads) { myNbThreads = theNbThreads; }

protected:
  OMPParallel() = default;

  //! Makes the following parallel regions of the calling thread run with the
  //! configured count and returns that count (at least 1). An unconfigured
  //! count (0) runs one thread.
  unsigned int applyParallelOptions() const;

protected:
  unsigned int myNbThreads = 0;
};
} // namespace Fundra

#endif
