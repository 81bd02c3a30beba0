#ifndef Pelk_LibraryFolder_HeaderFile
#define Pelk_LibraryFolder_HeaderFile

#include <TCollection_AsciiString.hxx>

//! Finds the folder of the Pellisk library file, against which the resource
//! files ("../resource/...") are located.
class Pelk_LibraryFolder
{
public:
  //! Absolute folder of the loaded library file, with a trailing "/";
  //! empty when the operating system cannot tell.
  static TCollection_AsciiString Get();

  //! Absolute folder of the module (library or program) that contains the
  //! given address, with a trailing "/". When no module contains it, writes
  //! "Unable to find Pellisk Module" and the error status to std::cerr and
  //! returns an empty string.
  static TCollection_AsciiString OfAddress(const void* theAddress);

  //! Absolute form of a path relative to the library folder; empty when the
  //! folder is unknown.
  static TCollection_AsciiString Resolve(const TCollection_AsciiString& theRelativePath);
};

#endif
