#include <Pelk_Configuration.hxx>

#include <Pelk_LibraryFolder.hxx>

#include <fstream>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

namespace
{
// The five line patterns, tried in this order; the first that is found
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
    : myIsLoaded(false), myCataloguePath(theCataloguePath), myNbThreads(HardwareThreads()), myInnerMode(false)
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
  }
}
