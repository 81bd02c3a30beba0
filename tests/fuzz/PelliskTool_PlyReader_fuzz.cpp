// Arbitrary bytes read as a PLY file, by the command's reader and by the mesh reader.
#include "FuzzTarget_File.hxx"

#include <HalfEdge_IO.hxx>
#include <PelliskTool_PlyReader.hxx>

extern "C" int PELLISK_FUZZ_ENTRY(const uint8_t* theData, size_t theSize)
{
  const std::string                aFile = FuzzTarget_File(theData, theSize, ".ply");
  std::string                      anError;
  const Handle(Poly_Triangulation) aSoup = PelliskTool_PlyReader::Read(aFile, anError);
  if (!FuzzTarget_IsInRange(aSoup))
  {
    std::abort(); // the soup names a node it does not hold
  }
  const Handle(HalfEdge_Mesh) aMesh = HalfEdge_IO::ImportPLY(aFile);
  if (aMesh.IsNull())
  {
    std::abort();
  }
  return 0;
}
