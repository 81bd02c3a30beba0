#ifndef Pelk_Configuration_HeaderFile
#define Pelk_Configuration_HeaderFile

#include <Pellisk_Export.hxx>

#include <Pelk_ProgressNotifier.hxx>

#include <NCollection_List.hxx>
#include <TCollection_AsciiString.hxx>

#include <string>

class Algo_Refinement;
class Pelk_WrappingSettings;

//! The process-wide configuration read from "../resource/Pellisk.conf" beside
//! the library file: the algorithm keywords of each stage, the refinement
//! entries in file order, the thread count and the inner-mode flag, plus the
//! path of the message catalogue. Read once, on first use, never re-read.
//!
//! File format, one setting a line (a line holding "#" anywhere is a comment):
//!   Voxelization = <keyword>
//!   Tessellation = <keyword> [Inner]
//!   Refinement = <step> [parameters]     (any number, run in file order)
//!   ParallelThreads = <count>            (0: the number of hardware threads)
//!   MemoryLimit = <megabytes>            (0: half the physical memory)
class Pellisk_EXPORT Pelk_Configuration
{
public:
  //! The process-wide configuration, read on the first call. An out-of-range
  //! "ParallelThreads" value raises std::out_of_range; the configuration is
  //! then not kept and the next call reads the file again.
  static const Pelk_Configuration& Instance();

  //! Reads the given configuration file; theCataloguePath is the message
  //! catalogue the default notifier loads. A file that cannot be opened leaves
  //! the configuration not loaded.
  Pelk_Configuration(const TCollection_AsciiString& theConfigFile,
                     const TCollection_AsciiString& theCataloguePath);

  //! True when the file was opened and read.
  bool IsLoaded() const { return myIsLoaded; }

  //! Absolute path of the message catalogue; empty when the library folder is unknown.
  const TCollection_AsciiString& CataloguePath() const { return myCataloguePath; }

  //! Text after "Voxelization =", trailing blanks included.
  const TCollection_AsciiString& VoxelizationKeyword() const { return myVoxelization; }

  //! First word after "Tessellation =".
  const TCollection_AsciiString& TessellationKeyword() const { return myTessellation; }

  //! Text after each "Refinement =", in file order.
  const NCollection_List<TCollection_AsciiString>& RefinementEntries() const { return myRefinements; }

  //! Thread count; the number of hardware threads unless the file sets one.
  int NbThreads() const { return myNbThreads; }

  //! Megabytes a wrap may take; 0 when the file sets none (half the physical
  //! memory then holds).
  double MemoryLimit() const { return myMemoryLimit; }

  //! True when the tessellation line ends with the word "Inner".
  bool InnerMode() const { return myInnerMode; }

  //! Number of hardware threads of the machine (at least 1).
  static int HardwareThreads();

  //! What one "Refinement =" entry asks for.
  struct RefinementEntry
  {
    std::string ClassName;            //!< step class; empty for an unknown step word
    bool        HasParameter = false; //!< true when Parameter replaces the step's default
    double      Parameter    = 0.0;   //!< length, ratio, limit or distance of the step
    int         Component    = -1;    //!< smoothing component (0, 1, 2); -1 keeps the default
    int         NbIterations = 0;     //!< smoothing iterations; 0 keeps the default
  };

  //! Reads an entry as blank-separated words: the step word, then its parameters.
  //! "CollapseSmallEdge", "CollapseNarrowFace", "SwapEdge" take a number used
  //! when above 0; "FixSelfIntersections" a number used as given;
  //! "Smoothing" an optional "Normal", "Tangential" or "Both" and/or an
  //! iteration count used when above 0; "SplitEdge" nothing.
  static RefinementEntry ParseRefinement(const TCollection_AsciiString& theEntry);

  //! New settings reporting to theNotifier, with the algorithms, thread count,
  //! memory limit and inner mode of this configuration; entries and keywords that name no
  //! available algorithm are left out silently. When the file could not be
  //! read, issues "Pelk_API.ConfigFileError" (warning) and returns null.
  opencascade::handle<Pelk_WrappingSettings>
  CreateSettings(const Handle(Pelk_ProgressNotifier)& theNotifier) const;

private:
  //! A new step for the entry, with the entry's parameters in place of the
  //! defaults they replace; null when the entry names no available step.
  static opencascade::handle<Algo_Refinement> createRefinement(const RefinementEntry& theEntry);

  void read(const std::string& theFile);
  void readLine(const std::string& theLine);

private:
  bool                                      myIsLoaded;
  TCollection_AsciiString                   myCataloguePath;
  TCollection_AsciiString                   myVoxelization;
  TCollection_AsciiString                   myTessellation;
  NCollection_List<TCollection_AsciiString> myRefinements;
  int                                       myNbThreads;
  bool                                      myInnerMode;
  double                                    myMemoryLimit;
};

#endif
