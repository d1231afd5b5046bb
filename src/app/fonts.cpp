#include "app/fonts.h"

namespace rk::app {
namespace {

constexpr int kNormalSlot = 0;
constexpr int kHeadingSlot = 1;
constexpr int kListSlot = 2;

}  // namespace

Fonts LoadFonts() {
  Fonts fonts;
  fonts.normal = tk::LoadFont(kNormalSlot, u"Arial", 10, tk::kFontBold | tk::kFontHighQuality);
  fonts.heading = tk::LoadFont(kHeadingSlot, u"Arial", 12,
                               tk::kFontBold | tk::kFontUnderline | tk::kFontHighQuality);
  fonts.list = tk::LoadFont(kListSlot, u"Arial", 9, tk::kFontHighQuality);
  return fonts;
}

void FreeFonts() {
  for (int slot : {kNormalSlot, kHeadingSlot, kListSlot}) {
    if (tk::IsFont(slot) != 0) tk::FreeFont(slot);
  }
}

}  // namespace rk::app
