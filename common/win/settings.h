#pragma once
// The product's settings file (INI) through the system's profile functions,
// and string values of the registry. An empty file or section name selects
// SettingsFile / SettingsSection.
#include <windows.h>

#include <string>

#include "framework/exceptions.h"

namespace merovix {

bool ReadIniBool(const std::string& key, bool fallback, const std::string& file, const std::string& section);
// True when the value was written; false when the file does not exist (it is
// never created), is a reparse point or has a second hard link (nothing is
// written then), or the write failed.
bool WriteIniBool(const std::string& key, bool value, const std::string& file, const std::string& section);
// Leaves `result` untouched when the key is empty.
void ReadIniString(const std::string& key, const std::string& fallback, const std::string& file,
                   const std::string& section, std::string& result);
// Nothing is deleted from a file that WriteIniBool would not write.
void DeleteIniKey(const std::string& key, const std::string& file, const std::string& section);

// A value that exists with another type than a string.
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// REG_SZ or REG_EXPAND_SZ (unexpanded) up to its first NUL; empty when the
// key or value is missing. Raises ERegistryException for other types.
void ReadRegistryString(HKEY root, const std::string& key_path, const std::string& value_name, std::string& result);

}  // namespace merovix
