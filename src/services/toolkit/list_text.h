#pragma once
// Row texts and row lists of the checkable list, shared by both toolkits: no window system here.

#include <span>
#include <string_view>
#include <vector>

namespace rk::tk::detail {

// Row indices put in ascending order without duplicates and without rows outside [0, count).
std::vector<int> NormaliseRows(std::span<const int> rows, int count);

// The `column`-th segment (from 0) of a text whose segments are separated by line feeds;
// empty when the text has fewer segments.
std::u16string_view ColumnSegment(std::u16string_view text, int column);

}  // namespace rk::tk::detail
