#pragma once
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

// Small measures shared by the probes and benchmarks.
namespace measures {

// The marked photo the benchmarks time the detector on: one face about 200 px wide.
constexpr const char* kBenchPhoto = "pexels_0002.png";

// The value below which the share p (0 to 1) of the values lie.
inline double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(std::lround(p * static_cast<double>(values.size() - 1)))];
}

// Sets an environment variable for the code under measure; only before any thread starts.
inline void SetBeforeAnyThread(const char* name, const std::string& value) {
  ::setenv(name, value.c_str(), 1);  // NOLINT(concurrency-mt-unsafe): no other thread runs yet
}

// Raises `most` to `value` if it is less, atomically: threads that start at once each
// leave their count.
inline void RaiseToAtLeast(std::atomic<int>& most, int value) {
  for (int seen = most; value > seen && !most.compare_exchange_weak(seen, value);) {
  }
}

inline double ResidentMiB() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

}  // namespace measures
