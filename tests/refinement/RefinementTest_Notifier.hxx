#ifndef RefinementTest_Notifier_HeaderFile
#define RefinementTest_Notifier_HeaderFile

#include <Pelk_ProgressNotifier.hxx>

#include <string>

//! A host's notifier that writes down the scopes opened ("+name"), closed
//! ("-") and the increments ("i") as they come.
class RefinementTest_Notifier : public Pelk_ProgressNotifier
{
public:
  RefinementTest_Notifier()
      : Pelk_ProgressNotifier("")
  {
  }
  bool NewScope(const TCollection_AsciiString& theName, double theMin, double theMax, double theStep) override
  {
    Events += std::string(" +") + theName.ToCString();
    return Pelk_ProgressNotifier::NewScope(theName, theMin, theMax, theStep);
  }
  bool EndScope() override
  {
    Events += " -";
    return Pelk_ProgressNotifier::EndScope();
  }
  void Increment() override
  {
    Events += " i";
    Pelk_ProgressNotifier::Increment();
  }
  std::string Events;
};

#endif
