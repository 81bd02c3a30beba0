#include <STL_IO.hxx>

#include <Pelk_DummyProgressNotifier.hxx>

#include <Message_ProgressIndicator.hxx>
#include <OSD_File.hxx>
#include <OSD_Path.hxx>
#include <RWStl.hxx>

namespace
{
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
  try
  {
    // The kernel's reader looks at the indicator's cancel flag as it goes.
    theTriangulation = RWStl::ReadFile(aPath, Message_ProgressIndicator::Start(aNotifier->Indicator()));
  }
  catch (...)
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
