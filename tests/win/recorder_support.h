#pragma once
// Helpers of the Windows tests around recorder.exe (tests/tools/recorder):
// a temporary folder that removes itself, copies of the recorder under any
// name with their configuration, and the records they leave.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/tools/recorder/record_format.h"

namespace merovix::testing {

// A fresh folder below the temporary folder, removed with all it holds.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();
  // The folder's path without trailing backslash.
  const std::string& Path() const { return path_; }
  // Creates the subfolder `name` (and its parents) and returns its path.
  std::string Subfolder(const std::string& name) const;

 private:
  std::string path_;
};

// True under Wine (its ntdll exports wine_get_version).
bool RunningUnderWine();

// The folder of the running test executable, without trailing backslash.
std::string TestBinFolder();

// Copies recorder.exe to `folder`\`name`.exe with `config` as its
// configuration; returns the copy's path.
std::string InstallRecorder(const std::string& folder, const std::string& name, const std::string& config = "");

// The records the copy at `exe_path` has left so far.
std::vector<recorder::Record> RecordsOf(const std::string& exe_path);

// Polls `done` every 10 ms until it holds or `timeout_ms` has passed.
template <typename Predicate>
bool WaitUntil(Predicate done, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  while (!done()) {
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
  return true;
}

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace merovix::testing
