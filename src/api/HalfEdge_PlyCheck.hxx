#ifndef HalfEdge_PlyCheck_HeaderFile
#define HalfEdge_PlyCheck_HeaderFile

#include <string>

//! Checks a PLY file before it goes to the mesh library's reader, which trusts
//! the file: on a header that ends early or holds a word it cannot parse it
//! never returns, on a property before any element it writes through a
//! missing element, and on a corrupt list length it keeps appending until
//! memory runs out. The whole file is walked as the header describes it
//! (text, binary little or big endian), so that only files the reader can
//! take reach it.
class HalfEdge_PlyCheck
{
public:
  //! True when the file is a complete, well-formed PLY file: "ply", its
  //! format, elements with known property types, then every item of every
  //! element, lists with non-negative integer lengths, and face lists naming
  //! vertices the file holds.
  static bool IsReadable(const std::string& theFileName);
};

#endif
