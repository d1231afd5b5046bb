#pragma once
// The lines of the information window's text: a short guide and the licence notes.

#include <array>
#include <string_view>

namespace rk::app {

extern const std::array<std::u16string_view, 43> kInfoLines;

}  // namespace rk::app
