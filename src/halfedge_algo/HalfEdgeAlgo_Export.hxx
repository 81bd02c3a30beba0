#ifndef HalfEdgeAlgo_Export_HeaderFile
#define HalfEdgeAlgo_Export_HeaderFile

#include <HalfEdgeAlgo_Algorithm.hxx>

#include <string>

//! Writes the mesh to a file through the mesh kernel's writers, which choose
//! the format from the file's extension (PLY for ".ply"). Text output has 6
//! digits of precision; PLY stores coordinates as floats either way.
class Pellisk_EXPORT HalfEdgeAlgo_Export : public HalfEdgeAlgo_Algorithm
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_Export, HalfEdgeAlgo_Algorithm)
public:
  //! Writes to theFileName, in binary when theBinary, otherwise as text.
  HalfEdgeAlgo_Export(const std::string& theFileName, bool theBinary);

  //! "HalfEdgeAlgo_Export".
  std::string Name() const override;

  //! Writes theMesh; true when the file was written.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! The target file name.
  const std::string& FileName() const { return myFileName; }
  //! Sets the target file name.
  void SetFileName(const std::string& theFileName) { myFileName = theFileName; }
  //! True when the file is written in binary.
  bool Binary() const { return myBinary; }
  //! Chooses binary (true) or text output.
  void SetBinary(bool theBinary) { myBinary = theBinary; }

private:
  std::string myFileName;
  bool        myBinary;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_Export, HalfEdgeAlgo_Algorithm)

#endif
