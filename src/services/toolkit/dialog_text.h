#pragma once
// The texts the open-file dialog is set up from: the default path taken apart into starting
// folder and proposed name, and the filter list. No window system here.

#include <string>
#include <string_view>
#include <vector>

namespace rk::tk::detail {

struct StartPath {
  std::u16string folder;  // starting folder, empty for none
  std::u16string name;    // proposed file name, empty for none
};

// Splits a default path at its last "/" or "\" into folder (the part before) and name (the
// part after). Without a separator, or with a "\" as the only one and first character, the
// whole text is the name; a "/" as the only one and first character is the root folder. A name that no file can have (a control character or any of " * / : < > ? \ |)
// is dropped.
StartPath SplitDefaultPath(std::u16string_view path);

// One entry of a filter list: its label and its patterns (separated by ";").
struct FilterPair {
  std::u16string_view label;
  std::u16string_view patterns;
};

// The pairs of the filter list "label|pattern|label|pattern", in order. The list ends at an
// empty part or a label without a pattern.
std::vector<FilterPair> FilterPairs(std::u16string_view pattern);

// The filter list "label|pattern|label|pattern" as Qt name filters "label (pattern)", in order.
// A label that already ends with its pattern in parentheses is used as it is; patterns separated
// by ";" are separated by blanks for Qt. The list ends at an empty part or a label without a
// pattern.
std::vector<std::u16string> NameFilters(std::u16string_view pattern);

}  // namespace rk::tk::detail
