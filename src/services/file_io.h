#pragma once
// The one read loop and the one write loop of the program, and the two small interfaces that
// let the XML library read and write without knowing what lies behind them: a file, or in
// tests a reader that ends early or fails.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace rk {

// One read of up to `buffer.size()` bytes from `descriptor`, repeated when a signal interrupts
// it: the count read, 0 at the end of the file, -1 on failure.
[[nodiscard]] std::int64_t ReadSome(int descriptor, std::span<char> buffer);

// Writes all of `bytes` to `descriptor`, going on after short writes and interruptions; false
// on failure. Only write(2) is called, so a signal handler may use it.
[[nodiscard]] bool WriteAll(int descriptor, std::string_view bytes);

// Where bytes come from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `buffer.size()` bytes: the count read, 0 at the end, -1 on failure.
  [[nodiscard]] virtual std::int64_t Read(std::span<char> buffer) = 0;
};

// Where bytes go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all of `bytes`; false on failure (later writes may be skipped).
  [[nodiscard]] virtual bool Write(std::string_view bytes) = 0;
};

}  // namespace rk
