#include <Pelk_DummyProgressNotifier.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Pelk_DummyProgressNotifier, Pelk_ProgressNotifier)

const Handle(Pelk_DummyProgressNotifier)& Pelk_DummyProgressNotifier::Instance()
{
  static const Handle(Pelk_DummyProgressNotifier) THE_INSTANCE = new Pelk_DummyProgressNotifier();
  return THE_INSTANCE;
}

Pelk_DummyProgressNotifier::Pelk_DummyProgressNotifier()
    : Pelk_ProgressNotifier(NoIndicator()),
      myBreak(false)
{
}

void Pelk_DummyProgressNotifier::Dump(std::ostream&, Pelk_MessageSeverity, bool) {}

void Pelk_DummyProgressNotifier::Clear() {}

Pelk_Message& Pelk_DummyProgressNotifier::NewMessage(Pelk_MessageSeverity, const TCollection_AsciiString&)
{
  // Callers chain arguments onto the returned message; they land on this
  // message, whose text nobody reads. One per thread, as algorithms may issue
  // messages from their parallel loops.
  static thread_local Pelk_Message THE_MESSAGE(0, Pelk_Info, TCollection_AsciiString());
  return THE_MESSAGE;
}

bool Pelk_DummyProgressNotifier::NewScope(const TCollection_AsciiString&, double, double, double)
{
  return true;
}

bool Pelk_DummyProgressNotifier::NextScope(const TCollection_AsciiString&, double, double, double)
{
  return true;
}

bool Pelk_DummyProgressNotifier::EndScope()
{
  return true;
}

void Pelk_DummyProgressNotifier::Increment() {}

double Pelk_DummyProgressNotifier::GetPosition() const
{
  return 0.0;
}

double Pelk_DummyProgressNotifier::GetValue() const
{
  return 0.0;
}

void Pelk_DummyProgressNotifier::Cancel()
{
  myBreak.store(true);
}

bool Pelk_DummyProgressNotifier::UserBreak()
{
  return myBreak.load();
}

void Pelk_DummyProgressNotifier::loadResource(const TCollection_AsciiString&) {}
