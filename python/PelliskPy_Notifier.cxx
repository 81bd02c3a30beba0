#include <PelliskPy_Notifier.hxx>

IMPLEMENT_STANDARD_RTTIEXT(PelliskPy_Notifier, Pelk_ProgressNotifier)

namespace py = pybind11;

namespace
{
// The position must move on by this much before the callback hears of it.
const double THE_REPORT_STEP = 1.0e-3;
// Python looks at its signals at least this often while the library is busy.
const std::chrono::milliseconds THE_LOOK_PERIOD(100);
} // namespace

PelliskPy_Notifier::PelliskPy_Notifier(PyObject* theCallback)
    : myCallback(theCallback == Py_None ? nullptr : theCallback),
      myThread(std::this_thread::get_id()),
      myReported(0.0),
      myLastLook(std::chrono::steady_clock::now()),
      myIsReporting(false)
{
}

bool PelliskPy_Notifier::NewScope(const TCollection_AsciiString& theName,
                                  double                         theMin,
                                  double                         theMax,
                                  double                         theStep)
{
  const bool isOpen = Pelk_ProgressNotifier::NewScope(theName, theMin, theMax, theStep);
  poll();
  return isOpen;
}

bool PelliskPy_Notifier::EndScope()
{
  const bool isClosed = Pelk_ProgressNotifier::EndScope();
  poll();
  return isClosed;
}

void PelliskPy_Notifier::Increment()
{
  Pelk_ProgressNotifier::Increment();
  poll();
}

bool PelliskPy_Notifier::UserBreak()
{
  poll();
  return Pelk_ProgressNotifier::UserBreak();
}

void PelliskPy_Notifier::poll()
{
  // Python is called from the wrapping thread only, once per cancellation,
  // and never from inside the callback itself.
  if (std::this_thread::get_id() != myThread || myPending || myIsReporting)
  {
    return;
  }
  const double aPosition = GetPosition();
  const bool   isMoved   = myCallback != nullptr && aPosition >= myReported + THE_REPORT_STEP;
  if (isMoved || std::chrono::steady_clock::now() - myLastLook >= THE_LOOK_PERIOD)
  {
    py::gil_scoped_acquire aGil;
    report(isMoved ? aPosition : myReported);
  }
}

void PelliskPy_Notifier::report(double thePosition)
{
  myIsReporting = true;
  try
  {
    if (myCallback != nullptr && thePosition > myReported)
    {
      myReported = thePosition;
      py::handle aCallback(myCallback);
      aCallback(thePosition);
    }
    if (PyErr_CheckSignals() != 0)
    {
      throw py::error_already_set();
    }
  }
  catch (py::error_already_set& theError)
  {
    myPending = std::make_unique<py::error_already_set>(std::move(theError));
  }
  myLastLook    = std::chrono::steady_clock::now();
  myIsReporting = false;
  if (myPending)
  {
    Cancel();
  }
}

void PelliskPy_Notifier::Finish()
{
  if (!myPending)
  {
    report(1.0);
  }
}

void PelliskPy_Notifier::RaisePending()
{
  if (myPending)
  {
    std::unique_ptr<py::error_already_set> anError = std::move(myPending);
    anError->restore();
    throw py::error_already_set();
  }
}
