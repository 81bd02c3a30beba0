#include <Pelk_API.hxx>

#include <Algo_Refinement.hxx>
#include <Algo_Tessellation.hxx>
#include <Algo_Voxelization.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_Configuration.hxx>
#include <STL_IO.hxx>
#include <SVO_Tree.hxx>
#include <Trivex_TriangleSet.hxx>

#include <algorithm>

Pelk_API::Pelk_API(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : myNotifier(theNotifier)
{
}

Pelk_API::~Pelk_API() = default;

bool Pelk_API::ImportSTL(const TCollection_AsciiString& theFileName)
{
  myNotifier->NewMessage(Pelk_Info, "Pelk_API.ImportSTLProgress").Arg("STARTED");
  const bool isRead = STL_IO::Read(theFileName, myDirtyMesh, myNotifier);
  myNotifier->NewMessage(Pelk_Info, "Pelk_API.ImportSTLProgress").Arg("FINISHED");
  return isRead;
}

void Pelk_API::SetDirtyMesh(const Handle(Poly_Triangulation)& theMesh)
{
  myDirtyMesh = theMesh;
}

void Pelk_API::SetBoundingBox(const Bnd_Box& theBox)
{
  myBox = theBox;
}

const Handle(HalfEdge_Mesh)& Pelk_API::GetResultMesh() const
{
  return myResultMesh;
}

Handle(Poly_Triangulation) Pelk_API::GetResultTriangulation() const
{
  if (myResultMesh.IsNull())
  {
    return Handle(Poly_Triangulation)();
  }
  return *myResultMesh;
}

bool Pelk_API::ExportSTL(const TCollection_AsciiString& theFileName, bool theIsBinary)
{
  if (myResultMesh.IsNull())
  {
    myNotifier->NewMessage(Pelk_Error, "Pelk_API.ExportEmptyMesh");
    return false;
  }
  myNotifier->NewMessage(Pelk_Info, "Pelk_API.ExportSTLProgress").Arg("STARTED");
  const bool isWritten = STL_IO::Write(theFileName, GetResultTriangulation(), myNotifier, theIsBinary);
  myNotifier->NewMessage(Pelk_Info, "Pelk_API.ExportSTLProgress").Arg("FINISHED");
  return isWritten;
}

bool Pelk_API::PerformWrapping(double theCellSize)
{
  const Handle(Pelk_WrappingSettings) aSettings = Pelk_Configuration::Instance().CreateSettings(myNotifier);
  if (aSettings.IsNull())
  {
    return false;
  }
  aSettings->SetCellSize(theCellSize);
  return PerformWrapping(aSettings);
}

bool Pelk_API::PerformWrapping(const Handle(Pelk_WrappingSettings)& theSettings)
{
  myNotifier->NewMessage(Pelk_Info, "Pelk_API.VoxelizerProgress").Arg("STARTED");
  myNotifier->NewScope("Pelk_API::Perform", 0.0, 1.0, 1.0);
  // An empty mesh has no bounding cube; the voxelization reports the missing mesh.
  if (myBox.IsVoid())
  {
    myBox = Algo_Voxelization::BoundingCube(myDirtyMesh);
  }
  const bool isDone = runStages(theSettings);
  myNotifier->EndScope();
  return isDone;
}

bool Pelk_API::runStages(const Handle(Pelk_WrappingSettings)& theSettings)
{
  Handle(Algo_Voxelization) aVoxelization;
  if (theSettings.IsNull())
  {
    myNotifier->NewMessage(Pelk_Error, "Pelk_API.NoVoxelizationAlgo");
  }
  else
  {
    aVoxelization = theSettings->VoxelizationAlgorithm(myDirtyMesh);
  }
  if (aVoxelization.IsNull())
  {
    myNotifier->NewMessage(Pelk_Error, "Algo.NoAlgorithm");
    return false;
  }
  aVoxelization->SetCellSize(theSettings->CellSize());
  aVoxelization->SetBox(myBox);
  const bool isVoxelized = aVoxelization->Perform();
  myNotifier->NewMessage(Pelk_Info, "Pelk_API.VoxelizerProgress").Arg("FINISHED");
  if (!isVoxelized || myNotifier->UserBreak())
  {
    return false;
  }

  myNotifier->NewMessage(Pelk_Info, "Pelk_API.TessellatorProgress").Arg("STARTED");
  const Handle(Algo_Tessellation) aTessellation = theSettings->TessellationAlgorithm();
  if (aTessellation.IsNull())
  {
    myNotifier->NewMessage(Pelk_Error, "Algo.NoAlgorithm");
    return false;
  }
  aTessellation->SetTree(aVoxelization->GetTree());
  aTessellation->SetTriangleSet(aVoxelization->GetTriangleSet());
  aTessellation->SetCellSize(theSettings->CellSize());
  aTessellation->SetInnerMode(theSettings->InnerMode());
  aVoxelization.Nullify();
  const bool isTessellated = aTessellation->Perform();
  myResultMesh             = aTessellation->Result();
  if (myNotifier->UserBreak())
  {
    return false;
  }
  myNotifier->NewMessage(Pelk_Info, "Pelk_API.TessellatorProgress").Arg("FINISHED");
  theSettings->ResetRefinements();
  if (!isTessellated)
  {
    return false;
  }
  const bool isRefined = runRefinements(theSettings);
  return isRefined && !myNotifier->UserBreak();
}

bool Pelk_API::runRefinements(const Handle(Pelk_WrappingSettings)& theSettings)
{
  for (Handle(Algo_Refinement) aStep = theSettings->NextRefinement(); !aStep.IsNull();
       aStep                         = theSettings->NextRefinement())
  {
    const TCollection_AsciiString aName = aStep->Name().c_str();
    myNotifier->NewMessage(Pelk_Info, "Pelk_API.Refinement").Arg((aName + " STARTED").ToCString());
    aStep->SetMesh(myResultMesh);
    const bool isDone = aStep->Perform();
    if (isDone)
    {
      myResultMesh = aStep->Result();
    }
    else
    {
      myNotifier->NewMessage(Pelk_Info, "Pelk_API.Refinement").Arg("FAILED");
    }
    myNotifier->NewMessage(Pelk_Info, "Pelk_API.Refinement").Arg((aName + " FINISHED").ToCString());
    if (!isDone)
    {
      return false;
    }
  }
  return true;
}
