#include "framework/win/dialogs.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace merovix {
namespace {

struct SeenDialog {
  bool found = false;
  std::wstring text;  // of its first static control
};

BOOL CALLBACK FindDialogWindow(HWND window, LPARAM data) {
  wchar_t class_name[16] = {};
  ::GetClassNameW(window, class_name, 16);
  if (std::wstring(class_name) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(data) = window;
  return FALSE;
}

// Waits (at most ten seconds) for a dialog shown by `thread_id`, reads its
// text and presses OK.
SeenDialog AnswerDialog(DWORD thread_id) {
  SeenDialog seen;
  for (int poll = 0; poll < 1000 && !seen.found; ++poll) {
    HWND dialog = nullptr;
    ::EnumThreadWindows(thread_id, &FindDialogWindow, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) {
      ::Sleep(10);
      continue;
    }
    wchar_t text[256] = {};
    ::GetWindowTextW(::FindWindowExW(dialog, nullptr, L"Static", nullptr), text, 256);
    seen = {true, text};
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }
  return seen;
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
}  // namespace merovix
