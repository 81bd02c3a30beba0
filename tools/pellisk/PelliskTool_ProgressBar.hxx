#ifndef PelliskTool_ProgressBar_HeaderFile
#define PelliskTool_ProgressBar_HeaderFile

#include <Pelk_ProgressNotifier.hxx>

#include <atomic>
#include <thread>

//! Draws the notifier's position as a bar on the standard error stream from
//! a second thread, and turns Ctrl-C (SIGINT) into a cancel request on the
//! notifier. The signal handler only raises a flag; the drawing thread makes
//! the request, since the notifier may not be used inside a signal handler.
class PelliskTool_ProgressBar
{
public:
  //! Starts drawing and catching SIGINT.
  explicit PelliskTool_ProgressBar(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! Stops drawing, ends the bar's line and restores the default SIGINT action.
  ~PelliskTool_ProgressBar();

  //! True when Ctrl-C was pressed.
  static bool IsInterrupted();

private:
  void run();
  void draw(double thePosition);

private:
  Handle(Pelk_ProgressNotifier) myNotifier;
  std::atomic<bool>             myIsDone;
  std::thread                   myThread;
  int                           myLastPercent;
};

#endif
