#include "tests/win/test_files.h"

#include <gtest/gtest.h>

#include <iterator>

#include "framework/win/handles.h"

namespace merovix::test {

TempFolder::TempFolder() {
  char base[MAX_PATH];
  GetTempPathA(std::size(base), base);
  static unsigned counter = 0;
  path_ = std::string(base) + "merovix-test-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(++counter);
  CreateDirectoryA(path_.c_str(), nullptr);
}

namespace {

// Removes a folder with everything in it, read-only files included.
void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA entry{};
  {
    const UniqueFindHandle search(FindFirstFileA((path + "\\*").c_str(), &entry));
    if (search) {
      do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string full = path + "\\" + name;
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(full);
        } else {
          DeleteFileA(full.c_str());
        }
      } while (FindNextFileA(search.get(), &entry));
    }
  }
  RemoveDirectoryA(path.c_str());
}

}  // namespace

TempFolder::~TempFolder() { RemoveTree(path_); }

std::string TempFolder::Folder(const std::string& relative) const {
  const std::string full = path_ + "\\" + relative;
  CreateDirectoryA(full.c_str(), nullptr);
  // The first listing of a new folder moves its last-access time (Linux's
  // relatime under Wine), and Wine's shell item ids carry that time: a folder
  // the browse dialog listed would no longer match one parsed afterwards.
  // Listing it once here settles the time before any dialog sees it.
  WIN32_FIND_DATAA found;
  const UniqueFindHandle listing(FindFirstFileA((full + "\\*").c_str(), &found));
  return full;
}

std::string TempFolder::File(const std::string& relative) const {
  const std::string full = path_ + "\\" + relative;
  WriteTextFile(full, "");
  return full;
}

void WriteTextFile(const std::string& path, const std::string& bytes) {
  UniqueFileHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  EXPECT_TRUE(file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
      << "cannot write " << path;
}

std::string ReadTextFile(const std::string& path) {
  UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string content;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) content.append(buffer, read);
  return content;
}

std::string TestBinFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, std::size(path));
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\'));
}

}  // namespace merovix::test
