#ifndef Pelk_Message_HeaderFile
#define Pelk_Message_HeaderFile

#include <Pellisk_Export.hxx>
#include <Pelk_MessageSeverity.hxx>

#include <Message_Msg.hxx>
#include <TCollection_AsciiString.hxx>

#include <cstddef>

//! One message collected by a progress notifier: its position in the notifier's
//! list, its severity and its text. The text is the catalogue text of the
//! message key, completed by the arguments given with Arg().
class Pellisk_EXPORT Pelk_Message
{
public:
  //! Creates the message of the given key; an unknown key gives the kernel's
  //! "Unknown message invoked with the keyword ..." text.
  Pelk_Message(int theIndex, Pelk_MessageSeverity theSeverity, const TCollection_AsciiString& theKey);

  //! Fills the first unfilled string placeholder of the text.
  Pelk_Message& Arg(const char* theValue);

  //! Fills the first unfilled real placeholder of the text.
  Pelk_Message& Arg(double theValue);

  //! Fills the first unfilled integer placeholder of the text.
  Pelk_Message& Arg(int theValue);

  //! Fills the first unfilled integer placeholder with the low 32 bits of the value.
  Pelk_Message& Arg(size_t theValue);

  //! Number of messages the notifier held when this one was created.
  int Index() const { return myIndex; }

  //! Severity of the message.
  Pelk_MessageSeverity Severity() const { return mySeverity; }

  //! The key the message was created from.
  const TCollection_AsciiString& Key() const { return myKey; }

  //! The completed text; placeholders without argument read "UNKNOWN".
  TCollection_AsciiString Text() const;

private:
  int                     myIndex;
  Pelk_MessageSeverity    mySeverity;
  Message_Msg             myMsg;
  TCollection_AsciiString myKey;
};

#endif
