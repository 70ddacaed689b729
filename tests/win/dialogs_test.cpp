#include "framework/win/dialogs.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <thread>

#include "tests/win/test_support.h"

namespace merovix::test {
namespace {

struct SeenDialog {
  bool found = false;
  std::wstring text;  // of its first static control
};

BOOL CALLBACK FindDialogWindow(HWND window, LPARAM data) {
  wchar_t class_name[16] = {};
  ::GetClassNameW(window, class_name, std::size(class_name));
  if (std::wstring(class_name) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(data) = window;
  return FALSE;
}

// Waits (at most ten seconds) for a dialog shown by `thread_id`, reads its
// text and presses OK.
SeenDialog AnswerDialog(DWORD thread_id) {
  HWND dialog = nullptr;
  const bool found = WaitUntil([&] {
    ::EnumThreadWindows(thread_id, &FindDialogWindow, reinterpret_cast<LPARAM>(&dialog));
    return dialog != nullptr;
  });
  if (!found) return {};
  wchar_t text[256] = {};
  ::GetWindowTextW(::FindWindowExW(dialog, nullptr, L"Static", nullptr), text, std::size(text));
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return {true, text};
}

TEST(WinDialogs, AMessageWithANulByteShowsItsTextUpToTheNul) {
  // A path read from a file may carry a NUL; the in-memory dialog template
  // must not be thrown out of step by it.
  constexpr char kText[] = "Datei C:\\a\0b nicht gefunden!";
  const DWORD this_thread = ::GetCurrentThreadId();
  SeenDialog seen;
  std::thread answer([&] { seen = AnswerDialog(this_thread); });
  ShowMessage(std::string_view(kText, sizeof(kText) - 1));
  answer.join();
  EXPECT_TRUE(seen.found);
  EXPECT_EQ(seen.text, L"Datei C:\\a");
}

}  // namespace
}  // namespace merovix::test
