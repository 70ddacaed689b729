#include "tests/win/recorder_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "framework/win/handles.h"

namespace merovix::test {

std::string MakeSubfolder(const TempFolder& parent, const std::string& name) {
  std::string path = parent.Path();
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = std::min(name.find('\\', start), name.size());
    path += "\\" + name.substr(start, end - start);
    CreateDirectoryA(path.c_str(), nullptr);
    start = end + 1;
  }
  return path;
}

std::string InstallRecorder(const std::string& folder, const std::string& name, const std::string& config) {
  const std::string exe = folder + "\\" + name + ".exe";
  EXPECT_TRUE(CopyFileA((TestBinFolder() + "\\recorder.exe").c_str(), exe.c_str(), FALSE))
      << exe << " error " << GetLastError();
  if (!config.empty()) WriteTextFile(folder + "\\" + name + ".cfg", config);
  return exe;
}

ScopedRecorderCopy::ScopedRecorderCopy(const std::string& folder, const std::string& name, const std::string& config)
    : base_(folder + "\\" + name) {
  // Its configuration and log must not be files of someone else's either.
  const auto missing = [&](const char* extension) {
    return GetFileAttributesA((base_ + extension).c_str()) == INVALID_FILE_ATTRIBUTES;
  };
  placed_ = missing(".cfg") && missing(".log") &&
            CopyFileA((TestBinFolder() + "\\recorder.exe").c_str(), Path().c_str(), TRUE);
  if (placed_ && !config.empty()) WriteTextFile(base_ + ".cfg", config);
}

ScopedRecorderCopy::~ScopedRecorderCopy() {
  if (!placed_) return;
  for (const char* extension : {".exe", ".cfg", ".log"}) DeleteFileA((base_ + extension).c_str());
}

std::vector<recorder::Record> RecordsOf(const std::string& exe_path) {
  return recorder::ParseLog(ReadTextFile(exe_path.substr(0, exe_path.size() - 4) + ".log"));
}

std::string CurrentFolder() {
  char folder[MAX_PATH * 2] = {};
  const DWORD n = GetCurrentDirectoryA(sizeof(folder), folder);
  return std::string(folder, n);
}

ScopedCurrentFolder::ScopedCurrentFolder(const std::string& folder) : previous_(CurrentFolder()) {
  EXPECT_TRUE(SetCurrentDirectoryA(folder.c_str())) << folder;
}

ScopedCurrentFolder::~ScopedCurrentFolder() { SetCurrentDirectoryA(previous_.c_str()); }

NamedEvent::NamedEvent() {
  static int counter = 0;
  name_ = "merovix-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
  event_.reset(CreateEventA(nullptr, TRUE, FALSE, name_.c_str()));
  EXPECT_TRUE(event_);
}

bool ProcessEnds(DWORD timeout_ms, const std::string& pid) {
  const UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, std::strtoul(pid.c_str(), nullptr, 10)));
  return !process || WaitForSingleObject(process.get(), timeout_ms) == WAIT_OBJECT_0;
}

}  // namespace merovix::test
