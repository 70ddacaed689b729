#include "framework/exceptions.h"
#include "framework/win/text.h"
#include "framework/win/win32_error.h"

#include <gtest/gtest.h>

#include <string>

namespace merovix::test {
namespace {

using namespace std::string_literals;

TEST(WinText, GermanTextsSurviveTheRoundTripThroughUtf16) {
  const std::string text = "Möchten Sie das Update von Merovix laden und installieren?";
  EXPECT_EQ(Utf8ToWide(text), L"M\u00f6chten Sie das Update von Merovix laden und installieren?");
  EXPECT_EQ(WideToUtf8(Utf8ToWide(text)), text);
}

TEST(WinText, AnsiUpperCaseFollowsTheLocaleWhileAsciiDoesNot) {
  // Code page 1252 (Wine's default here): a-umlaut 0xE4, A-umlaut 0xC4.
  if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252";
  EXPECT_EQ(AnsiUpperCase("\xE4rger.exe"), "\xC4RGER.EXE");
  EXPECT_EQ(AnsiToUtf8("\xE4"), "ä");
}

TEST(WinText, Utf8ToAnsiConvertsUpToTheFirstNul) {
  if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252";
  std::string result = "old";
  Utf8ToAnsi(
      "Gr\xC3\xB6\xC3\x9F"
      "e \xE2\x82\xAC\r\n",
      result);
  EXPECT_EQ(result,
            "Gr\xF6\xDF"
            "e \x80\r\n");
  Utf8ToAnsi("a\0b"s, result);
  EXPECT_EQ(result, "a");
  Utf8ToAnsi("", result);
  EXPECT_EQ(result, "");
  // Characters the code page lacks are replaced as the platform does it.
  Utf8ToAnsi("\xE4\xB8\xAD", result);
  EXPECT_EQ(result, "?");
}

TEST(WinText, RaiseLastWin32ErrorCarriesTheCodeAndTheSystemText) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  try {
    RaiseLastWin32Error();
    FAIL() << "no exception";
  } catch (const EWin32Error& e) {
    EXPECT_EQ(e.ErrorCode(), 2u);
    EXPECT_EQ(e.Message().rfind("Win32-Fehler.  Code: 2.\n", 0), 0u) << e.Message();
    EXPECT_GT(e.Message().size(), std::string("Win32-Fehler.  Code: 2.\n").size());
  }
}

}  // namespace
}  // namespace merovix::test
