// The "pellisk" command: wraps dirty meshes, describes mesh files and checks wraps.
#include <PelliskTool_Batch.hxx>
#include <PelliskTool_Check.hxx>
#include <PelliskTool_Info.hxx>
#include <PelliskTool_MeshFile.hxx>
#include <PelliskTool_Wrap.hxx>

#include <Standard_Failure.hxx>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace
{
const char* THE_INFO_USAGE =
    "pellisk info MESH\n"
    "  Describes the mesh of a .stl or .ply file: nodes, faces, bounding box,\n"
    "  connected components, boundary and non-manifold edges, closed and oriented.\n";

int usage(int theStatus)
{
  std::cerr << "Usage:\n"
            << PelliskTool_Wrap::Usage() << THE_INFO_USAGE << PelliskTool_Check::Usage()
            << PelliskTool_Batch::Usage();
  return theStatus;
}

int info(const std::vector<std::string>& theArguments)
{
  if (theArguments.size() != 1)
  {
    return usage(PelliskTool_Wrap::BadUsage);
  }
  std::string                      anError;
  const Handle(Poly_Triangulation) aMesh = PelliskTool_MeshFile::Read(theArguments[0], anError);
  if (aMesh.IsNull())
  {
    std::cerr << "pellisk: cannot read " << theArguments[0] << ": " << anError << "\n";
    return PelliskTool_Wrap::BadUsage;
  }
  PelliskTool_Info::Compute(aMesh).Print(std::cout);
  return PelliskTool_Wrap::Success;
}
} // namespace

int main(int theArgc, char** theArgv)
{
  const std::vector<std::string> anArgs(theArgv + std::min(theArgc, 2), theArgv + theArgc);
  const std::string              aCommand = theArgc > 1 ? theArgv[1] : "";
  const bool                     isHelp =
      std::any_of(anArgs.begin(), anArgs.end(),
                  [](const std::string& theArg) { return theArg == "--help" || theArg == "-h"; });
  try
  {
    if (isHelp || aCommand == "--help" || aCommand == "-h" || aCommand == "help")
    {
      return usage(PelliskTool_Wrap::Success);
    }
    if (aCommand == "wrap")
    {
      return PelliskTool_Wrap::Run(anArgs);
    }
    if (aCommand == "check")
    {
      return PelliskTool_Check::Run(anArgs);
    }
    if (aCommand == "batch")
    {
      return PelliskTool_Batch::Run(anArgs);
    }
    if (aCommand == "info")
    {
      return info(anArgs);
    }
  }
  catch (const Standard_Failure& theFailure)
  {
    std::cerr << "pellisk: internal failure: " << theFailure.GetMessageString() << "\n";
    return PelliskTool_Wrap::Failed;
  }
  return usage(PelliskTool_Wrap::BadUsage);
}
