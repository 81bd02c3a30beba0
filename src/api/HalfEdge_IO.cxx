// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>
#pragma push_macro("Handle")
#undef Handle
#include <OpenMesh/Core/IO/MeshIO.hh>
#include <OpenMesh/Core/System/omstream.hh>
#pragma pop_macro("Handle")

#include <HalfEdge_IO.hxx>
#include <HalfEdge_PlyCheck.hxx>
#include <HalfEdgeAlgo_Export.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <STL_IO.hxx>

#include <cctype>

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
    if (HalfEdge_PlyCheck::IsReadable(theFileName))
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
