#pragma once
#include <windows.h>

#include <string>

namespace merovix {

// The system's text for an error code, as UTF-8 without the trailing line break.
std::string SystemErrorText(DWORD code);

// Raises EWin32Error for the thread's last error.
[[noreturn]] void RaiseLastWin32Error();

}  // namespace merovix
