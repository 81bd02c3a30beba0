#include <STL_IO.hxx>

#include <Pelk_DummyProgressNotifier.hxx>

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <Message_ProgressIndicator.hxx>
#include <OSD_File.hxx>
#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <mutex>

namespace
{
// The notifier of the STL call running on this thread, if any: the kernel's
// reader and writer report corrupt files through the process-wide messenger,
// whose printers would write them to the standard output of the host.
thread_local Pelk_ProgressNotifier* THE_ROUTE = nullptr;
// Set when the kernel reported a failure during the call of this thread.
thread_local bool THE_KERNEL_FAILED = false;

// Takes the place of the messenger's printers: messages sent from within an
// STL call become warnings of its notifier; all others reach the printers it
// replaced, as before.
class KernelPrinter : public Message_Printer
{
public:
  explicit KernelPrinter(const Message_SequenceOfPrinters& thePrinters)
      : myPrinters(thePrinters)
  {
    SetTraceLevel(Message_Trace);
  }

protected:
  void send(const TCollection_AsciiString& theString, const Message_Gravity theGravity) const override
  {
    if (THE_ROUTE == nullptr)
    {
      for (Message_SequenceOfPrinters::Iterator anIt(myPrinters); anIt.More(); anIt.Next())
      {
        anIt.Value()->Send(theString, theGravity);
      }
      return;
    }
    THE_KERNEL_FAILED = THE_KERNEL_FAILED || theGravity >= Message_Fail;
    THE_ROUTE->NewMessage(Pelk_Warning, "STL_IO.KernelMessage").Arg(theString.ToCString());
  }

private:
  Message_SequenceOfPrinters myPrinters;
};

// Routes the kernel's messages to a notifier for the life of the object. The
// printers are swapped once per process, on the first STL call; from then on
// routing is a matter of the calling thread alone, so concurrent reads in
// several threads each keep their own messages. Printers a host adds to the
// messenger later are not wrapped and see the kernel's messages as before.
class KernelRoute
{
public:
  explicit KernelRoute(Pelk_ProgressNotifier* theNotifier)
      : myPrevious(THE_ROUTE)
  {
    static std::once_flag THE_FLAG;
    std::call_once(THE_FLAG,
                   []
                   {
                     const Handle(Message_Messenger)& aMessenger = Message::DefaultMessenger();
                     const Handle(Message_Printer)    aPrinter   = new KernelPrinter(aMessenger->Printers());
                     aMessenger->ChangePrinters().Clear();
                     aMessenger->AddPrinter(aPrinter);
                   });
    THE_ROUTE         = theNotifier;
    THE_KERNEL_FAILED = false;
  }

  ~KernelRoute() { THE_ROUTE = myPrevious; }

  //! True when the kernel reported a failure since the route was opened.
  bool HasFailed() const { return THE_KERNEL_FAILED; }

private:
  KernelRoute(const KernelRoute&)            = delete;
  KernelRoute& operator=(const KernelRoute&) = delete;

  Pelk_ProgressNotifier* myPrevious;
};

Handle(Pelk_ProgressNotifier) notifierOrDummy(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  return theNotifier.IsNull() ? Handle(Pelk_ProgressNotifier)(Pelk_DummyProgressNotifier::Instance())
                              : theNotifier;
}
} // namespace

bool STL_IO::Read(const TCollection_AsciiString&       theFileName,
                  Handle(Poly_Triangulation)&          theTriangulation,
                  const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  const Handle(Pelk_ProgressNotifier) aNotifier = notifierOrDummy(theNotifier);
  const OSD_Path                      aPath(theFileName);
  if (!OSD_File(aPath).Exists())
  {
    aNotifier->NewMessage(Pelk_Error, "STL_IO.FileDoesNotExist");
    return false;
  }
  const KernelRoute aRoute(aNotifier.get());
  try
  {
    // The kernel's reader looks at the indicator's cancel flag as it goes.
    theTriangulation = RWStl::ReadFile(aPath, Message_ProgressIndicator::Start(aNotifier->Indicator()));
  }
  catch (...)
  {
    theTriangulation.Nullify();
  }
  // The reader keeps what it read before a failure (a file cut short, a count
  // of facets the file does not hold): a part of a surface is no input to wrap.
  if (aRoute.HasFailed())
  {
    theTriangulation.Nullify();
  }
  if (theTriangulation.IsNull() || theTriangulation->NbNodes() == 0)
  {
    aNotifier->NewMessage(Pelk_Error, "STL_IO.ReadingError");
    return false;
  }
  return true;
}

bool STL_IO::Write(const TCollection_AsciiString&       theFileName,
                   const Handle(Poly_Triangulation)&    theTriangulation,
                   const Handle(Pelk_ProgressNotifier)& theNotifier,
                   bool                                 theBinary)
{
  const Handle(Pelk_ProgressNotifier) aNotifier = notifierOrDummy(theNotifier);
  const OSD_Path                      aPath(theFileName);
  bool                                aWritten = false;
  const KernelRoute                   aRoute(aNotifier.get());
  try
  {
    const Message_ProgressRange aRange = Message_ProgressIndicator::Start(aNotifier->Indicator());
    aWritten                           = theBinary ? RWStl::WriteBinary(theTriangulation, aPath, aRange)
                                                   : RWStl::WriteAscii(theTriangulation, aPath, aRange);
  }
  catch (...)
  {
    aWritten = false;
  }
  if (!aWritten)
  {
    aNotifier->NewMessage(Pelk_Error, "STL_IO.WritingError");
  }
  return aWritten;
}
