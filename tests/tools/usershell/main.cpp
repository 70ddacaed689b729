// Stand-in for the user's shell beside an elevated program. Wine's desktop
// has no shell window (GetShellWindow gives NULL), and its processes run
// with an elevated token whose unelevated half is the linked token.
//   usershell.exe shell        starts a copy of itself with the linked,
//                              unelevated token; the copy makes one of its
//                              windows the shell window, logs
//                              "shell pid=<pid> elevated=<0|1> session=<n>"
//                              to usershell.log beside the executable, and
//                              runs until this first process ends (at most
//                              120 s). Exit code 1 when the copy could not
//                              be started.
//   usershell.exe token <pid>  prints "elevated=<0|1> session=<n>" for the
//                              token of process <pid>; exit code 1 when it
//                              cannot be read.
#include "tool_config.h"

#include <windows.h>

#include <cstdio>
#include <string>

// Exported by user32, not declared by the MinGW headers.
extern "C" BOOL WINAPI SetShellWindow(HWND);

using namespace merovix::tools;

namespace {

constexpr DWORD kLongestRunMs = 120 * 1000;

std::string TokenText(HANDLE token) {
  TOKEN_ELEVATION elevation{};
  DWORD session = 0, length = 0;
  if (!::GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &length) ||
      !::GetTokenInformation(token, TokenSessionId, &session, sizeof(session), &length)) {
    return {};
  }
  return "elevated=" + std::to_string(elevation.TokenIsElevated != 0 ? 1 : 0) + " session=" + std::to_string(session);
}

int PrintToken(DWORD id) {
  const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  UniqueHandle token;
  if (!process || !::OpenProcessToken(process.get(), TOKEN_QUERY, token.put())) return 1;
  const std::string text = TokenText(token.get());
  if (text.empty()) return 1;
  std::printf("%s\n", text.c_str());
  return 0;
}

int StartUnelevatedCopy() {
  UniqueHandle own;
  TOKEN_LINKED_TOKEN linked{};
  DWORD length = 0;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, own.put()) ||
      !::GetTokenInformation(own.get(), TokenLinkedToken, &linked, sizeof(linked), &length)) {
    return 1;
  }
  const UniqueHandle half(linked.LinkedToken);
  UniqueHandle primary;
  if (!::DuplicateTokenEx(half.get(), MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary, primary.put())) {
    return 1;
  }
  std::string command_line = "\"" + OwnExePath() + "\" copy " + std::to_string(::GetCurrentProcessId());
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  merovix::UniqueProcessInformation copy;
  if (!::CreateProcessAsUserA(primary.get(), nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, copy.put())) {
    return 1;
  }
  ::WaitForSingleObject(copy.process(), kLongestRunMs);
  return 0;
}

int RunAsShell(DWORD starter_id) {
  const HWND window = ::CreateWindowA("STATIC", "usershell", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr || !::SetShellWindow(window)) return 1;
  UniqueHandle own;
  ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, own.put());
  AppendLine(OwnFolder() + "usershell.log",
             "shell pid=" + std::to_string(::GetCurrentProcessId()) + " " + TokenText(own.get()));
  const UniqueHandle starter(::OpenProcess(SYNCHRONIZE, FALSE, starter_id));
  const ULONGLONG deadline = ::GetTickCount64() + kLongestRunMs;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) break;
    HANDLE handles[1] = {starter.get()};
    const DWORD count = starter ? 1 : 0;
    const DWORD woke = ::MsgWaitForMultipleObjects(count, handles, FALSE, static_cast<DWORD>(deadline - now),
                                                   QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + count) break;  // the starter ended, or the time is up
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
  }
  ::DestroyWindow(window);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "shell") return StartUnelevatedCopy();
  if (mode == "copy" && argc > 2) return RunAsShell(std::strtoul(argv[2], nullptr, 10));
  if (mode == "token" && argc > 2) return PrintToken(std::strtoul(argv[2], nullptr, 10));
  return 2;
}
