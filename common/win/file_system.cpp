#include "common/win/file_system.h"

#include <ntsecapi.h>

#include <algorithm>

#include "common/paths.h"

namespace merovix {
namespace {

// True when `path` exists and its attributes, masked by `mask`, are `wanted`.
bool HasAttributes(const std::string& path, DWORD mask, DWORD wanted) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & mask) == wanted;
}

}  // namespace

bool FileExists(const std::string& path) { return HasAttributes(path, FILE_ATTRIBUTE_DIRECTORY, 0); }

bool DirectoryExists(const std::string& path) {
  return HasAttributes(path, FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
}

bool IsRealFolder(const std::string& path) {
  return HasAttributes(path, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, FILE_ATTRIBUTE_DIRECTORY);
}

UniqueFileHandle PinFolder(const std::string& folder) {
  // Without FILE_SHARE_DELETE: a rename or delete by others fails.
  return UniqueFileHandle(::CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

void RemoveFolderAndFiles(const std::string& folder) {
  // Pinned, the folder cannot be renamed or swapped for a junction while its
  // files go (nor made one: it is not empty).
  UniqueFileHandle pinned = PinFolder(folder);
  if (!pinned || !IsRealFolder(folder)) return;
  WIN32_FIND_DATAA entry{};
  UniqueFindHandle find(::FindFirstFileA(JoinPath(folder, "*").c_str(), &entry));
  if (find) {
    do {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
      const std::string path = JoinPath(folder, entry.cFileName);
      // A link is deleted itself, and its target's attributes stay alone.
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      }
      ::DeleteFileA(path.c_str());
    } while (::FindNextFileA(find.get(), &entry));
  }
  find.reset();
  pinned.reset();
  // Whatever may stand under the name now, RemoveDirectory removes only an
  // empty folder, or a junction itself.
  ::RemoveDirectoryA(folder.c_str());
}

bool IsPlainFileOfOneName(HANDLE file, std::uint64_t& size) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info)) return false;
  constexpr DWORD kRefused = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
  if ((info.dwFileAttributes & kRefused) != 0 || info.nNumberOfLinks != 1) return false;
  size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  return true;
}

UniqueFileHandle HoldPlainFile(const std::string& path) {
  // Reading only, shared only for reading: a program may still be started
  // from the file, but nobody can open it to write or delete (or rename) it.
  UniqueFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  std::uint64_t size = 0;
  if (file && !IsPlainFileOfOneName(file.get(), size)) file.reset();
  return file;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1 << 20));
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

std::string RandomHex() {
  unsigned char bytes[8] = {};
  ::RtlGenRandom(bytes, sizeof(bytes));
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
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
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace merovix
