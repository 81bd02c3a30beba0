#ifndef Pelk_ProgressNotifier_HeaderFile
#define Pelk_ProgressNotifier_HeaderFile

#include <Pellisk_Export.hxx>
#include <Pelk_Message.hxx>
#include <Pelk_ProgressIndicator.hxx>

#include <NCollection_List.hxx>
#include <Standard_Transient.hxx>
#include <TCollection_AsciiString.hxx>

#include <mutex>
#include <ostream>

//! Carries everything the library tells its host while it works: nested
//! progress scopes on one 0..1 position, a cancel request, and the list of
//! messages issued, in creation order.
//!
//! Scopes nest: NewScope(name, min, max, step) opens a scope that covers
//! (max - min) steps of the current scope; Increment() then advances it by
//! `step`. Cancel() may be called from another thread; the library looks at
//! UserBreak() between its steps.
class Pellisk_EXPORT Pelk_ProgressNotifier : public Standard_Transient
{
  DEFINE_STANDARD_RTTIEXT(Pelk_ProgressNotifier, Standard_Transient)
public:
  //! Notifier whose messages take their texts from the given catalogue file
  //! (the kernel's message-file format); an empty path loads nothing.
  explicit Pelk_ProgressNotifier(const TCollection_AsciiString& theResourceFile);

  //! Notifier that uses the catalogue installed beside the library
  //! ("../resource/PelliskMessages" from the library's folder).
  Pelk_ProgressNotifier();

  //! Writes one line per message of at least theMinimum severity:
  //! "<index> [info|warning|error]: <text>". With theOnlyNew, messages visited
  //! by earlier dumps are skipped; otherwise all are visited again.
  virtual void Dump(std::ostream& theStream, Pelk_MessageSeverity theMinimum, bool theOnlyNew);

  //! Removes all messages and resets the progress to the root scope at 0.
  //! A cancel request stays.
  virtual void Clear();

  //! Appends a message of the given key and returns it, so that arguments can
  //! be chained with Arg(). Loads the catalogue on first use; raises
  //! Standard_ProgramError when it cannot be read (the message is not added).
  virtual Pelk_Message& NewMessage(Pelk_MessageSeverity theSeverity, const TCollection_AsciiString& theKey);

  //! Opens a scope of width (theMax - theMin) * current step with scale
  //! theMin..theMax and the given step. False when progress is already complete.
  virtual bool NewScope(const TCollection_AsciiString& theName, double theMin, double theMax, double theStep);

  //! Moves on to the next scope: closes the current one (if any besides the
  //! root), then opens the given one and returns NewScope's answer.
  virtual bool
  NextScope(const TCollection_AsciiString& theName, double theMin, double theMax, double theStep);

  //! Closes the current scope and moves the position to its end; false when
  //! only the root scope was open.
  virtual bool EndScope();

  //! Advances the current scope by its step.
  virtual void Increment();

  //! Overall position in 0..1; may be read from another thread.
  virtual double GetPosition() const;

  //! Value of the current scope on its own scale.
  virtual double GetValue() const;

  //! Issues "Pelk_API.Cancel" as an error and requests cancellation.
  virtual void Cancel();

  //! True once cancellation was requested.
  virtual bool UserBreak();

  //! When true, later error messages are recorded as warnings.
  virtual void TreatErrorAsWarning(bool theToTreat);

  //! The messages issued so far, in creation order. Not to be read while
  //! another thread issues messages.
  const NCollection_List<Pelk_Message>& Messages() const { return myMessages; }

  //! Number of messages issued so far.
  int NbMessages() const { return myMessages.Size(); }

  //! The progress indicator, for kernel readers and writers; null when the
  //! notifier keeps no progress.
  const Handle(Pelk_ProgressIndicator)& Indicator() const { return myIndicator; }

  //! Path of the message catalogue this notifier loads.
  const TCollection_AsciiString& ResourceFile() const { return myResourceFile; }

protected:
  //! Loads a catalogue file; raises Standard_ProgramError when it cannot be read.
  virtual void loadResource(const TCollection_AsciiString& theFile);

  //! For notifiers without an indicator.
  struct NoIndicator
  {
  };
  explicit Pelk_ProgressNotifier(NoIndicator);

protected:
  Handle(Pelk_ProgressIndicator) myIndicator;
  NCollection_List<Pelk_Message> myMessages;
  int                            myDumpCount;
  bool                           myTreatErrorAsWarning;
  bool                           myResourceLoaded;
  TCollection_AsciiString        myResourceFile;
  //! Guards the message list: Cancel() may come from another thread.
  std::mutex myMessagesLock;
};

DEFINE_STANDARD_HANDLE(Pelk_ProgressNotifier, Standard_Transient)

#endif
