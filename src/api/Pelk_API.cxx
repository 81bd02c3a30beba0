#include <Pelk_API.hxx>

#include <Algo_FixSelfIntersections.hxx>
#include <Algo_Refinement.hxx>
#include <Algo_Tessellation.hxx>
#include <Algo_Voxelization.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_Configuration.hxx>
#include <Pelk_MemoryEstimate.hxx>
#include <Pelk_SinglePrecision.hxx>
#include <STL_IO.hxx>
#include <SVO_Tree.hxx>
#include <Trivex_TriangleSet.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
bool isFinite(const gp_Pnt& thePoint)
{
  return std::isfinite(thePoint.X()) && std::isfinite(thePoint.Y()) && std::isfinite(thePoint.Z());
}

// True when the triangle names three existing nodes, all of finite coordinates.
bool hasFiniteNodes(const Poly_Triangulation& theMesh, const Poly_Triangle& theTriangle)
{
  int aNodes[3];
  theTriangle.Get(aNodes[0], aNodes[1], aNodes[2]);
  return std::all_of(aNodes, aNodes + 3,
                     [&](int theNode) {
                       return theNode >= 1 && theNode <= theMesh.NbNodes() && isFinite(theMesh.Node(theNode));
                     });
}

// The spatial index gives a triangle whose corners span no area a made-up
// normal; such triangles are what the wrap cannot use.
bool hasArea(const Poly_Triangulation& theMesh, const Poly_Triangle& theTriangle)
{
  int aNodes[3];
  theTriangle.Get(aNodes[0], aNodes[1], aNodes[2]);
  const gp_XYZ aP1 = theMesh.Node(aNodes[0]).XYZ();
  return (theMesh.Node(aNodes[1]).XYZ() - aP1).Crossed(theMesh.Node(aNodes[2]).XYZ() - aP1).Modulus() >
         1e-300;
}

// What the input holds for the wrap: per triangle, whether it is kept.
struct InputSurvey
{
  std::vector<char> IsKept;
  int               NbUnusable = 0; //!< triangles with a missing or non-finite node
  int               NbRepeats  = 0; //!< triangles repeating an earlier one, same nodes and orientation
  int               NbWithArea = 0; //!< kept triangles of non-zero area
};

// The nodes of a triangle rotated to start at the smallest: repeats of a
// facet in the same orientation share it.
std::array<int, 3> rotatedNodes(const Poly_Triangle& theTriangle)
{
  std::array<int, 3> aNodes;
  theTriangle.Get(aNodes[0], aNodes[1], aNodes[2]);
  std::rotate(aNodes.begin(), std::min_element(aNodes.begin(), aNodes.end()), aNodes.end());
  return aNodes;
}

InputSurvey survey(const Poly_Triangulation& theMesh)
{
  InputSurvey aSurvey;
  aSurvey.IsKept.assign(static_cast<size_t>(theMesh.NbTriangles()), 1);
  std::vector<std::pair<std::array<int, 3>, int>> aKeys;
  for (int aTriangle = 1; aTriangle <= theMesh.NbTriangles(); ++aTriangle)
  {
    if (!hasFiniteNodes(theMesh, theMesh.Triangle(aTriangle)))
    {
      aSurvey.IsKept[static_cast<size_t>(aTriangle - 1)] = 0;
      ++aSurvey.NbUnusable;
      continue;
    }
    aKeys.emplace_back(rotatedNodes(theMesh.Triangle(aTriangle)), aTriangle);
  }
  // A facet stored many times makes every query near it visit every copy.
  std::sort(aKeys.begin(), aKeys.end());
  for (size_t anIndex = 0; anIndex < aKeys.size(); ++anIndex)
  {
    const bool isRepeat = anIndex > 0 && aKeys[anIndex].first == aKeys[anIndex - 1].first;
    aSurvey.IsKept[static_cast<size_t>(aKeys[anIndex].second - 1)] = isRepeat ? 0 : 1;
    aSurvey.NbRepeats += isRepeat ? 1 : 0;
    aSurvey.NbWithArea += !isRepeat && hasArea(theMesh, theMesh.Triangle(aKeys[anIndex].second)) ? 1 : 0;
  }
  return aSurvey;
}

// The kept triangles, over the nodes they use, in their order.
Handle(Poly_Triangulation) keptTriangles(const Poly_Triangulation& theMesh,
                                         const std::vector<char>&  theIsKept)
{
  std::vector<int>           aNewNumber(static_cast<size_t>(theMesh.NbNodes()) + 1, 0);
  std::vector<gp_Pnt>        aNodes;
  std::vector<Poly_Triangle> aTriangles;
  for (int aTriangle = 1; aTriangle <= theMesh.NbTriangles(); ++aTriangle)
  {
    if (theIsKept[static_cast<size_t>(aTriangle - 1)] == 0)
    {
      continue;
    }
    int aCorners[3];
    theMesh.Triangle(aTriangle).Get(aCorners[0], aCorners[1], aCorners[2]);
    for (int& aCorner : aCorners)
    {
      int& aNumber = aNewNumber[static_cast<size_t>(aCorner)];
      if (aNumber == 0)
      {
        aNodes.push_back(theMesh.Node(aCorner));
        aNumber = static_cast<int>(aNodes.size());
      }
      aCorner = aNumber;
    }
    aTriangles.emplace_back(aCorners[0], aCorners[1], aCorners[2]);
  }
  Handle(Poly_Triangulation) aResult =
      new Poly_Triangulation(static_cast<int>(aNodes.size()), static_cast<int>(aTriangles.size()), false);
  for (size_t aNode = 0; aNode < aNodes.size(); ++aNode)
  {
    aResult->SetNode(static_cast<int>(aNode) + 1, aNodes[aNode]);
  }
  for (size_t aTriangle = 0; aTriangle < aTriangles.size(); ++aTriangle)
  {
    aResult->SetTriangle(static_cast<int>(aTriangle) + 1, aTriangles[aTriangle]);
  }
  return aResult;
}

// A number for a message: four significant digits, or the plain integer.
std::string text(double theValue)
{
  char aBuffer[64];
  std::snprintf(aBuffer, sizeof(aBuffer),
                std::abs(theValue) < 1e15 && theValue == std::floor(theValue) ? "%.0f" : "%.4g", theValue);
  return aBuffer;
}

// Rounded up to the four digits a message shows, so that the value read there still fits.
double roundedUp(double theValue)
{
  const double aUnit = std::pow(10.0, std::floor(std::log10(theValue)) - 3.0);
  return std::ceil(theValue / aUnit) * aUnit;
}

std::string megabytes(double theBytes)
{
  return text(std::ceil(theBytes / (1024.0 * 1024.0)));
}

double cubeSide(const Bnd_Box& theBox)
{
  const gp_XYZ anExtent = theBox.CornerMax().XYZ() - theBox.CornerMin().XYZ();
  return std::max({anExtent.X(), anExtent.Y(), anExtent.Z()});
}

double largestCoordinate(const Bnd_Box& theBox)
{
  const gp_XYZ aMin     = theBox.CornerMin().XYZ();
  const gp_XYZ aMax     = theBox.CornerMax().XYZ();
  double       aLargest = 0.0;
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    aLargest = std::max({aLargest, std::abs(aMin.Coord(anAxis)), std::abs(aMax.Coord(anAxis))});
  }
  return aLargest;
}
} // namespace

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
  const bool isDone = runStages(theSettings);
  myNotifier->EndScope();
  return isDone;
}

bool Pelk_API::usableInput(Handle(Poly_Triangulation)& theInput)
{
  theInput = myDirtyMesh;
  if (!theInput.IsNull() && theInput->NbTriangles() > 0)
  {
    const InputSurvey aSurvey = survey(*theInput);
    const std::string aTotal  = text(theInput->NbTriangles());
    if (aSurvey.NbUnusable == theInput->NbTriangles())
    {
      myNotifier->NewMessage(Pelk_Error, "Pelk_API.NoFiniteTriangle");
      return false;
    }
    if (aSurvey.NbUnusable > 0)
    {
      myNotifier->NewMessage(Pelk_Warning, "Pelk_API.NonFiniteTriangles")
          .Arg(text(aSurvey.NbUnusable).c_str())
          .Arg(aTotal.c_str());
    }
    if (aSurvey.NbRepeats > 0)
    {
      myNotifier->NewMessage(Pelk_Warning, "Pelk_API.RepeatedTriangles")
          .Arg(text(aSurvey.NbRepeats).c_str())
          .Arg(aTotal.c_str());
    }
    if (aSurvey.NbWithArea == 0)
    {
      myNotifier->NewMessage(Pelk_Error, "Pelk_API.DegenerateInput");
      return false;
    }
    if (aSurvey.NbUnusable + aSurvey.NbRepeats > 0)
    {
      theInput = keptTriangles(*theInput, aSurvey.IsKept);
    }
  }
  // An empty mesh has no bounding cube; the voxelization reports the missing mesh.
  if (myBox.IsVoid())
  {
    myBox = Algo_Voxelization::BoundingCube(theInput);
  }
  return true;
}

bool Pelk_API::fitsGrid(const Handle(Pelk_WrappingSettings)& theSettings,
                        const Handle(Poly_Triangulation)&    theInput)
{
  const double aCell = theSettings->CellSize();
  if (std::isnan(aCell))
  {
    myNotifier->NewMessage(Pelk_Error, "Algo_Voxelization.NegativeOrNullCellSize");
    return false;
  }
  // The voxelization itself reports a missing mesh or box and a cell of 0 or less.
  if (myBox.IsVoid() || theInput.IsNull() || theInput->NbTriangles() == 0 || aCell <= 0.0)
  {
    return true;
  }
  const double aSide    = cubeSide(myBox);
  const double aLargest = largestCoordinate(myBox);
  if (!std::isfinite(aSide) || aLargest > Pelk_MemoryEstimate::MaxCoordinate())
  {
    myNotifier->NewMessage(Pelk_Error, "Pelk_API.CoordinatesTooLarge")
        .Arg(text(aLargest).c_str())
        .Arg(text(Pelk_MemoryEstimate::MaxCoordinate()).c_str());
    return false;
  }
  const double aSmallest =
      std::max(aSide / Pelk_MemoryEstimate::MaxCellRatio(), Pelk_MemoryEstimate::MinCellSize());
  if (aCell < aSmallest)
  {
    myNotifier->NewMessage(Pelk_Error, "Pelk_API.CellTooSmall")
        .Arg(text(aCell).c_str())
        .Arg(text(aSide).c_str())
        .Arg(text(aSmallest).c_str());
    return false;
  }
  return fitsMemory(theSettings, theInput, aSide);
}

bool Pelk_API::fitsMemory(const Handle(Pelk_WrappingSettings)& theSettings,
                          const Handle(Poly_Triangulation)&    theInput,
                          double                               theSide)
{
  const Pelk_MemoryEstimate anEstimate(theInput, theSide);
  const double              aCell  = theSettings->CellSize();
  const double              aBytes = anEstimate.NbBytes(aCell);
  const double              aLimit = theSettings->MemoryLimit() * 1024.0 * 1024.0;
  myNotifier->NewMessage(Pelk_Info, "Pelk_API.MemoryEstimate")
      .Arg(text(std::round(anEstimate.NbCells(aCell))).c_str())
      .Arg(text(anEstimate.LeafSize(aCell)).c_str())
      .Arg(megabytes(aBytes).c_str())
      .Arg(megabytes(aLimit).c_str());
  if (aBytes <= aLimit)
  {
    return true;
  }
  const double aFit = anEstimate.SmallestCell(aLimit);
  myNotifier->NewMessage(Pelk_Error, "Pelk_API.MemoryLimit")
      .Arg(megabytes(aBytes).c_str())
      .Arg(megabytes(aLimit).c_str())
      .Arg(aFit > 0.0 ? text(roundedUp(aFit)).c_str() : "none (raise the limit)");
  return false;
}

bool Pelk_API::runStages(const Handle(Pelk_WrappingSettings)& theSettings)
{
  Handle(Poly_Triangulation) anInput;
  if (!usableInput(anInput))
  {
    return false;
  }
  Handle(Algo_Voxelization) aVoxelization;
  if (theSettings.IsNull())
  {
    myNotifier->NewMessage(Pelk_Error, "Pelk_API.NoVoxelizationAlgo");
  }
  else
  {
    aVoxelization = theSettings->VoxelizationAlgorithm(anInput);
  }
  if (aVoxelization.IsNull())
  {
    myNotifier->NewMessage(Pelk_Error, "Algo.NoAlgorithm");
    return false;
  }
  if (!fitsGrid(theSettings, anInput))
  {
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
  Handle(Algo_FixSelfIntersections) aRepair;
  const bool                        isRefined = runRefinements(theSettings, aRepair);
  if (!isRefined || myNotifier->UserBreak())
  {
    return false;
  }
  // Flat input, or cells coarser than the object, can leave nothing inside the skin.
  if (myResultMesh.IsNull() || myResultMesh->IsEmpty())
  {
    myNotifier->NewMessage(Pelk_Error, "Pelk_API.EmptyWrap");
    return false;
  }
  aTessellation->FinishRefined(myResultMesh);
  // A wrap repaired free of crossings stays so in the files that hold it in
  // single precision.
  if (!aRepair.IsNull())
  {
    Pelk_SinglePrecision aRounding;
    aRounding.SetRepair(aRepair);
    if (!aRounding.Perform(myResultMesh))
    {
      myNotifier->NewMessage(Pelk_Warning, "Pelk_API.SinglePrecisionCrossings");
    }
  }
  return !myNotifier->UserBreak();
}

bool Pelk_API::runRefinements(const Handle(Pelk_WrappingSettings)& theSettings,
                              Handle(Algo_FixSelfIntersections)&   theLastRepair)
{
  for (Handle(Algo_Refinement) aStep = theSettings->NextRefinement(); !aStep.IsNull();
       aStep                         = theSettings->NextRefinement())
  {
    const TCollection_AsciiString aName = aStep->Name().c_str();
    myNotifier->NewMessage(Pelk_Info, "Pelk_API.Refinement").Arg((aName + " STARTED").ToCString());
    aStep->SetMesh(myResultMesh);
    const bool isDone = aStep->Perform();
    if (aStep->IsKind(STANDARD_TYPE(Algo_FixSelfIntersections)))
    {
      theLastRepair = Handle(Algo_FixSelfIntersections)::DownCast(aStep);
    }
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
