#include "tests/win/wow64_support.h"

#include <iterator>

namespace merovix::test {

bool IsWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

REGSAM OwnRegistryView() { return sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }

REGSAM OtherRegistryView() { return OwnRegistryView() == KEY_WOW64_64KEY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

SystemFolders RealSystemFolders() {
  char system[MAX_PATH] = {}, wow64[MAX_PATH] = {}, windows[MAX_PATH] = {};
  GetSystemDirectoryA(system, std::size(system));
  const bool has_wow64 = GetSystemWow64DirectoryA(wow64, std::size(wow64)) != 0;
  GetWindowsDirectoryA(windows, std::size(windows));
  if (IsWow64()) return {wow64, std::string(windows) + "\\Sysnative"};
  return {system, sizeof(void*) == 8 && has_wow64 ? wow64 : ""};
}

}  // namespace merovix::test
