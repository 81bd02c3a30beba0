#ifndef STL_IO_HeaderFile
#define STL_IO_HeaderFile

#include <Pelk_ProgressNotifier.hxx>

#include <Poly_Triangulation.hxx>
#include <TCollection_AsciiString.hxx>

//! STL files read and written through the kernel's STL reader and writer,
//! reporting to a notifier: its indicator sees the progress of the kernel and
//! can cancel it; failures are posted as error messages.
namespace STL_IO
{
//! Reads theFileName into theTriangulation (binary or text STL; coincident
//! nodes merged, facets with a repeated node dropped). A missing file posts
//! "STL_IO.FileDoesNotExist" and leaves theTriangulation as it was; a file
//! that cannot be read, holds no triangles or is damaged (cut short, fewer
//! facets than its header says), or a cancelled read, posts
//! "STL_IO.ReadingError" and leaves it null. True on success. A null
//! notifier stands for the dummy one.
//!
//! What the kernel's reader and writer say while they run is posted as
//! "STL_IO.KernelMessage" warnings instead of being printed.
bool Read(const TCollection_AsciiString&       theFileName,
          Handle(Poly_Triangulation)&          theTriangulation,
          const Handle(Pelk_ProgressNotifier)& theNotifier);

//! Writes theTriangulation to theFileName, binary when theBinary, otherwise
//! as text. A null or empty triangulation, a file that cannot be written or
//! a cancelled write posts "STL_IO.WritingError" and gives false. A null
//! notifier stands for the dummy one.
bool Write(const TCollection_AsciiString&       theFileName,
           const Handle(Poly_Triangulation)&    theTriangulation,
           const Handle(Pelk_ProgressNotifier)& theNotifier,
           bool                                 theBinary);
} // namespace STL_IO

#endif
