#include <PelliskTool_Process.hxx>

#include <PelliskTest_Data.hxx>

#include <fstream>
#include <sstream>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
std::string readAll(const std::string& theFile)
{
  std::ifstream     aStream(theFile);
  std::stringstream aText;
  aText << aStream.rdbuf();
  return aText.str();
}
} // namespace

PelliskTool_Process PelliskTool_Process::Run(const std::vector<std::string>& theArguments,
                                             const std::function<void(int)>& theWhileRunning)
{
  const std::string        aDir   = PelliskTest_Data::ScratchFolder("process_" + std::to_string(getpid()));
  const std::string        anOut  = aDir + "/out.txt";
  const std::string        anErr  = aDir + "/err.txt";
  std::vector<std::string> anArgs = {PELLISK_TOOL};
  anArgs.insert(anArgs.end(), theArguments.begin(), theArguments.end());
  std::vector<char*> anArgv;
  for (std::string& anArg : anArgs)
  {
    anArgv.push_back(anArg.data());
  }
  anArgv.push_back(nullptr);

  const pid_t aChild = fork();
  if (aChild == 0)
  {
    const int anOutFd = open(anOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int anErrFd = open(anErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(anOutFd, STDOUT_FILENO);
    dup2(anErrFd, STDERR_FILENO);
    execv(anArgv[0], anArgv.data());
    _exit(127);
  }
  if (theWhileRunning)
  {
    theWhileRunning(aChild);
  }
  int aWaitStatus = 0;
  waitpid(aChild, &aWaitStatus, 0);
  PelliskTool_Process aResult;
  aResult.Status = WIFEXITED(aWaitStatus) ? WEXITSTATUS(aWaitStatus) : 128 + WTERMSIG(aWaitStatus);
  aResult.Out    = readAll(anOut);
  aResult.Err    = readAll(anErr);
  return aResult;
}
