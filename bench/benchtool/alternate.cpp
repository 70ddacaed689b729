// benchtool alternate REPETITIONS EXE_A PARAMS_A EXE_B PARAMS_B
//
// Runs program A and then program B (each hidden, waited for), REPETITIONS
// times, so that each pair sees about the same machine load. Prints
// a_ms=<list> b_ms=<list> and a_spans=<start:end,...> b_spans=<...>: the
// performance counter in microseconds at each start and end, the clock the
// test service logs with (clock=1), so that its log lines can be told to a
// run. Exit code 1 when a program could not be started or ended with an
// exit code other than 0.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench/timing.h"
#include "benchtool/benchtool.h"
#include "common/win/launch.h"

namespace merovix::bench {
namespace {

long long Microseconds() {
  LARGE_INTEGER now{}, frequency{};
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<long long>(static_cast<double>(now.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart));
}

struct Runs {
  std::vector<double> ms;
  std::string spans;
};

bool RunOnce(const std::string& exe, const std::string& parameters, Runs& runs) {
  const long long start = Microseconds();
  const std::optional<std::uint32_t> code = RunAndWaitForExitCode(exe, parameters, SW_HIDE);
  const long long end = Microseconds();
  runs.ms.push_back(static_cast<double>(end - start) / 1000.0);
  runs.spans += (runs.spans.empty() ? "" : ",") + std::to_string(start) + ":" + std::to_string(end);
  if (code == 0u) return true;
  std::fprintf(stderr, "%s %s: %s %lu\n", exe.c_str(), parameters.c_str(), code ? "exit code" : "not started",
               code ? static_cast<unsigned long>(*code) : 0ul);
  return false;
}

}  // namespace

int Alternate(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: alternate REPETITIONS EXE_A PARAMS_A EXE_B PARAMS_B\n");
    return 2;
  }
  const unsigned long repetitions = std::strtoul(argv[1], nullptr, 10);
  Runs a, b;
  for (unsigned long i = 0; i < repetitions; ++i) {
    if (!RunOnce(argv[2], argv[3], a) || !RunOnce(argv[4], argv[5], b)) return 1;
  }
  std::printf("a_ms=%s b_ms=%s a_spans=%s b_spans=%s\n", JoinTimes(a.ms).c_str(), JoinTimes(b.ms).c_str(),
              a.spans.c_str(), b.spans.c_str());
  return 0;
}

}  // namespace merovix::bench
