// benchtool: the benchmark's measurements under Windows.
//   benchtool dialog EXE CAPTION TIMEOUT_MS   start to first dialog, peak memory
//   benchtool capture MIB REPETITIONS         captured command output vs cmd's copy
//   benchtool readers METHOD BYTES REPETITIONS [BUDGET_MS]
//                                             reading the directive list and settings
//   benchtool alternate REPETITIONS EXE_A PARAMS_A EXE_B PARAMS_B
//                                             two programs' run times, side by side
// Figures go to standard output as key=value pairs; exit code 1 when a
// measurement failed, 2 on wrong usage.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "benchtool/benchtool.h"

int main(int argc, char** argv) {
  using namespace merovix::bench;
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "dialog" && argc == 5) {
    return FirstDialog(argv[2], argv[3], static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)));
  }
  if (command == "capture" && argc == 4) {
    return CaptureOutput(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)),
                         static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)));
  }
  if (command == "readers") return ReadLists(argc - 1, argv + 1);
  if (command == "alternate") return Alternate(argc - 1, argv + 1);
  std::fprintf(stderr, "usage: see bench/benchtool/main.cpp\n");
  return 2;
}
