#include "app/win/run_event_log.h"

#include <windows.h>

#include <string>

#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace merovix {
namespace {

constexpr const wchar_t* kSourceKey = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Merovix Update";

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

// The message file a registered source names, or nothing.
std::wstring RegisteredMessageFile() {
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSourceKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
  wchar_t value[MAX_PATH * 2] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegQueryValueExW(key.get(), L"EventMessageFile", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return {};
  }
  wchar_t expanded[MAX_PATH * 2] = {};
  const DWORD length = ::ExpandEnvironmentStringsW(value, expanded, MAX_PATH * 2);
  return length > 0 && length <= MAX_PATH * 2 ? std::wstring(expanded) : std::wstring();
}

// The program carries the message table itself: a source registered by an
// installer is kept while its message file is there; one that names none,
// or a file that has gone, is pointed at this program.
void RegisterSourceWhereNeeded() {
  const std::wstring registered = RegisteredMessageFile();
  if (!registered.empty() && ::GetFileAttributesW(registered.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  const std::wstring own = OwnPath();
  UniqueRegKey key;
  if (own.empty() || ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSourceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                       key.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  ::RegSetValueExW(key.get(), L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(own.c_str()),
                   static_cast<DWORD>((own.size() + 1) * sizeof(wchar_t)));
  const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
  ::RegSetValueExW(key.get(), L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof(types));
}

}  // namespace

void ReportRunEvent(const RunEventFacts& facts) {
  RegisterSourceWhereNeeded();
  const UniqueEventSource source(::RegisterEventSourceW(nullptr, kEventSource));
  if (!source) return;
  const RunEventEntry& event = RunEvent(facts.outcome);
  const std::wstring text = Utf8ToWide(RunEventText(facts));
  const wchar_t* strings[] = {text.c_str()};
  ::ReportEventW(source.get(), event.error ? EVENTLOG_ERROR_TYPE : EVENTLOG_INFORMATION_TYPE, 0, event.event_id,
                 nullptr, 1, 0, strings, nullptr);
}

}  // namespace merovix
