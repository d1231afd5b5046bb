#include "services/toolkit/dialog_text.h"

#include <algorithm>

namespace rk::tk::detail {
namespace {

bool IsPossibleFileName(std::u16string_view name) {
  constexpr std::u16string_view kForbidden = u"\"*/:<>?\\|";
  return std::none_of(name.begin(), name.end(), [&](char16_t unit) {
    return unit < 32 || kForbidden.find(unit) != std::u16string_view::npos;
  });
}

}  // namespace

StartPath SplitDefaultPath(std::u16string_view path) {
  StartPath result;
  const std::size_t cut = path.find_last_of(u"/\\");
  if (cut == 0 && path.front() == u'/') {
    // Here a leading "/" is the root folder, not the mark of a name without a folder.
    result.folder = u"/";
    result.name = path.substr(1);
  } else if (cut == std::u16string_view::npos || cut == 0) {
    result.name = path;
  } else {
    result.folder = path.substr(0, cut);
    result.name = path.substr(cut + 1);
  }
  if (!IsPossibleFileName(result.name)) result.name.clear();
  return result;
}

std::vector<FilterPair> FilterPairs(std::u16string_view pattern) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  while (start <= pattern.size()) {
    const std::size_t bar = std::min(pattern.find(u'|', start), pattern.size());
    parts.push_back(pattern.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<FilterPair> pairs;
  for (std::size_t pair = 0; pair + 1 < parts.size(); pair += 2) {
    if (parts[pair].empty() || parts[pair + 1].empty()) break;
    pairs.push_back({parts[pair], parts[pair + 1]});
  }
  return pairs;
}

std::vector<std::u16string> NameFilters(std::u16string_view pattern) {
  std::vector<std::u16string> filters;
  for (const auto& [label, patterns] : FilterPairs(pattern)) {
    std::u16string qtPatterns(patterns);
    std::replace(qtPatterns.begin(), qtPatterns.end(), u';', u' ');
    const std::u16string suffix = u"(" + std::u16string(patterns) + u")";
    if (label.ends_with(suffix) && qtPatterns == patterns) {
      filters.emplace_back(label);
    } else {
      filters.push_back(std::u16string(label) + u" (" + qtPatterns + u")");
    }
  }
  return filters;
}

}  // namespace rk::tk::detail
