#include <PelliskTool_Json.hxx>

#include <cmath>
#include <cstdio>
#include <iomanip>
#include <sstream>

namespace
{
// Length of the UTF-8 sequence at theText[theStart]; 0 when it is not one. The
// range of the second byte rules out overlong forms, surrogates and code
// points past U+10FFFF.
size_t sequenceLength(const std::string& theText, size_t theStart)
{
  const unsigned char aLead = static_cast<unsigned char>(theText[theStart]);
  if (aLead < 0x80)
  {
    return 1;
  }
  const size_t aLength = aLead >= 0xC2 && aLead <= 0xDF   ? 2
                         : aLead >= 0xE0 && aLead <= 0xEF ? 3
                         : aLead >= 0xF0 && aLead <= 0xF4 ? 4
                                                          : 0;
  if (aLength == 0 || theStart + aLength > theText.size())
  {
    return 0;
  }
  const unsigned char aLow  = aLead == 0xE0 ? 0xA0 : aLead == 0xF0 ? 0x90 : 0x80;
  const unsigned char aHigh = aLead == 0xED ? 0x9F : aLead == 0xF4 ? 0x8F : 0xBF;
  for (size_t i = 1; i < aLength; ++i)
  {
    const unsigned char aByte = static_cast<unsigned char>(theText[theStart + i]);
    if (aByte < (i == 1 ? aLow : 0x80) || aByte > (i == 1 ? aHigh : 0xBF))
    {
      return 0;
    }
  }
  return aLength;
}

std::string escaped(char theChar)
{
  switch (theChar)
  {
  case '"':
    return "\\\"";
  case '\\':
    return "\\\\";
  case '\b':
    return "\\b";
  case '\f':
    return "\\f";
  case '\n':
    return "\\n";
  case '\r':
    return "\\r";
  case '\t':
    return "\\t";
  }
  if (static_cast<unsigned char>(theChar) < 0x20)
  {
    char aCode[8];
    std::snprintf(aCode, sizeof(aCode), "\\u%04x", static_cast<unsigned>(theChar));
    return aCode;
  }
  return std::string(1, theChar);
}

double relative(double theDistance, double theDiagonal)
{
  return theDiagonal > 0.0 ? theDistance / theDiagonal : 0.0;
}

const char* flag(bool theValue)
{
  return theValue ? "true" : "false";
}
} // namespace

std::string PelliskTool_Json::String(const std::string& theText)
{
  std::string aResult = "\"";
  for (size_t i = 0; i < theText.size();)
  {
    const size_t aLength = sequenceLength(theText, i);
    if (aLength == 0)
    {
      aResult += "\\ufffd";
      ++i;
    }
    else
    {
      aResult += aLength == 1 ? escaped(theText[i]) : theText.substr(i, aLength);
      i += aLength;
    }
  }
  return aResult + "\"";
}

std::string PelliskTool_Json::Number(double theValue)
{
  if (!std::isfinite(theValue))
  {
    return "null";
  }
  std::ostringstream aStream;
  aStream << std::setprecision(10) << theValue;
  return aStream.str();
}

std::string PelliskTool_Json::Report(const PelliskTool_WrapReport& theReport)
{
  std::ostringstream aStream;
  aStream << "{\"valid\": " << flag(theReport.IsValid()) << ", \"closed\": " << flag(theReport.IsClosed())
          << ", \"edge_manifold\": " << flag(theReport.IsEdgeManifold())
          << ", \"vertex_manifold\": " << flag(theReport.IsVertexManifold())
          << ", \"outward_oriented\": " << flag(theReport.IsOriented())
          << ", \"nodes\": " << theReport.NbNodes << ", \"faces\": " << theReport.NbFaces
          << ", \"input_nodes\": " << theReport.NbInputNodes
          << ", \"input_faces\": " << theReport.NbInputFaces
          << ", \"degenerate_faces\": " << theReport.NbDegenerateFaces
          << ", \"boundary_edges\": " << theReport.NbBoundaryEdges
          << ", \"non_manifold_edges\": " << theReport.NbNonManifoldEdges
          << ", \"non_manifold_nodes\": " << theReport.NbNonManifoldNodes
          << ", \"refused_faces\": " << theReport.NbRefusedFaces
          << ", \"misoriented_edges\": " << theReport.NbMisorientedEdges
          << ", \"crossing_pairs\": " << theReport.NbCrossingPairs
          << ", \"volume\": " << Number(theReport.Volume)
          << ", \"smallest_angle\": " << Number(theReport.SmallestAngle)
          << ", \"distance_mean\": " << Number(theReport.MeanDistance)
          << ", \"distance_max\": " << Number(theReport.MaxDistance)
          << ", \"distance_mean_relative\": " << Number(relative(theReport.MeanDistance, theReport.Diagonal))
          << ", \"distance_max_relative\": " << Number(relative(theReport.MaxDistance, theReport.Diagonal))
          << ", \"input_diagonal\": " << Number(theReport.Diagonal) << "}";
  return aStream.str();
}

std::string PelliskTool_Json::Message(Pelk_MessageSeverity theSeverity,
                                      const std::string&   theKey,
                                      const std::string&   theText)
{
  const char* aSeverity = theSeverity == Pelk_Error     ? "error"
                          : theSeverity == Pelk_Warning ? "warning"
                                                        : "info";
  return "{\"severity\": \"" + std::string(aSeverity) + "\", \"key\": " + String(theKey) +
         ", \"text\": " + String(theText) + "}";
}

std::string PelliskTool_Json::Messages(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  std::string aResult;
  for (const Pelk_Message& aMessage : theNotifier->Messages())
  {
    aResult += (aResult.empty() ? "" : ", ") +
               Message(aMessage.Severity(), aMessage.Key().ToCString(), aMessage.Text().ToCString());
  }
  return "[" + aResult + "]";
}
