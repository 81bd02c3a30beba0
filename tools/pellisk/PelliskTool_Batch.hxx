#ifndef PelliskTool_Batch_HeaderFile
#define PelliskTool_Batch_HeaderFile

#include <string>
#include <vector>

//! "pellisk batch MANIFEST OUTDIR [--jobs N] [--threads N]": wraps every mesh
//! of a list, each in a child process of this program so that a crash or a
//! memory blow-up costs one mesh, not the run. Prints one JSON line per mesh
//! as it finishes and skips meshes whose wrap is already in OUTDIR and valid,
//! so that a run can be started again where it stopped. Small enough to be
//! driven by a job array or a parallel runner: --jobs is a plain pool.
class PelliskTool_Batch
{
public:
  //! Runs the command on the arguments after "batch"; returns the exit
  //! status: 0 when every mesh is wrapped or skipped, 1 when one failed, 2 on
  //! bad usage or an unreadable manifest, 128 + the signal when interrupted.
  static int Run(const std::vector<std::string>& theArguments);

  //! The usage text of the command.
  static const char* Usage();
};

#endif
