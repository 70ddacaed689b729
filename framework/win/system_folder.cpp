#include "framework/win/system_folder.h"

#include <iterator>

namespace merovix {

std::string SystemFolder() {
  char buffer[MAX_PATH + 1] = {};
  const UINT length = ::GetSystemDirectoryA(buffer, std::size(buffer));
  if (length == 0 || length >= std::size(buffer)) return {};
  std::string folder(buffer, length);
  if (folder.back() == '\\') folder.pop_back();
  return folder;
}

std::string SystemProgram(const char* file_name) {
  const std::string folder = SystemFolder();
  return folder.empty() ? std::string() : folder + "\\" + file_name;
}

void RestrictDllSearchToSystemFolder() {
  // Looked up at run time: Windows 7 has the function only with KB2533623.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto set_default_dll_directories = ProcAddress<SetDefaultDllDirectoriesFn>(::GetModuleHandleA("kernel32.dll"),
                                                                                   "SetDefaultDllDirectories");
  if (set_default_dll_directories != nullptr && set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // Without it, at least the current folder leaves the search.
  ::SetDllDirectoryA("");
}

void EnterSystemFolder() {
  const std::string folder = SystemFolder();
  if (!folder.empty()) ::SetCurrentDirectoryA(folder.c_str());
}

UniqueModule LoadSystemLibrary(const char* file_name) {
  const std::string path = SystemProgram(file_name);
  if (path.empty()) return UniqueModule();
  // A full path: the DLL's own imports are then looked up in its folder first.
  return UniqueModule(::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace merovix
