#include <PelliskTool_Wrap.hxx>

#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <PelliskTool_Json.hxx>
#include <PelliskTool_MeshFile.hxx>
#include <PelliskTool_ProgressBar.hxx>
#include <PelliskTool_WrapOptions.hxx>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <vector>

namespace
{
// True when the library refused the input or the cell size before wrapping,
// as opposed to a wrap that ran and failed.
bool isRefused(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  static const char* THE_REFUSALS[] = {
      "Pelk_API.NoFiniteTriangle", "Pelk_API.DegenerateInput",    "Pelk_API.CoordinatesTooLarge",
      "Pelk_API.CellTooSmall",     "Pelk_API.MemoryLimit",        "Algo_Voxelization.NegativeOrNullCellSize",
      "Algo_Voxelization.NoMesh",  "Algo_Voxelization.NonCubeBox"};
  for (NCollection_List<Pelk_Message>::Iterator anIt(theNotifier->Messages()); anIt.More(); anIt.Next())
  {
    for (const char* aKey : THE_REFUSALS)
    {
      if (anIt.Value().Key() == aKey)
      {
        return true;
      }
    }
  }
  return false;
}

// " at STAGE" for the stage that started last, which is the one that failed:
// the library reports a failed stage at the info level, below what is shown.
std::string failedStage(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  std::string aStage;
  for (NCollection_List<Pelk_Message>::Iterator anIt(theNotifier->Messages()); anIt.More(); anIt.Next())
  {
    const std::string aText  = anIt.Value().Text().ToCString();
    const size_t      aStart = aText.rfind(" STARTED");
    if (aStart != std::string::npos && aStart + 8 == aText.size())
    {
      aStage = aText.substr(0, aStart);
    }
  }
  return aStage.empty() ? "" : " at: " + aStage;
}

// The nodes of finite coordinates: a relative cell is a share of their cube,
// not of one made infinite by a node the library will leave out.
Handle(Poly_Triangulation) finiteNodes(const Handle(Poly_Triangulation)& theMesh)
{
  std::vector<gp_Pnt> aNodes;
  for (int aNode = 1; aNode <= theMesh->NbNodes(); ++aNode)
  {
    const gp_XYZ aXYZ = theMesh->Node(aNode).XYZ();
    if (std::isfinite(aXYZ.X()) && std::isfinite(aXYZ.Y()) && std::isfinite(aXYZ.Z()))
    {
      aNodes.emplace_back(aXYZ);
    }
  }
  if (aNodes.empty())
  {
    return theMesh;
  }
  Handle(Poly_Triangulation) aResult = new Poly_Triangulation();
  aResult->ResizeNodes(static_cast<int>(aNodes.size()), false);
  for (size_t aNode = 0; aNode < aNodes.size(); ++aNode)
  {
    aResult->SetNode(static_cast<int>(aNode) + 1, aNodes[aNode]);
  }
  return aResult;
}

int wrap(const PelliskTool_WrapOptions& theOptions, const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  std::string                      anError;
  const Handle(Poly_Triangulation) anInput = PelliskTool_MeshFile::Read(theOptions.Input, anError);
  if (anInput.IsNull())
  {
    std::cerr << "pellisk: cannot read " << theOptions.Input << ": " << anError << "\n";
    return PelliskTool_Wrap::BadUsage;
  }
  // Said before a wrap of minutes rather than after it.
  const std::filesystem::path aFolder = std::filesystem::path(theOptions.Output).parent_path();
  if (!aFolder.empty() && !std::filesystem::is_directory(aFolder))
  {
    std::cerr << "pellisk: cannot write " << theOptions.Output << ": " << aFolder.string()
              << " is not a folder\n";
    return PelliskTool_Wrap::BadUsage;
  }
  const Handle(Pelk_WrappingSettings) aSettings = theOptions.MakeSettings(theNotifier);
  aSettings->SetCellSize(theOptions.CellSize(finiteNodes(anInput)));

  Pelk_API anAPI(theNotifier);
  anAPI.SetDirtyMesh(anInput);
  bool isWrapped = false;
  {
    PelliskTool_ProgressBar aBar(theNotifier);
    isWrapped = anAPI.PerformWrapping(aSettings);
  }
  if (theNotifier->UserBreak())
  {
    return PelliskTool_Wrap::Cancelled;
  }
  if (!isWrapped)
  {
    // An empty wrap is a failed one: the library says why among its messages.
    if (isRefused(theNotifier))
    {
      return PelliskTool_Wrap::BadUsage;
    }
    std::cerr << "pellisk: the wrap failed" << failedStage(theNotifier) << "\n";
    return PelliskTool_Wrap::Failed;
  }
  if (!PelliskTool_MeshFile::Write(anAPI.GetResultMesh(), theOptions.Output, theOptions.IsAscii))
  {
    std::cerr << "pellisk: cannot write " << theOptions.Output << "\n";
    return PelliskTool_Wrap::Failed;
  }
  return PelliskTool_Wrap::Success;
}
} // namespace

const char* PelliskTool_Wrap::Usage()
{
  return "pellisk wrap INPUT OUTPUT [--cell SIZE | --cell-rel FRACTION] [--config FILE]\n"
         "             [--voxelization minsize|gsf] [--tessellation cartesian|shrink] [--inner]\n"
         "             [--refine STEP[=VALUE]]... [--threads N] [--ascii] [--verbose]\n"
         "  Wraps the mesh of INPUT (.stl or .ply) and writes the closed wrap to OUTPUT\n"
         "  (.stl, binary unless --ascii, or .ply). The cell size is SIZE in model units,\n"
         "  or FRACTION of the bounding cube's side (default 1/128). The algorithms and\n"
         "  refinement steps are those of FILE, or of the library's Pellisk.conf.\n"
         "  Each --refine appends a refinement step, after those of the configuration:\n"
         "  CollapseSmallEdge[=LENGTH], CollapseNarrowFace[=RATIO], SwapEdge[=LIMIT],\n"
         "  FixSelfIntersections[=DISTANCE], SplitEdge, or\n"
         "  Smoothing[=Normal|Tangential|Both[:ITERATIONS] or =ITERATIONS].\n";
}

int PelliskTool_Wrap::Run(const std::vector<std::string>& theArguments)
{
  PelliskTool_WrapOptions anOptions;
  try
  {
    anOptions = PelliskTool_WrapOptions::Parse(theArguments);
  }
  catch (const std::invalid_argument& theError)
  {
    std::cerr << "pellisk: " << theError.what() << "\n\nUsage:\n" << Usage();
    return BadUsage;
  }
  const Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier();
  int                                 aStatus   = BadUsage;
  try
  {
    aStatus = wrap(anOptions, aNotifier);
  }
  catch (const std::invalid_argument& theError)
  {
    std::cerr << "pellisk: " << theError.what() << "\n";
  }
  aNotifier->Dump(std::cerr, anOptions.IsVerbose ? Pelk_Info : Pelk_Warning, false);
  if (!anOptions.MessagesJson.empty())
  {
    // Read back by a batch run, which keeps the keys and severities the text dump loses.
    std::ofstream(anOptions.MessagesJson) << PelliskTool_Json::Messages(aNotifier) << "\n";
  }
  return aStatus;
}
