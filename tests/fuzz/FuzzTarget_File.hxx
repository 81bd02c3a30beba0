#ifndef FuzzTarget_File_HeaderFile
#define FuzzTarget_File_HeaderFile

#include <Poly_Triangulation.hxx>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

// The replay of reproducers in the test suite gives each target its own name.
#ifndef PELLISK_FUZZ_ENTRY
#define PELLISK_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

//! The readers under test take file names: each input goes through one
//! scratch file per process and extension, rewritten for every input.
inline std::string FuzzTarget_File(const uint8_t* theData, size_t theSize, const char* theExtension)
{
  const std::string aName = "/tmp/pellisk_fuzz_" + std::to_string(getpid()) + theExtension;
  std::ofstream(aName, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(theData), static_cast<std::streamsize>(theSize));
  return aName;
}

//! True when every triangle names nodes the triangulation holds (also for null).
inline bool FuzzTarget_IsInRange(const Handle(Poly_Triangulation)& theMesh)
{
  for (int aTri = 1; !theMesh.IsNull() && aTri <= theMesh->NbTriangles(); ++aTri)
  {
    int aNodes[3];
    theMesh->Triangle(aTri).Get(aNodes[0], aNodes[1], aNodes[2]);
    if (std::min({aNodes[0], aNodes[1], aNodes[2]}) < 1 ||
        std::max({aNodes[0], aNodes[1], aNodes[2]}) > theMesh->NbNodes())
    {
      return false;
    }
  }
  return true;
}

#endif
