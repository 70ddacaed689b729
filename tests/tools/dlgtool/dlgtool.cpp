// Test helper: finds top-level windows of other programs, reports them as
// JSON on standard output (UTF-8) and acts on them the way a user would.
//
//   dlgtool wait CAPTION [TIMEOUT_MS]     the visible window with that caption
//   dlgtool find-class CLASS [TIMEOUT_MS] the visible window of that class
//   dlgtool press CAPTION BUTTON_TEXT     click a button of that window
//   dlgtool escape CAPTION                press Escape in that window
//   dlgtool close CAPTION                 close it with its close box
//   dlgtool list                          every visible top-level window
//   dlgtool watch TIMEOUT_MS PROGRAM [ARG...]
//                                         starts PROGRAM and notes every
//                                         visible top-level window that
//                                         appears until it ends: one line
//                                         {"exit":code,"windows":[...]}
//                                         (exit null when it did not end)
//   dlgtool select-folder CAPTION PATH [TIMEOUT_MS]
//                                         in that folder dialog, select the
//                                         tree item of PATH (C:\ or C:\a\b,
//                                         or item texts: My Computer)
//                                         as a user would; reports the items
//                                         passed, or the choices where none fit
//
// Exit code 0 on success, 1 when the window, button or folder was not found
// in time, 2 on wrong usage. Waiting polls every 20 ms up to the time-out
// (5 s unless given).
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "dlgtool/folder_tree.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace {

using merovix::Utf8ToWide;
using merovix::WideToUtf8;

std::wstring WindowText(HWND window) {
  wchar_t buffer[4096];
  const int length = GetWindowTextW(window, buffer, std::size(buffer));
  return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256];
  const int length = GetClassNameW(window, buffer, std::size(buffer));
  return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string Json(const std::wstring& text) {
  std::string out = "\"";
  for (char c : WideToUtf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

BOOL CALLBACK AddVisible(HWND window, LPARAM list) {
  if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

BOOL CALLBACK AddAny(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(&AddVisible, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, &AddAny, reinterpret_cast<LPARAM>(&children));
  return children;
}

template <typename Match>
HWND WaitFor(Match match, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    for (HWND window : TopLevelWindows()) {
      if (match(window)) return window;
    }
    if (GetTickCount() - start >= timeout_ms) return nullptr;
    Sleep(20);
  }
}

HWND WaitForCaption(const std::wstring& caption, DWORD timeout_ms) {
  return WaitFor([&](HWND window) { return WindowText(window) == caption; }, timeout_ms);
}

void Describe(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  RECT client{};
  GetClientRect(window, &client);
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  std::string texts, buttons, controls;
  bool icon = false;
  for (HWND child : Children(window)) {
    // Every control by its own style: a dialog that is still being set up
    // shows none of them to IsWindowVisible.
    controls += (controls.empty() ? "" : ",") + std::string("{\"id\":") + std::to_string(GetDlgCtrlID(child)) +
                ",\"class\":" + Json(ClassOf(child)) +
                ",\"visible\":" + ((GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) ? "true" : "false") +
                ",\"enabled\":" + (IsWindowEnabled(child) ? "true" : "false") + "}";
    if (!IsWindowVisible(child)) continue;
    const std::wstring cls = ClassOf(child);
    const LONG child_style = GetWindowLongW(child, GWL_STYLE);
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
      const bool is_default = (child_style & 0x0F) == BS_DEFPUSHBUTTON;
      buttons += (buttons.empty() ? "" : ",") + std::string("{\"text\":") + Json(WindowText(child)) +
                 ",\"id\":" + std::to_string(GetDlgCtrlID(child)) +
                 ",\"default\":" + (is_default ? "true" : "false") + "}";
    } else if (_wcsicmp(cls.c_str(), L"Static") == 0) {
      if ((child_style & SS_TYPEMASK) == SS_ICON) {
        icon = icon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
      } else if (!WindowText(child).empty()) {
        texts += (texts.empty() ? "" : ",") + Json(WindowText(child));
      }
    }
  }
  std::printf(
      "{\"hwnd\":%llu,\"class\":%s,\"caption\":%s,\"rect\":[%ld,%ld,%ld,%ld],\"client\":[%ld,%ld],"
      "\"style\":%lu,\"border\":%s,\"screen\":[%d,%d],\"texts\":[%s],\"buttons\":[%s],\"icon\":%s,"
      "\"controls\":[%s]}\n",
      static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), Json(ClassOf(window)).c_str(),
      Json(WindowText(window)).c_str(), rect.left, rect.top, rect.right, rect.bottom, client.right, client.bottom,
      static_cast<unsigned long>(style), (style & (WS_BORDER | WS_THICKFRAME | WS_DLGFRAME)) ? "true" : "false",
      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), texts.c_str(), buttons.c_str(),
      icon ? "true" : "false", controls.c_str());
}

HWND FindButton(HWND window, const std::wstring& text) {
  for (HWND child : Children(window)) {
    if (_wcsicmp(ClassOf(child).c_str(), L"Button") == 0 && WindowText(child) == text) return child;
  }
  return nullptr;
}

// The tree view of the shell's folder dialog.
constexpr int kFolderTreeId = 14145;

// One argument of a command line as CommandLineToArgvW splits it again.
std::wstring QuotedArgument(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

// Polls every 10 ms: a window of the program's that waits for an answer
// stays, and a console window lasts as long as its program.
int Watch(DWORD timeout_ms, const std::wstring& command_line) {
  std::vector<HWND> seen = TopLevelWindows();  // there before the start: not the program's
  std::wstring line = command_line;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  merovix::UniqueProcessInformation started;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, started.put())) {
    return 2;
  }
  const HANDLE process = started.process();
  std::string windows;
  const DWORD start = GetTickCount();
  bool ended = false;
  while (!ended && GetTickCount() - start < timeout_ms) {
    ended = WaitForSingleObject(process, 10) == WAIT_OBJECT_0;
    for (HWND window : TopLevelWindows()) {
      if (std::find(seen.begin(), seen.end(), window) != seen.end()) continue;
      seen.push_back(window);
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      windows += (windows.empty() ? "" : ",") + std::string("{\"class\":") + Json(ClassOf(window)) +
                 ",\"caption\":" + Json(WindowText(window)) +
                 ",\"own\":" + (pid == started.process_id() ? "true" : "false") + "}";
    }
  }
  DWORD code = 0;
  const std::string exit = ended && GetExitCodeProcess(process, &code) ? std::to_string(code) : "null";
  std::printf("{\"exit\":%s,\"windows\":[%s]}\n", exit.c_str(), windows.c_str());
  return ended ? 0 : 1;
}

}  // namespace

int main() {
  int argc = 0;
  const merovix::UniqueLocalMem argv_block(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv_block || argc < 2) return 2;
  const auto argv = static_cast<LPWSTR*>(argv_block.get());
  const std::wstring command = argv[1];
  auto timeout = [&](int index) { return argc > index ? static_cast<DWORD>(_wtoi(argv[index])) : 5000u; };

  if (command == L"list") {
    for (HWND window : TopLevelWindows()) Describe(window);
    return 0;
  }
  if (argc < 3) return 2;
  if (command == L"watch" && argc >= 4) {
    std::wstring command_line;
    for (int i = 3; i < argc; ++i) command_line += (i > 3 ? L" " : L"") + QuotedArgument(argv[i]);
    return Watch(timeout(2), command_line);
  }
  if (command == L"wait" || command == L"find-class") {
    const std::wstring key = argv[2];
    const HWND window = command == L"wait" ? WaitForCaption(key, timeout(3))
                                           : WaitFor([&](HWND w) { return ClassOf(w) == key; }, timeout(3));
    if (window == nullptr) return 1;
    Describe(window);
    return 0;
  }
  const HWND window = WaitForCaption(argv[2], 5000);
  if (window == nullptr) return 1;
  if (command == L"press" && argc >= 4) {
    const HWND button = FindButton(window, argv[3]);
    if (button == nullptr) return 1;
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return 0;
  }
  if (command == L"escape") {
    // The dialog's own message loop turns Escape on any of its controls
    // into IDCANCEL, as for a key the user pressed.
    HWND target = GetWindow(window, GW_CHILD);
    if (target == nullptr) target = window;
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(target, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
    return 0;
  }
  if (command == L"select-folder" && argc >= 4) {
    HWND tree = nullptr;
    for (HWND child : Children(window)) {
      if (GetDlgCtrlID(child) == kFolderTreeId && ClassOf(child) == L"SysTreeView32") tree = child;
    }
    if (tree == nullptr) return 1;
    const dlgtool::TreeWalk walk = dlgtool::SelectFolderInTree(tree, argv[3], timeout(4));
    std::string visited, choices;
    for (const std::wstring& text : walk.visited) visited += (visited.empty() ? "" : ",") + Json(text);
    for (const std::wstring& text : walk.choices) choices += (choices.empty() ? "" : ",") + Json(text);
    std::printf("{\"ok\":%s,\"error\":%s,\"visited\":[%s],\"choices\":[%s]}\n", walk.ok ? "true" : "false",
                Json(Utf8ToWide(walk.error)).c_str(), visited.c_str(), choices.c_str());
    return walk.ok ? 0 : 1;
  }
  if (command == L"close") {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  }
  return 2;
}
