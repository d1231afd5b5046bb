// windows.h comes first: psapi.h uses its types.
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <malloc.h>

#include "measure.h"

namespace rk::bench {
namespace {

PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return {};
  return counters;
}

}  // namespace

double ProcessCpuMs() {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
  // FILETIME counts 100-nanosecond steps.
  const auto ms = [](const FILETIME& t) {
    return static_cast<double>((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

// The working set is Windows' resident set.
std::int64_t PeakRssKb() { return static_cast<std::int64_t>(MemoryCounters().PeakWorkingSetSize / 1024); }

std::int64_t CurrentRssKb() { return static_cast<std::int64_t>(MemoryCounters().WorkingSetSize / 1024); }

// The C runtime's heap does not tell what it has handed out.
std::int64_t HeapInUseBytes() { return 0; }

void ReleaseFreeHeap() { ::_heapmin(); }

}  // namespace rk::bench
