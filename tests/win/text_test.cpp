#include "framework/exceptions.h"
#include "framework/win/text.h"
#include "framework/win/win32_error.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

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
}  // namespace merovix
