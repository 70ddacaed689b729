#include "tests/win/recorder_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/win/handles.h"

namespace merovix::testing {
namespace {

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  {
    const UniqueFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (find) {
      do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(path);
        } else {
          DeleteFileA(path.c_str());
        }
      } while (FindNextFileA(find.get(), &entry));
    }
  }
  SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

TempFolder::TempFolder() {
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(sizeof(temp), temp);
  static int counter = 0;
  path_ = std::string(temp) + "merovix-test-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(++counter);
  RemoveTree(path_);
  EXPECT_TRUE(CreateDirectoryA(path_.c_str(), nullptr)) << path_ << " error " << GetLastError();
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::string TempFolder::Subfolder(const std::string& name) const {
  std::string path = path_;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = std::min(name.find('\\', start), name.size());
    path += "\\" + name.substr(start, end - start);
    CreateDirectoryA(path.c_str(), nullptr);
    start = end + 1;
  }
  return path;
}

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string TestBinFolder() {
  char path[MAX_PATH * 2] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string own(path, n);
  return own.substr(0, own.rfind('\\'));
}

std::string InstallRecorder(const std::string& folder, const std::string& name, const std::string& config) {
  const std::string exe = folder + "\\" + name + ".exe";
  EXPECT_TRUE(CopyFileA((TestBinFolder() + "\\recorder.exe").c_str(), exe.c_str(), FALSE))
      << exe << " error " << GetLastError();
  if (!config.empty()) WriteFileBytes(folder + "\\" + name + ".cfg", config);
  return exe;
}

std::vector<recorder::Record> RecordsOf(const std::string& exe_path) {
  return recorder::ParseLog(ReadFileBytes(exe_path.substr(0, exe_path.size() - 4) + ".log"));
}

std::string ReadFileBytes(const std::string& path) {
  std::string content;
  const UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  if (!file) return content;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) content.append(buffer, read);
  return content;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  const UniqueFileHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << path << " error " << GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  ASSERT_EQ(written, bytes.size());
}

}  // namespace merovix::testing
