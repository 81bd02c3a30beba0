// Arbitrary bytes read as an STL file, by the facade and by the mesh reader.
#include "FuzzTarget_File.hxx"

#include <HalfEdge_IO.hxx>
#include <Pelk_API.hxx>

#include <Message.hxx>
#include <Message_Messenger.hxx>

extern "C" int PELLISK_FUZZ_ENTRY(const uint8_t* theData, size_t theSize)
{
  // The kernel's reader prints a line for each broken file it meets.
  static const bool isQuiet = (Message::DefaultMessenger()->ChangePrinters().Clear(), true);
  (void)isQuiet;
  const std::string aFile = FuzzTarget_File(theData, theSize, ".stl");
  Pelk_API          anApi;
  if (anApi.ImportSTL(aFile.c_str()) && anApi.DirtyMesh()->NbTriangles() == 0)
  {
    std::abort(); // a successful read holds triangles
  }
  const Handle(HalfEdge_Mesh) aMesh = HalfEdge_IO::ImportSTL(aFile);
  if (aMesh.IsNull() || aMesh->NbFaces() > aMesh->NbEdges())
  {
    std::abort();
  }
  return 0;
}
