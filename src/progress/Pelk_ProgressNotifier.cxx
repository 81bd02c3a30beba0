#include <Pelk_ProgressNotifier.hxx>

#include <Pelk_Configuration.hxx>

#include <Message_MsgFile.hxx>
#include <Standard_ProgramError.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Pelk_ProgressNotifier, Standard_Transient)

namespace
{
const char* severityLabel(Pelk_MessageSeverity theSeverity)
{
  switch (theSeverity)
  {
  case Pelk_Info:
    return "[info]";
  case Pelk_Warning:
    return "[warning]";
  case Pelk_Error:
    return "[error]";
  }
  return "";
}
} // namespace

Pelk_ProgressNotifier::Pelk_ProgressNotifier(const TCollection_AsciiString& theResourceFile)
    : myIndicator(new Pelk_ProgressIndicator()),
      myDumpCount(0),
      myTreatErrorAsWarning(false),
      myResourceLoaded(false),
      myResourceFile(theResourceFile)
{
}

Pelk_ProgressNotifier::Pelk_ProgressNotifier()
    : Pelk_ProgressNotifier(Pelk_Configuration::Instance().CataloguePath())
{
}

Pelk_ProgressNotifier::Pelk_ProgressNotifier(NoIndicator)
    : myDumpCount(0),
      myTreatErrorAsWarning(false),
      myResourceLoaded(false)
{
}

void Pelk_ProgressNotifier::Dump(std::ostream& theStream, Pelk_MessageSeverity theMinimum, bool theOnlyNew)
{
  std::lock_guard<std::mutex> aLock(myMessagesLock);
  if (!theOnlyNew)
  {
    myDumpCount = 0;
  }
  int aRank = 0;
  for (NCollection_List<Pelk_Message>::Iterator anIt(myMessages); anIt.More(); anIt.Next(), ++aRank)
  {
    if (aRank < myDumpCount)
    {
      continue;
    }
    ++myDumpCount;
    const Pelk_Message& aMsg = anIt.Value();
    if (aMsg.Severity() >= theMinimum)
    {
      theStream << aMsg.Index() << " " << severityLabel(aMsg.Severity()) << ": " << aMsg.Text() << "\n";
    }
  }
}

void Pelk_ProgressNotifier::Clear()
{
  {
    std::lock_guard<std::mutex> aLock(myMessagesLock);
    myMessages.Clear();
    myDumpCount = 0;
  }
  myIndicator->ResetScopes();
}

Pelk_Message& Pelk_ProgressNotifier::NewMessage(Pelk_MessageSeverity           theSeverity,
                                                const TCollection_AsciiString& theKey)
{
  std::lock_guard<std::mutex> aLock(myMessagesLock);
  if (!myResourceLoaded)
  {
    loadResource(myResourceFile);
    myResourceLoaded = true;
  }
  if (myTreatErrorAsWarning && theSeverity == Pelk_Error)
  {
    theSeverity = Pelk_Warning;
  }
  // List nodes never move, so the returned reference stays valid while the
  // caller chains its arguments, whatever is appended meanwhile.
  return myMessages.Append(Pelk_Message(myMessages.Size(), theSeverity, theKey));
}

bool Pelk_ProgressNotifier::NewScope(const TCollection_AsciiString& theName,
                                     double                         theMin,
                                     double                         theMax,
                                     double                         theStep)
{
  const bool isOpen = myIndicator->NewScope((theMax - theMin) * myIndicator->Step(), theName);
  myIndicator->SetScale(theMin, theMax, theStep);
  return isOpen;
}

bool Pelk_ProgressNotifier::NextScope(const TCollection_AsciiString& theName,
                                      double                         theMin,
                                      double                         theMax,
                                      double                         theStep)
{
  // Moving on opens the next scope whether or not one was closed; the root is
  // never closed here, as that would mark the whole run complete.
  if (myIndicator->NbScopes() > 1)
  {
    EndScope();
  }
  return NewScope(theName, theMin, theMax, theStep);
}

bool Pelk_ProgressNotifier::EndScope()
{
  return myIndicator->EndScope();
}

void Pelk_ProgressNotifier::Increment()
{
  myIndicator->Increment();
}

double Pelk_ProgressNotifier::GetPosition() const
{
  return myIndicator->GetPos();
}

double Pelk_ProgressNotifier::GetValue() const
{
  return myIndicator->GetValue();
}

void Pelk_ProgressNotifier::Cancel()
{
  NewMessage(Pelk_Error, "Pelk_API.Cancel");
  myIndicator->SetBreak();
}

bool Pelk_ProgressNotifier::UserBreak()
{
  return myIndicator->UserBreak();
}

void Pelk_ProgressNotifier::TreatErrorAsWarning(bool theToTreat)
{
  myTreatErrorAsWarning = theToTreat;
}

void Pelk_ProgressNotifier::loadResource(const TCollection_AsciiString& theFile)
{
  if (theFile.IsEmpty())
  {
    return;
  }
  if (!Message_MsgFile::LoadFile(theFile.ToCString()))
  {
    throw Standard_ProgramError("Cannot find resource file with messages");
  }
}
