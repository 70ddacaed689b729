// benchtool dialog EXE CAPTION TIMEOUT_MS
//
// Starts EXE in its own folder and reports, once a dialog (#32770) of that
// process with the caption CAPTION is visible:
//   ms=<time from just before CreateProcess to the dialog being visible>
//   peak_kib=<the process's peak working set at that moment>
// then ends the process. Exit code 1 when no such dialog came in time.
//
// Dialogs are seen through an out-of-context WinEvent hook, whose events the
// system posts to this thread. Windows sends EVENT_OBJECT_SHOW when the
// dialog is shown. Wine 8 sends only EVENT_OBJECT_CREATE (a known Wine
// difference), before the caption is set and the dialog shown: a created
// dialog is then checked every millisecond until it is visible, so nothing
// polls before the program has made its dialog.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "benchtool/benchtool.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace merovix::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Watch {
  DWORD process_id = 0;
  std::wstring caption;
  std::vector<HWND> created;  // dialogs of the process not yet seen visible
  bool seen = false;
  Clock::time_point shown;
};
Watch* g_watch = nullptr;  // the hook procedure has no context argument

std::wstring ClassOf(HWND window) {
  wchar_t name[64];
  const int length = ::GetClassNameW(window, name, 64);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

std::wstring TextOf(HWND window) {
  wchar_t text[512];
  const int length = ::GetWindowTextW(window, text, 512);
  return std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0);
}

bool IsWantedDialog(const Watch& watch, HWND window) {
  return ::IsWindowVisible(window) && TextOf(window) == watch.caption;
}

void CALLBACK OnWindowEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD) {
  const auto now = Clock::now();
  Watch* watch = g_watch;
  if (watch == nullptr || watch->seen || object != OBJID_WINDOW || window == nullptr) return;
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != watch->process_id || ClassOf(window) != L"#32770") return;
  if (event == EVENT_OBJECT_CREATE) {
    watch->created.push_back(window);
  } else if (IsWantedDialog(*watch, window)) {
    watch->seen = true;
    watch->shown = now;
  }
}

void CheckCreatedDialogs(Watch& watch) {
  for (HWND window : watch.created) {
    if (!watch.seen && IsWantedDialog(watch, window)) {
      watch.seen = true;
      watch.shown = Clock::now();
    }
  }
}

// Dispatches this thread's messages (the hook's events arrive as such) until
// the dialog was seen, the process ended or the deadline passed.
void WaitUntilSeen(HANDLE process, Watch& watch, Clock::time_point deadline) {
  while (!watch.seen) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return;
    const DWORD wait_ms = watch.created.empty() ? static_cast<DWORD>(left) : 1;
    const DWORD woke = ::MsgWaitForMultipleObjects(1, &process, FALSE, wait_ms, QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    CheckCreatedDialogs(watch);
    if (woke == WAIT_OBJECT_0 && !watch.seen) return;  // ended without the dialog
  }
}

size_t PeakWorkingSetKib(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!::GetProcessMemoryInfo(process, &counters, sizeof(counters))) return 0;
  return counters.PeakWorkingSetSize / 1024;
}

}  // namespace

int FirstDialog(const std::string& exe, const std::string& caption, unsigned timeout_ms) {
  Watch watch;
  watch.caption = AnsiToWide(caption);
  g_watch = &watch;
  const UniqueWinEventHook hook(::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, &OnWindowEvent, 0,
                                                  0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS));
  if (!hook) {
    std::fprintf(stderr, "SetWinEventHook failed: %lu\n", ::GetLastError());
    return 1;
  }
  const std::string folder = exe.substr(0, exe.find_last_of('\\') + 1);
  std::string command_line = "\"" + exe + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  UniqueProcessInformation program;
  const auto started = Clock::now();
  if (!::CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, program.put())) {
    std::fprintf(stderr, "cannot start %s: %lu\n", exe.c_str(), ::GetLastError());
    return 1;
  }
  watch.process_id = program.process_id();
  WaitUntilSeen(program.process(), watch, started + std::chrono::milliseconds(timeout_ms));
  const size_t peak_kib = watch.seen ? PeakWorkingSetKib(program.process()) : 0;
  ::TerminateProcess(program.process(), 0);
  ::WaitForSingleObject(program.process(), 10000);
  g_watch = nullptr;
  if (!watch.seen) {
    std::fprintf(stderr, "no dialog \"%s\" within %u ms\n", caption.c_str(), timeout_ms);
    return 1;
  }
  std::printf("ms=%.3f peak_kib=%zu\n", std::chrono::duration<double, std::milli>(watch.shown - started).count(),
              peak_kib);
  return 0;
}

}  // namespace merovix::bench
