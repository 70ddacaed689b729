#pragma once
// Timing helpers of the benchmark programs: wall-clock milliseconds of one
// call, and a list of them as the driver (bench/bench.py) reads it.
#include <chrono>
#include <string>
#include <vector>

namespace merovix::bench {

template <typename Call>
double MillisecondsOf(Call&& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// "1.250,1.310": comma-separated, three decimals.
std::string JoinTimes(const std::vector<double>& milliseconds);

}  // namespace merovix::bench
