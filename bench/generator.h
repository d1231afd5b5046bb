#pragma once
// Deterministic router-format phonebooks of any size, for benchmarks and for trying large books.
// The same options always give the same bytes, on every platform and library version.

#include <cstdint>
#include <filesystem>
#include <string>

namespace rk::bench {

struct GenerateOptions {
  std::int64_t contacts = 0;  // number of <contact> elements
  bool crlf = false;          // CR LF line ends instead of LF
  bool comments = false;      // one comment inside every 1,000th contact (at least one)
};

// The whole phonebook file as UTF-8 bytes.
std::string GenerateBook(const GenerateOptions& options);

// Writes GenerateBook(options) to `path`, replacing it; true when every byte was written.
bool WriteBook(const std::filesystem::path& path, const GenerateOptions& options);

}  // namespace rk::bench
