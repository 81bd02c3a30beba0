#include <PelliskTool_Batch.hxx>

#include <PelliskTool_Json.hxx>
#include <PelliskTool_MeshFile.hxx>
#include <PelliskTool_Wrap.hxx>
#include <PelliskTool_WrapOptions.hxx>
#include <PelliskTool_WrapReport.hxx>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <omp.h>
#include <optional>
#include <set>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
using Clock  = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct Options
{
  std::string Manifest;
  std::string OutDir;
  int         NbJobs    = 1;
  int         NbThreads = 0;
};

// One mesh of the manifest: the file read, the file written and the wrap options of its line.
struct Entry
{
  std::string              Input;
  std::string              Output;
  std::vector<std::string> WrapOptions;
};

// A wrap running in a child process, with the temporary files that catch what it says.
struct Child
{
  const Entry*      Item = nullptr;
  Clock::time_point Start;
  std::string       Log;      // its standard output and error
  std::string       Messages; // its notifier's messages as a JSON array
};

// What one JSON line tells of a mesh.
struct Outcome
{
  std::string                           Status  = "failed";
  double                                Seconds = 0.0;
  std::optional<PelliskTool_WrapReport> Check;
  std::vector<std::string>              Messages; // JSON objects
};

Options parse(const std::vector<std::string>& theArguments)
{
  Options                  anOptions;
  std::vector<std::string> aFolders;
  for (size_t i = 0; i < theArguments.size(); ++i)
  {
    const std::string& anArg = theArguments[i];
    if (anArg == "--jobs" || anArg == "--threads")
    {
      const int aCount =
          PelliskTool_WrapOptions::PositiveCount(anArg, i + 1 < theArguments.size() ? theArguments[++i] : "");
      (anArg == "--jobs" ? anOptions.NbJobs : anOptions.NbThreads) = aCount;
    }
    else if (anArg.rfind("--", 0) == 0)
    {
      throw std::invalid_argument("unknown option " + anArg);
    }
    else
    {
      aFolders.push_back(anArg);
    }
  }
  if (aFolders.size() != 2)
  {
    throw std::invalid_argument("batch needs a manifest and an output folder");
  }
  anOptions.Manifest = aFolders[0];
  anOptions.OutDir   = aFolders[1];
  if (anOptions.NbThreads == 0)
  {
    // The threads this process may use (affinity, OMP_NUM_THREADS), shared among the jobs.
    anOptions.NbThreads = std::max(1, omp_get_max_threads() / anOptions.NbJobs);
  }
  return anOptions;
}

// The words of a manifest line: blanks separate words, double quotes keep
// blanks inside one, and a backslash before a double quote or a backslash
// stands for that character.
std::vector<std::string> words(const std::string& theLine)
{
  std::vector<std::string> aWords;
  std::string              aWord;
  bool                     isInWord = false;
  bool                     isQuoted = false;
  for (size_t i = 0; i < theLine.size(); ++i)
  {
    const char aChar = theLine[i];
    if (aChar == '\\' && i + 1 < theLine.size() && (theLine[i + 1] == '"' || theLine[i + 1] == '\\'))
    {
      aWord += theLine[++i];
    }
    else if (aChar == '"')
    {
      isQuoted = !isQuoted;
    }
    else if (!isQuoted && std::isspace(static_cast<unsigned char>(aChar)) != 0)
    {
      if (isInWord)
      {
        aWords.push_back(aWord);
      }
      aWord.clear();
      isInWord = false;
      continue;
    }
    else
    {
      aWord += aChar;
    }
    isInWord = true;
  }
  if (isQuoted)
  {
    throw std::invalid_argument("a double quote is not closed");
  }
  if (isInWord)
  {
    aWords.push_back(aWord);
  }
  return aWords;
}

std::string readManifest(const std::string& theManifest)
{
  std::ifstream aFile;
  if (theManifest != "-")
  {
    aFile.open(theManifest);
    if (!aFile || fs::is_directory(theManifest))
    {
      throw std::invalid_argument("cannot read the manifest " + theManifest);
    }
  }
  std::istream&     aStream = theManifest == "-" ? std::cin : aFile;
  std::stringstream aText;
  aText << aStream.rdbuf();
  return aText.str();
}

// The meshes of the manifest, their options checked now rather than after
// hours of wrapping; throws std::invalid_argument naming the faulty line.
std::vector<Entry> entries(const std::string& theManifest)
{
  const fs::path     aFolder = theManifest == "-" ? fs::path() : fs::path(theManifest).parent_path();
  std::istringstream aText(readManifest(theManifest));
  std::vector<Entry> aResult;
  std::string        aLine;
  for (int aNumber = 1; std::getline(aText, aLine); ++aNumber)
  {
    const size_t aFirst = aLine.find_first_not_of(" \t\r");
    if (aFirst == std::string::npos || aLine[aFirst] == '#')
    {
      continue;
    }
    try
    {
      std::vector<std::string> aWords = words(aLine);
      Entry                    anEntry;
      anEntry.Input = (aFolder / aWords.front()).string();
      anEntry.WrapOptions.assign(aWords.begin() + 1, aWords.end());
      aWords.front() = anEntry.Input;
      aWords.insert(aWords.begin() + 1, "checked.stl");
      PelliskTool_WrapOptions::Parse(aWords);
      aResult.push_back(anEntry);
    }
    catch (const std::invalid_argument& theError)
    {
      throw std::invalid_argument("manifest line " + std::to_string(aNumber) + " (" + aLine +
                                  "): " + theError.what());
    }
  }
  return aResult;
}

// The path with links and dots resolved, so that two spellings of one file compare equal.
fs::path resolved(const fs::path& thePath)
{
  std::error_code anError;
  const fs::path  aPath = fs::weakly_canonical(thePath, anError);
  return anError ? thePath : aPath;
}

// OUTDIR/<stem>.stl; a stem already taken by an earlier line, or a name that
// is one of the inputs, gets "-2", "-3"... so that names follow line order.
void nameOutputs(std::vector<Entry>& theEntries, const std::string& theOutDir)
{
  std::set<fs::path> anInputs;
  for (const Entry& anEntry : theEntries)
  {
    anInputs.insert(resolved(anEntry.Input));
  }
  std::set<std::string> aTaken;
  auto                  isTaken = [&](const std::string& theName)
  { return aTaken.count(theName) != 0 || anInputs.count(resolved(fs::path(theOutDir) / theName)) != 0; };
  for (Entry& anEntry : theEntries)
  {
    const std::string aStem = fs::path(anEntry.Input).stem().string();
    std::string       aName = aStem + ".stl";
    for (int i = 2; isTaken(aName); ++i)
    {
      aName = aStem + "-" + std::to_string(i) + ".stl";
    }
    aTaken.insert(aName);
    anEntry.Output = (fs::path(theOutDir) / aName).string();
  }
}

double secondsSince(Clock::time_point theStart)
{
  return std::chrono::duration<double>(Clock::now() - theStart).count();
}

// The check of theEntry's output against its input; none when either cannot be read.
std::optional<PelliskTool_WrapReport> examine(const Entry& theEntry, int theNbThreads, std::string& theError)
{
  const Handle(Poly_Triangulation) anInput = PelliskTool_MeshFile::Read(theEntry.Input, theError);
  if (anInput.IsNull())
  {
    theError = "cannot read " + theEntry.Input + ": " + theError;
    return std::nullopt;
  }
  const Handle(Poly_Triangulation) aWrap = PelliskTool_MeshFile::Read(theEntry.Output, theError);
  if (aWrap.IsNull())
  {
    theError = "cannot read " + theEntry.Output + ": " + theError;
    return std::nullopt;
  }
  return PelliskTool_WrapReport::Examine(anInput, aWrap, theNbThreads);
}

// A wrap left by an earlier run that still checks valid; none otherwise.
std::optional<Outcome> skipped(const Entry& theEntry, int theNbThreads)
{
  const Clock::time_point aStart = Clock::now();
  std::string             anError;
  if (!fs::exists(theEntry.Output))
  {
    return std::nullopt;
  }
  Outcome anOutcome;
  anOutcome.Check = examine(theEntry, theNbThreads, anError);
  if (!anOutcome.Check || !anOutcome.Check->IsValid())
  {
    return std::nullopt;
  }
  anOutcome.Status  = "skipped";
  anOutcome.Seconds = secondsSince(aStart);
  return anOutcome;
}

std::string temporaryFile(const char* theSuffix)
{
  std::string aName = (fs::temp_directory_path() / "pellisk-batch-XXXXXX").string() + theSuffix;
  const int   aFile = mkstemps(aName.data(), static_cast<int>(std::strlen(theSuffix)));
  if (aFile < 0)
  {
    return "";
  }
  close(aFile);
  return aName;
}

// The child's command line: the line's own options, then the batch's, which win.
std::vector<std::string> wrapCommand(const Child& theChild, int theNbThreads)
{
  std::vector<std::string> anArgs = {"pellisk", "wrap", theChild.Item->Input, theChild.Item->Output};
  anArgs.insert(anArgs.end(), theChild.Item->WrapOptions.begin(), theChild.Item->WrapOptions.end());
  anArgs.insert(anArgs.end(),
                {"--threads", std::to_string(theNbThreads), "--messages-json", theChild.Messages});
  return anArgs;
}

// Starts "pellisk wrap" on theChild's entry in its own process group, so that
// only this batch decides when it is interrupted; -1 when it cannot start.
pid_t spawn(const Child& theChild, int theNbThreads)
{
  std::vector<std::string> anArgs = wrapCommand(theChild, theNbThreads);
  std::vector<char*>       anArgv;
  for (std::string& anArg : anArgs)
  {
    anArgv.push_back(anArg.data());
  }
  anArgv.push_back(nullptr);

  posix_spawn_file_actions_t anActions;
  posix_spawn_file_actions_init(&anActions);
  posix_spawn_file_actions_addopen(&anActions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&anActions, STDOUT_FILENO, theChild.Log.c_str(), O_WRONLY | O_TRUNC, 0);
  posix_spawn_file_actions_adddup2(&anActions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawnattr_t anAttributes;
  posix_spawnattr_init(&anAttributes);
  sigset_t aSignals;
  sigemptyset(&aSignals);
  posix_spawnattr_setsigmask(&anAttributes, &aSignals);
  sigaddset(&aSignals, SIGINT);
  sigaddset(&aSignals, SIGTERM);
  posix_spawnattr_setsigdefault(&anAttributes, &aSignals);
  posix_spawnattr_setpgroup(&anAttributes, 0);
  posix_spawnattr_setflags(&anAttributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t      aPid     = -1;
  const bool hasFiles = !theChild.Log.empty() && !theChild.Messages.empty();
  if (!hasFiles ||
      posix_spawn(&aPid, "/proc/self/exe", &anActions, &anAttributes, anArgv.data(), environ) != 0)
  {
    aPid = -1;
  }
  posix_spawnattr_destroy(&anAttributes);
  posix_spawn_file_actions_destroy(&anActions);
  return aPid;
}

std::string fileText(const std::string& theFileName)
{
  std::ifstream     aFile(theFileName);
  std::stringstream aText;
  aText << aFile.rdbuf();
  return aText.str();
}

// The "pellisk: ..." lines the child wrote, which say why it failed; the
// progress bar's redrawn text before a carriage return is dropped.
std::string reasons(const std::string& theLog)
{
  std::istringstream aLog(theLog);
  std::string        aLine;
  std::string        aResult;
  while (std::getline(aLog, aLine))
  {
    aLine = aLine.substr(aLine.find_last_of('\r') == std::string::npos ? 0 : aLine.find_last_of('\r') + 1);
    if (aLine.rfind("pellisk: ", 0) == 0)
    {
      aResult += (aResult.empty() ? "" : "; ") + aLine.substr(9);
    }
  }
  return aResult;
}

// The objects of the JSON array the child wrote; nothing when it wrote none.
std::vector<std::string> childMessages(const std::string& theFileName)
{
  const std::string aText  = fileText(theFileName);
  const size_t      aFirst = aText.find('[');
  const size_t      aLast  = aText.rfind(']');
  if (aFirst == std::string::npos || aLast == std::string::npos || aLast <= aFirst + 1)
  {
    return {};
  }
  return {aText.substr(aFirst + 1, aLast - aFirst - 1)};
}

Outcome finish(const Child& theChild, int theWaitStatus, int theNbThreads)
{
  Outcome anOutcome;
  anOutcome.Seconds          = secondsSince(theChild.Start);
  anOutcome.Messages         = childMessages(theChild.Messages);
  const std::string aReasons = reasons(fileText(theChild.Log));
  std::remove(theChild.Log.c_str());
  std::remove(theChild.Messages.c_str());
  if (WIFSIGNALED(theWaitStatus))
  {
    const int aSignal = WTERMSIG(theWaitStatus);
    anOutcome.Messages.push_back(PelliskTool_Json::Message(
        Pelk_Error, "Batch_Crashed",
        "the wrap was killed by signal " + std::to_string(aSignal) + " (" + strsignal(aSignal) + ")"));
  }
  else if (WEXITSTATUS(theWaitStatus) != PelliskTool_Wrap::Success)
  {
    anOutcome.Messages.push_back(PelliskTool_Json::Message(Pelk_Error, "Batch_Failed",
                                                           "pellisk wrap exited with status " +
                                                               std::to_string(WEXITSTATUS(theWaitStatus)) +
                                                               (aReasons.empty() ? "" : ": " + aReasons)));
  }
  else
  {
    std::string anError;
    anOutcome.Check  = examine(*theChild.Item, theNbThreads, anError);
    anOutcome.Status = anOutcome.Check && anOutcome.Check->IsValid() ? "ok" : "failed";
    if (anOutcome.Status == "failed")
    {
      anOutcome.Messages.push_back(PelliskTool_Json::Message(
          Pelk_Error, "Batch_InvalidWrap", anOutcome.Check ? "the wrap does not check valid" : anError));
    }
  }
  return anOutcome;
}

// Writes theEntry's JSON line in one write, so that lines never interleave.
void print(const Entry& theEntry, const Outcome& theOutcome)
{
  std::string aMessages;
  for (const std::string& aMessage : theOutcome.Messages)
  {
    aMessages += (aMessages.empty() ? "" : ", ") + aMessage;
  }
  char aSeconds[32];
  std::snprintf(aSeconds, sizeof(aSeconds), "%.3f", theOutcome.Seconds);
  const std::string aLine =
      "{\"input\": " + PelliskTool_Json::String(theEntry.Input) +
      ", \"output\": " + PelliskTool_Json::String(theEntry.Output) + ", \"status\": \"" + theOutcome.Status +
      "\", \"seconds\": " + aSeconds +
      ", \"faces\": " + (theOutcome.Check ? std::to_string(theOutcome.Check->NbFaces) : "null") +
      ", \"check\": " + (theOutcome.Check ? PelliskTool_Json::Report(*theOutcome.Check) : "null") +
      ", \"messages\": [" + aMessages + "]}\n";
  for (size_t aDone = 0; aDone < aLine.size();)
  {
    const ssize_t aWritten = write(STDOUT_FILENO, aLine.data() + aDone, aLine.size() - aDone);
    if (aWritten < 0 && errno != EINTR)
    {
      return;
    }
    aDone += aWritten > 0 ? static_cast<size_t>(aWritten) : 0;
  }
}

// Runs the wraps up to NbJobs at a time. Signals are blocked and taken one at
// a time, so that a child's end or a Ctrl-C is never lost between two checks.
class Pool
{
public:
  Pool(const Options& theOptions, const std::vector<Entry>& theEntries)
      : myOptions(theOptions),
        myEntries(theEntries)
  {
    sigemptyset(&mySignals);
    for (const int aSignal : {SIGCHLD, SIGINT, SIGTERM})
    {
      sigaddset(&mySignals, aSignal);
    }
    std::signal(SIGCHLD, SIG_DFL);
    // Before any thread exists, so that every thread of this process inherits the mask.
    pthread_sigmask(SIG_BLOCK, &mySignals, &myOldSignals);
  }

  ~Pool() { pthread_sigmask(SIG_SETMASK, &myOldSignals, nullptr); }

  // Returns the exit status of the batch.
  int Perform()
  {
    size_t aNext = 0;
    for (;;)
    {
      while (myStopSignal == 0 && myChildren.size() < static_cast<size_t>(myOptions.NbJobs) &&
             aNext < myEntries.size())
      {
        take(false);
        if (myStopSignal == 0)
        {
          start(myEntries[aNext++]);
        }
      }
      if (myChildren.empty())
      {
        break;
      }
      if (!reap())
      {
        take(true);
      }
    }
    return myStopSignal != 0 ? 128 + myStopSignal
           : myIsFailed      ? PelliskTool_Wrap::Failed
                             : PelliskTool_Wrap::Success;
  }

private:
  void report(const Entry& theEntry, const Outcome& theOutcome)
  {
    myIsFailed = myIsFailed || theOutcome.Status == "failed";
    print(theEntry, theOutcome);
  }

  void start(const Entry& theEntry)
  {
    if (const std::optional<Outcome> aSkipped = skipped(theEntry, myOptions.NbThreads))
    {
      report(theEntry, *aSkipped);
      return;
    }
    Child aChild;
    aChild.Item      = &theEntry;
    aChild.Start     = Clock::now();
    aChild.Log       = temporaryFile(".log");
    aChild.Messages  = temporaryFile(".json");
    const pid_t aPid = spawn(aChild, myOptions.NbThreads);
    if (aPid > 0)
    {
      myChildren[aPid] = aChild;
      return;
    }
    std::remove(aChild.Log.c_str());
    std::remove(aChild.Messages.c_str());
    Outcome anOutcome;
    anOutcome.Messages.push_back(
        PelliskTool_Json::Message(Pelk_Error, "Batch_Failed", "cannot start pellisk wrap"));
    report(theEntry, anOutcome);
  }

  // Collects one finished child; false when none has finished.
  bool reap()
  {
    int         aStatus = 0;
    const pid_t aPid    = waitpid(-1, &aStatus, WNOHANG);
    const auto  aChild  = myChildren.find(aPid);
    if (aPid <= 0 || aChild == myChildren.end())
    {
      return false;
    }
    report(*aChild->second.Item, finish(aChild->second, aStatus, myOptions.NbThreads));
    myChildren.erase(aChild);
    return true;
  }

  // Takes one pending signal, waiting for one when theToWait. Ctrl-C or a
  // termination request is passed on to the children as Ctrl-C: they stop
  // without leaving a file.
  void take(bool theToWait)
  {
    const timespec aNoWait = {0, 0};
    const int      aSignal =
        theToWait ? sigwaitinfo(&mySignals, nullptr) : sigtimedwait(&mySignals, nullptr, &aNoWait);
    if ((aSignal == SIGINT || aSignal == SIGTERM) && myStopSignal == 0)
    {
      myStopSignal = aSignal;
      for (const auto& aChild : myChildren)
      {
        kill(aChild.first, SIGINT);
      }
    }
  }

private:
  const Options&            myOptions;
  const std::vector<Entry>& myEntries;
  std::map<pid_t, Child>    myChildren;
  sigset_t                  mySignals;
  sigset_t                  myOldSignals;
  int                       myStopSignal = 0;
  bool                      myIsFailed   = false;
};
} // namespace

const char* PelliskTool_Batch::Usage()
{
  return "pellisk batch MANIFEST OUTDIR [--jobs N] [--threads N]\n"
         "  Wraps the meshes MANIFEST lists, one a line: a path (relative to the\n"
         "  manifest's folder; in double quotes when it has blanks, \\\" for a quote)\n"
         "  and its wrap options; '#' starts a comment line; '-' reads the list\n"
         "  from standard input. Writes OUTDIR/<stem>.stl and prints one JSON line\n"
         "  per mesh. A wrap already in OUTDIR that checks valid is skipped, so a\n"
         "  run can be resumed. Runs up to --jobs wraps at once, each on --threads\n"
         "  threads (default: the available threads shared among the jobs).\n"
         "  Exit status 0 all wrapped or skipped, 1 some failed, 2 bad usage or\n"
         "  unreadable manifest, 130 on Ctrl-C.\n";
}

int PelliskTool_Batch::Run(const std::vector<std::string>& theArguments)
{
  Options            anOptions;
  std::vector<Entry> anEntries;
  try
  {
    anOptions = parse(theArguments);
    anEntries = entries(anOptions.Manifest);
  }
  catch (const std::invalid_argument& theError)
  {
    std::cerr << "pellisk: " << theError.what() << "\n\nUsage:\n" << Usage();
    return PelliskTool_Wrap::BadUsage;
  }
  std::error_code anError;
  fs::create_directories(anOptions.OutDir, anError);
  if (!fs::is_directory(anOptions.OutDir))
  {
    std::cerr << "pellisk: cannot create the folder " << anOptions.OutDir << "\n";
    return PelliskTool_Wrap::BadUsage;
  }
  nameOutputs(anEntries, anOptions.OutDir);
  return Pool(anOptions, anEntries).Perform();
}
