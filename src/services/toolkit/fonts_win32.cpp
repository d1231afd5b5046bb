// Fonts by slot. A slot keeps what was asked for and a GDI font made for the running scale;
// the handle given out is a key, so a font made again for another DPI keeps its handle.
#include "services/toolkit/state_win32.h"

#include <algorithm>


namespace rk::tk {

using namespace detail;

namespace {

HFONT MakeFont(const FontEntry& entry) {
  // Points at the running scale: the monitor's DPI times the fit of the layout.
  const int dpi = static_cast<int>(96 * Scale() + 0.5);
  LOGFONTW font{};
  font.lfHeight = -MulDiv(entry.points, dpi, 72);
  font.lfWeight = (entry.style & kFontBold) != 0 ? FW_BOLD : FW_NORMAL;
  font.lfItalic = (entry.style & kFontItalic) != 0 ? TRUE : FALSE;
  font.lfUnderline = (entry.style & kFontUnderline) != 0 ? TRUE : FALSE;
  font.lfStrikeOut = (entry.style & kFontStrikeOut) != 0 ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = (entry.style & kFontHighQuality) != 0 ? PROOF_QUALITY : DEFAULT_QUALITY;
  const std::size_t length = std::min(entry.face.size(), std::size(font.lfFaceName) - 1);
  std::copy_n(entry.face.begin(), length, font.lfFaceName);
  return CreateFontIndirectW(&font);
}

}  // namespace

namespace detail {

void RefreshFonts() {
  ToolkitState* state = State();
  if (state == nullptr) return;
  for (auto& [slot, entry] : state->fonts) {
    const HFONT font = MakeFont(entry);
    if (font == nullptr) continue;
    for (const auto& [number, control] : state->controls) {
      if (control.font == entry.key) {
        SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      }
    }
    DeleteObject(entry.font);
    entry.font = font;
  }
}

}  // namespace detail

Handle LoadFont(int slot, std::u16string_view face, int points, std::uint32_t style) {
  ToolkitState* state = State();
  if (state == nullptr) return 0;
  FreeFont(slot);
  if (points <= 0) return 0;
  FontEntry entry{Wide(face), points, style, nullptr, 0};
  entry.font = MakeFont(entry);
  if (entry.font == nullptr) return 0;
  entry.key = state->nextFontKey++;
  const Handle key = entry.key;
  state->fonts[slot] = std::move(entry);
  return key;
}

int IsFont(int slot) {
  const ToolkitState* state = State();
  return state != nullptr && state->fonts.contains(slot) ? 1 : 0;
}

void FreeFont(int slot) {
  ToolkitState* state = State();
  if (state == nullptr) return;
  const auto found = state->fonts.find(slot);
  if (found == state->fonts.end()) return;
  // Controls drawn in it fall back to the standard font before it goes.
  for (auto& [number, control] : state->controls) {
    if (control.font == found->second.key) {
      control.font = 0;
      SendMessageW(control.hwnd, WM_SETFONT,
                   reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
  }
  DeleteObject(found->second.font);
  state->fonts.erase(found);
}

}  // namespace rk::tk
