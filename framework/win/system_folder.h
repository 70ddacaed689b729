#pragma once
// The Windows System folder as the one place system programs and DLLs come
// from. The updater runs elevated from a folder that ordinary users can write
// to, so nothing it starts or loads may be found by a search that looks there
// or in the current folder first.
#include <windows.h>

#include <string>

#include "framework/win/handles.h"

namespace merovix {

// The System folder without trailing backslash (C:\Windows\system32), empty
// when Windows cannot tell it.
std::string SystemFolder();

// SystemFolder() + "\" + file_name; empty when the folder is unknown, so
// that nothing is started or loaded from elsewhere instead.
std::string SystemProgram(const char* file_name);

// Lets LoadLibrary find DLLs only in the System folder, never in the
// program's folder, the current folder or the PATH. Call first thing at
// start-up, before anything could load a DLL.
void RestrictDllSearchToSystemFolder();

// Makes the System folder the current folder, so that no program or DLL is
// looked up relative to a folder that users can write to.
void EnterSystemFolder();

// Loads `file_name` from the System folder by its full path; empty on failure.
// For DLLs that Windows does not always take from there (wintrust, crypt32):
// imported statically, they would be looked up in the program's folder first.
UniqueModule LoadSystemLibrary(const char* file_name);

// The function `name` of `module` as type `Function`; null when it is missing.
template <typename Function>
Function ProcAddress(HMODULE module, const char* name) {
  return module == nullptr ? nullptr
                           : reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace merovix
