// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>
#pragma push_macro("Handle")
#undef Handle
#include <OpenMesh/Core/IO/MeshIO.hh>
#pragma pop_macro("Handle")

#include <HalfEdgeAlgo_Export.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_Export, HalfEdgeAlgo_Algorithm)

HalfEdgeAlgo_Export::HalfEdgeAlgo_Export(const std::string& theFileName, bool theBinary)
    : myFileName(theFileName),
      myBinary(theBinary)
{
}

std::string HalfEdgeAlgo_Export::Name() const
{
  return "HalfEdgeAlgo_Export";
}

bool HalfEdgeAlgo_Export::Perform(Mesh& theMesh)
{
  OpenMesh::IO::ExporterT<Mesh> anExporter(theMesh);
  const OpenMesh::IO::Options   anOptions(myBinary ? OpenMesh::IO::Options::Binary
                                                   : OpenMesh::IO::Options::Default);
  try
  {
    return OpenMesh::IO::IOManager().write(myFileName, anExporter, anOptions, 6);
  }
  catch (...)
  {
    return false;
  }
}
