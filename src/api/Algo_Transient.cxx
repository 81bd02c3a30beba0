#include <Algo_Transient.hxx>

IMPLEMENT_STANDARD_RTTIEXT(Algo_Transient, Standard_Transient)

Algo_Transient::Algo_Transient(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Interface(theNotifier)
{
}
