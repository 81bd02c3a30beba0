#ifndef PelliskTool_Check_HeaderFile
#define PelliskTool_Check_HeaderFile

#include <string>
#include <vector>

//! "pellisk check INPUT WRAP [--json] [--threads N]": tells whether WRAP is a
//! valid wrap (closed, manifold, outward-oriented, free of crossings) and how
//! far its nodes lie from INPUT. Exit status 0 when valid, 1 when not, 2 on
//! bad usage or an unreadable file.
class PelliskTool_Check
{
public:
  //! Runs the command on the arguments after "check"; returns the exit status.
  static int Run(const std::vector<std::string>& theArguments);

  //! The usage text of the command.
  static const char* Usage();
};

#endif
