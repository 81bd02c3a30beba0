#ifndef Pelk_MessageSeverity_HeaderFile
#define Pelk_MessageSeverity_HeaderFile

#include <cstdint>

//! Severity of a message issued through a progress notifier, in increasing order.
enum Pelk_MessageSeverity : std::int32_t
{
  Pelk_Info    = 0,
  Pelk_Warning = 1,
  Pelk_Error   = 2
};

#endif
