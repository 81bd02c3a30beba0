#include <Pelk_LibraryFolder.hxx>

#include <OSD_Path.hxx>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <iostream>

TCollection_AsciiString Pelk_LibraryFolder::Get()
{
  return OfAddress(reinterpret_cast<const void*>(&Pelk_LibraryFolder::Get));
}

TCollection_AsciiString Pelk_LibraryFolder::OfAddress(const void* theAddress)
{
  Dl_info anInfo{};
  errno = 0;
  if (dladdr(theAddress, &anInfo) == 0 || anInfo.dli_fname == nullptr)
  {
    std::cerr << "Unable to find Pellisk Module" << std::endl;
    std::cerr << "Error status " << errno << std::endl;
    return TCollection_AsciiString();
  }
  // The loader may report a relative name or one with "bin/../lib": resolve it,
  // since an absolute folder is needed to resolve the resources against.
  char aReal[PATH_MAX];
  if (realpath(anInfo.dli_fname, aReal) == nullptr)
  {
    std::cerr << "Unable to find Pellisk Module" << std::endl;
    std::cerr << "Error status " << errno << std::endl;
    return TCollection_AsciiString();
  }
  OSD_Path aPath(aReal);
  aPath.SetName("");
  aPath.SetExtension("");
  TCollection_AsciiString aFolder;
  aPath.SystemName(aFolder);
  if (!aFolder.IsEmpty() && aFolder.Value(aFolder.Length()) != '/')
  {
    aFolder += "/";
  }
  return aFolder;
}

TCollection_AsciiString Pelk_LibraryFolder::Resolve(const TCollection_AsciiString& theRelativePath)
{
  const TCollection_AsciiString aFolder = Get();
  if (aFolder.IsEmpty())
  {
    return TCollection_AsciiString();
  }
  return OSD_Path::AbsolutePath(aFolder, theRelativePath);
}
