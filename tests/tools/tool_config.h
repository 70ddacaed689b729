#pragma once
// Small helpers shared by the test tools: their configuration file beside the
// executable, an append-only log, and waiting for a signal file.
#include "framework/string_list.h"
#include "framework/win/handles.h"

#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>

namespace merovix::tools {

using merovix::UniqueChangeNotification;
using merovix::UniqueFileHandle;
using merovix::UniqueHandle;

inline std::string OwnExePath() {
  char path[MAX_PATH * 2] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof(path));
  return std::string(path, length);
}

inline std::string OwnFolder() {
  const std::string exe = OwnExePath();
  return exe.substr(0, exe.find_last_of('\\') + 1);
}

// The executable's file name without ".exe" ("Merovix" for "...\Merovix.exe").
inline std::string OwnBaseName() {
  std::string name = OwnExePath().substr(OwnFolder().size());
  if (name.size() > 4 && ::lstrcmpiA(name.c_str() + name.size() - 4, ".exe") == 0) name.resize(name.size() - 4);
  return name;
}

// A relative path in a configuration file means a file beside the executable.
inline std::string BesideExe(const std::string& path) {
  if (path.size() > 1 && (path[1] == ':' || (path[0] == '\\' && path[1] == '\\'))) return path;
  return OwnFolder() + path;
}

// The whole file; empty when it cannot be read.
inline std::string ReadFileText(const std::string& path) {
  const UniqueFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (file && ::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    text.append(buffer, read);
  return text;
}

// Reads "key=value" lines; blank lines and lines starting with "#" are skipped.
// A missing file gives an empty configuration.
class ToolConfig {
 public:
  explicit ToolConfig(const std::string& path) {
    for (const std::string& line : SplitLines(ReadFileText(path))) {
      const size_t equals = line.find('=');
      if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
      values_[line.substr(0, equals)] = line.substr(equals + 1);
    }
  }
  std::string Text(const std::string& key, const std::string& fallback = "") const {
    const auto it = values_.find(key);
    return it == values_.end() ? fallback : it->second;
  }
  unsigned long Number(const std::string& key, unsigned long fallback) const {
    const auto it = values_.find(key);
    return it == values_.end() ? fallback : std::strtoul(it->second.c_str(), nullptr, 10);
  }

 private:
  std::map<std::string, std::string> values_;
};

// Appends `text` to `path` in one write: FILE_APPEND_DATA puts it whole at the
// end even when other processes append to the same file meanwhile.
inline void AppendText(const std::string& path, const std::string& text) {
  const UniqueFileHandle file(::CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_ALWAYS, 0, nullptr));
  DWORD written = 0;
  if (file) ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Appends one line (CR LF ended) to `path`.
inline void AppendLine(const std::string& path, const std::string& line) { AppendText(path, line + "\r\n"); }

inline bool FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Waits until `path` exists, `stop` (may be NULL) is signalled or `bound_ms`
// have passed, sleeping on a change notification of the folder. True when
// the file appeared.
inline bool WaitForFile(const std::string& path, HANDLE stop, DWORD bound_ms = INFINITE) {
  const std::string folder = path.substr(0, path.find_last_of('\\') + 1);
  const UniqueChangeNotification change(
      ::FindFirstChangeNotificationA(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
  const ULONGLONG deadline = ::GetTickCount64() + bound_ms;
  for (;;) {
    if (FileExists(path)) return true;
    const ULONGLONG now = ::GetTickCount64();
    if (bound_ms != INFINITE && now >= deadline) return false;
    // The 250 ms only guard against a notification that never comes.
    const DWORD wait_ms = bound_ms == INFINITE || deadline - now > 250 ? 250 : static_cast<DWORD>(deadline - now);
    HANDLE handles[2];
    DWORD count = 0;
    if (stop) handles[count++] = stop;
    if (change) handles[count++] = change.get();
    const DWORD result = count ? ::WaitForMultipleObjects(count, handles, FALSE, wait_ms)
                               : (::Sleep(wait_ms), WAIT_TIMEOUT);
    if (stop && result == WAIT_OBJECT_0) return false;
    if (change && result == WAIT_OBJECT_0 + count - 1) ::FindNextChangeNotification(change.get());
  }
}

}  // namespace merovix::tools
