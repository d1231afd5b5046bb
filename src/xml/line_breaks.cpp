#include "xml/line_breaks.h"

#include <algorithm>

#include "xml/xml.h"

namespace rk::xml {
namespace {

template <typename UnitAt>
int Detect(std::size_t units, UnitAt unitAt) {
  std::size_t i = units > 0 && unitAt(0) == u'\n' ? 1 : 0;
  for (; i + 1 < units; ++i) {
    unsigned unit = unitAt(i);
    if (unit == u'\r') return unitAt(i + 1) == u'\n' ? kLineBreakCrLf : kLineBreakCr;
    if (unit == u'\n') return kLineBreakLf;
  }
  return kLineBreakUnknown;
}

}  // namespace

int DetectLineBreakStyle(const unsigned char* bytes, std::size_t count) {
  auto zeros = static_cast<std::size_t>(std::count(bytes, bytes + count, 0));
  if (zeros > 4) {
    return Detect(count / 2, [bytes](std::size_t i) {
      return static_cast<unsigned>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    });
  }
  return Detect(count, [bytes](std::size_t i) { return static_cast<unsigned>(bytes[i]); });
}

}  // namespace rk::xml
