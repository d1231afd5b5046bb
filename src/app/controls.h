#pragma once
// Window and control numbers of the shell's two windows, and the colours it paints them in.

#include <cstdint>

namespace rk::app {

inline constexpr int kMainWindow = 0;
inline constexpr int kInfoWindow = 1;

// Book 2's controls carry book 1's numbers plus this offset.
inline constexpr int kPaneOffset = 16;

// Numbers of book 1's pane; book 2 adds kPaneOffset.
inline constexpr int kPane = 0;
inline constexpr int kPaneTitle = 1;
inline constexpr int kCountLabel = 2;
inline constexpr int kNewButton = 3;
inline constexpr int kLoadButton = 4;
inline constexpr int kSaveButton = 5;
inline constexpr int kNameLabel = 6;
inline constexpr int kNameField = 7;
inline constexpr int kFileLabel = 8;
inline constexpr int kFileField = 9;
inline constexpr int kMarkButton = 10;
inline constexpr int kUnmarkButton = 11;
inline constexpr int kCopyButton = 12;
inline constexpr int kMoveButton = 13;
inline constexpr int kDeleteButton = 14;
inline constexpr int kContactList = 15;

// The information window's controls.
inline constexpr int kInfoHeading = 32;
inline constexpr int kInfoText = 33;
inline constexpr int kInfoToolTipBox = 34;
inline constexpr int kInfoClose = 35;

// Colours, 0x00BBGGRR.
inline constexpr std::int32_t kWindowGrey = 0x00C6C6C6;
inline constexpr std::int32_t kLightGrey = 0x00E6E6E6;
inline constexpr std::int32_t kDarkGrey = 0x00515151;
inline constexpr std::int32_t kRed = 0x000000FF;
inline constexpr std::int32_t kBlue = 0x00FF0000;

// The number of a pane control in the given slot (1 or 2).
constexpr int PaneControl(int slot, int bookOneControl) {
  return bookOneControl + (slot - 1) * kPaneOffset;
}

}  // namespace rk::app
