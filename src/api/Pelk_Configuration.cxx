#include <Pelk_Configuration.hxx>

#include <Algo_Refinement.hxx>
#include <Algo_Smoothing.hxx>
#include <Algo_Tessellation.hxx>
#include <Algo_Voxelization.hxx>
#include <CreateAlgorithm.hxx>
#include <Pelk_LibraryFolder.hxx>
#include <Pelk_RefinementParameter.hxx>
#include <Pelk_WrappingSettings.hxx>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

namespace
{
// The line patterns, tried in this order; the first that is found
// anywhere in a line decides.
const std::regex& commentPattern()
{
  static const std::regex THE_PATTERN("\\s*#");
  return THE_PATTERN;
}

const std::regex& voxelizationPattern()
{
  static const std::regex THE_PATTERN("\\s*Voxelization\\s*=\\s*(.*)\\s*");
  return THE_PATTERN;
}

const std::regex& tessellationPattern()
{
  static const std::regex THE_PATTERN("\\s*Tessellation\\s*=\\s*(.*)\\s*");
  return THE_PATTERN;
}

const std::regex& refinementPattern()
{
  static const std::regex THE_PATTERN("\\s*Refinement\\s*=\\s*(.*)\\s*");
  return THE_PATTERN;
}

const std::regex& threadsPattern()
{
  static const std::regex THE_PATTERN("\\s*ParallelThreads\\s*=\\s*([0-9]+)\\s*");
  return THE_PATTERN;
}

const std::regex& memoryLimitPattern()
{
  static const std::regex THE_PATTERN("\\s*MemoryLimit\\s*=\\s*([0-9]+(\\.[0-9]*)?)\\s*");
  return THE_PATTERN;
}
// Class names of the configuration keywords; an unknown keyword names none.
std::string voxelizationClass(const TCollection_AsciiString& theKeyword)
{
  if (theKeyword == "MinVoxelSize")
  {
    return "Algo_VoxelizationMinSize";
  }
  if (theKeyword == "GridSizeFunction")
  {
    return "Algo_VoxelizationGSF";
  }
  return std::string();
}

std::string tessellationClass(const TCollection_AsciiString& theKeyword)
{
  return theKeyword == "ShrinkWrapping" ? "Algo_ShrinkWrapping" : std::string();
}

// Reads the number of a length-like parameter: used only when above 0.
void readPositiveParameter(std::istringstream& theWords, Pelk_Configuration::RefinementEntry& theEntry)
{
  if (theWords.eof())
  {
    return;
  }
  double aValue = 0.0;
  theWords >> aValue;
  if (aValue > 0.0)
  {
    theEntry.HasParameter = true;
    theEntry.Parameter    = aValue;
  }
}

void readSmoothing(std::istringstream& theWords, Pelk_Configuration::RefinementEntry& theEntry)
{
  int aCount = 0;
  if (!theWords.eof())
  {
    std::string aWord;
    theWords >> aWord;
    if (aWord == "Tangential")
    {
      theEntry.Component = 0;
    }
    else if (aWord == "Normal")
    {
      theEntry.Component = 1;
    }
    else if (aWord == "Both")
    {
      theEntry.Component = 2;
    }
    else if (TCollection_AsciiString(aWord.c_str()).IsRealValue())
    {
      // A leading number counts even with letters after it ("10abc").
      aCount = static_cast<int>(std::strtod(aWord.c_str(), nullptr));
    }
  }
  if (!theWords.eof())
  {
    theWords >> aCount;
  }
  if (aCount > 0)
  {
    theEntry.NbIterations = aCount;
  }
}
} // namespace

const Pelk_Configuration& Pelk_Configuration::Instance()
{
  // call_once publishes the object only after the file was read; when reading
  // throws, the flag stays unset and the next caller reads again.
  static std::unique_ptr<Pelk_Configuration> THE_CONFIGURATION;
  static std::once_flag                      THE_FLAG;
  std::call_once(THE_FLAG,
                 []
                 {
                   auto aConfig = std::make_unique<Pelk_Configuration>(
                       Pelk_LibraryFolder::Resolve("../resource/Pellisk.conf"),
                       Pelk_LibraryFolder::Resolve("../resource/PelliskMessages"));
                   THE_CONFIGURATION = std::move(aConfig);
                 });
  return *THE_CONFIGURATION;
}

Pelk_Configuration::Pelk_Configuration(const TCollection_AsciiString& theConfigFile,
                                       const TCollection_AsciiString& theCataloguePath)
    : myIsLoaded(false),
      myCataloguePath(theCataloguePath),
      myNbThreads(HardwareThreads()),
      myInnerMode(false),
      myMemoryLimit(0.0)
{
  read(theConfigFile.ToCString());
}

int Pelk_Configuration::HardwareThreads()
{
  const unsigned int aCount = std::thread::hardware_concurrency();
  return aCount > 0 ? static_cast<int>(aCount) : 1;
}

void Pelk_Configuration::read(const std::string& theFile)
{
  std::ifstream aStream(theFile);
  if (theFile.empty() || !aStream.is_open())
  {
    return;
  }
  std::string aLine;
  while (std::getline(aStream, aLine))
  {
    readLine(aLine);
  }
  myIsLoaded = true;
}

void Pelk_Configuration::readLine(const std::string& theLine)
{
  std::smatch aMatch;
  if (std::regex_search(theLine, commentPattern()))
  {
    return;
  }
  if (std::regex_search(theLine, aMatch, voxelizationPattern()))
  {
    myVoxelization = aMatch[1].str().c_str();
    return;
  }
  if (std::regex_search(theLine, aMatch, tessellationPattern()))
  {
    std::istringstream aWords(aMatch[1].str());
    std::string        aKeyword;
    std::string        aMode;
    aWords >> aKeyword;
    myTessellation = aKeyword.c_str();
    // Anything after the keyword, even blanks alone, decides the mode; only a
    // line that ends right after the keyword keeps the mode read before.
    if (!aWords.eof())
    {
      aWords >> aMode;
      myInnerMode = (aMode == "Inner");
    }
    return;
  }
  if (std::regex_search(theLine, aMatch, refinementPattern()))
  {
    myRefinements.Append(aMatch[1].str().c_str());
    return;
  }
  if (std::regex_search(theLine, aMatch, threadsPattern()))
  {
    const int aCount = std::stoi(aMatch[1].str());
    myNbThreads      = aCount < 1 ? HardwareThreads() : aCount;
    return;
  }
  if (std::regex_search(theLine, aMatch, memoryLimitPattern()))
  {
    // strtod saturates instead of throwing: a limit of too many digits is no limit at all.
    myMemoryLimit = std::strtod(aMatch[1].str().c_str(), nullptr);
  }
}

Pelk_Configuration::RefinementEntry
Pelk_Configuration::ParseRefinement(const TCollection_AsciiString& theEntry)
{
  std::istringstream aWords(theEntry.ToCString());
  std::string        aStep;
  aWords >> aStep;
  RefinementEntry anEntry;
  if (aStep == "CollapseSmallEdge" || aStep == "CollapseNarrowFace" || aStep == "SwapEdge")
  {
    anEntry.ClassName = "Algo_" + aStep;
    readPositiveParameter(aWords, anEntry);
  }
  else if (aStep == "Smoothing")
  {
    anEntry.ClassName = "Algo_Smoothing";
    readSmoothing(aWords, anEntry);
  }
  else if (aStep == "FixSelfIntersections")
  {
    anEntry.ClassName = "Algo_FixSelfIntersections";
    double aValue     = 0.0;
    if (!aWords.eof() && (aWords >> aValue))
    {
      anEntry.HasParameter = true;
      anEntry.Parameter    = aValue;
    }
  }
  else if (aStep == "SplitEdge")
  {
    anEntry.ClassName = "Algo_SplitEdge";
  }
  return anEntry;
}

Handle(Algo_Refinement) Pelk_Configuration::createRefinement(const RefinementEntry& theEntry)
{
  const Handle(Algo_Refinement) aStep =
      Handle(Algo_Refinement)::DownCast(CreateAlgorithm(theEntry.ClassName));
  if (aStep.IsNull())
  {
    return aStep;
  }
  if (theEntry.HasParameter)
  {
    Pelk_RefinementParameter::Set(aStep, theEntry.Parameter);
  }
  const Handle(Algo_Smoothing) aSmoothing = Handle(Algo_Smoothing)::DownCast(aStep);
  if (!aSmoothing.IsNull() && theEntry.Component >= 0)
  {
    aSmoothing->SetComponent(static_cast<Algo_Smoothing::SmoothingComponent>(theEntry.Component));
  }
  if (!aSmoothing.IsNull() && theEntry.NbIterations > 0)
  {
    aSmoothing->SetNbIterations(theEntry.NbIterations);
  }
  return aStep;
}

Handle(Pelk_WrappingSettings)
Pelk_Configuration::CreateSettings(const Handle(Pelk_ProgressNotifier)& theNotifier) const
{
  if (!myIsLoaded)
  {
    theNotifier->NewMessage(Pelk_Warning, "Pelk_API.ConfigFileError");
    return Handle(Pelk_WrappingSettings)();
  }
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(theNotifier);
  aSettings->SetVoxelization(
      Handle(Algo_Voxelization)::DownCast(CreateAlgorithm(voxelizationClass(myVoxelization))));
  aSettings->SetTessellation(
      Handle(Algo_Tessellation)::DownCast(CreateAlgorithm(tessellationClass(myTessellation))));
  for (NCollection_List<TCollection_AsciiString>::Iterator anIt(myRefinements); anIt.More(); anIt.Next())
  {
    aSettings->AppendRefinement(createRefinement(ParseRefinement(anIt.Value())));
  }
  aSettings->SetNbThreads(myNbThreads);
  aSettings->SetInnerMode(myInnerMode);
  aSettings->SetMemoryLimit(myMemoryLimit);
  return aSettings;
}
