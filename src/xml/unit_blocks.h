#pragma once
// Scanning a text a block of units at a time, and the line-break test built on it.

#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "xml/char_classes.h"

namespace rk::xml {

// True when `test(at)` is true for one of the blocks of kWidth units that cover [0, count),
// count >= kWidth: whole blocks from the start, then one ending at `count` that reaches back
// over units already tested, so that nothing past the end is read and the tail needs no loop
// of its own. Stops at the first block that tests true.
template <std::size_t kWidth, class Test>
[[gnu::always_inline]] inline bool AnyBlock(std::size_t count, Test&& test) {
  for (std::size_t at = 0; at + kWidth < count; at += kWidth) {
    if (test(at)) return true;
  }
  return test(count - kWidth);
}

// True when `text` holds a line break; eight units are compared at a time.
inline bool HasLineBreak(std::u16string_view text) {
  const char16_t* const units = text.data();
#if defined(__SSE2__)
  if (text.size() >= 8) {
    return AnyBlock<8>(text.size(), [units](std::size_t at) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at));
      __m128i breaks = _mm_setzero_si128();
      for (char unit : kUnitsOf<kClassBreak>) breaks = _mm_or_si128(breaks, _mm_cmpeq_epi16(block, _mm_set1_epi16(unit)));
      return _mm_movemask_epi8(breaks) != 0;
    });
  }
#endif
  for (char16_t unit : text) {
    if (IsBreak(unit)) return true;
  }
  return false;
}

}  // namespace rk::xml
