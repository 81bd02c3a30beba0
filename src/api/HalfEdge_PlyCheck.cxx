#include <HalfEdge_PlyCheck.hxx>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <vector>

namespace
{
enum class Format
{
  Ascii,
  LittleEndian,
  BigEndian
};

struct Property
{
  bool        IsList = false;
  std::string CountType; //!< of a list
  std::string Type;
};

struct Element
{
  std::string           Name;
  double                Count = 0.0;
  std::vector<Property> Properties;
};

// Bytes of a binary value of the type; 0 for an unknown type.
size_t typeSize(const std::string& theType)
{
  static const std::map<std::string, size_t> THE_SIZES = {
      {"char", 1},  {"uchar", 1},   {"int8", 1},   {"uint8", 1},  {"short", 2}, {"ushort", 2},
      {"int16", 2}, {"uint16", 2},  {"int", 4},    {"uint", 4},   {"int32", 4}, {"uint32", 4},
      {"float", 4}, {"float32", 4}, {"double", 8}, {"float64", 8}};
  const auto aSize = THE_SIZES.find(theType);
  return aSize == THE_SIZES.end() ? 0 : aSize->second;
}

bool isIntegral(const std::string& theType)
{
  return typeSize(theType) > 0 && theType.find("float") == std::string::npos && theType != "double";
}

std::vector<std::string> words(const std::string& theLine)
{
  std::istringstream       aStream(theLine);
  std::vector<std::string> aWords;
  for (std::string aWord; aStream >> aWord;)
  {
    aWords.push_back(aWord);
  }
  return aWords;
}

// The number a whole word spells; NaN when it spells none.
double number(const std::string& theWord)
{
  char*        anEnd  = nullptr;
  const double aValue = std::strtod(theWord.c_str(), &anEnd);
  return anEnd != theWord.c_str() && *anEnd == '\0' ? aValue : std::nan("");
}

bool isCount(double theValue)
{
  return theValue >= 0.0 && theValue == std::floor(theValue);
}

// Reads the header; false when a line is malformed or the header never ends.
bool readHeader(std::istream& theStream, Format& theFormat, std::vector<Element>& theElements)
{
  std::string aLine;
  if (!std::getline(theStream, aLine) || words(aLine) != std::vector<std::string>{"ply"})
  {
    return false;
  }
  bool hasFormat = false;
  while (std::getline(theStream, aLine))
  {
    const std::vector<std::string> aWords = words(aLine);
    const std::string              aKey   = aWords.empty() ? std::string() : aWords.front();
    const size_t                   aSize  = aWords.size();
    if (!hasFormat && aKey != "format")
    {
      return false; // the format comes first
    }
    if (aKey == "end_header" && aSize == 1)
    {
      return hasFormat;
    }
    if (aKey == "format" && !hasFormat && aSize == 3 && number(aWords[2]) == 1.0)
    {
      static const std::map<std::string, Format> THE_FORMATS = {
          {"ascii", Format::Ascii},
          {"binary_little_endian", Format::LittleEndian},
          {"binary_big_endian", Format::BigEndian}};
      const auto aFormat = THE_FORMATS.find(aWords[1]);
      hasFormat          = aFormat != THE_FORMATS.end();
      theFormat          = hasFormat ? aFormat->second : Format::Ascii;
    }
    else if (aKey == "element" && hasFormat && aSize == 3 && isCount(number(aWords[2])))
    {
      theElements.push_back({aWords[1], number(aWords[2]), {}});
    }
    else if (aKey == "property" && !theElements.empty() && aSize == 5 && aWords[1] == "list" &&
             isIntegral(aWords[2]) && typeSize(aWords[3]) > 0)
    {
      theElements.back().Properties.push_back({true, aWords[2], aWords[3]});
    }
    else if (aKey == "property" && !theElements.empty() && aSize == 3 && typeSize(aWords[1]) > 0)
    {
      theElements.back().Properties.push_back({false, std::string(), aWords[1]});
    }
    else if (aKey != "comment" && aKey != "obj_info")
    {
      return false;
    }
  }
  return false;
}

// True when theValue fits the type: the mesh library reads text values with
// the stream operators of the type, which fail (and its reader then loops)
// on one out of range.
bool fits(const std::string& theType, double theValue)
{
  if (!std::isfinite(theValue))
  {
    return false;
  }
  const size_t aSize = typeSize(theType);
  if (!isIntegral(theType))
  {
    return aSize == 8 || std::abs(theValue) <= std::numeric_limits<float>::max();
  }
  const double aRange = std::ldexp(1.0, static_cast<int>(8 * aSize));
  return theValue == std::floor(theValue) && (theType[0] == 'u' ? theValue >= 0.0 && theValue < aRange
                                                                : std::abs(theValue) <= aRange / 2.0 - 1.0);
}

// Reads one value of the type; NaN at the end of the file or on a word that
// is no number.
double readValue(std::istream& theStream, const std::string& theType, Format theFormat)
{
  if (theFormat == Format::Ascii)
  {
    std::string aWord;
    return theStream >> aWord ? number(aWord) : std::nan("");
  }
  unsigned char aBytes[8] = {};
  const size_t  aSize     = typeSize(theType);
  if (!theStream.read(reinterpret_cast<char*>(aBytes), static_cast<std::streamsize>(aSize)))
  {
    return std::nan("");
  }
  uint64_t aBits = 0;
  for (size_t k = 0; k < aSize; ++k)
  {
    const size_t aByte = theFormat == Format::LittleEndian ? aSize - 1 - k : k;
    aBits              = (aBits << 8) | aBytes[aByte];
  }
  if (theType.find("float") != std::string::npos || theType == "double")
  {
    if (aSize == 4)
    {
      float          aFloat;
      const uint32_t aWord = static_cast<uint32_t>(aBits);
      std::memcpy(&aFloat, &aWord, 4);
      return aFloat;
    }
    double aDouble;
    std::memcpy(&aDouble, &aBits, 8);
    return aDouble;
  }
  const bool isSigned = theType[0] != 'u';
  if (isSigned && (aBits >> (8 * aSize - 1)) != 0)
  {
    return static_cast<double>(aBits) - std::ldexp(1.0, static_cast<int>(8 * aSize));
  }
  return static_cast<double>(aBits);
}

// Walks every item of every element; false at a value missing or malformed,
// a list length that is no count, or a face naming a vertex not held.
bool readBody(std::istream& theStream, Format theFormat, const std::vector<Element>& theElements)
{
  double aNbVertices = 0.0;
  for (const Element& anElement : theElements)
  {
    aNbVertices = anElement.Name == "vertex" ? anElement.Count : aNbVertices;
  }
  for (const Element& anElement : theElements)
  {
    // Each item takes a byte at least, so a count beyond the file ends the walk.
    for (double anItem = 0.0; anItem < anElement.Count; ++anItem)
    {
      if (anElement.Properties.empty())
      {
        return false;
      }
      for (const Property& aProperty : anElement.Properties)
      {
        const double aLength = aProperty.IsList ? readValue(theStream, aProperty.CountType, theFormat) : 1.0;
        if (!isCount(aLength) || (aProperty.IsList && !fits(aProperty.CountType, aLength)))
        {
          return false;
        }
        for (double k = 0.0; k < aLength; ++k)
        {
          const double aValue = readValue(theStream, aProperty.Type, theFormat);
          if (!fits(aProperty.Type, aValue) ||
              (aProperty.IsList && anElement.Name == "face" && !(isCount(aValue) && aValue < aNbVertices)))
          {
            return false;
          }
        }
      }
    }
  }
  return true;
}
} // namespace

bool HalfEdge_PlyCheck::IsReadable(const std::string& theFileName)
{
  std::ifstream        aFile(theFileName, std::ios::binary);
  Format               aFormat = Format::Ascii;
  std::vector<Element> anElements;
  return aFile && readHeader(aFile, aFormat, anElements) && readBody(aFile, aFormat, anElements);
}
