#ifndef Algo_Interface_HeaderFile
#define Algo_Interface_HeaderFile

#include <Fundra_OMPParallel.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <Pellisk_Export.hxx>

#include <string>

//! The interface every algorithm of the library shares: a class name, a
//! Perform() that runs it on the inputs set beforehand, a progress notifier
//! through which it reports, and the number of OpenMP threads it may use.
class Pellisk_EXPORT Algo_Interface : public Fundra::OMPParallel
{
public:
  virtual ~Algo_Interface();

  //! The algorithm's class name.
  virtual std::string Name() const = 0;

  //! Runs the algorithm on its inputs; true on success. Failures are reported
  //! as messages through the notifier, not as exceptions.
  virtual bool Perform() = 0;

  //! The notifier that receives the algorithm's progress and messages.
  const Handle(Pelk_ProgressNotifier)& Notifier() const { return myNotifier; }

  //! Sets the notifier that receives the algorithm's progress and messages.
  void SetNotifier(const Handle(Pelk_ProgressNotifier)& theNotifier) { myNotifier = theNotifier; }

protected:
  explicit Algo_Interface(const Handle(Pelk_ProgressNotifier)& theNotifier);

protected:
  Handle(Pelk_ProgressNotifier) myNotifier;
};

#endif
