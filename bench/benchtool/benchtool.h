#pragma once
// The measurements of the benchmark that run under Windows (Wine), one per
// subcommand of benchtool.exe. Each prints its figures as key=value pairs on
// standard output for bench/bench.py and returns the process exit code.
#include <string>

namespace merovix::bench {

int FirstDialog(const std::string& exe, const std::string& caption, unsigned timeout_ms);
int CaptureOutput(unsigned mib, unsigned repetitions);
int ReadLists(int argc, char** argv);
int Alternate(int argc, char** argv);

}  // namespace merovix::bench
