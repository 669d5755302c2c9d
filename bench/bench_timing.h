// Wall and processor time of the benchmarks' measurements, their medians, and timed runs of
// other programs.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

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

// Runs a program to its end; its wall time and processor time (user + system), or nothing when
// it cannot start or does not exit with 0. With `log`, its standard output and error go there.
inline std::optional<Times> RunProgram(const std::vector<std::string>& argv,
                                       const std::string& log = {}) {
  std::vector<char*> args;
  for (const std::string& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!log.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  Stopwatch watch;
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    return std::nullopt;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return std::nullopt;
  Times t = watch.Elapsed();
  t.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  return t;
}

// A program's peak memory in KiB (ru_maxrss), or 0. The child's own figure would include this
// process, since a spawned child shares its memory until it runs the program; GNU time, a small
// process, measures its own child instead. `scratch` receives the figure.
inline long PeakKiBOfProgram(const std::vector<std::string>& argv,
                             const std::string& scratch,
                             const std::string& log = {}) {
  std::vector<std::string> timed = {"/usr/bin/time", "-f", "%M", "-o", scratch};
  timed.insert(timed.end(), argv.begin(), argv.end());
  long kib = 0;
  if (RunProgram(timed, log)) {
    std::ifstream peak(scratch);
    peak >> kib;
  }
  return kib;
}
