#include <PelliskTool_MeshFile.hxx>

#include <HalfEdge_IO.hxx>
#include <Pelk_API.hxx>
#include <PelliskTool_PlyReader.hxx>

#include <Standard_Failure.hxx>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

std::string PelliskTool_MeshFile::extension(const std::string& theFileName)
{
  std::string anExtension = std::filesystem::path(theFileName).extension().string();
  std::transform(anExtension.begin(), anExtension.end(), anExtension.begin(),
                 [](unsigned char theChar) { return static_cast<char>(std::tolower(theChar)); });
  return anExtension;
}

bool PelliskTool_MeshFile::IsSupported(const std::string& theFileName)
{
  const std::string anExtension = extension(theFileName);
  return anExtension == ".stl" || anExtension == ".ply";
}

Handle(Poly_Triangulation) PelliskTool_MeshFile::Read(const std::string& theFileName, std::string& theError)
{
  if (!std::filesystem::is_regular_file(theFileName))
  {
    theError = "no such file";
    return Handle(Poly_Triangulation)();
  }
  if (extension(theFileName) == ".ply")
  {
    return PelliskTool_PlyReader::Read(theFileName, theError);
  }
  // Through the library, whose notifier takes what the kernel's reader would
  // print on the standard output about a damaged file.
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier();
  Pelk_API                            anAPI(aNotifier);
  try
  {
    if (anAPI.ImportSTL(theFileName.c_str()) && anAPI.DirtyMesh()->NbTriangles() > 0)
    {
      return anAPI.DirtyMesh();
    }
  }
  catch (const Standard_Failure& theFailure)
  {
    // Without its message catalogue the library cannot report; say what it raised.
    theError = theFailure.GetMessageString();
    return Handle(Poly_Triangulation)();
  }
  theError = "not a readable STL file, or no triangles in it";
  for (NCollection_List<Pelk_Message>::Iterator anIt(aNotifier->Messages()); anIt.More(); anIt.Next())
  {
    if (anIt.Value().Key() == "STL_IO.KernelMessage")
    {
      theError += std::string(" (") + anIt.Value().Text().ToCString() + ")";
    }
  }
  return Handle(Poly_Triangulation)();
}

bool PelliskTool_MeshFile::Write(const Handle(HalfEdge_Mesh)& theMesh,
                                 const std::string&           theFileName,
                                 bool                         theIsAscii)
{
  const std::filesystem::path aTarget(theFileName);
  // The temporary name keeps the extension, which selects the format.
  const std::filesystem::path aPartial =
      aTarget.parent_path() / (".pellisk-partial-" + aTarget.filename().string());
  // The library splits polygon faces into triangles for STL on a copy, so the mesh is left as it is.
  if (!HalfEdge_IO::Export(theMesh, aPartial.string(), !theIsAscii))
  {
    std::remove(aPartial.string().c_str());
    return false;
  }
  std::error_code anError;
  std::filesystem::rename(aPartial, aTarget, anError);
  if (anError)
  {
    std::remove(aPartial.string().c_str());
    return false;
  }
  return true;
}
