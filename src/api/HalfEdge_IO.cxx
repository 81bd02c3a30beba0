// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>
#pragma push_macro("Handle")
#undef Handle
#include <OpenMesh/Core/IO/MeshIO.hh>
#include <OpenMesh/Core/System/omstream.hh>
#pragma pop_macro("Handle")

#include <HalfEdge_IO.hxx>
#include <HalfEdgeAlgo_Export.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <STL_IO.hxx>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

namespace
{
// From the last "." on, in lower case; empty without ".".
std::string extension(const std::string& theFileName)
{
  const size_t aDot = theFileName.rfind('.');
  if (aDot == std::string::npos)
  {
    return std::string();
  }
  std::string anExtension = theFileName.substr(aDot);
  for (char& aChar : anExtension)
  {
    aChar = static_cast<char>(std::tolower(static_cast<unsigned char>(aChar)));
  }
  return anExtension;
}

// The blank-separated words of a line.
std::vector<std::string> words(const std::string& theLine)
{
  std::istringstream       aStream(theLine);
  std::vector<std::string> aWords;
  for (std::string aWord; aStream >> aWord;)
  {
    aWords.push_back(aWord);
  }
  return aWords;
}

bool isPlyType(const std::string& theWord)
{
  static const std::set<std::string> THE_TYPES = {"char",  "uchar",  "short",   "ushort", "int",   "uint",
                                                  "float", "double", "int8",    "uint8",  "int16", "uint16",
                                                  "int32", "uint32", "float32", "float64"};
  return THE_TYPES.count(theWord) > 0;
}

bool isNumber(const std::string& theWord, bool theIsCount)
{
  const char* aStart = theWord.c_str();
  char*       anEnd  = nullptr;
  std::strtod(aStart, &anEnd);
  return anEnd != aStart && *anEnd == '\0' &&
         (!theIsCount || theWord.find_first_not_of("0123456789") == std::string::npos);
}

// True when one header line (not the first) is well formed: its keyword with
// the right number of words, known formats and types, numbers where due.
bool isPlyHeaderLine(const std::vector<std::string>& theWords)
{
  const size_t      aSize = theWords.size();
  const std::string aKey  = aSize > 0 ? theWords.front() : std::string();
  if (aKey == "format")
  {
    return aSize == 3 &&
           (theWords[1] == "ascii" || theWords[1] == "binary_little_endian" ||
            theWords[1] == "binary_big_endian") &&
           isNumber(theWords[2], false);
  }
  if (aKey == "element")
  {
    return aSize == 3 && isNumber(theWords[2], true);
  }
  if (aKey == "property")
  {
    return aSize > 1 && theWords[1] == "list" ? aSize == 5 && isPlyType(theWords[2]) && isPlyType(theWords[3])
                                              : aSize == 3 && isPlyType(theWords[1]);
  }
  return aKey == "comment" || aKey == "obj_info";
}

// True when the file opens with a well-formed PLY header: "ply", the format,
// header lines with properties only after an element, "end_header". The mesh
// library's reader takes the header word by word: it never returns from one
// that ends early or holds a word it cannot parse, and writes through a
// missing element for a property before any.
bool isPlyHeader(const std::string& theFileName)
{
  std::ifstream aFile(theFileName, std::ios::binary);
  std::string   aLine;
  if (!std::getline(aFile, aLine) || words(aLine) != std::vector<std::string>{"ply"} ||
      !std::getline(aFile, aLine) || words(aLine).empty() || words(aLine).front() != "format" ||
      !isPlyHeaderLine(words(aLine)))
  {
    return false;
  }
  bool hasElement = false;
  while (std::getline(aFile, aLine))
  {
    const std::vector<std::string> aWords = words(aLine);
    if (aWords == std::vector<std::string>{"end_header"})
    {
      return true;
    }
    if (!isPlyHeaderLine(aWords) || aWords.front() == "format" ||
        (aWords.front() == "property" && !hasElement))
    {
      return false;
    }
    hasElement = hasElement || aWords.front() == "element";
  }
  return false;
}
} // namespace

Handle(HalfEdge_Mesh) HalfEdge_IO::Import(const std::string& theFileName)
{
  const std::string anExtension = extension(theFileName);
  if (anExtension == ".stl")
  {
    return ImportSTL(theFileName);
  }
  if (anExtension == ".ply")
  {
    return ImportPLY(theFileName);
  }
  return Handle(HalfEdge_Mesh)();
}

Handle(HalfEdge_Mesh) HalfEdge_IO::ImportSTL(const std::string& theFileName)
{
  Handle(Poly_Triangulation) aTriangulation;
  STL_IO::Read(theFileName.c_str(), aTriangulation, Pelk_DummyProgressNotifier::Instance());
  return new HalfEdge_Mesh(aTriangulation);
}

Handle(HalfEdge_Mesh) HalfEdge_IO::ImportPLY(const std::string& theFileName)
{
  // The reader reports a missing or broken file on the kernel's error stream;
  // the result (an empty mesh) says it all.
  omerr().disable();
  Mesh                          aMesh;
  OpenMesh::IO::ImporterT<Mesh> anImporter(aMesh);
  OpenMesh::IO::Options         anOptions;
  try
  {
    if (isPlyHeader(theFileName))
    {
      OpenMesh::IO::IOManager().read(theFileName, anImporter, anOptions);
    }
  }
  catch (...)
  {
    aMesh.clean();
  }
  return HalfEdge_Mesh::FromMesh(aMesh);
}

bool HalfEdge_IO::Export(const Handle(HalfEdge_Mesh)& theMesh, const std::string& theFileName, bool theBinary)
{
  const std::string anExtension = extension(theFileName);
  if (anExtension == ".stl")
  {
    return ExportSTL(theMesh, theFileName, theBinary);
  }
  if (anExtension == ".ply")
  {
    return ExportPLY(theMesh, theFileName, theBinary);
  }
  return false;
}

bool HalfEdge_IO::ExportSTL(const Handle(HalfEdge_Mesh)& theMesh,
                            const std::string&           theFileName,
                            bool                         theBinary)
{
  if (theMesh.IsNull())
  {
    return false;
  }
  // The conversion garbage-collects: it works on a copy.
  const Handle(HalfEdge_Mesh)      aCopy          = new HalfEdge_Mesh(theMesh);
  const Handle(Poly_Triangulation) aTriangulation = *aCopy;
  return STL_IO::Write(theFileName.c_str(), aTriangulation, Pelk_DummyProgressNotifier::Instance(),
                       theBinary);
}

bool HalfEdge_IO::ExportPLY(const Handle(HalfEdge_Mesh)& theMesh,
                            const std::string&           theFileName,
                            bool                         theBinary)
{
  if (theMesh.IsNull())
  {
    return false;
  }
  // The kernel's writers would also write elements marked deleted.
  theMesh->GarbageCollection();
  return theMesh->Execute(new HalfEdgeAlgo_Export(theFileName, theBinary), true);
}
