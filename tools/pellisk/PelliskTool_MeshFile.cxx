#include <PelliskTool_MeshFile.hxx>

#include <Algo_TriangulatePolygon3d.hxx>
#include <HalfEdge_IO.hxx>
#include <PelliskTool_PlyReader.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <algorithm>
#include <array>
#include <list>
#include <vector>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace
{
// The faces of a mesh as triangles: a voxel skin is made of planar polygons,
// which STL cannot hold. Null when a face cannot be split.
Handle(Poly_Triangulation) triangles(const Handle(HalfEdge_Mesh)& theMesh)
{
  std::vector<std::array<int, 3>> aTriangles;
  for (auto aFace = theMesh->FacesBegin(); aFace != theMesh->FacesEnd(); ++aFace)
  {
    const std::list<int>&  aCorners = *aFace;
    const std::vector<int> aNumbers(aCorners.begin(), aCorners.end());
    std::vector<gp_Pnt>    aPoints;
    for (const int aNode : aNumbers)
    {
      aPoints.push_back(theMesh->Node(aNode));
    }
    Algo_TriangulatePolygon3d aSplit;
    aSplit.SetPoints(aPoints);
    aSplit.Perform();
    if (!aSplit.IsDone())
    {
      return Handle(Poly_Triangulation)();
    }
    for (size_t aTriangle = 0; aTriangle < aSplit.NbTriangles(); ++aTriangle)
    {
      size_t a = 0, b = 0, c = 0;
      aSplit.GetTriangleNodes(aTriangle, a, b, c);
      aTriangles.push_back({aNumbers[a] + 1, aNumbers[b] + 1, aNumbers[c] + 1});
    }
  }
  if (aTriangles.empty())
  {
    return Handle(Poly_Triangulation)();
  }
  Handle(Poly_Triangulation) aResult =
      new Poly_Triangulation(theMesh->NbNodes(), static_cast<int>(aTriangles.size()), Standard_False);
  for (int aNode = 0; aNode < theMesh->NbNodes(); ++aNode)
  {
    aResult->SetNode(aNode + 1, theMesh->Node(aNode));
  }
  for (size_t i = 0; i < aTriangles.size(); ++i)
  {
    aResult->SetTriangle(static_cast<int>(i) + 1,
                         Poly_Triangle(aTriangles[i][0], aTriangles[i][1], aTriangles[i][2]));
  }
  return aResult;
}

bool writeSTL(const Handle(HalfEdge_Mesh)& theMesh, const std::string& theFileName, bool theIsAscii)
{
  const Handle(Poly_Triangulation) aTriangles = triangles(theMesh);
  if (aTriangles.IsNull())
  {
    return false;
  }
  const OSD_Path aPath(theFileName.c_str());
  return theIsAscii ? RWStl::WriteAscii(aTriangles, aPath) : RWStl::WriteBinary(aTriangles, aPath);
}
} // namespace

std::string PelliskTool_MeshFile::extension(const std::string& theFileName)
{
  std::string anExtension = std::filesystem::path(theFileName).extension().string();
  std::transform(anExtension.begin(), anExtension.end(), anExtension.begin(),
                 [](unsigned char theChar) { return static_cast<char>(std::tolower(theChar)); });
  return anExtension;
}

bool PelliskTool_MeshFile::IsSupported(const std::string& theFileName)
{
  const std::string anExtension = extension(theFileName);
  return anExtension == ".stl" || anExtension == ".ply";
}

Handle(Poly_Triangulation) PelliskTool_MeshFile::Read(const std::string& theFileName, std::string& theError)
{
  if (!std::filesystem::is_regular_file(theFileName))
  {
    theError = "no such file";
    return Handle(Poly_Triangulation)();
  }
  if (extension(theFileName) == ".ply")
  {
    return PelliskTool_PlyReader::Read(theFileName, theError);
  }
  Handle(Poly_Triangulation) aMesh;
  try
  {
    aMesh = RWStl::ReadFile(OSD_Path(theFileName.c_str()));
  }
  catch (...)
  {
    aMesh.Nullify();
  }
  if (aMesh.IsNull() || aMesh->NbTriangles() == 0)
  {
    theError = "not a readable STL file, or no triangles in it";
    return Handle(Poly_Triangulation)();
  }
  return aMesh;
}

bool PelliskTool_MeshFile::Write(const Handle(HalfEdge_Mesh)& theMesh,
                                 const std::string&           theFileName,
                                 bool                         theIsAscii)
{
  const std::filesystem::path aTarget(theFileName);
  // The temporary name keeps the extension, which selects the format.
  const std::filesystem::path aPartial =
      aTarget.parent_path() / (".pellisk-partial-" + aTarget.filename().string());
  const bool isWritten = extension(theFileName) == ".stl"
                             ? writeSTL(theMesh, aPartial.string(), theIsAscii)
                             : HalfEdge_IO::ExportPLY(theMesh, aPartial.string(), !theIsAscii);
  if (!isWritten)
  {
    std::remove(aPartial.string().c_str());
    return false;
  }
  std::error_code anError;
  std::filesystem::rename(aPartial, aTarget, anError);
  if (anError)
  {
    std::remove(aPartial.string().c_str());
    return false;
  }
  return true;
}
