#ifndef PelliskTool_PlyReader_HeaderFile
#define PelliskTool_PlyReader_HeaderFile

#include <Poly_Triangulation.hxx>

#include <string>

//! Reads a PLY file (text, binary little or big endian) as a triangle soup:
//! vertex positions and faces as given, polygons fanned into triangles.
//! Unlike a half-edge reader it keeps non-manifold and duplicate faces, which
//! dirty input is full of.
class PelliskTool_PlyReader
{
public:
  //! The triangles of the file; null with a reason in theError when the file
  //! cannot be read, is not PLY, or holds no triangle.
  static Handle(Poly_Triangulation) Read(const std::string& theFileName, std::string& theError);
};

#endif
