#include "app/win/journal_store.h"

#include <windows.h>

#include "app/journal.h"
#include "framework/win/handles.h"

namespace merovix {

std::optional<std::string> ReadJournalValue() {
  UniqueRegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kJournalKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  // One byte past the limit, so that an overlong text is seen as such.
  std::string text(kJournalTextMax + 1, '\0');
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(text.size());
  const LONG status = RegQueryValueExA(key.get(), kJournalValue, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                                       &size);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (status == ERROR_MORE_DATA) return std::string(kJournalTextMax + 1, '?');
  if (status != ERROR_SUCCESS || type != REG_SZ) return std::string();
  text.resize(size);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

bool WriteJournalValue(const std::string& text) {
  UniqueRegKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kJournalKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExA(key.get(), kJournalValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool RemoveJournalValue() {
  UniqueRegKey key;
  const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kJournalKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, key.put());
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  const LONG deleted = RegDeleteValueA(key.get(), kJournalValue);
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

}  // namespace merovix
