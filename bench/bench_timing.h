// Wall and processor time of the benchmarks' measurements, and their medians.
#pragma once

#include <time.h>

#include <algorithm>
#include <vector>

// Wall and processor time of one measurement, in seconds.
struct Times {
  double wall = 0;
  double cpu = 0;
};

inline double Now(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

class Stopwatch {
 public:
  Stopwatch() : wall_(Now(CLOCK_MONOTONIC)), cpu_(Now(CLOCK_PROCESS_CPUTIME_ID)) {}
  Times Elapsed() const {
    return Times{Now(CLOCK_MONOTONIC) - wall_, Now(CLOCK_PROCESS_CPUTIME_ID) - cpu_};
  }

 private:
  double wall_;
  double cpu_;
};

inline double Median(std::vector<double> values) {
  if (values.empty())
    return 0;
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Median wall and processor time of a series of measurements.
struct Series {
  std::vector<double> wall;
  std::vector<double> cpu;
  void Add(Times t) {
    wall.push_back(t.wall);
    cpu.push_back(t.cpu);
  }
  Times Median() const { return Times{::Median(wall), ::Median(cpu)}; }
};
