#include <Pelk_WrappingSettings.hxx>

#include <Algo_Refinement.hxx>
#include <Algo_Tessellation.hxx>
#include <Algo_Voxelization.hxx>
#include <CreateAlgorithm.hxx>
#include <Pelk_Configuration.hxx>
#include <Pelk_MemoryEstimate.hxx>
#include <Pelk_RefinementParameter.hxx>

#include <algorithm>

IMPLEMENT_STANDARD_RTTIEXT(Pelk_WrappingSettings, Standard_Transient)

Pelk_WrappingSettings::Pelk_WrappingSettings(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : myNotifier(theNotifier),
      myCurrentRefinement(myRefinements.end()),
      myCellSize(0.001),
      myMemoryLimit(Pelk_MemoryEstimate::DefaultLimit()),
      myNbThreads(Pelk_Configuration::HardwareThreads()),
      myInnerMode(false)
{
}

Pelk_WrappingSettings::~Pelk_WrappingSettings() = default;

void Pelk_WrappingSettings::configure(Algo_Transient& theAlgo) const
{
  theAlgo.SetNotifier(myNotifier);
  theAlgo.SetNbThreads(static_cast<unsigned int>(std::max(myNbThreads, 1)));
}

void Pelk_WrappingSettings::SetVoxelizationAlgorithm(const std::string& theClassName)
{
  const Handle(Algo_Voxelization) anAlgo = Handle(Algo_Voxelization)::DownCast(CreateAlgorithm(theClassName));
  if (anAlgo.IsNull())
  {
    myNotifier->NewMessage(Pelk_Error, "Algo.NoAlgorithm");
    return;
  }
  SetVoxelization(anAlgo);
}

void Pelk_WrappingSettings::SetTessellationAlgorithm(const std::string& theClassName)
{
  const Handle(Algo_Tessellation) anAlgo = Handle(Algo_Tessellation)::DownCast(CreateAlgorithm(theClassName));
  if (anAlgo.IsNull())
  {
    myNotifier->NewMessage(Pelk_Error, "Algo.NoAlgorithm");
    return;
  }
  SetTessellation(anAlgo);
}

void Pelk_WrappingSettings::AppendRefinementAlgorithm(const std::string& theClassName, double theValue)
{
  const Handle(Algo_Refinement) anAlgo = Handle(Algo_Refinement)::DownCast(CreateAlgorithm(theClassName));
  if (anAlgo.IsNull())
  {
    myNotifier->NewMessage(Pelk_Warning, "Algo.NoAlgorithm");
    return;
  }
  // 0.0 is how callers without a value ask for the step's own default.
  if (theValue != 0.0)
  {
    Pelk_RefinementParameter::Set(anAlgo, theValue);
  }
  AppendRefinement(anAlgo);
}

void Pelk_WrappingSettings::AppendRefinementAlgorithm(const std::string&                 theClassName,
                                                      Algo_Smoothing::SmoothingComponent theComponent,
                                                      int                                theNbIterations)
{
  const Handle(Algo_Smoothing) aSmoothing = Handle(Algo_Smoothing)::DownCast(CreateAlgorithm(theClassName));
  if (aSmoothing.IsNull())
  {
    myNotifier->NewMessage(Pelk_Warning, "Algo.NoAlgorithm");
    return;
  }
  aSmoothing->SetComponent(theComponent);
  aSmoothing->SetNbIterations(theNbIterations);
  AppendRefinement(aSmoothing);
}

const Handle(Algo_Voxelization)& Pelk_WrappingSettings::Voxelization() const
{
  return myVoxelization;
}

void Pelk_WrappingSettings::SetVoxelization(const Handle(Algo_Voxelization)& theAlgo)
{
  myVoxelization = theAlgo;
  if (!myVoxelization.IsNull())
  {
    configure(*myVoxelization);
  }
}

const Handle(Algo_Tessellation)& Pelk_WrappingSettings::Tessellation() const
{
  return myTessellation;
}

void Pelk_WrappingSettings::SetTessellation(const Handle(Algo_Tessellation)& theAlgo)
{
  myTessellation = theAlgo;
  if (!myTessellation.IsNull())
  {
    configure(*myTessellation);
  }
}

const std::list<Handle(Algo_Refinement)>& Pelk_WrappingSettings::Refinements() const
{
  return myRefinements;
}

void Pelk_WrappingSettings::AppendRefinement(const Handle(Algo_Refinement)& theAlgo)
{
  if (theAlgo.IsNull())
  {
    return;
  }
  configure(*theAlgo);
  myRefinements.push_back(theAlgo);
}

void Pelk_WrappingSettings::SetNbThreads(int theNbThreads)
{
  myNbThreads = theNbThreads;
  SetProgressNotifier(myNotifier);
}

void Pelk_WrappingSettings::SetProgressNotifier(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  myNotifier = theNotifier;
  if (!myVoxelization.IsNull())
  {
    configure(*myVoxelization);
  }
  if (!myTessellation.IsNull())
  {
    configure(*myTessellation);
  }
  for (const Handle(Algo_Refinement)& aStep : myRefinements)
  {
    configure(*aStep);
  }
}

void Pelk_WrappingSettings::SetMemoryLimit(double theMegabytes)
{
  myMemoryLimit = theMegabytes > 0.0 ? theMegabytes : Pelk_MemoryEstimate::DefaultLimit();
}

Handle(Pelk_WrappingSettings) Pelk_WrappingSettings::Copy() const
{
  Handle(Pelk_WrappingSettings) aCopy = new Pelk_WrappingSettings(myNotifier);
  aCopy->myNbThreads                  = myNbThreads;
  aCopy->myCellSize                   = myCellSize;
  aCopy->myMemoryLimit                = myMemoryLimit;
  aCopy->SetVoxelization(myVoxelization);
  aCopy->SetTessellation(myTessellation);
  for (const Handle(Algo_Refinement)& aStep : myRefinements)
  {
    aCopy->AppendRefinement(aStep);
  }
  return aCopy;
}

Handle(Algo_Voxelization)
Pelk_WrappingSettings::VoxelizationAlgorithm(const Handle(Poly_Triangulation)& theMesh)
{
  if (myVoxelization.IsNull())
  {
    myNotifier->NewMessage(Pelk_Error, "Pelk_API.NoVoxelizationAlgo");
    return myVoxelization;
  }
  myVoxelization->SetTriangulation(theMesh);
  return myVoxelization;
}

Handle(Algo_Tessellation) Pelk_WrappingSettings::TessellationAlgorithm()
{
  if (myTessellation.IsNull())
  {
    myNotifier->NewMessage(Pelk_Error, "Pelk_API.NoTessellationAlgo");
  }
  return myTessellation;
}

void Pelk_WrappingSettings::ResetRefinements()
{
  myCurrentRefinement = myRefinements.begin();
}

Handle(Algo_Refinement) Pelk_WrappingSettings::NextRefinement()
{
  if (myCurrentRefinement == myRefinements.end())
  {
    return Handle(Algo_Refinement)();
  }
  return *myCurrentRefinement++;
}
