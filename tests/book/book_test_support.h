#pragma once
// A running shell for the book tests: the real main window offscreen, buttons pressed with
// real clicks, dialogs answered by a script, files in a temporary folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "services/date.h"
#include "support/qt_support.h"
#include "support/test_support.h"

namespace rk::book::test {

using Shown = rk::test::DialogScript::Shown;

// 7 December 2026, 10:30:00: New names the book "Neu_2612071030".
DateValue FixedClock();

// The five cells of every row of a ContactList.
std::vector<std::vector<std::u16string>> ListRows(int control);

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The temporary folder as UTF-16 text ending in "/".
  std::u16string Folder() const;
  // Writes `bytes` to a file of the temporary folder; its full path as UTF-16 text.
  std::u16string WriteFile(std::string_view name, std::string_view bytes) const;
  std::string ReadFile(std::u16string_view path) const;
  bool Exists(std::u16string_view path) const;

  // Clicks the button and runs the operations of the events it queued.
  void Press(int control);
  // Presses "Laden" of the slot, chooses `path` and presses OK on `boxes` message boxes;
  // the dialogs shown, the file dialog first.
  std::vector<Shown> Load(int slot, std::u16string_view path, int boxes = 0);
  // Presses a button with `boxes` message boxes to answer; the boxes shown.
  std::vector<Shown> PressAnswering(int control, int boxes);

  rk::test::TempFolder folder_;
};

}  // namespace rk::book::test
