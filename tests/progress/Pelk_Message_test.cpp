#include <PelliskTest_Data.hxx>

#include <Message_MsgFile.hxx>
#include <TCollection_AsciiString.hxx>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

TEST(Pelk_MessageTest, EveryKeyIssuedInTheSourcesIsInTheCatalogueWithOnePlaceholderPerArgument)
{
  ASSERT_TRUE(Message_MsgFile::LoadFile(PelliskTest_Data::SourceResource("PelliskMessages").c_str()));
  // NewMessage(<severity>, "<key>") with a literal key, possibly across lines, and the arguments chained onto
  // it: text ("s": a literal or a C string) or a number ("n"), as the placeholders of the key's text.
  const std::regex aCall("NewMessage\\s*\\([^,]*,\\s*\"([A-Za-z_.]+)\"\\)([^;]*);");
  const std::regex aText("^\"|c_str\\(\\)|ToCString\\(\\)");
  const std::regex aPlaceholder("%[-+ #0-9.]*([sdiuxfeg])");
  int              aNbCalls = 0;
  for (const auto& aFile :
       std::filesystem::recursive_directory_iterator(PelliskTest_Data::SourceTree() + "/src"))
  {
    if (aFile.path().extension() != ".cxx")
    {
      continue;
    }
    std::ostringstream aStream;
    aStream << std::ifstream(aFile.path()).rdbuf();
    const std::string aSource = aStream.str();
    for (std::sregex_iterator aCallIt(aSource.begin(), aSource.end(), aCall), anEnd; aCallIt != anEnd;
         ++aCallIt, ++aNbCalls)
    {
      const std::string aKey   = (*aCallIt)[1].str();
      const std::string aChain = (*aCallIt)[2].str();
      std::string       anArguments;
      for (size_t aPos = aChain.find(".Arg("); aPos != std::string::npos;
           aPos        = aChain.find(".Arg(", aPos + 1))
      {
        const std::string anArg = aChain.substr(aPos + 5, aChain.find(".Arg(", aPos + 1) - aPos - 5);
        anArguments += std::regex_search(anArg, aText) ? 's' : 'n';
      }
      ASSERT_TRUE(Message_MsgFile::HasMsg(aKey.c_str())) << aKey << " in " << aFile.path();
      const std::string aCatalogued = TCollection_AsciiString(Message_MsgFile::Msg(aKey.c_str())).ToCString();
      std::string       aPlaceholders;
      for (std::sregex_iterator anIt(aCatalogued.begin(), aCatalogued.end(), aPlaceholder); anIt != anEnd;
           ++anIt)
      {
        aPlaceholders += (*anIt)[1].str() == "s" ? 's' : 'n';
      }
      EXPECT_EQ(aPlaceholders, anArguments) << aKey << " in " << aFile.path();
    }
  }
  EXPECT_GT(aNbCalls, 20);
}
