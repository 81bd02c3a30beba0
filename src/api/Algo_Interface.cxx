#include <Algo_Interface.hxx>

Algo_Interface::Algo_Interface(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : myNotifier(theNotifier)
{
}

Algo_Interface::~Algo_Interface() = default;
