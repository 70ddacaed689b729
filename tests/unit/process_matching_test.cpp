#include "common/process_matching.h"

#include "framework/strings.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

// Stands in for the locale's rules: upper-cases a-umlaut (0xE4) to 0xC4 too.
std::string LatinUpperCase(std::string_view text) {
  std::string result = AsciiUpperCase(text);
  for (char& c : result) {
    if (static_cast<unsigned char>(c) == 0xE4) c = static_cast<char>(0xC4);
  }
  return result;
}

TStringList Names(std::initializer_list<const char*> names) {
  TStringList list;
  for (const char* name : names) list.Add(name);
  return list;
}

TEST(ProcessMatching, CountComparesWholeNamesWithTheGivenUpperCasing) {
  const TStringList running = Names({"Merovix.exe", "storescp.exe", "MEROVIX.EXE", "Merovix.exe.bak", "xMerovix.exe",
                                     "\xC4rger.exe", "C:\\P\\Merovix.exe"});
  EXPECT_EQ(CountWholeNameMatches(running, "merovix.exe", LatinUpperCase), 2u);
  EXPECT_EQ(CountWholeNameMatches(running, "\xE4rger.exe", LatinUpperCase), 1u);
  EXPECT_EQ(CountWholeNameMatches(running, "\xE4rger.exe", AsciiUpperCase), 0u);
  // Only the whole entry counts: a folder on either side keeps names apart.
  EXPECT_EQ(CountWholeNameMatches(running, "C:\\P\\Merovix.exe", LatinUpperCase), 1u);
  EXPECT_EQ(CountWholeNameMatches(Names({"Merovix.exe"}), "C:\\P\\Merovix.exe", LatinUpperCase), 0u);
  EXPECT_EQ(CountWholeNameMatches(running, "", LatinUpperCase), 0u);
  EXPECT_EQ(CountWholeNameMatches(TStringList(), "Merovix.exe", LatinUpperCase), 0u);
}

TEST(ProcessMatching, FileNameMatchTakesTheLastSegmentOrTheWholeEntryByAsciiRules) {
  EXPECT_TRUE(FileNameMatches("NKLS40EK.exe", "nkls40ek.EXE"));
  EXPECT_TRUE(FileNameMatches("C:\\Programme\\Merovix\\Merovix.exe", "MEROVIX.EXE"));
  EXPECT_TRUE(FileNameMatches("C:Merovix.exe", "merovix.exe"));
  EXPECT_TRUE(FileNameMatches("C:\\P\\Merovix.exe", "c:\\p\\merovix.exe"));
  // A name with a folder never equals a bare entry.
  EXPECT_FALSE(FileNameMatches("Merovix.exe", "C:\\P\\Merovix.exe"));
  EXPECT_FALSE(FileNameMatches("Merovix_Diagnose.exe", "Merovix.exe"));
  EXPECT_FALSE(FileNameMatches("C:\\P\\", "Merovix.exe"));
  // Only "a" to "z" are upper-cased: an a-umlaut does not meet its capital.
  EXPECT_TRUE(FileNameMatches("\xC4rger.exe", "\xC4RGER.exe"));
  EXPECT_FALSE(FileNameMatches("\xC4rger.exe", "\xE4rger.exe"));
  EXPECT_FALSE(FileNameMatches("", "Merovix.exe"));
}

TEST(ProcessMatching, IdTextsAreRecognisedOnlyAsPlainDecimalDigits) {
  EXPECT_EQ(ParseProcessIdText("123"), 123u);
  EXPECT_EQ(ParseProcessIdText("0"), 0u);
  EXPECT_EQ(ParseProcessIdText("4294967295"), 4294967295u);
  for (const char* text : {"", "0123", "00", " 123", "123 ", "1 23", "+123", "-123", "12a", "abc", "0x1F",
                           "4294967296", "99999999999", "12\n", "\xB9"}) {
    EXPECT_EQ(ParseProcessIdText(text), std::nullopt) << '"' << text << '"';
  }
  EXPECT_EQ(ParseProcessIdText(std::string_view("12\0"
                                                "3",
                                                4)),
            std::nullopt);
}

}  // namespace
}  // namespace merovix
