#ifndef PelliskPy_Notifier_HeaderFile
#define PelliskPy_Notifier_HeaderFile

#include <pybind11/pybind11.h>

#include <Pelk_ProgressNotifier.hxx>

#include <chrono>
#include <memory>
#include <thread>

//! The notifier of a wrap run from Python with the GIL released. On the
//! thread that created it, it hands the position to a Python callable and
//! lets Python look at its signals (Ctrl-C); an exception from either cancels
//! the run and is kept until the library has returned. Calls from the
//! library's other threads only do the library's work.
class PelliskPy_Notifier : public Pelk_ProgressNotifier
{
  DEFINE_STANDARD_RTTIEXT(PelliskPy_Notifier, Pelk_ProgressNotifier)
public:
  //! theCallback (borrowed: the caller keeps it alive while the run lasts)
  //! receives the position in 0..1; None or null for no callback.
  explicit PelliskPy_Notifier(PyObject* theCallback);

  bool
  NewScope(const TCollection_AsciiString& theName, double theMin, double theMax, double theStep) override;
  bool EndScope() override;
  void Increment() override;
  bool UserBreak() override;

  //! Reports the end (1.0) of a successful run. Needs the GIL.
  void Finish();

  //! Raises the exception that cancelled the run, if any. Needs the GIL.
  void RaisePending();

private:
  //! Reports the position when it has moved on enough, or looks at the
  //! signals when it has not for a while.
  void poll();

  //! Calls back with thePosition (if it is new) and looks at the signals;
  //! an exception cancels the run. Needs the GIL.
  void report(double thePosition);

private:
  PyObject*                                    myCallback;
  std::thread::id                              myThread;
  double                                       myReported;
  std::chrono::steady_clock::time_point        myLastLook;
  std::unique_ptr<pybind11::error_already_set> myPending;
  bool                                         myIsReporting;
};

DEFINE_STANDARD_HANDLE(PelliskPy_Notifier, Pelk_ProgressNotifier)

#endif
