#include <PelliskTool_WrapOptions.hxx>

#include <Algo_Voxelization.hxx>
#include <Pelk_Configuration.hxx>
#include <PelliskTool_MeshFile.hxx>

#include <cctype>
#include <cmath>
#include <stdexcept>

namespace
{
using Refinement = PelliskTool_WrapOptions::Refinement;

// The conversions throw std::invalid_argument with their own name as the only
// text: it is replaced by the reason. Out of range is reported by the caller.
double positiveNumber(const std::string& theOption, const std::string& theValue)
{
  size_t anEnd  = 0;
  double aValue = 0.0;
  try
  {
    aValue = std::stod(theValue, &anEnd);
  }
  catch (const std::invalid_argument&)
  {
  }
  if (anEnd != theValue.size() || !(aValue > 0.0) || !std::isfinite(aValue))
  {
    throw std::invalid_argument(theOption + " needs a number above 0, not '" + theValue + "'");
  }
  return aValue;
}

// "Normal", "Tangential" or "Both", optionally followed by ":iterations"; or
// an iteration count alone.
void parseSmoothing(const std::string& theValue, Refinement& theStep)
{
  const std::string anOption = "--refine Smoothing";
  const size_t      aColon   = theValue.find(':');
  const std::string aWord    = theValue.substr(0, aColon);
  if (aWord == "Normal" || aWord == "Tangential" || aWord == "Both")
  {
    theStep.Component = aWord == "Normal"       ? Algo_Smoothing::Normal
                        : aWord == "Tangential" ? Algo_Smoothing::Tangential
                                                : Algo_Smoothing::Both;
    if (aColon != std::string::npos)
    {
      theStep.NbIterations = PelliskTool_WrapOptions::PositiveCount(anOption, theValue.substr(aColon + 1));
    }
  }
  else if (!aWord.empty() && std::isdigit(static_cast<unsigned char>(aWord[0])) != 0)
  {
    theStep.NbIterations = PelliskTool_WrapOptions::PositiveCount(anOption, theValue);
  }
  else
  {
    throw std::invalid_argument(anOption +
                                " takes Normal, Tangential or Both[:iterations] or an iteration "
                                "count, not '" +
                                theValue + "'");
  }
}

} // namespace

int PelliskTool_WrapOptions::PositiveCount(const std::string& theOption, const std::string& theValue)
{
  size_t anEnd  = 0;
  int    aValue = 0;
  try
  {
    aValue = std::stoi(theValue, &anEnd);
  }
  catch (const std::logic_error&)
  {
  }
  if (anEnd != theValue.size() || aValue < 1)
  {
    throw std::invalid_argument(theOption + " needs a whole number above 0, not '" + theValue + "'");
  }
  return aValue;
}

Refinement PelliskTool_WrapOptions::ParseRefinement(const std::string& theArgument)
{
  const size_t      anEqual  = theArgument.find('=');
  const std::string aStep    = theArgument.substr(0, anEqual);
  const bool        hasValue = anEqual != std::string::npos;
  const std::string aValue   = hasValue ? theArgument.substr(anEqual + 1) : "";
  Refinement        aResult;
  aResult.ClassName = "Algo_" + aStep;
  if (aStep == "CollapseSmallEdge" || aStep == "CollapseNarrowFace" || aStep == "SwapEdge" ||
      aStep == "FixSelfIntersections")
  {
    aResult.Value = hasValue ? positiveNumber("--refine " + aStep, aValue) : 0.0;
  }
  else if (aStep == "Smoothing")
  {
    if (hasValue)
    {
      parseSmoothing(aValue, aResult);
    }
  }
  else if (aStep != "SplitEdge")
  {
    throw std::invalid_argument("unknown refinement step '" + aStep +
                                "'; one of CollapseSmallEdge, CollapseNarrowFace, SwapEdge, Smoothing, "
                                "FixSelfIntersections, SplitEdge");
  }
  else if (hasValue)
  {
    throw std::invalid_argument("--refine SplitEdge takes no value");
  }
  return aResult;
}

PelliskTool_WrapOptions PelliskTool_WrapOptions::Parse(const std::vector<std::string>& theArguments)
{
  PelliskTool_WrapOptions  anOptions;
  std::vector<std::string> aFiles;
  for (size_t i = 0; i < theArguments.size(); ++i)
  {
    const std::string& anArg  = theArguments[i];
    auto               aValue = [&]() -> const std::string&
    {
      if (i + 1 >= theArguments.size())
      {
        throw std::invalid_argument(anArg + " needs a value");
      }
      return theArguments[++i];
    };
    try
    {
      if (anArg == "--cell")
        anOptions.Cell = positiveNumber(anArg, aValue());
      else if (anArg == "--cell-rel")
        anOptions.CellRelative = positiveNumber(anArg, aValue());
      else if (anArg == "--config")
        anOptions.Config = aValue();
      else if (anArg == "--voxelization" || anArg == "--tessellation")
      {
        std::string& aWord = anArg == "--voxelization" ? anOptions.Voxelization : anOptions.Tessellation;
        aWord              = aValue();
        // A word of the other stage is bad usage, not a wrap with the configuration's choice.
        ClassName(anArg, aWord);
      }
      else if (anArg == "--refine")
        anOptions.Refinements.push_back(ParseRefinement(aValue()));
      else if (anArg == "--threads")
        anOptions.NbThreads = PositiveCount(anArg, aValue());
      else if (anArg == "--inner")
        anOptions.IsInner = true;
      else if (anArg == "--verbose")
        anOptions.IsVerbose = true;
      else if (anArg == "--ascii")
        anOptions.IsAscii = true;
      else if (anArg == "--messages-json")
        anOptions.MessagesJson = aValue();
      else if (anArg.rfind("--", 0) == 0)
        throw std::invalid_argument("unknown option " + anArg);
      else
        aFiles.push_back(anArg);
    }
    catch (const std::out_of_range&)
    {
      throw std::invalid_argument(anArg + " is out of range");
    }
  }
  if (aFiles.size() != 2)
  {
    throw std::invalid_argument("wrap needs an input and an output file");
  }
  anOptions.Input  = aFiles[0];
  anOptions.Output = aFiles[1];
  if (!PelliskTool_MeshFile::IsSupported(anOptions.Output))
  {
    throw std::invalid_argument("the output must be a .stl or .ply file");
  }
  return anOptions;
}

std::string PelliskTool_WrapOptions::ClassName(const std::string& theOption, const std::string& theWord)
{
  const bool isVoxelization = theOption == "--voxelization";
  if (isVoxelization && theWord == "minsize")
    return "Algo_VoxelizationMinSize";
  if (isVoxelization && theWord == "gsf")
    return "Algo_VoxelizationGSF";
  if (!isVoxelization && theWord == "cartesian")
    return "Algo_CartesianWrapping";
  if (!isVoxelization && theWord == "shrink")
    return "Algo_ShrinkWrapping";
  throw std::invalid_argument(theOption +
                              (isVoxelization ? " takes minsize or gsf" : " takes cartesian or shrink") +
                              ", not '" + theWord + "'");
}

Handle(Pelk_WrappingSettings)
PelliskTool_WrapOptions::MakeSettings(const Handle(Pelk_ProgressNotifier)& theNotifier) const
{
  // Without --config the library's own configuration holds; when none was
  // found beside the library, the defaults are MinVoxelSize and shrink
  // wrapping with no refinement.
  const Pelk_Configuration&     anInstalled = Pelk_Configuration::Instance();
  const bool                    isFromFile  = !Config.empty() || anInstalled.IsLoaded();
  Handle(Pelk_WrappingSettings) aSettings;
  if (Config.empty())
  {
    aSettings = anInstalled.IsLoaded() ? anInstalled.CreateSettings(theNotifier)
                                       : new Pelk_WrappingSettings(theNotifier);
  }
  else
  {
    aSettings = Pelk_Configuration(Config.c_str(), anInstalled.CataloguePath()).CreateSettings(theNotifier);
  }
  if (aSettings.IsNull())
  {
    throw std::invalid_argument("cannot read the configuration file " +
                                (Config.empty() ? std::string("of the library") : Config));
  }
  const std::string aVoxelization = !Voxelization.empty() ? Voxelization : isFromFile ? "" : "minsize";
  const std::string aTessellation = !Tessellation.empty() ? Tessellation : isFromFile ? "" : "shrink";
  if (!aVoxelization.empty())
  {
    aSettings->SetVoxelizationAlgorithm(ClassName("--voxelization", aVoxelization));
  }
  if (!aTessellation.empty())
  {
    aSettings->SetTessellationAlgorithm(ClassName("--tessellation", aTessellation));
  }
  if (aSettings->Voxelization().IsNull() || aSettings->Tessellation().IsNull())
  {
    throw std::invalid_argument("the configuration names an algorithm not available in this version; "
                                "choose one with --voxelization and --tessellation");
  }
  for (const Refinement& aStep : Refinements)
  {
    if (aStep.Component || aStep.NbIterations)
    {
      const Handle(Algo_Smoothing) aDefault = new Algo_Smoothing(theNotifier);
      aSettings->AppendRefinementAlgorithm(aStep.ClassName, aStep.Component.value_or(aDefault->Component()),
                                           aStep.NbIterations.value_or(aDefault->NbIterations()));
    }
    else
    {
      aSettings->AppendRefinementAlgorithm(aStep.ClassName, aStep.Value);
    }
  }
  if (IsInner)
  {
    aSettings->SetInnerMode(true);
  }
  if (NbThreads)
  {
    aSettings->SetNbThreads(*NbThreads);
  }
  return aSettings;
}

double PelliskTool_WrapOptions::CellSize(const Handle(Poly_Triangulation)& theMesh) const
{
  if (Cell)
  {
    return *Cell;
  }
  const Bnd_Box aCube = Algo_Voxelization::BoundingCube(theMesh);
  return aCube.IsVoid() ? 0.0 : CellRelative * (aCube.CornerMax().X() - aCube.CornerMin().X());
}
