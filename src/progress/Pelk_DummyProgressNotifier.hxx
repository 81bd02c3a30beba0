#ifndef Pelk_DummyProgressNotifier_HeaderFile
#define Pelk_DummyProgressNotifier_HeaderFile

#include <Pelk_ProgressNotifier.hxx>

//! A notifier that ignores everything: it keeps no progress and records no
//! message. Used wherever no notifier was given; only its cancel flag works.
class Pellisk_EXPORT Pelk_DummyProgressNotifier : public Pelk_ProgressNotifier
{
  DEFINE_STANDARD_RTTIEXT(Pelk_DummyProgressNotifier, Pelk_ProgressNotifier)
public:
  //! The one shared dummy notifier, created on first call.
  static const Handle(Pelk_DummyProgressNotifier)& Instance();

  Pelk_DummyProgressNotifier();

  //! Writes nothing.
  void Dump(std::ostream& theStream, Pelk_MessageSeverity theMinimum, bool theOnlyNew) override;
  //! Does nothing.
  void Clear() override;
  //! Records nothing; returns one shared message (index 0, info, empty key).
  Pelk_Message& NewMessage(Pelk_MessageSeverity theSeverity, const TCollection_AsciiString& theKey) override;
  //! Returns true.
  bool
  NewScope(const TCollection_AsciiString& theName, double theMin, double theMax, double theStep) override;
  //! Returns true.
  bool
  NextScope(const TCollection_AsciiString& theName, double theMin, double theMax, double theStep) override;
  //! Returns true.
  bool EndScope() override;
  //! Does nothing.
  void Increment() override;
  //! Returns 0.
  double GetPosition() const override;
  //! Returns 0.
  double GetValue() const override;
  //! Sets this notifier's cancel flag; issues no message.
  void Cancel() override;
  //! True once Cancel() was called.
  bool UserBreak() override;

protected:
  //! Loads nothing.
  void loadResource(const TCollection_AsciiString& theFile) override;

private:
  std::atomic<bool> myBreak;
};

DEFINE_STANDARD_HANDLE(Pelk_DummyProgressNotifier, Pelk_ProgressNotifier)

#endif
