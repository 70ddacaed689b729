#pragma once
// Helpers of the Windows tests around recorder.exe (tests/tools/recorder):
// copies of the recorder under any name with their configuration, the
// records they leave, and what tests of started programs need besides.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/win/handles.h"
#include "tests/win/test_files.h"
#include "tests/tools/recorder/record_format.h"

namespace merovix::test {

// Creates the folder `name` (may hold "\\") below `parent` with its
// parents and returns its path.
std::string MakeSubfolder(const TempFolder& parent, const std::string& name);

// Copies recorder.exe to `folder`\`name`.exe with `config` as its
// configuration; returns the copy's path.
std::string InstallRecorder(const std::string& folder, const std::string& name, const std::string& config = "");

// A copy of recorder.exe at `folder`\`name`.exe in a folder that outlives the
// test (a System folder). It never replaces an existing file; the copy, its
// configuration and its log go when the scope ends.
class ScopedRecorderCopy {
 public:
  ScopedRecorderCopy(const std::string& folder, const std::string& name, const std::string& config = "");
  ScopedRecorderCopy(const ScopedRecorderCopy&) = delete;
  ScopedRecorderCopy& operator=(const ScopedRecorderCopy&) = delete;
  ~ScopedRecorderCopy();
  // False when the file existed already or the folder refused it.
  bool Placed() const { return placed_; }
  std::string Path() const { return base_ + ".exe"; }

 private:
  std::string base_;
  bool placed_ = false;
};

// The records the copy at `exe_path` has left so far.
std::vector<recorder::Record> RecordsOf(const std::string& exe_path);

std::string CurrentFolder();

// Makes `folder` the current folder for the scope's lifetime.
class ScopedCurrentFolder {
 public:
  explicit ScopedCurrentFolder(const std::string& folder);
  ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
  ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;
  ~ScopedCurrentFolder();

 private:
  std::string previous_;
};

// A manual-reset event with a name of its own, for recorders that wait with
// "wait=NAME".
class NamedEvent {
 public:
  NamedEvent();
  NamedEvent(const NamedEvent&) = delete;
  NamedEvent& operator=(const NamedEvent&) = delete;
  const std::string& Name() const { return name_; }
  void Set() const { SetEvent(event_.get()); }

 private:
  std::string name_;
  UniqueHandle event_;
};

// True when the process with the decimal id `pid` has ended or ends within
// `timeout_ms`.
bool ProcessEnds(DWORD timeout_ms, const std::string& pid);

}  // namespace merovix::test
