// End-to-end wrapping of the real meshes of tests/data by the library's default
// pipeline, beside two peer wrappers given the same triangle soup. With D the
// diagonal of the input's bounding box:
// - ours: Pelk_API with the settings of resource/Pellisk.conf, cell D/300, on
//   1 and 2 threads; its time is split into stages through the progress
//   scopes and messages of the pipeline;
// - an alpha wrapping, alpha D/300, offset D/1500 (sequential);
// - a level-set wrap: an unsigned distance field on voxels of D/300, meshed at
//   D/1500 without adaptivity, on 1 and 2 threads.
// Every result is measured as `pellisk check` measures a wrap: closed, edge-
// and vertex-manifold, outward, face pairs crossing, distances of its nodes to
// the input, smallest angle. Each run happens in a child process, so that a
// crash or a run past the time limit is recorded and the others go on. Times
// are wall times of the wrapping call alone (soup conversions left out).
//
// Usage: Pellisk_WrapPeers_bench [--timeout SECONDS] [MESH...]
//   MESH: a file of tests/data, with or without ".stl"; by default all of them,
//   smallest file first. Prints Markdown tables at the end; each row, and the
//   warnings and errors of our runs, go to the standard error as soon as known.

#include "Pellisk_WrapPeers.hxx"

#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <Pelk_Configuration.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <Pelk_WrappingSettings.hxx>
#include <PelliskTool_WrapReport.hxx>
#include <STL_IO.hxx>

#include <Bnd_Box.hxx>
#include <Poly_Triangulation.hxx>
#include <Standard_Failure.hxx>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
using Triangle = std::array<int, 3>;

const double THE_CELLS_PER_DIAGONAL   = 300.0;
const double THE_OFFSETS_PER_DIAGONAL = 1500.0;
// Measuring is not timed; it uses both cores.
const int THE_MEASURE_THREADS = 2;

// Stages of our pipeline, in the order they run.
enum Stage
{
  Voxelization,
  Skin,
  Projection,
  Splashes,
  StickingFaces,
  NarrowFaces,
  SelfIntersections,
  Triangulation,
  RefineSmallEdges,
  RefineSwap,
  RefineSmoothing,
  RefineSelfIntersections,
  RefineOther,
  NbStages
};

const char* const THE_STAGE_NAMES[NbStages] = {
    "voxelization",  "skin",     "projection", "splashes",       "sticking", "narrow",    "self-int.",
    "triangulation", "ref. CSE", "ref. swap",  "ref. smoothing", "ref. FSI", "ref. other"};

// Scopes opened right under the pipeline's own while it tessellates, by the
// start of their names.
const std::pair<const char*, Stage> THE_SCOPE_STAGES[] = {
    {"Algo_CartesianWrapping::", Skin},
    {"Algo_ShrinkWrapping::Project", Projection},
    {"Algo_ShrinkWrapping::FixSplashes", Splashes},
    {"Algo_ShrinkWrapping::RemoveStickingFaces", StickingFaces},
    {"Algo_CollapseNarrowFace::", NarrowFaces},
    {"Algo_FixSelfIntersections::", SelfIntersections},
    {"Algo_ShrinkWrapping::Tessellate", Triangulation}};

// Refinement steps by class name.
const std::pair<const char*, Stage> THE_REFINEMENT_STAGES[] = {
    {"Algo_CollapseSmallEdge", RefineSmallEdges},
    {"Algo_SwapEdge", RefineSwap},
    {"Algo_Smoothing", RefineSmoothing},
    {"Algo_FixSelfIntersections", RefineSelfIntersections}};

enum Wrapper
{
  Ours1,
  Ours2,
  AlphaWrap,
  LevelSet1,
  LevelSet2,
  NbWrappers
};

const char* const THE_WRAPPER_NAMES[NbWrappers] = {"ours, 1 thread", "ours, 2 threads", "alpha wrap",
                                                   "OpenVDB, 1 thread", "OpenVDB, 2 threads"};

enum Status
{
  Done,
  Failed,  //!< the wrapper said it failed; what it left is measured
  Crashed, //!< the child process died
  TimedOut,
  Absent //!< not built in
};

const char* const THE_STATUS_NAMES[] = {"done", "FAILED", "CRASHED", "TIMEOUT", "absent"};

// What `pellisk check` measures of a wrap (with the number of its shells).
using Report = PelliskTool_WrapReport;

// The same wrap twice: the same measures, to the last bit.
bool isSameWrap(const Report& theA, const Report& theB)
{
  return theA.NbNodes == theB.NbNodes && theA.NbFaces == theB.NbFaces && theA.NbShells == theB.NbShells &&
         theA.NbCrossingPairs == theB.NbCrossingPairs && theA.Volume == theB.Volume &&
         theA.SmallestAngle == theB.SmallestAngle && theA.MeanDistance == theB.MeanDistance &&
         theA.MaxDistance == theB.MaxDistance;
}

// One run, as the child process sends it back: plain data only.
struct Run
{
  Status Result                 = Crashed;
  double Seconds                = 0.0;
  double StageSeconds[NbStages] = {};
  int    NbWarnings             = 0;
  int    NbErrors               = 0;
  double PeakMiB                = 0.0; //!< rise of the resident high-water mark over the parent's
  double CpuSeconds             = 0.0; //!< of the child, measuring included
  double Load                   = 0.0; //!< the machine's one-minute load average as the run ended
  bool   IsMeasured             = false;
  Report Measures;
  char   Note[200] = {};
};

void setNote(Run& theRun, const std::string& theNote)
{
  std::snprintf(theRun.Note, sizeof(theRun.Note), "%s", theNote.c_str());
}

double now()
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

//! A notifier that notes when the pipeline enters each stage: the messages of
//! the wrapping facade and the scopes opened right under its own.
class StageClock : public Pelk_ProgressNotifier
{
public:
  struct Event
  {
    double                  Time;
    bool                    IsMessage;
    TCollection_AsciiString Name;         //!< scope name or message key
    int                     MessageIndex; //!< of a message: its arguments are known once the run is over
  };

  explicit StageClock(const TCollection_AsciiString& theCatalogue)
      : Pelk_ProgressNotifier(theCatalogue)
  {
  }

  Pelk_Message& NewMessage(Pelk_MessageSeverity theSeverity, const TCollection_AsciiString& theKey) override
  {
    Pelk_Message& aMessage = Pelk_ProgressNotifier::NewMessage(theSeverity, theKey);
    if (theKey.StartsWith("Pelk_API."))
    {
      std::lock_guard<std::mutex> aLock(myEventsLock);
      myEvents.push_back({now(), true, theKey, aMessage.Index()});
    }
    return aMessage;
  }

  bool NewScope(const TCollection_AsciiString& theName, double theMin, double theMax, double theStep) override
  {
    // The root and the facade's own scope are open: this one is a stage's.
    if (myIndicator->NbScopes() == 2)
    {
      std::lock_guard<std::mutex> aLock(myEventsLock);
      myEvents.push_back({now(), false, theName, -1});
    }
    return Pelk_ProgressNotifier::NewScope(theName, theMin, theMax, theStep);
  }

  const std::vector<Event>& Events() const { return myEvents; }

private:
  std::vector<Event> myEvents;
  std::mutex         myEventsLock;
};

// The stage an event starts, or NbStages when it starts none; theIsTessellating
// follows the facade's messages.
Stage stageOf(const StageClock::Event& theEvent, const std::string& theText, bool& theIsTessellating)
{
  const bool isStarted = theText.find("STARTED") != std::string::npos;
  if (theEvent.IsMessage && theEvent.Name == "Pelk_API.VoxelizerProgress")
  {
    return isStarted ? Voxelization : NbStages;
  }
  if (theEvent.IsMessage && theEvent.Name == "Pelk_API.TessellatorProgress")
  {
    theIsTessellating = isStarted;
    return isStarted ? Skin : RefineOther;
  }
  if (theEvent.IsMessage && theEvent.Name == "Pelk_API.Refinement" && isStarted)
  {
    for (const auto& aStep : THE_REFINEMENT_STAGES)
    {
      if (theText.find(std::string(aStep.first) + " ") != std::string::npos)
      {
        return aStep.second;
      }
    }
    return RefineOther;
  }
  if (!theEvent.IsMessage && theIsTessellating)
  {
    for (const auto& aScope : THE_SCOPE_STAGES)
    {
      if (theEvent.Name.StartsWith(aScope.first))
      {
        return aScope.second;
      }
    }
  }
  return NbStages;
}

// Splits theStart..theEnd among the stages: each lasts from the event that
// starts it to the event that starts the next one.
void splitByStage(const StageClock& theClock, double theStart, double theEnd, Run& theRun)
{
  std::vector<std::string> aTexts;
  for (NCollection_List<Pelk_Message>::Iterator anIt(theClock.Messages()); anIt.More(); anIt.Next())
  {
    aTexts.push_back(anIt.Value().Text().ToCString());
  }
  Stage  aStage         = Voxelization;
  double aSince         = theStart;
  bool   isTessellating = false;
  for (const StageClock::Event& anEvent : theClock.Events())
  {
    const std::string aText = anEvent.IsMessage && anEvent.MessageIndex < static_cast<int>(aTexts.size())
                                  ? aTexts[anEvent.MessageIndex]
                                  : std::string();
    const Stage       aNext = stageOf(anEvent, aText, isTessellating);
    if (aNext != NbStages && aNext != aStage)
    {
      theRun.StageSeconds[aStage] += anEvent.Time - aSince;
      aStage = aNext;
      aSince = anEvent.Time;
    }
  }
  theRun.StageSeconds[aStage] += theEnd - aSince;
}

// ---------------------------------------------------------------------------
// The wrappers.

std::string resourceFile(const char* theName)
{
  return std::string(PELLISK_BENCH_RESOURCE_DIR) + "/" + theName;
}

WrapPeers::Soup soupOf(const Handle(Poly_Triangulation)& theMesh)
{
  WrapPeers::Soup aSoup;
  for (int aNode = 1; aNode <= theMesh->NbNodes(); ++aNode)
  {
    const gp_Pnt aPoint = theMesh->Node(aNode);
    aSoup.Points.push_back({aPoint.X(), aPoint.Y(), aPoint.Z()});
  }
  for (int aFace = 1; aFace <= theMesh->NbTriangles(); ++aFace)
  {
    int a = 0, b = 0, c = 0;
    theMesh->Triangle(aFace).Get(a, b, c);
    aSoup.Triangles.push_back({a - 1, b - 1, c - 1});
  }
  return aSoup;
}

Handle(Poly_Triangulation) triangulationOf(const WrapPeers::Soup& theSoup)
{
  Handle(Poly_Triangulation) aMesh = new Poly_Triangulation(
      static_cast<int>(theSoup.Points.size()), static_cast<int>(theSoup.Triangles.size()), false);
  for (size_t i = 0; i < theSoup.Points.size(); ++i)
  {
    const std::array<double, 3>& aPoint = theSoup.Points[i];
    aMesh->SetNode(static_cast<int>(i) + 1, gp_Pnt(aPoint[0], aPoint[1], aPoint[2]));
  }
  for (size_t i = 0; i < theSoup.Triangles.size(); ++i)
  {
    const Triangle& aTriangle = theSoup.Triangles[i];
    aMesh->SetTriangle(static_cast<int>(i) + 1,
                       Poly_Triangle(aTriangle[0] + 1, aTriangle[1] + 1, aTriangle[2] + 1));
  }
  return aMesh;
}

Run wrapOurs(const Handle(Poly_Triangulation)& theInput, double theCell, int theNbThreads)
{
  Run                                 aRun;
  const TCollection_AsciiString       aCatalogue = resourceFile("PelliskMessages").c_str();
  const Handle(StageClock)            aClock     = new StageClock(aCatalogue);
  const Handle(Pelk_WrappingSettings) aSettings =
      Pelk_Configuration(resourceFile("Pellisk.conf").c_str(), aCatalogue).CreateSettings(aClock);
  if (aSettings.IsNull())
  {
    aRun.Result = Failed;
    setNote(aRun, "the configuration could not be read");
    return aRun;
  }
  aSettings->SetCellSize(theCell);
  aSettings->SetNbThreads(theNbThreads);
  Pelk_API anAPI(aClock);
  anAPI.SetDirtyMesh(theInput);
  const double aStart    = now();
  const bool   isWrapped = anAPI.PerformWrapping(aSettings);
  const double anEnd     = now();
  aRun.Seconds           = anEnd - aStart;
  aRun.Result            = isWrapped ? Done : Failed;
  splitByStage(*aClock, aStart, anEnd, aRun);
  for (NCollection_List<Pelk_Message>::Iterator anIt(aClock->Messages()); anIt.More(); anIt.Next())
  {
    aRun.NbWarnings += anIt.Value().Severity() == Pelk_Warning ? 1 : 0;
    aRun.NbErrors += anIt.Value().Severity() == Pelk_Error ? 1 : 0;
  }
  aClock->Dump(std::cerr, Pelk_Warning, false);
  const Handle(Poly_Triangulation) aWrap = anAPI.GetResultTriangulation();
  if (!aWrap.IsNull() && aWrap->NbTriangles() > 0)
  {
    aRun.Measures   = Report::Examine(theInput, aWrap, THE_MEASURE_THREADS);
    aRun.IsMeasured = true;
  }
  return aRun;
}

Run wrapPeer(const Handle(Poly_Triangulation)& theInput, const WrapPeers::PeerRun& thePeerRun)
{
  Run aRun;
  aRun.Result = thePeerRun.IsDone ? Done : Failed;
  for (size_t i = 0; i < thePeerRun.PartSeconds.size() && i < NbStages; ++i)
  {
    aRun.StageSeconds[i] = thePeerRun.PartSeconds[i];
    aRun.Seconds += thePeerRun.PartSeconds[i];
  }
  setNote(aRun, thePeerRun.Error);
  if (thePeerRun.IsDone && !thePeerRun.Result.Triangles.empty())
  {
    aRun.Measures   = Report::Examine(theInput, triangulationOf(thePeerRun.Result), THE_MEASURE_THREADS);
    aRun.IsMeasured = true;
  }
  return aRun;
}

Run wrap(Wrapper theWrapper, const Handle(Poly_Triangulation)& theInput, double theDiagonal)
{
  const double aCell    = theDiagonal / THE_CELLS_PER_DIAGONAL;
  const double anOffset = theDiagonal / THE_OFFSETS_PER_DIAGONAL;
  switch (theWrapper)
  {
  case Ours1:
  case Ours2:
    return wrapOurs(theInput, aCell, theWrapper == Ours1 ? 1 : 2);
  case AlphaWrap:
    return wrapPeer(theInput, WrapPeers::AlphaWrap(soupOf(theInput), aCell, anOffset));
  case LevelSet1:
  case LevelSet2:
    return wrapPeer(theInput, WrapPeers::LevelSetWrap(soupOf(theInput), aCell, anOffset,
                                                      theWrapper == LevelSet1 ? 1 : 2));
  case NbWrappers:
    break;
  }
  return Run();
}

bool isBuiltIn(Wrapper theWrapper)
{
  if (theWrapper == AlphaWrap)
  {
    return WrapPeers::HasAlphaWrap();
  }
  if (theWrapper == LevelSet1 || theWrapper == LevelSet2)
  {
    return WrapPeers::HasLevelSetWrap();
  }
  return true;
}

// ---------------------------------------------------------------------------
// Each run in a child process, with a time limit.

double residentMiB()
{
  std::ifstream aStatm("/proc/self/statm");
  long          aSize = 0, aResident = 0;
  aStatm >> aSize >> aResident;
  return double(aResident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Runs theWrapper in a child process (so that the parent never starts the
// thread pools a child would inherit broken), killed after theTimeout seconds.
Run isolated(Wrapper                           theWrapper,
             const Handle(Poly_Triangulation)& theInput,
             double                            theDiagonal,
             double                            theTimeout)
{
  Run aRun;
  if (!isBuiltIn(theWrapper))
  {
    aRun.Result = Absent;
    return aRun;
  }
  int aPipe[2];
  if (pipe(aPipe) != 0)
  {
    setNote(aRun, "no pipe");
    return aRun;
  }
  const double aParentMiB = residentMiB();
  std::cout.flush();
  std::cerr.flush();
  const pid_t aChild = fork();
  if (aChild == 0)
  {
    close(aPipe[0]);
    Run aResult;
    try
    {
      aResult = wrap(theWrapper, theInput, theDiagonal);
    }
    catch (const Standard_Failure& theFailure)
    {
      aResult.Result = Failed;
      setNote(aResult, std::string("exception: ") + theFailure.GetMessageString());
    }
    catch (const std::exception& theError)
    {
      aResult.Result = Failed;
      setNote(aResult, std::string("exception: ") + theError.what());
    }
    std::cerr.flush();
    const char* aBytes = reinterpret_cast<const char*>(&aResult);
    for (size_t aSent = 0; aSent < sizeof(Run);)
    {
      const ssize_t aNb = write(aPipe[1], aBytes + aSent, sizeof(Run) - aSent);
      if (aNb <= 0)
      {
        break;
      }
      aSent += static_cast<size_t>(aNb);
    }
    _exit(0);
  }
  close(aPipe[1]);
  const double aDeadline = now() + theTimeout;
  size_t       aReceived = 0;
  bool         isLate    = false;
  while (aReceived < sizeof(Run))
  {
    pollfd    aWait   = {aPipe[0], POLLIN, 0};
    const int aWaitMs = static_cast<int>(std::max(0.0, aDeadline - now()) * 1000.0);
    if (poll(&aWait, 1, aWaitMs) == 0)
    {
      isLate = true;
      kill(aChild, SIGKILL);
      break;
    }
    const ssize_t aNb = read(aPipe[0], reinterpret_cast<char*>(&aRun) + aReceived, sizeof(Run) - aReceived);
    if (aNb <= 0)
    {
      break;
    }
    aReceived += static_cast<size_t>(aNb);
  }
  close(aPipe[0]);
  int    aStatus = 0;
  rusage aUsage  = {};
  wait4(aChild, &aStatus, 0, &aUsage);
  if (aReceived != sizeof(Run))
  {
    aRun        = Run();
    aRun.Result = isLate ? TimedOut : Crashed;
    if (isLate)
    {
      aRun.Seconds = theTimeout;
    }
    else if (WIFSIGNALED(aStatus))
    {
      setNote(aRun, std::string("signal ") + strsignal(WTERMSIG(aStatus)));
    }
  }
  aRun.PeakMiB    = std::max(0.0, double(aUsage.ru_maxrss) / 1024.0 - aParentMiB);
  aRun.CpuSeconds = double(aUsage.ru_utime.tv_sec + aUsage.ru_stime.tv_sec) +
                    1e-6 * double(aUsage.ru_utime.tv_usec + aUsage.ru_stime.tv_usec);
  std::ifstream aLoad("/proc/loadavg");
  aLoad >> aRun.Load;
  return aRun;
}

// ---------------------------------------------------------------------------
// Tables.

struct Row
{
  std::string Mesh;
  Wrapper     Which;
  Run         Outcome;
};

std::string format(const char* theFormat, double theValue)
{
  char aText[64];
  std::snprintf(aText, sizeof(aText), theFormat, theValue);
  return aText;
}

std::string faults(const Report& theReport)
{
  std::string aText;
  auto        anAdd = [&](int theCount, const char* theWhat)
  {
    if (theCount != 0)
    {
      aText += (aText.empty() ? "" : ", ") + std::to_string(theCount) + " " + theWhat;
    }
  };
  anAdd(theReport.NbBoundaryEdges, "boundary edges");
  anAdd(theReport.NbNonManifoldEdges, "non-manifold edges");
  anAdd(theReport.NbRefusedFaces, "refused faces");
  anAdd(theReport.NbNonManifoldNodes, "non-manifold nodes");
  anAdd(theReport.NbMisorientedEdges, "misoriented edges");
  anAdd(theReport.NbDegenerateFaces, "degenerate faces");
  if (theReport.Volume <= 0.0)
  {
    aText += (aText.empty() ? "" : ", ") + std::string("volume ") + format("%.3g", theReport.Volume);
  }
  return aText.empty() ? "-" : aText;
}

void printResultsHeader(std::ostream& theStream)
{
  theStream
      << "\n| mesh | wrapper | status | time s | faces | shells | valid | faults | crossing pairs | "
         "mean/cell | max/cell | mean/D | max/D | min angle ° | peak MiB | child cpu s | load | messages |\n"
         "|---|---|---|---:|---:|---:|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|\n";
}

void printResult(const Row& theRow, double theDiagonal, std::ostream& theStream)
{
  const Run&    aRun  = theRow.Outcome;
  const Report& aRep  = aRun.Measures;
  const double  aCell = theDiagonal / THE_CELLS_PER_DIAGONAL;
  theStream << "| " << theRow.Mesh << " | " << THE_WRAPPER_NAMES[theRow.Which] << " | "
            << THE_STATUS_NAMES[aRun.Result] << " | " << format("%.2f", aRun.Seconds) << " | ";
  if (aRun.IsMeasured)
  {
    theStream << aRep.NbFaces << " | " << aRep.NbShells << " | " << (aRep.IsValid() ? "yes" : "NO") << " | "
              << faults(aRep) << " | " << aRep.NbCrossingPairs << " | "
              << format("%.3f", aRep.MeanDistance / aCell) << " | "
              << format("%.3f", aRep.MaxDistance / aCell) << " | "
              << format("%.2e", aRep.MeanDistance / theDiagonal) << " | "
              << format("%.2e", aRep.MaxDistance / theDiagonal) << " | " << format("%.2f", aRep.SmallestAngle)
              << " | ";
  }
  else
  {
    theStream << "- | - | - | - | - | - | - | - | - | - | ";
  }
  theStream << format("%.0f", aRun.PeakMiB) << " | " << format("%.1f", aRun.CpuSeconds) << " | "
            << format("%.1f", aRun.Load) << " | ";
  if (theRow.Which == Ours1 || theRow.Which == Ours2)
  {
    theStream << aRun.NbWarnings << " warnings, " << aRun.NbErrors << " errors";
  }
  theStream << (aRun.Note[0] != 0 ? std::string(" ") + aRun.Note : std::string()) << " |\n";
}

void printResults(const std::vector<Row>& theRows, const std::map<std::string, double>& theDiagonals)
{
  printResultsHeader(std::cout);
  for (const Row& aRow : theRows)
  {
    printResult(aRow, theDiagonals.at(aRow.Mesh), std::cout);
  }
}

void printStageRow(const Row& theRow, std::ostream& theStream)
{
  theStream << "| " << theRow.Mesh << " | " << (theRow.Which == Ours1 ? 1 : 2) << " | "
            << format("%.2f", theRow.Outcome.Seconds) << " |";
  for (int aStage = 0; aStage < NbStages; ++aStage)
  {
    theStream << " " << format("%.2f", theRow.Outcome.StageSeconds[aStage]) << " |";
  }
  theStream << "\n";
}

void printStages(const std::vector<Row>& theRows)
{
  std::cout << "\nOur stages, seconds:\n\n| mesh | threads | total |";
  for (const char* aName : THE_STAGE_NAMES)
  {
    std::cout << " " << aName << " |";
  }
  std::cout << "\n|---|---:|---:|";
  for (int aStage = 0; aStage < NbStages; ++aStage)
  {
    std::cout << "---:|";
  }
  std::cout << "\n";
  double aTotals[2][NbStages + 1] = {};
  for (const Row& aRow : theRows)
  {
    if ((aRow.Which != Ours1 && aRow.Which != Ours2) || aRow.Outcome.Result >= Crashed)
    {
      continue;
    }
    const int aThreads = aRow.Which == Ours1 ? 1 : 2;
    std::cout << "| " << aRow.Mesh << " | " << aThreads << " | " << format("%.2f", aRow.Outcome.Seconds)
              << " |";
    aTotals[aThreads - 1][NbStages] += aRow.Outcome.Seconds;
    for (int aStage = 0; aStage < NbStages; ++aStage)
    {
      std::cout << " " << format("%.2f", aRow.Outcome.StageSeconds[aStage]) << " |";
      aTotals[aThreads - 1][aStage] += aRow.Outcome.StageSeconds[aStage];
    }
    std::cout << "\n";
  }
  for (int aThreads = 1; aThreads <= 2; ++aThreads)
  {
    const double aSum = aTotals[aThreads - 1][NbStages];
    std::cout << "| share of all meshes | " << aThreads << " | " << format("%.1f", aSum) << " |";
    for (int aStage = 0; aStage < NbStages; ++aStage)
    {
      std::cout << " " << format("%.1f %%", aSum > 0.0 ? 100.0 * aTotals[aThreads - 1][aStage] / aSum : 0.0)
                << " |";
    }
    std::cout << "\n";
  }
  std::cout
      << "\nLevel-set wrap parts, seconds (field / extraction):\n\n| mesh | threads | field | extraction |\n"
         "|---|---:|---:|---:|\n";
  for (const Row& aRow : theRows)
  {
    if ((aRow.Which == LevelSet1 || aRow.Which == LevelSet2) && aRow.Outcome.Result <= Failed)
    {
      std::cout << "| " << aRow.Mesh << " | " << (aRow.Which == LevelSet1 ? 1 : 2) << " | "
                << format("%.2f", aRow.Outcome.StageSeconds[0]) << " | "
                << format("%.2f", aRow.Outcome.StageSeconds[1]) << " |\n";
    }
  }
}

// theValue against its goal: "ratio (met)" or "ratio (NOT met)".
std::string verdict(double theValue, double theGoal, bool theIsAtLeast, bool theIsKnown)
{
  if (!theIsKnown || !std::isfinite(theValue))
  {
    return "n/a";
  }
  const bool isMet = theIsAtLeast ? theValue >= theGoal : theValue <= theGoal;
  return format("%.2f", theValue) + (isMet ? " met" : " **not met**");
}

void printGoals(const std::vector<Row>& theRows, const std::vector<std::string>& theMeshes)
{
  std::cout
      << "\nGoals per mesh (ours = 2 threads unless said):\n\n"
         "| mesh | alpha time / ours (≥ 20) | alpha time / ours 1 thread | ours / OpenVDB time, 2 threads (≤ "
         "2) "
         "| ours / OpenVDB time, 1 thread | max distance ours / alpha (≤ 1) | min angle ours / alpha (≥ 1) "
         "| ours 1 thread / 2 threads (≥ 1.6) | ours 1 and 2 threads alike |\n"
         "|---|---:|---:|---:|---:|---:|---:|---:|---|\n";
  for (const std::string& aMesh : theMeshes)
  {
    const Run* aRuns[NbWrappers] = {};
    for (const Row& aRow : theRows)
    {
      if (aRow.Mesh == aMesh)
      {
        aRuns[aRow.Which] = &aRow.Outcome;
      }
    }
    auto isDone = [&](Wrapper theWhich)
    { return aRuns[theWhich] != nullptr && aRuns[theWhich]->Result == Done && aRuns[theWhich]->IsMeasured; };
    auto       aTime = [&](Wrapper theWhich) { return aRuns[theWhich]->Seconds; };
    const bool isAlike =
        isDone(Ours1) && isDone(Ours2) && isSameWrap(aRuns[Ours1]->Measures, aRuns[Ours2]->Measures);
    const bool hasAlpha = isDone(AlphaWrap) && isDone(Ours2);
    std::cout
        << "| " << aMesh << " | "
        << verdict(hasAlpha ? aTime(AlphaWrap) / aTime(Ours2) : 0, 20, true, hasAlpha) << " | "
        << verdict(isDone(AlphaWrap) && isDone(Ours1) ? aTime(AlphaWrap) / aTime(Ours1) : 0, 20, true,
                   isDone(AlphaWrap) && isDone(Ours1))
        << " | "
        << verdict(isDone(LevelSet2) && isDone(Ours2) ? aTime(Ours2) / aTime(LevelSet2) : 0, 2, false,
                   isDone(LevelSet2) && isDone(Ours2))
        << " | "
        << verdict(isDone(LevelSet1) && isDone(Ours1) ? aTime(Ours1) / aTime(LevelSet1) : 0, 2, false,
                   isDone(LevelSet1) && isDone(Ours1))
        << " | "
        << verdict(hasAlpha ? aRuns[Ours2]->Measures.MaxDistance / aRuns[AlphaWrap]->Measures.MaxDistance : 0,
                   1, false, hasAlpha)
        << " | "
        << verdict(hasAlpha ? aRuns[Ours2]->Measures.SmallestAngle / aRuns[AlphaWrap]->Measures.SmallestAngle
                            : 0,
                   1, true, hasAlpha)
        << " | "
        << verdict(isDone(Ours1) && isDone(Ours2) ? aTime(Ours1) / aTime(Ours2) : 0, 1.6, true,
                   isDone(Ours1) && isDone(Ours2))
        << " | " << (isDone(Ours1) && isDone(Ours2) ? (isAlike ? "yes" : "**no**") : "n/a") << " |\n";
  }
}

// ---------------------------------------------------------------------------

double diagonalOf(const Handle(Poly_Triangulation)& theMesh)
{
  Bnd_Box aBox;
  for (int aNode = 1; aNode <= theMesh->NbNodes(); ++aNode)
  {
    aBox.Add(theMesh->Node(aNode));
  }
  return aBox.IsVoid() ? 0.0 : std::sqrt(aBox.SquareExtent());
}

// The meshes named, or all of tests/data, smallest file first.
std::vector<std::string> meshNames(const std::vector<std::string>& theNames)
{
  if (!theNames.empty())
  {
    std::vector<std::string> aNames;
    for (const std::string& aName : theNames)
    {
      aNames.push_back(aName.size() > 4 && aName.compare(aName.size() - 4, 4, ".stl") == 0
                           ? aName.substr(0, aName.size() - 4)
                           : aName);
    }
    return aNames;
  }
  std::vector<std::pair<std::uintmax_t, std::string>> aFiles;
  for (const auto& anEntry : std::filesystem::directory_iterator(PELLISK_BENCH_DATA_DIR))
  {
    if (anEntry.path().extension() == ".stl")
    {
      aFiles.emplace_back(anEntry.file_size(), anEntry.path().stem().string());
    }
  }
  std::sort(aFiles.begin(), aFiles.end());
  std::vector<std::string> aNames;
  for (const auto& aFile : aFiles)
  {
    aNames.push_back(aFile.second);
  }
  return aNames;
}
} // namespace

int main(int theArgc, char** theArgv)
{
  double                   aTimeout = 900.0;
  std::vector<std::string> aNames;
  for (int i = 1; i < theArgc; ++i)
  {
    const std::string anArg = theArgv[i];
    if (anArg == "--timeout" && i + 1 < theArgc)
    {
      aTimeout = std::atof(theArgv[++i]);
    }
    else
    {
      aNames.push_back(anArg);
    }
  }
  const std::vector<std::string> aMeshes = meshNames(aNames);
  std::vector<Row>               aRows;
  std::map<std::string, double>  aDiagonals;
  for (const std::string& aMesh : aMeshes)
  {
    Handle(Poly_Triangulation) anInput;
    const std::string          aFile = std::string(PELLISK_BENCH_DATA_DIR) + "/" + aMesh + ".stl";
    if (!STL_IO::Read(aFile.c_str(), anInput, Handle(Pelk_ProgressNotifier)()) || anInput.IsNull())
    {
      std::cerr << "cannot read " << aFile << "\n";
      continue;
    }
    aDiagonals[aMesh] = diagonalOf(anInput);
    for (int aWrapper = 0; aWrapper < NbWrappers; ++aWrapper)
    {
      std::cerr << "== " << aMesh << " (" << anInput->NbTriangles() << " faces), "
                << THE_WRAPPER_NAMES[aWrapper] << "\n";
      aRows.push_back(
          {aMesh, Wrapper(aWrapper), isolated(Wrapper(aWrapper), anInput, aDiagonals[aMesh], aTimeout)});
      // Each row as soon as it is known, for runs stopped before the end.
      printResult(aRows.back(), aDiagonals[aMesh], std::cerr);
      if (aWrapper == Ours1 || aWrapper == Ours2)
      {
        printStageRow(aRows.back(), std::cerr);
      }
    }
  }
  printResults(aRows, aDiagonals);
  printStages(aRows);
  printGoals(aRows, aMeshes);
  return 0;
}
