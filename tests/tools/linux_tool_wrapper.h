#pragma once
// The test bed's stand-in for curl.exe / wget.exe: runs Debian's tool through
// a bash script beside this program. Wine starts Linux programs but cannot
// wait for them and hands them neither Windows paths nor the Windows rules of
// a command line, so this program splits its command line the Windows way,
// turns the values of the path options into Linux paths, writes the arguments
// NUL-separated into a temporary file, starts "<script> <that file's Linux
// path>" with its own standard handles and waits (bounded) until the script
// has left the tool's exit code in "<file>.rc". It exits with that code.
#include <windows.h>
#include <shellapi.h>

#include <initializer_list>
#include <iterator>
#include <string>

#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace testbed {

// Wine's own export: the Linux name of a Windows path (the last segment need
// not exist). Empty outside Wine or on failure.
inline std::string UnixPath(const std::wstring& windows_path) {
  using Fn = char*(CDECL*)(LPCWSTR);
  static const auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (fn == nullptr) return {};
  const merovix::UniqueProcessHeapMem unix_path(fn(windows_path.c_str()));
  return unix_path ? std::string(static_cast<const char*>(unix_path.get())) : std::string();
}

inline bool WriteAll(const std::wstring& path, const std::string& bytes) {
  const merovix::UniqueFileHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// The exit code the script left, or -1 while it is not there yet.
inline int ReadExitCode(const std::wstring& path) {
  const merovix::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return -1;
  char buffer[32] = {};
  DWORD read = 0;
  ReadFile(file.get(), buffer, sizeof buffer - 1, &read, nullptr);
  return read > 0 ? atoi(buffer) : -1;
}

inline int RunLinuxTool(const wchar_t* script_name, std::initializer_list<const wchar_t*> path_options) {
  int argc = 0;
  const merovix::UniqueLocalMem argv_block(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv_block) return 126;
  const auto argv = static_cast<LPWSTR*>(argv_block.get());
  std::string packed;
  for (int i = 1; i < argc; ++i) {
    std::string arg = merovix::WideToUtf8(argv[i]);
    if (i > 1) {
      for (const wchar_t* option : path_options) {
        if (lstrcmpW(argv[i - 1], option) == 0) arg = UnixPath(argv[i]);
      }
    }
    packed.append(arg).push_back('\0');
  }

  wchar_t temp_folder[MAX_PATH], args_file[MAX_PATH], own_path[MAX_PATH];
  if (!GetTempPathW(std::size(temp_folder), temp_folder) || !GetTempFileNameW(temp_folder, L"ltw", 0, args_file)) {
    return 126;
  }
  const std::wstring rc_file = std::wstring(args_file) + L".rc";
  if (!WriteAll(args_file, packed)) return 126;
  GetModuleFileNameW(nullptr, own_path, std::size(own_path));
  std::wstring script(own_path);
  script = script.substr(0, script.find_last_of(L'\\') + 1) + script_name;

  // Wine hands a Linux program its arguments without the Windows quoting
  // rules, so the one argument is a Linux path without quotes or blanks.
  std::string unix_args = UnixPath(args_file);
  std::wstring command = L"\"" + script + L"\" " + std::wstring(unix_args.begin(), unix_args.end());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  {
    // Closed at once: a Linux program under Wine cannot be waited for.
    merovix::UniqueProcessInformation started;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, started.put())) {
      DeleteFileW(args_file);
      return 126;
    }
  }

  // Woken by changes in the temporary folder; the periodic time-out only
  // guards against a missed notification. Bounded well above the tools' own
  // time-outs.
  const merovix::UniqueChangeNotification change(
      FindFirstChangeNotificationW(temp_folder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
  const ULONGLONG deadline = GetTickCount64() + 120000;
  int code = ReadExitCode(rc_file);
  while (code < 0 && GetTickCount64() < deadline) {
    if (change) {
      WaitForSingleObject(change.get(), 250);
      FindNextChangeNotification(change.get());
    } else {
      Sleep(50);
    }
    code = ReadExitCode(rc_file);
  }
  DeleteFileW(args_file);
  DeleteFileW(rc_file.c_str());
  return code < 0 ? 125 : code;
}

}  // namespace testbed
