#include "services/toolkit/list_text.h"

#include <algorithm>

namespace rk::tk::detail {

std::u16string_view ColumnSegment(std::u16string_view text, int column) {
  if (column < 0) return {};
  std::size_t start = 0;
  for (int skipped = 0; skipped < column; ++skipped) {
    const std::size_t feed = text.find(u'\n', start);
    if (feed == std::u16string_view::npos) return {};
    start = feed + 1;
  }
  const std::size_t end = text.find(u'\n', start);
  if (end == std::u16string_view::npos) return text.substr(start);
  return text.substr(start, end - start);
}

std::vector<int> NormaliseRows(std::span<const int> rows, int count) {
  std::vector<int> result(rows.begin(), rows.end());
  // Callers pass ascending indices; anything else is put in order rather than misread.
  if (!std::is_sorted(result.begin(), result.end())) std::sort(result.begin(), result.end());
  std::erase_if(result, [count](int row) { return row < 0 || row >= count; });
  result.erase(std::unique(result.begin(), result.end()), result.end());
  return result;
}

}  // namespace rk::tk::detail
