#pragma once
// Files and folders for Windows tests: a temporary folder removed with its
// content, and whole-file reads and writes.
#include <windows.h>

#include <string>

namespace merovix::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  // Without trailing backslash.
  const std::string& Path() const { return path_; }
  // Creates a sub folder (or an empty file) and returns its full path.
  std::string Folder(const std::string& relative) const;
  std::string File(const std::string& relative) const;

 private:
  std::string path_;
};

// Writes (replacing) a file; a failure fails the running test.
void WriteTextFile(const std::string& path, const std::string& bytes);
std::string ReadTextFile(const std::string& path);
// The folder of the running test program (where the test tools lie).
std::string TestBinFolder();

}  // namespace merovix::test
