// Fonts by slot. A loaded font is a QFont kept in the slot; its handle is a key that
// SetControlFont looks up, never a pointer.
#include <QFont>

#include "services/toolkit/qt_text.h"
#include "services/toolkit/state.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk {

using namespace detail;

Handle LoadFont(int slot, std::u16string_view face, int points, std::uint32_t style) {
  ToolkitState* state = State();
  if (state == nullptr) return 0;
  state->fonts.erase(slot);
  if (points <= 0) return 0;
  QFont font(ToQString(face));
  // Points, not pixels: Qt scales them with the screen's resolution.
  font.setPointSize(points);
  font.setWeight((style & kFontBold) != 0 ? QFont::Bold : QFont::Normal);
  font.setItalic((style & kFontItalic) != 0);
  font.setUnderline((style & kFontUnderline) != 0);
  font.setStrikeOut((style & kFontStrikeOut) != 0);
  if ((style & kFontHighQuality) != 0) font.setStyleStrategy(QFont::PreferQuality);
  const Handle handle = state->nextHandle++;
  state->fonts[slot] = FontEntry{font, handle};
  return handle;
}

int IsFont(int slot) {
  const ToolkitState* state = State();
  return state != nullptr && state->fonts.contains(slot) ? 1 : 0;
}

void FreeFont(int slot) {
  if (ToolkitState* state = State()) state->fonts.erase(slot);
}

}  // namespace rk::tk
