#include "common/win/processes.h"

#include "common/process_matching.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "framework/win/win32_error.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace merovix {
namespace {

UniqueFileHandle TakeProcessSnapshot() { return UniqueFileHandle(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)); }

std::string ExeFileOf(const PROCESSENTRY32& entry) {
  return std::string(entry.szExeFile, ::strnlen(entry.szExeFile, sizeof(entry.szExeFile)));
}

// Calls `visit` for every entry in snapshot order. False (with the thread's
// last error set) when not even the first entry can be read.
template <typename Visit>
bool ForEachProcess(HANDLE snapshot, Visit visit) {
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  if (!::Process32First(snapshot, &entry)) return false;
  do {
    visit(entry);
  } while (::Process32Next(snapshot, &entry));
  return true;
}

// The full path of the process's executable; empty when it cannot be read.
std::string ImageNameOf(HANDLE process) {
  std::string path(MAX_PATH, '\0');
  DWORD length = static_cast<DWORD>(path.size());
  while (!::QueryFullProcessImageNameA(process, 0, path.data(), &length)) {
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || path.size() >= 32768) return {};
    path.resize(path.size() * 4);
    length = static_cast<DWORD>(path.size());
  }
  path.resize(length);
  return path;
}

}  // namespace

void ListProcessNames(TStringList& Names) {
  Names.Clear();
  const UniqueFileHandle snapshot = TakeProcessSnapshot();
  // Raised with the snapshot's own error rather than that of reading an
  // invalid handle.
  if (!snapshot) RaiseLastWin32Error();
  const auto add = [&](const PROCESSENTRY32& entry) { Names.Add(ExeFileOf(entry)); };
  if (!ForEachProcess(snapshot.get(), add)) RaiseLastWin32Error();
}

std::uint32_t CountProcesses(const std::string& Name) {
  TStringList names;
  ListProcessNames(names);
  return CountWholeNameMatches(names, Name, AnsiUpperCase);
}

bool KillProcessesByName(const std::string& Name) {
  bool result = false;
  const UniqueFileHandle snapshot = TakeProcessSnapshot();
  if (!snapshot) return false;
  const auto kill_if_matching = [&](const PROCESSENTRY32& entry) {
    if (!FileNameMatches(ExeFileOf(entry), Name)) return;
    const UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
    result = process && ::TerminateProcess(process.get(), 0);
  };
  ForEachProcess(snapshot.get(), kill_if_matching);
  return result;
}

bool ProcessIdRunning(const std::string& IdText) {
  const auto id = ParseProcessIdText(IdText);
  if (!id) return false;
  const UniqueFileHandle snapshot = TakeProcessSnapshot();
  if (!snapshot) return false;
  bool running = false;
  ForEachProcess(snapshot.get(),
                 [&](const PROCESSENTRY32& entry) { running = running || entry.th32ProcessID == *id; });
  return running;
}

bool KillProgramByIdText(const std::string& IdText, const std::string& ExeName) {
  const auto id = ParseProcessIdText(IdText);
  if (!id || *id == ::GetCurrentProcessId()) return false;
  const UniqueHandle process(
      ::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, *id));
  if (!process || !FileNameMatches(ImageNameOf(process.get()), ExeName)) return false;
  if (::TerminateProcess(process.get(), 0)) return true;
  const DWORD refusal = ::GetLastError();
  // Windows refuses to terminate a process that has just ended by itself.
  if (::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return true;
  ::SetLastError(refusal);
  RaiseLastWin32Error();
}

bool WaitForProgramToEnd(const std::string& Name, std::uint32_t LimitMs) {
  const UniqueFileHandle snapshot = TakeProcessSnapshot();
  if (!snapshot) return false;
  const std::string wanted = AnsiUpperCase(Name);
  std::vector<UniqueHandle> processes;
  bool all_waitable = true;
  ForEachProcess(snapshot.get(), [&](const PROCESSENTRY32& entry) {
    if (AnsiUpperCase(ExeFileOf(entry)) != wanted) return;
    UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
    // A process that ended since the snapshot cannot be opened either.
    if (process) {
      processes.push_back(std::move(process));
    } else if (::GetLastError() != ERROR_INVALID_PARAMETER) {
      all_waitable = false;
    }
  });
  const ULONGLONG deadline = ::GetTickCount64() + LimitMs;
  bool all_ended = all_waitable;
  for (const UniqueHandle& process : processes) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    all_ended = ::WaitForSingleObject(process.get(), left) == WAIT_OBJECT_0 && all_ended;
  }
  return all_ended;
}

bool KillProcessById(std::uint32_t Id) {
  const UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, Id));
  if (!process) return false;
  if (!::TerminateProcess(process.get(), 0)) RaiseLastWin32Error();
  return true;
}

void KillProcessByIdText(const std::string& IdText) {
  const auto id = ParseProcessIdText(IdText);
  // A recorded id may be stale and now belong to this very process: ending
  // ourselves would break off whatever the caller was in the middle of.
  if (!id || *id == ::GetCurrentProcessId()) return;
  if (ProcessIdRunning(IdText)) KillProcessById(*id);
}

std::vector<std::uint32_t> SessionsOfProgram(const std::string& Name) {
  std::vector<std::uint32_t> sessions;
  const UniqueFileHandle snapshot = TakeProcessSnapshot();
  if (!snapshot) return sessions;
  const std::string wanted = AnsiUpperCase(Name);
  ForEachProcess(snapshot.get(), [&](const PROCESSENTRY32& entry) {
    DWORD session = 0;
    if (AnsiUpperCase(ExeFileOf(entry)) == wanted && ::ProcessIdToSessionId(entry.th32ProcessID, &session)) {
      sessions.push_back(session);
    }
  });
  std::sort(sessions.begin(), sessions.end());
  sessions.erase(std::unique(sessions.begin(), sessions.end()), sessions.end());
  return sessions;
}

bool RunsAsLocalSystem() {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  // TOKEN_USER with the SID after it; a SID takes at most 68 bytes.
  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } buffer{};
  DWORD length = 0;
  if (!::GetTokenInformation(token.get(), TokenUser, &buffer, sizeof(buffer), &length)) return false;
  return ::IsWellKnownSid(buffer.user.User.Sid, WinLocalSystemSid) != FALSE;
}

}  // namespace merovix
