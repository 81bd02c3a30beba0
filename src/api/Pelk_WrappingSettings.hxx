#ifndef Pelk_WrappingSettings_HeaderFile
#define Pelk_WrappingSettings_HeaderFile

#include <Algo_Smoothing.hxx>
#include <Pellisk_Export.hxx>
#include <Pelk_ProgressNotifier.hxx>

#include <Poly_Triangulation.hxx>
#include <Standard_Transient.hxx>

#include <list>
#include <string>

class Algo_Refinement;
class Algo_Tessellation;
class Algo_Transient;
class Algo_Voxelization;

//! Which algorithm runs in each stage of the wrapping, with which cell size,
//! inner mode and thread count. Algorithms are chosen by class name (for
//! example "Algo_VoxelizationMinSize") or given as objects; the settings hold
//! them by handle and keep their notifier and thread count in step with their
//! own: every held algorithm reports to Notifier() and runs max(NbThreads(), 1)
//! threads.
class Pellisk_EXPORT Pelk_WrappingSettings : public Standard_Transient
{
  DEFINE_STANDARD_RTTIEXT(Pelk_WrappingSettings, Standard_Transient)
public:
  //! Empty settings: no algorithms, cell size 0.001, every hardware thread,
  //! outer skin, a memory limit of half the physical memory.
  explicit Pelk_WrappingSettings(const Handle(Pelk_ProgressNotifier)& theNotifier);

  ~Pelk_WrappingSettings() override;

  //! Chooses the voxelization by class name. An unknown name, or a class that
  //! is no voxelization, issues "Algo.NoAlgorithm" (error) and keeps the
  //! previous algorithm.
  void SetVoxelizationAlgorithm(const std::string& theClassName);

  //! Chooses the tessellation by class name; as SetVoxelizationAlgorithm.
  void SetTessellationAlgorithm(const std::string& theClassName);

  //! Appends a refinement step by class name. A value other than exactly 0.0
  //! becomes the parameter of the steps that have one (edge length, aspect
  //! ratio, skewness limit, repair tolerance), whatever its sign; smoothing
  //! and edge splitting ignore it. An unknown name, or a class that is no
  //! refinement, issues "Algo.NoAlgorithm" (warning) and appends nothing.
  void AppendRefinementAlgorithm(const std::string& theClassName, double theValue);

  //! Appends a smoothing step by class name with the component and number of
  //! iterations given, unchecked. A name of any other class issues
  //! "Algo.NoAlgorithm" (warning) and appends nothing.
  void AppendRefinementAlgorithm(const std::string&                 theClassName,
                                 Algo_Smoothing::SmoothingComponent theComponent,
                                 int                                theNbIterations);

  //! The voxelization algorithm held; null when none.
  const opencascade::handle<Algo_Voxelization>& Voxelization() const;
  //! Holds the given voxelization (null clears the stage).
  void SetVoxelization(const opencascade::handle<Algo_Voxelization>& theAlgo);

  //! The tessellation algorithm held; null when none.
  const opencascade::handle<Algo_Tessellation>& Tessellation() const;
  //! Holds the given tessellation (null clears the stage).
  void SetTessellation(const opencascade::handle<Algo_Tessellation>& theAlgo);

  //! The refinement steps, in run order.
  const std::list<opencascade::handle<Algo_Refinement>>& Refinements() const;
  //! Appends a refinement step object (ignored when null).
  void AppendRefinement(const opencascade::handle<Algo_Refinement>& theAlgo);

  //! Number of threads as set (every algorithm runs at least one).
  int NbThreads() const { return myNbThreads; }
  //! Stores the thread count as given; every held algorithm gets max(count, 1).
  void SetNbThreads(int theNbThreads);

  //! The cell size handed to the voxelization and tessellation.
  double CellSize() const { return myCellSize; }
  //! Sets the cell size handed to the voxelization and tessellation.
  void SetCellSize(double theCellSize) { myCellSize = theCellSize; }

  //! Megabytes a wrap may take: a run whose estimated peak memory exceeds it
  //! is refused before anything is allocated. Half the machine's physical
  //! memory unless set.
  double MemoryLimit() const { return myMemoryLimit; }
  //! Sets the memory limit in megabytes; 0 or less restores the default (half
  //! the physical memory).
  void SetMemoryLimit(double theMegabytes);

  //! True when the skin inside the outermost one is wanted.
  bool InnerMode() const { return myInnerMode; }
  //! Chooses the outer skin (false) or the next one inside (true).
  void SetInnerMode(bool theInnerMode) { myInnerMode = theInnerMode; }

  //! The notifier of these settings and of every algorithm they hold.
  const Handle(Pelk_ProgressNotifier)& ProgressNotifier() const { return myNotifier; }
  //! Replaces the notifier, here and in every held algorithm.
  void SetProgressNotifier(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! New settings with the same notifier, sharing (not cloning) the same
  //! algorithm objects, with the same thread count, cell size and memory
  //! limit. Inner mode is not carried over: the copy starts with the outer
  //! skin.
  Handle(Pelk_WrappingSettings) Copy() const;

  //! The voxelization, with its input triangulation set to theMesh. When none
  //! is held, issues "Pelk_API.NoVoxelizationAlgo" (error) and returns null.
  opencascade::handle<Algo_Voxelization> VoxelizationAlgorithm(const Handle(Poly_Triangulation)& theMesh);

  //! The tessellation. When none is held, issues "Pelk_API.NoTessellationAlgo"
  //! (error) and returns null.
  opencascade::handle<Algo_Tessellation> TessellationAlgorithm();

  //! Moves the refinement cursor to the first step.
  void ResetRefinements();

  //! The step at the cursor, which then advances; null at the end.
  opencascade::handle<Algo_Refinement> NextRefinement();

private:
  //! Gives an algorithm this object's notifier and thread count.
  void configure(Algo_Transient& theAlgo) const;

private:
  Handle(Pelk_ProgressNotifier)                             myNotifier;
  opencascade::handle<Algo_Voxelization>                    myVoxelization;
  opencascade::handle<Algo_Tessellation>                    myTessellation;
  std::list<opencascade::handle<Algo_Refinement>>           myRefinements;
  std::list<opencascade::handle<Algo_Refinement>>::iterator myCurrentRefinement;
  double                                                    myCellSize;
  double                                                    myMemoryLimit;
  int                                                       myNbThreads;
  bool                                                      myInnerMode;
};

DEFINE_STANDARD_HANDLE(Pelk_WrappingSettings, Standard_Transient)

#endif
