#include "framework/string_list.h"
#include "framework/strings.h"
#include "framework/exceptions.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

TEST(Strings, AsciiUpperCaseTouchesOnlyAsciiLetters) {
  EXPECT_EQ(AsciiUpperCase("merovix_diagnose.exe"), "MEROVIX_DIAGNOSE.EXE");
  EXPECT_EQ(AsciiUpperCase("\xE4rger"), "\xE4RGER");  // a-umlaut in code page 1252 stays
  EXPECT_TRUE(AsciiSameText("UpdateFilename", "UPDATEfilename"));
  EXPECT_FALSE(AsciiSameText("\xE4rger", "\xC4rger"));
  EXPECT_FALSE(AsciiSameText("ab", "abc"));
}

TEST(Strings, ReplaceAllWorksLeftToRightWithoutRescanning) {
  EXPECT_EQ(ReplaceAll("a[1][2]", "[", "#~"), "a#~1]#~2]");
  EXPECT_EQ(ReplaceAll("aaa", "aa", "a"), "aa");
  EXPECT_EQ(ReplaceAll("", "x", "y"), "");
}

TEST(StringList, SplitsAtEveryKindOfLineEndAndStopsAtNul) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\n\rb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitLines(std::string("a\nb\0c\nd", 7)), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(StringList, TextEndsEveryLineWithCrLf) {
  TStringList list;
  list.SetText("x\ny");
  EXPECT_EQ(list.Text(), "x\r\ny\r\n");
}

TEST(Exceptions, Win32ErrorMessageNamesCodeAndSystemText) {
  EXPECT_EQ(EWin32Error(5, "Zugriff verweigert").Message(), "Win32-Fehler.  Code: 5.\nZugriff verweigert");
  EXPECT_EQ(EWin32Error(0, "").Message(), "Eine Win32-API-Funktion ist fehlgeschlagen");
  EXPECT_EQ(EFCreateError("C:\\P\\StopService").Message(), "Datei C:\\P\\StopService kann nicht erstellt werden");
}

}  // namespace
}  // namespace merovix
