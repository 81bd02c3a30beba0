#ifndef Algo_Transient_HeaderFile
#define Algo_Transient_HeaderFile

#include <Algo_Interface.hxx>

#include <Standard_Transient.hxx>

//! A reference-counted algorithm: the pipeline stages are shared by handle
//! between the settings, the driver and the host, and are told apart at run
//! time by the kernel's type registry (DownCast to the stage base needed).
class Pellisk_EXPORT Algo_Transient : public Algo_Interface, public Standard_Transient
{
  DEFINE_STANDARD_RTTIEXT(Algo_Transient, Standard_Transient)
protected:
  explicit Algo_Transient(const Handle(Pelk_ProgressNotifier)& theNotifier);
};

DEFINE_STANDARD_HANDLE(Algo_Transient, Standard_Transient)

#endif
