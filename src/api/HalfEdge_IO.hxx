#ifndef HalfEdge_IO_HeaderFile
#define HalfEdge_IO_HeaderFile

#include <HalfEdge_Mesh.hxx>
#include <Pellisk_Export.hxx>

#include <string>

//! Reading and writing half-edge meshes as STL (binary or text) or PLY files,
//! the format chosen by the file name's extension: the part from its last "."
//! on, compared in lower case with ".stl" and ".ply" (so "A.STL" is STL and
//! "a.stl.bak" is neither). These functions post no messages: failure shows
//! only in the result.
namespace HalfEdge_IO
{
//! ImportSTL() or ImportPLY() by extension; a null handle for any other extension.
Pellisk_EXPORT Handle(HalfEdge_Mesh) Import(const std::string& theFileName);

//! A new mesh of the STL file's triangles (coincident nodes merged); an empty
//! mesh when the file is missing or cannot be read.
Pellisk_EXPORT Handle(HalfEdge_Mesh) ImportSTL(const std::string& theFileName);

//! A new mesh of the PLY file's nodes and faces, garbage-collected; an empty
//! mesh when the file is missing or cannot be read.
Pellisk_EXPORT Handle(HalfEdge_Mesh) ImportPLY(const std::string& theFileName);

//! ExportSTL() or ExportPLY() by extension; false for any other extension,
//! and nothing is written.
Pellisk_EXPORT bool
Export(const Handle(HalfEdge_Mesh)& theMesh, const std::string& theFileName, bool theBinary);

//! Writes a copy of theMesh (theMesh itself is not touched) with its polygon
//! faces split into triangles, binary when theBinary, otherwise as text. False
//! for a null mesh, a mesh without faces, or when the file cannot be written.
Pellisk_EXPORT bool
ExportSTL(const Handle(HalfEdge_Mesh)& theMesh, const std::string& theFileName, bool theBinary);

//! Writes theMesh as PLY, binary (little endian) when theBinary, otherwise as
//! text; coordinates are stored as floats. The mesh is garbage-collected
//! first. False for a null mesh or when the file cannot be written.
Pellisk_EXPORT bool
ExportPLY(const Handle(HalfEdge_Mesh)& theMesh, const std::string& theFileName, bool theBinary);
} // namespace HalfEdge_IO

#endif
