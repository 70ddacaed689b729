// benchtool capture MIB REPETITIONS
//
// RunCommandCaptured on MIB MiB of output ("type data.txt" in the current
// folder), beside its baseline: cmd.exe copying the same bytes into a file
// ("type data.txt > copy.txt"), started the same way. Each repetition runs
// both, one after the other, so that both see the same machine load.
// Prints copy_ms=<list> capture_ms=<list>; exit code 1 when a single byte
// of the capture differs from the data or the copy has not the data's size.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/reader_cases.h"
#include "bench/timing.h"
#include "benchtool/benchtool.h"
#include "common/win/launch.h"

namespace merovix::bench {
namespace {

// Printable lines of 64 bytes (CR LF included), each numbered, so that a
// lost or reordered chunk cannot go unnoticed.
std::string MakeData(unsigned mib) {
  const size_t size = static_cast<size_t>(mib) << 20;
  std::string data;
  data.reserve(size);
  char line[65];
  for (unsigned n = 0; data.size() < size; ++n) {
    std::snprintf(line, sizeof(line), "%010u %-51s\r\n", n, "captured output of a command for the benchmark");
    data.append(line, 64);
  }
  data.resize(size);
  return data;
}

bool FileHasSize(const std::string& path, size_t size) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeHigh == 0 &&
         data.nFileSizeLow == size;
}

std::string CurrentFolder() {
  char folder[MAX_PATH];
  const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, folder);
  return std::string(folder, length < MAX_PATH ? length : 0);
}

}  // namespace

int CaptureOutput(unsigned mib, unsigned repetitions) {
  const std::string folder = CurrentFolder();
  const std::string data = MakeData(mib);
  if (folder.empty() || !WriteTextFile(folder + "\\data.txt", data)) {
    std::fprintf(stderr, "cannot write data.txt in the current folder\n");
    return 1;
  }
  std::vector<double> copy_ms, capture_ms;
  std::string output;
  for (unsigned i = 0; i < repetitions; ++i) {
    copy_ms.push_back(MillisecondsOf([&] { RunCommandCaptured("type data.txt > copy.txt", folder, output); }));
    if (!FileHasSize(folder + "\\copy.txt", data.size())) {
      std::fprintf(stderr, "cmd.exe's copy has not the size of the data\n");
      return 1;
    }
    capture_ms.push_back(MillisecondsOf([&] { RunCommandCaptured("type data.txt", folder, output); }));
    if (output != data) {
      std::fprintf(stderr, "captured %zu bytes that differ from the %zu bytes written\n", output.size(), data.size());
      return 1;
    }
  }
  ::DeleteFileA((folder + "\\copy.txt").c_str());
  ::DeleteFileA((folder + "\\data.txt").c_str());
  std::printf("copy_ms=%s capture_ms=%s\n", JoinTimes(copy_ms).c_str(), JoinTimes(capture_ms).c_str());
  return 0;
}

}  // namespace merovix::bench
