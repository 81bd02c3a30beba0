#include <PelliskTool_PlyReader.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace
{
// Most corners a face may have.
const double THE_MAX_LIST_SIZE = 65536.0;

enum class Format
{
  Ascii,
  LittleEndian,
  BigEndian
};

struct Property
{
  std::string Name;
  std::string Type;      // scalar type, or the item type of a list
  std::string CountType; // empty for a scalar property
};

struct Element
{
  std::string           Name;
  size_t                Count = 0;
  std::vector<Property> Properties;
};

size_t typeSize(const std::string& theType)
{
  static const std::array<std::pair<const char*, size_t>, 16> THE_SIZES = {{
      {"char", 1},
      {"int8", 1},
      {"uchar", 1},
      {"uint8", 1},
      {"short", 2},
      {"int16", 2},
      {"ushort", 2},
      {"uint16", 2},
      {"int", 4},
      {"int32", 4},
      {"uint", 4},
      {"uint32", 4},
      {"float", 4},
      {"float32", 4},
      {"double", 8},
      {"float64", 8},
  }};
  for (const auto& [aName, aSize] : THE_SIZES)
  {
    if (theType == aName)
    {
      return aSize;
    }
  }
  throw std::runtime_error("unknown PLY property type '" + theType + "'");
}

// Reads one binary value of the given type as a double.
double readBinary(std::istream& theStream, const std::string& theType, Format theFormat)
{
  const size_t  aSize = typeSize(theType);
  unsigned char aBytes[8];
  if (!theStream.read(reinterpret_cast<char*>(aBytes), static_cast<std::streamsize>(aSize)))
  {
    throw std::runtime_error("the file ends early");
  }
  const bool isLittleHost = []
  {
    const std::uint16_t aOne = 1;
    return *reinterpret_cast<const unsigned char*>(&aOne) == 1;
  }();
  if ((theFormat == Format::LittleEndian) != isLittleHost)
  {
    std::reverse(aBytes, aBytes + aSize);
  }
  const bool isSigned = theType[0] != 'u';
  if (theType == "float" || theType == "float32")
  {
    float aValue;
    std::memcpy(&aValue, aBytes, 4);
    return aValue;
  }
  if (theType == "double" || theType == "float64")
  {
    double aValue;
    std::memcpy(&aValue, aBytes, 8);
    return aValue;
  }
  std::int64_t aValue = 0;
  for (size_t i = 0; i < aSize; ++i)
  {
    aValue |= std::int64_t(aBytes[i]) << (8 * i);
  }
  if (isSigned && (aBytes[aSize - 1] & 0x80) != 0 && aSize < 8)
  {
    aValue -= std::int64_t(1) << (8 * aSize);
  }
  return double(aValue);
}

double readValue(std::istream& theStream, const std::string& theType, Format theFormat)
{
  if (theFormat != Format::Ascii)
  {
    return readBinary(theStream, theType, theFormat);
  }
  double aValue = 0.0;
  if (!(theStream >> aValue))
  {
    throw std::runtime_error("a number is missing or malformed");
  }
  return aValue;
}

Format readHeader(std::istream& theStream, std::vector<Element>& theElements)
{
  std::string aLine;
  if (!std::getline(theStream, aLine) || aLine.rfind("ply", 0) != 0)
  {
    throw std::runtime_error("not a PLY file");
  }
  Format aFormat = Format::Ascii;
  while (std::getline(theStream, aLine))
  {
    std::istringstream aWords(aLine);
    std::string        aKeyword;
    aWords >> aKeyword;
    if (aKeyword == "format")
    {
      std::string aName;
      aWords >> aName;
      aFormat = aName == "ascii"                  ? Format::Ascii
                : aName == "binary_little_endian" ? Format::LittleEndian
                : aName == "binary_big_endian"
                    ? Format::BigEndian
                    : throw std::runtime_error("unknown PLY format '" + aName + "'");
    }
    else if (aKeyword == "element")
    {
      Element anElement;
      aWords >> anElement.Name >> anElement.Count;
      theElements.push_back(anElement);
    }
    else if (aKeyword == "property" && !theElements.empty())
    {
      Property aProperty;
      aWords >> aProperty.Type;
      if (aProperty.Type == "list")
      {
        aWords >> aProperty.CountType >> aProperty.Type;
      }
      aWords >> aProperty.Name;
      theElements.back().Properties.push_back(aProperty);
    }
    else if (aKeyword == "end_header")
    {
      return aFormat;
    }
  }
  throw std::runtime_error("the header has no end");
}

void readElements(std::istream&               theStream,
                  const std::vector<Element>& theElements,
                  Format                      theFormat,
                  std::vector<gp_Pnt>&        theNodes,
                  std::vector<Poly_Triangle>& theTriangles)
{
  for (const Element& anElement : theElements)
  {
    // Items without properties take no bytes: any count would be believed.
    if (anElement.Properties.empty() && anElement.Count > 0)
    {
      throw std::runtime_error("an element has no property");
    }
    for (size_t anItem = 0; anItem < anElement.Count; ++anItem)
    {
      double aXYZ[3] = {0.0, 0.0, 0.0};
      for (const Property& aProperty : anElement.Properties)
      {
        if (aProperty.CountType.empty())
        {
          const double aValue = readValue(theStream, aProperty.Type, theFormat);
          const int    anAxis = aProperty.Name == "x"   ? 0
                                : aProperty.Name == "y" ? 1
                                : aProperty.Name == "z" ? 2
                                                        : -1;
          if (anAxis >= 0)
          {
            aXYZ[anAxis] = aValue;
          }
          continue;
        }
        // Items are read one by one and a count is capped: a corrupt length then
        // ends the file early instead of asking for memory it never fills.
        const double aCount = readValue(theStream, aProperty.CountType, theFormat);
        if (!(aCount >= 0.0 && aCount <= THE_MAX_LIST_SIZE) || aCount != std::floor(aCount))
        {
          throw std::runtime_error("a list length is malformed");
        }
        std::vector<int> anIndices;
        for (double k = 0.0; k < aCount; ++k)
        {
          const double anIndex = readValue(theStream, aProperty.Type, theFormat);
          if (!(anIndex >= 0.0 && anIndex < std::numeric_limits<int>::max()))
          {
            throw std::runtime_error("a face names a node the file does not hold");
          }
          anIndices.push_back(static_cast<int>(anIndex));
        }
        const bool isFace = anElement.Name == "face" &&
                            (aProperty.Name == "vertex_indices" || aProperty.Name == "vertex_index");
        for (size_t k = 2; isFace && k < anIndices.size(); ++k)
        {
          theTriangles.emplace_back(anIndices[0] + 1, anIndices[k - 1] + 1, anIndices[k] + 1);
        }
      }
      if (anElement.Name == "vertex")
      {
        theNodes.emplace_back(aXYZ[0], aXYZ[1], aXYZ[2]);
      }
    }
  }
}
} // namespace

Handle(Poly_Triangulation) PelliskTool_PlyReader::Read(const std::string& theFileName, std::string& theError)
{
  std::ifstream aStream(theFileName, std::ios::binary);
  if (!aStream)
  {
    theError = "cannot open the file";
    return Handle(Poly_Triangulation)();
  }
  std::vector<gp_Pnt>        aNodes;
  std::vector<Poly_Triangle> aTriangles;
  try
  {
    std::vector<Element> anElements;
    const Format         aFormat = readHeader(aStream, anElements);
    readElements(aStream, anElements, aFormat, aNodes, aTriangles);
  }
  catch (const std::exception& theFailure)
  {
    theError = theFailure.what();
    return Handle(Poly_Triangulation)();
  }
  Handle(Poly_Triangulation) aMesh;
  if (aTriangles.empty())
  {
    theError = "the file holds no triangle";
    return aMesh;
  }
  // Checked before the triangulation is made: the kernel refuses one without nodes.
  const int aNbNodes = static_cast<int>(aNodes.size());
  for (const Poly_Triangle& aTriangle : aTriangles)
  {
    int a, b, c;
    aTriangle.Get(a, b, c);
    if (a < 1 || b < 1 || c < 1 || a > aNbNodes || b > aNbNodes || c > aNbNodes)
    {
      theError = "a face names a node the file does not hold";
      return aMesh;
    }
  }
  aMesh = new Poly_Triangulation(aNbNodes, static_cast<int>(aTriangles.size()), Standard_False);
  for (int i = 0; i < aNbNodes; ++i)
  {
    aMesh->SetNode(i + 1, aNodes[i]);
  }
  for (size_t i = 0; i < aTriangles.size(); ++i)
  {
    aMesh->SetTriangle(static_cast<int>(i) + 1, aTriangles[i]);
  }
  return aMesh;
}
