#pragma once
// Process measurements for the benchmark programs: wall time, resident memory, heap in use.

#include <chrono>
#include <cstdint>

namespace rk::bench {

// Milliseconds since construction, from the monotonic clock.
class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  double ElapsedMs() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

// User plus system CPU time of the whole process so far, in milliseconds. Unlike wall time it
// hardly changes when other work shares the machine.
double ProcessCpuMs();

// Highest resident set size of the process so far, in KiB (VmHWM).
std::int64_t PeakRssKb();

// Current resident set size, in KiB (VmRSS); 0 when unknown.
std::int64_t CurrentRssKb();

// Bytes the allocator has handed out and not yet taken back (small and mapped blocks).
std::int64_t HeapInUseBytes();

// Gives free heap memory back to the system, so RSS reflects what is really held.
void ReleaseFreeHeap();

}  // namespace rk::bench
