#include "measure.h"

#include <malloc.h>
#include <sys/resource.h>

#include <fstream>
#include <string>

namespace rk::bench {
namespace {

// A "Key:   123 kB" line of /proc/self/status; -1 when absent.
std::int64_t StatusKb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::stoll(line.substr(key.size()));
  }
  return -1;
}

}  // namespace

double ProcessCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
  };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

std::int64_t PeakRssKb() {
  const std::int64_t hwm = StatusKb("VmHWM:");
  if (hwm >= 0) return hwm;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;  // KiB on Linux
}

std::int64_t CurrentRssKb() {
  const std::int64_t rss = StatusKb("VmRSS:");
  return rss >= 0 ? rss : 0;
}

std::int64_t HeapInUseBytes() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
}

void ReleaseFreeHeap() { malloc_trim(0); }

}  // namespace rk::bench
