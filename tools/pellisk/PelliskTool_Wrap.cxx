#include <PelliskTool_Wrap.hxx>

#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <PelliskTool_MeshFile.hxx>
#include <PelliskTool_ProgressBar.hxx>
#include <PelliskTool_WrapOptions.hxx>

#include <iostream>
#include <stdexcept>

namespace
{
int wrap(const PelliskTool_WrapOptions& theOptions, const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  std::string                      anError;
  const Handle(Poly_Triangulation) anInput = PelliskTool_MeshFile::Read(theOptions.Input, anError);
  if (anInput.IsNull())
  {
    std::cerr << "pellisk: cannot read " << theOptions.Input << ": " << anError << "\n";
    return PelliskTool_Wrap::BadUsage;
  }
  const Handle(Pelk_WrappingSettings) aSettings = theOptions.MakeSettings(theNotifier);
  aSettings->SetCellSize(theOptions.CellSize(anInput));

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
  const Handle(HalfEdge_Mesh)& aWrap = anAPI.GetResultMesh();
  if (!aWrap.IsNull() && aWrap->FacesBegin() == aWrap->FacesEnd())
  {
    // Flat or degenerate input can leave nothing to wrap, which fails the
    // wrap; say why rather than leave only the stage's message.
    std::cerr << "pellisk: the wrap is empty: the input encloses nothing at this cell size\n";
    return PelliskTool_Wrap::Failed;
  }
  if (!isWrapped || aWrap.IsNull())
  {
    return PelliskTool_Wrap::Failed;
  }
  if (!PelliskTool_MeshFile::Write(aWrap, theOptions.Output, theOptions.IsAscii))
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
  return aStatus;
}
