#ifndef PelliskTool_Process_HeaderFile
#define PelliskTool_Process_HeaderFile

#include <functional>
#include <string>
#include <vector>

//! Runs the "pellisk" program as a user would and collects what it did.
struct PelliskTool_Process
{
  int         Status = -1; //!< exit status; 128 + signal number when killed
  std::string Out;
  std::string Err;

  //! Runs the program with the arguments; theWhileRunning, when given, is
  //! called with the child's process id once it has started.
  static PelliskTool_Process Run(const std::vector<std::string>& theArguments,
                                 const std::function<void(int)>& theWhileRunning = {});
};

#endif
