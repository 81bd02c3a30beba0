#ifndef PelliskTool_Wrap_HeaderFile
#define PelliskTool_Wrap_HeaderFile

#include <string>
#include <vector>

//! "pellisk wrap INPUT OUTPUT [options]": wraps a mesh file and writes the wrap.
class PelliskTool_Wrap
{
public:
  //! Exit statuses of the command.
  enum Status
  {
    Success   = 0,
    Failed    = 1,   //!< the wrap or the writing of the result failed
    BadUsage  = 2,   //!< wrong arguments, unreadable input, unavailable algorithm
    Cancelled = 130, //!< Ctrl-C
  };

  //! Runs the command on the arguments after "wrap"; returns the exit status.
  static int Run(const std::vector<std::string>& theArguments);

  //! The usage text of the command.
  static const char* Usage();
};

#endif
