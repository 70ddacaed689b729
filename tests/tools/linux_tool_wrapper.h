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
#include <string>

namespace testbed {

inline std::string WideToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// Wine's own export: the Linux name of a Windows path (the last segment need
// not exist). Empty outside Wine or on failure.
inline std::string UnixPath(const std::wstring& windows_path) {
  using Fn = char*(CDECL*)(LPCWSTR);
  static const auto fn =
      reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (fn == nullptr) return {};
  char* unix_path = fn(windows_path.c_str());
  if (unix_path == nullptr) return {};
  std::string result(unix_path);
  HeapFree(GetProcessHeap(), 0, unix_path);
  return result;
}

inline bool WriteAll(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// The exit code the script left, or -1 while it is not there yet.
inline int ReadExitCode(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  char buffer[32] = {};
  DWORD read = 0;
  ReadFile(file, buffer, sizeof buffer - 1, &read, nullptr);
  CloseHandle(file);
  return read > 0 ? atoi(buffer) : -1;
}

inline int RunLinuxTool(const wchar_t* script_name, std::initializer_list<const wchar_t*> path_options) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 126;
  std::string packed;
  for (int i = 1; i < argc; ++i) {
    std::string arg = WideToUtf8(argv[i]);
    if (i > 1) {
      for (const wchar_t* option : path_options) {
        if (lstrcmpW(argv[i - 1], option) == 0) arg = UnixPath(argv[i]);
      }
    }
    packed.append(arg).push_back('\0');
  }
  LocalFree(argv);

  wchar_t temp_folder[MAX_PATH], args_file[MAX_PATH], own_path[MAX_PATH];
  if (!GetTempPathW(MAX_PATH, temp_folder) || !GetTempFileNameW(temp_folder, L"ltw", 0, args_file)) return 126;
  const std::wstring rc_file = std::wstring(args_file) + L".rc";
  if (!WriteAll(args_file, packed)) return 126;
  GetModuleFileNameW(nullptr, own_path, MAX_PATH);
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
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    DeleteFileW(args_file);
    return 126;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);  // not waitable for a Linux program under Wine

  // Woken by changes in the temporary folder; the periodic time-out only
  // guards against a missed notification. Bounded well above the tools' own
  // time-outs.
  HANDLE change = FindFirstChangeNotificationW(temp_folder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
  const ULONGLONG deadline = GetTickCount64() + 120000;
  int code = ReadExitCode(rc_file);
  while (code < 0 && GetTickCount64() < deadline) {
    if (change != INVALID_HANDLE_VALUE) {
      WaitForSingleObject(change, 250);
      FindNextChangeNotification(change);
    } else {
      Sleep(50);
    }
    code = ReadExitCode(rc_file);
  }
  if (change != INVALID_HANDLE_VALUE) FindCloseChangeNotification(change);
  DeleteFileW(args_file);
  DeleteFileW(rc_file.c_str());
  return code < 0 ? 125 : code;
}

}  // namespace testbed
