#ifndef PelliskTool_WrapOptions_HeaderFile
#define PelliskTool_WrapOptions_HeaderFile

#include <Algo_Smoothing.hxx>
#include <Pelk_ProgressNotifier.hxx>
#include <Pelk_WrappingSettings.hxx>
#include <Poly_Triangulation.hxx>

#include <optional>
#include <string>
#include <vector>

//! The options of a wrap as the command line gives them: the files, the cell,
//! the algorithms by their short words and the refinement steps. Shared by
//! every front end that wraps (the command, batch runs, the Python module), so
//! that one word means one thing everywhere.
struct PelliskTool_WrapOptions
{
  //! One refinement step: its class, the value of AppendRefinementAlgorithm (0:
  //! the step's default), and for smoothing the component and iteration count.
  struct Refinement
  {
    std::string                                       ClassName;
    double                                            Value = 0.0;
    std::optional<Algo_Smoothing::SmoothingComponent> Component;
    std::optional<int>                                NbIterations;
  };

  std::string             Input;
  std::string             Output;
  std::optional<double>   Cell;
  double                  CellRelative = 1.0 / 128.0; //!< of the bounding cube's side
  std::string             Config;                     //!< empty: the library's own file
  std::string             Voxelization;               //!< "minsize", "gsf" or empty
  std::string             Tessellation;               //!< "cartesian", "shrink" or empty
  std::vector<Refinement> Refinements;                //!< appended after the configuration's
  bool                    IsInner = false;
  std::optional<int>      NbThreads;
  bool                    IsVerbose = false;
  bool                    IsAscii   = false;
  std::string             MessagesJson; //!< file for the messages as JSON, for batch runs; empty: none

  //! Reads the arguments of "pellisk wrap"; throws std::invalid_argument with
  //! the reason on bad usage.
  static PelliskTool_WrapOptions Parse(const std::vector<std::string>& theArguments);

  //! theValue as a whole number above 0; throws std::invalid_argument naming
  //! theOption otherwise (also when it is out of range).
  static int PositiveCount(const std::string& theOption, const std::string& theValue);

  //! Reads one step word, "STEP" or "STEP=VALUE" as after --refine; throws
  //! std::invalid_argument with the reason.
  static Refinement ParseRefinement(const std::string& theArgument);

  //! The class behind the algorithm word of theOption ("--voxelization" or
  //! "--tessellation"); throws std::invalid_argument for a word of neither
  //! that stage.
  static std::string ClassName(const std::string& theOption, const std::string& theWord);

  //! The settings these options describe, reporting to theNotifier, without
  //! the cell size; throws std::invalid_argument when the configuration file
  //! cannot be read or names an algorithm that does not exist.
  Handle(Pelk_WrappingSettings) MakeSettings(const Handle(Pelk_ProgressNotifier)& theNotifier) const;

  //! The cell size for theMesh: Cell, or CellRelative of its bounding cube's side.
  double CellSize(const Handle(Poly_Triangulation)& theMesh) const;
};

#endif
