#pragma once
// Line-break style of a file, guessed from the raw bytes of one chunk.

#include <cstddef>

namespace rk::xml {

// kLineBreakCrLf, kLineBreakLf or kLineBreakCr for the first line break seen in the chunk,
// kLineBreakUnknown when it holds none. A chunk with more than 4 zero bytes is read as
// 16-bit little-endian units. A line feed at the very start is skipped (it may end a CR LF
// pair split by the previous chunk) and the last unit is only looked at as a follower.
int DetectLineBreakStyle(const unsigned char* bytes, std::size_t count);

}  // namespace rk::xml
