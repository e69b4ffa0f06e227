// Frame timing for the runtime's frame benchmarks: every contender runs one
// workload alone in a fresh process, each frame (its allocations, stores and
// collector step together) is timed as a whole, and the process ends by
// printing one RESULT line with the frame statistics and its peak resident memory.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

// Fractions of the sorted frame times that the report names.
constexpr double kMedian = 0.5;
constexpr double kP99 = 0.99;
constexpr double kP999 = 0.999;
constexpr double kNanosPerMicro = 1e3;
constexpr double kMicrosPerMilli = 1e3;

// The calling thread's CPU time: time lost to other processes on a shared
// machine is not counted. Two readings per frame, never one per allocation.
inline long long threadNanos() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// The process's peak resident set in KiB, as the kernel tracks it (VmHWM):
// code, libraries and every allocator's heap alike.
inline long peakResidentKib() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) break;
  std::fclose(f);
  return kib;
}

struct FrameLog {
  std::vector<double> frameUs;

  double at(double q) const {
    std::vector<double> v = frameUs;
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, static_cast<size_t>(q * v.size()))];
  }
  double totalUs() const {
    double t = 0;
    for (double us : frameUs) t += us;
    return t;
  }
};

// Runs `warm` unmeasured frames, then `frames` measured ones; `frame(i)` is
// the whole of frame i, collector step included.
template <class F>
void runFrames(int warm, int frames, F&& frame, FrameLog& log) {
  for (int i = 0; i < warm; ++i) frame(i);
  log.frameUs.reserve(frames);
  for (int i = 0; i < frames; ++i) {
    long long t = threadNanos();
    frame(warm + i);
    log.frameUs.push_back((threadNanos() - t) / kNanosPerMicro);
  }
}

// RESULT <workload> <contender> total_ms median_us p99_us p999_us worst_us peak_kib
inline void printResult(const char* workload, const char* contender, const FrameLog& log) {
  std::printf("RESULT %s %s %.3f %.2f %.2f %.2f %.2f %ld\n", workload, contender, log.totalUs() / kMicrosPerMilli,
              log.at(kMedian), log.at(kP99), log.at(kP999), log.at(1.0), peakResidentKib());
}

// Reads "<workload> <contender>" from the command line.
inline bool parseArgs(int argc, char** argv, const char*& workload, const char*& contender) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s WORKLOAD CONTENDER\n", argv[0]);
    return false;
  }
  workload = argv[1];
  contender = argv[2];
  return true;
}
