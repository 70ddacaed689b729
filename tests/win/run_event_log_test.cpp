// The event source's registration and the program's message table, under
// Wine (which keeps no event log: ReportEventW succeeds and prints the
// strings on its "eventlog" debug channel, read end to end).
#include "app/win/run_event_log.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/win/handles.h"
#include "tests/win/test_files.h"

namespace merovix::test {
namespace {

constexpr const wchar_t* kSourceKey = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Merovix Update";

std::wstring MessageFile() {
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSourceKey, 0, KEY_QUERY_VALUE, key.put()) != 0) return L"(no key)";
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t), type = 0;
  ::RegQueryValueExW(key.get(), L"EventMessageFile", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  DWORD types = 0;
  size = sizeof(types);
  ::RegQueryValueExW(key.get(), L"TypesSupported", nullptr, nullptr, reinterpret_cast<BYTE*>(&types), &size);
  return std::wstring(value) + L" " + std::to_wstring(type) + L" " + std::to_wstring(types);
}

void SetMessageFile(const std::wstring& path) {
  UniqueRegKey key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSourceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr),
            0);
  ::RegSetValueExW(key.get(), L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

TEST(RunEventLog, TheSourcePointsAtTheProgramUnlessItsMessageFileIsThere) {
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSourceKey);
  wchar_t own[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, own, MAX_PATH);
  const std::wstring registered = std::wstring(own) + L" " + std::to_wstring(REG_EXPAND_SZ) + L" 7";
  ReportRunEvent({"1.0", RunOutcome::Updated, 0, "", {}, ""});
  EXPECT_EQ(MessageFile(), registered);

  // An installer's registration stays while its file is there.
  SetMessageFile(L"%SystemRoot%\\system32\\kernel32.dll");
  ReportRunEvent({"1.0", RunOutcome::DownloadFailed, 21, "", {}, ""});
  EXPECT_EQ(MessageFile(), L"%SystemRoot%\\system32\\kernel32.dll " + std::to_wstring(REG_EXPAND_SZ) + L" 7");
  // One whose file has gone is repaired.
  SetMessageFile(L"C:\\gone\\Update_Merovix.exe");
  ReportRunEvent({"1.0", RunOutcome::DownloadFailed, 21, "", {}, ""});
  EXPECT_EQ(MessageFile(), registered);
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSourceKey);
}

// Event Viewer shows an entry's text only where the message file has its id.
TEST(RunEventLog, TheProgramsMessageTableHasEveryEventId) {
  const std::string program = TestBinFolder() + "\\Update_Merovix_signed.exe";
  const UniqueModule module(::LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module) << program;
  for (const RunEventEntry& event : kRunEvents) {
    wchar_t entry_text[] = L"Text des Eintrags";
    DWORD_PTR insert[] = {reinterpret_cast<DWORD_PTR>(entry_text)};
    wchar_t text[128] = {};
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module.get(),
                                          event.event_id, 0, text, 128, reinterpret_cast<va_list*>(insert));
    EXPECT_EQ(std::wstring(text, length), L"Text des Eintrags\r\n") << event.event_id;
  }
}

}  // namespace
}  // namespace merovix::test
