#ifndef PelliskTool_Json_HeaderFile
#define PelliskTool_Json_HeaderFile

#include <Pelk_ProgressNotifier.hxx>
#include <PelliskTool_WrapReport.hxx>

#include <string>

//! The JSON the program prints for machines: strings, numbers, the measures
//! of a wrap and the messages of a notifier, each on one line, so that the
//! check, the wrap's message file and batch runs all spell them alike.
class PelliskTool_Json
{
public:
  //! A quoted JSON string. Bytes that are not UTF-8 become U+FFFD, so that
  //! any file name still gives valid JSON.
  static std::string String(const std::string& theText);

  //! A number as JSON allows it: null for infinity and NaN.
  static std::string Number(double theValue);

  //! The object of "pellisk check --json": the verdicts and counts of
  //! theReport, its distances also relative to the input's diagonal.
  static std::string Report(const PelliskTool_WrapReport& theReport);

  //! One object {"severity", "key", "text"}; severity is "info", "warning" or "error".
  static std::string
  Message(Pelk_MessageSeverity theSeverity, const std::string& theKey, const std::string& theText);

  //! The messages of theNotifier as an array of Message objects, in creation order.
  static std::string Messages(const Handle(Pelk_ProgressNotifier)& theNotifier);
};

#endif
