#include <Pelk_Message.hxx>

#include <cstdint>

Pelk_Message::Pelk_Message(int                            theIndex,
                           Pelk_MessageSeverity           theSeverity,
                           const TCollection_AsciiString& theKey)
    : myIndex(theIndex),
      mySeverity(theSeverity),
      myMsg(theKey.ToCString()),
      myKey(theKey)
{
}

Pelk_Message& Pelk_Message::Arg(const char* theValue)
{
  myMsg.Arg(theValue);
  return *this;
}

Pelk_Message& Pelk_Message::Arg(double theValue)
{
  myMsg.Arg(theValue);
  return *this;
}

Pelk_Message& Pelk_Message::Arg(int theValue)
{
  myMsg.Arg(theValue);
  return *this;
}

Pelk_Message& Pelk_Message::Arg(size_t theValue)
{
  myMsg.Arg(static_cast<int>(static_cast<std::uint32_t>(theValue)));
  return *this;
}

TCollection_AsciiString Pelk_Message::Text() const
{
  // Message_Msg::Get() rewrites the unfilled placeholders in place, so a second
  // call on the same object would change the text: complete a copy instead.
  Message_Msg aCopy(myMsg);
  return TCollection_AsciiString(aCopy.Get());
}
