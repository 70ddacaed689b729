#include "common/win/settings.h"

#include <vector>

#include "common/ini_rules.h"
#include "common/win/file_system.h"
#include "framework/strings.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace merovix {
namespace {

// Longest value the profile functions hand back, plus its terminator.
constexpr DWORD kIniValueBuffer = 2048;

std::string ReadProfileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& fallback) {
  char buffer[kIniValueBuffer];
  const DWORD length = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer,
                                                  kIniValueBuffer, file.c_str());
  return std::string(buffer, length);
}

// Ordinary users may write settings.ini while the run has administrator
// rights: a write goes only into a plain file of one name (no reparse point,
// no second hard link), held meanwhile so that nobody can rename it or put
// something else under its name (others may still read and write it).
UniqueFileHandle PinPlainSettingsFile(const std::string& path) {
  UniqueFileHandle file(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  std::uint64_t size = 0;
  if (file && !IsPlainFileOfOneName(file.get(), size)) file.reset();
  return file;
}

}  // namespace

bool ReadIniBool(const std::string& key, bool fallback, const std::string& file, const std::string& section) {
  const std::string path = SettingsFileOr(file);
  if (!FileExists(path)) return fallback;
  return IniValueToBool(ReadProfileString(path, SettingsSectionOr(section), key, ""), fallback);
}

bool WriteIniBool(const std::string& key, bool value, const std::string& file, const std::string& section) {
  const std::string path = SettingsFileOr(file);
  if (!FileExists(path)) return false;
  const UniqueFileHandle pinned = PinPlainSettingsFile(path);
  if (!pinned) return false;
  return ::WritePrivateProfileStringA(SettingsSectionOr(section).c_str(), key.c_str(), value ? "1" : "0",
                                      path.c_str()) != FALSE;
}

void ReadIniString(const std::string& key, const std::string& fallback, const std::string& file,
                   const std::string& section, std::string& result) {
  const std::string path = SettingsFileOr(file);
  if (!FileExists(path)) {
    result = fallback;
    return;
  }
  if (key.empty()) return;
  result = ReadProfileString(path, SettingsSectionOr(section), EscapeIniKey(key), fallback);
}

void DeleteIniKey(const std::string& key, const std::string& file, const std::string& section) {
  const std::string path = SettingsFileOr(file);
  if (key.empty() || !FileExists(path)) return;
  const UniqueFileHandle pinned = PinPlainSettingsFile(path);
  if (!pinned) return;
  ::WritePrivateProfileStringA(SettingsSectionOr(section).c_str(), key.c_str(), nullptr, path.c_str());
}

void ReadRegistryString(HKEY root, const std::string& key_path, const std::string& value_name, std::string& result) {
  result.clear();
  const std::string path = StartsWith(key_path, "\\") ? key_path.substr(1) : key_path;
  UniqueRegKey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    // An installer writes its entry into the registry view of its own
    // bitness, which need not be ours: look in the other view as well.
    // (32-bit Windows has one view and ignores KEY_WOW64_64KEY.)
#ifdef _WIN64
    ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, key.put());
#else
    ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put());
#endif
  }
  if (!key) return;

  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(key.get(), value_name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return;
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    throw ERegistryException(FormatOne("Ungültiger Datentyp für '%s'", AnsiToUtf8(value_name)));
  }
  if (size == 0) return;
  std::vector<char> buffer(size + 1, '\0');
  if (::RegQueryValueExA(key.get(), value_name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS) {
    return;
  }
  result = UntilNul(std::string_view(buffer.data(), size));
}

}  // namespace merovix
