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

namespace {

bool IdentifyFile(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  // No access rights are needed to ask who a file is; folders are not files.
  UniqueFileHandle file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && ::GetFileInformationByHandle(file.get(), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION first{}, second{};
  return IdentifyFile(a, first) && IdentifyFile(b, second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace merovix
