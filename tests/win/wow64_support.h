#pragma once
// What a test needs to see the redirection that 64-bit Windows applies to a
// 32-bit process (WoW64): C:\Windows\system32 leads such a process into
// SysWOW64, and HKLM\Software into the 32-bit registry view.
#include <windows.h>

#include <string>

namespace merovix::test {

// True for a 32-bit process on 64-bit Windows.
bool IsWow64();

// True where the registry has a 32-bit and a 64-bit view.
inline bool HasTwoRegistryViews() { return sizeof(void*) == 8 || IsWow64(); }

// KEY_WOW64_64KEY or KEY_WOW64_32KEY: the registry view of this process's own
// bitness, and the other one.
REGSAM OwnRegistryView();
REGSAM OtherRegistryView();

// The System folders by the paths that reach them without redirection: the
// one that "system32" leads this process to, and the one of the other
// bitness (Sysnative for a 32-bit process; empty on 32-bit Windows).
struct SystemFolders {
  std::string own;
  std::string other;
};
SystemFolders RealSystemFolders();

}  // namespace merovix::test
