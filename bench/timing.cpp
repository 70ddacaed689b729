#include "bench/timing.h"

#include <cstdio>

namespace merovix::bench {

std::string JoinTimes(const std::vector<double>& milliseconds) {
  std::string joined;
  for (double ms : milliseconds) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.3f", ms);
    if (!joined.empty()) joined += ',';
    joined += text;
  }
  return joined;
}

}  // namespace merovix::bench
