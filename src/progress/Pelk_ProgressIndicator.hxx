#ifndef Pelk_ProgressIndicator_HeaderFile
#define Pelk_ProgressIndicator_HeaderFile

#include <Pellisk_Export.hxx>

#include <Message_ProgressIndicator.hxx>
#include <NCollection_Sequence.hxx>
#include <TCollection_AsciiString.hxx>

#include <atomic>

//! Progress indicator of a notifier: a stack of nested scopes that map onto one
//! global position in 0..1, and a cancel flag. Each scope has its own scale
//! min..max with a step and covers the span [first, last] of the global range.
//!
//! It derives from the kernel's indicator so that kernel readers and writers
//! (STL files) can report to it and see a cancel request; they only call
//! UserBreak() and Show() and never move the position kept here.
class Pellisk_EXPORT Pelk_ProgressIndicator : public Message_ProgressIndicator
{
  DEFINE_STANDARD_RTTIEXT(Pelk_ProgressIndicator, Message_ProgressIndicator)
public:
  //! Creates an indicator with the root scope 0..1, step 1, at position 0.
  Pelk_ProgressIndicator();

  //! Opens a scope starting at the current value of the innermost scope and
  //! spanning theSpan of its units; the new scope has scale 0..100, step 1.
  //! Returns false when the position has already reached the end (1).
  //! Raises Standard_OutOfRange when no scope is open.
  bool NewScope(double theSpan, const TCollection_AsciiString& theName);

  //! Sets the scale and step of the innermost scope.
  void SetScale(double theMin, double theMax, double theStep);

  //! Step of the innermost scope.
  double Step() const;

  //! Advances the innermost scope by its step; the position never moves back.
  void Increment();

  //! Closes the innermost scope and moves the position to its end. Returns
  //! false when only the root scope was open (which stays, at position 1).
  bool EndScope();

  //! Value of the innermost scope on its own scale.
  double GetValue() const;

  //! Global position in 0..1. May be read from any thread.
  double GetPos() const { return myPos.load(std::memory_order_relaxed); }

  //! Number of open scopes, the root included.
  int NbScopes() const { return myScopes.Length(); }

  //! Name of the innermost scope.
  const TCollection_AsciiString& ScopeName() const;

  //! Back to the root scope 0..1, step 1, at position 0; the cancel flag stays.
  void ResetScopes();

  //! Requests cancellation; may be called from any thread.
  void SetBreak() { myBreak.store(true); }

  //! True once cancellation was requested.
  Standard_Boolean UserBreak() override { return myBreak.load(); }

protected:
  //! Nothing to draw: hosts read the position instead.
  void Show(const Message_ProgressScope& theScope, const Standard_Boolean isForce) override;

  //! Called by the kernel at the start of every kernel progress range (each
  //! STL read or write): the scopes of this indicator must survive it.
  void Reset() override {}

private:
  struct Scale
  {
    TCollection_AsciiString Name;
    double                  Min   = 0.0;
    double                  Max   = 100.0;
    double                  Step  = 1.0;
    double                  First = 0.0;
    double                  Last  = 1.0;
  };

  static double toGlobal(const Scale& theScale, double theValue);
  static double toLocal(const Scale& theScale, double thePos);

private:
  NCollection_Sequence<Scale> myScopes; //!< innermost scope first
  std::atomic<double>         myPos;
  std::atomic<bool>           myBreak;
};

DEFINE_STANDARD_HANDLE(Pelk_ProgressIndicator, Message_ProgressIndicator)

#endif
