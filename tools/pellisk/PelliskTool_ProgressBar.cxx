#include <PelliskTool_ProgressBar.hxx>

#include <chrono>
#include <csignal>
#include <iostream>
#include <string>

namespace
{
volatile std::sig_atomic_t THE_INTERRUPTED = 0;

extern "C" void onInterrupt(int)
{
  THE_INTERRUPTED = 1;
}

const int THE_BAR_WIDTH = 40;
} // namespace

PelliskTool_ProgressBar::PelliskTool_ProgressBar(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : myNotifier(theNotifier),
      myIsDone(false),
      myLastPercent(-1)
{
  std::signal(SIGINT, onInterrupt);
  myThread = std::thread([this] { run(); });
}

PelliskTool_ProgressBar::~PelliskTool_ProgressBar()
{
  myIsDone.store(true);
  myThread.join();
  std::signal(SIGINT, SIG_DFL);
  std::cerr << std::endl;
}

bool PelliskTool_ProgressBar::IsInterrupted()
{
  return THE_INTERRUPTED != 0;
}

void PelliskTool_ProgressBar::run()
{
  bool isCancelled = false;
  while (!myIsDone.load())
  {
    if (IsInterrupted() && !isCancelled)
    {
      myNotifier->Cancel();
      isCancelled = true;
    }
    draw(myNotifier->GetPosition());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  draw(myNotifier->GetPosition());
}

void PelliskTool_ProgressBar::draw(double thePosition)
{
  const int aPercent = static_cast<int>(thePosition * 100.0 + 0.5);
  if (aPercent == myLastPercent)
  {
    return;
  }
  myLastPercent     = aPercent;
  const int aFilled = aPercent * THE_BAR_WIDTH / 100;
  std::cerr << "\r[" << std::string(static_cast<size_t>(aFilled), '#')
            << std::string(static_cast<size_t>(THE_BAR_WIDTH - aFilled), ' ') << "] " << aPercent << "%"
            << std::flush;
}
