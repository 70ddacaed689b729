#include "common/win/program_folder.h"

#include <windows.h>

#include "common/paths.h"

namespace merovix {

std::string ProgramFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
  return StripTrailingDelimiter(FolderPart(path));
}

}  // namespace merovix
