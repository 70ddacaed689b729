#pragma once
// Running a program together with everything it starts, in a job object,
// for a bounded time: an installer may do its work in a second process, and
// one waiting on a message box that nobody sees must not hold the caller
// for ever.
#include <cstdint>
#include <optional>
#include <string>

namespace merovix {

struct JobRun {
  bool started = false;
  // The limit passed: every process of the job has been ended.
  bool timed_out = false;
  // The program's own exit code, once it has ended by itself.
  std::optional<std::uint32_t> exit_code;
};

// Starts `ExePath` as RunAndWait does (quoted path, a blank, `Parameters`,
// in `WorkingFolder`, or its own folder when that is empty, a new console)
// inside a job object and waits until no
// process of the job runs, at most `LimitMs`. Once the program itself has
// ended, programs of `KeptFolder` that it left running (the product, started
// again by its installer) no longer hold the wait and run on. Should this
// program die meanwhile, the system ends the job with it. Without a job (one
// the caller's own job forbids), only the program itself is waited for and
// ended.
JobRun RunInJobAndWait(const std::string& ExePath, const std::string& Parameters, std::uint16_t ShowMode,
                       std::uint32_t LimitMs, const std::string& KeptFolder, const std::string& WorkingFolder = "");

}  // namespace merovix
