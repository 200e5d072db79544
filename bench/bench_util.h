// What the benches share: medians, milliseconds and a process's proportional memory.
#pragma once

#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

namespace panelia::bench {

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

inline double Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// PSS of one process in KiB, -1 when it cannot be read.
inline long PssKiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("Pss:", 0) == 0) return std::stol(line.substr(4));
  return -1;
}

}  // namespace panelia::bench
