#ifndef PelliskTool_MeshFile_HeaderFile
#define PelliskTool_MeshFile_HeaderFile

#include <HalfEdge_Mesh.hxx>
#include <Poly_Triangulation.hxx>

#include <string>

//! Mesh files of the command-line program, chosen by extension (".stl" or
//! ".ply", in any case).
class PelliskTool_MeshFile
{
public:
  //! True when the name ends with an extension the program reads and writes.
  static bool IsSupported(const std::string& theFileName);

  //! Reads a file as a triangle soup; null with a reason in theError.
  static Handle(Poly_Triangulation) Read(const std::string& theFileName, std::string& theError);

  //! Writes a mesh (STL binary unless theIsAscii, or PLY) through a temporary
  //! file renamed into place, so that no half-written file is ever left.
  //! Polygon faces are split into triangles for STL and kept in PLY.
  static bool Write(const Handle(HalfEdge_Mesh)& theMesh, const std::string& theFileName, bool theIsAscii);

private:
  static std::string extension(const std::string& theFileName);
};

#endif
