// A host of the installed library: prints a message from the catalogue installed beside the library.
#include <Pelk_ProgressNotifier.hxx>

#include <iostream>

int main()
{
  Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier();
  aNotifier->Cancel();
  aNotifier->Dump(std::cout, Pelk_Info, false);
  return aNotifier->UserBreak() ? 0 : 1;
}
