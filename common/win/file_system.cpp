#include "common/win/file_system.h"

#include <windows.h>

#include "common/transfer_commands.h"
#include "framework/win/handles.h"

namespace merovix {

void RemoveFolderAndFiles(const std::string& folder) {
  WIN32_FIND_DATAA entry{};
  UniqueFindHandle find(::FindFirstFileA(JoinPath(folder, "*").c_str(), &entry));
  if (find) {
    do {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        const std::string path = JoinPath(folder, entry.cFileName);
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(find.get(), &entry));
  }
  ::RemoveDirectoryA(folder.c_str());
}

}  // namespace merovix
