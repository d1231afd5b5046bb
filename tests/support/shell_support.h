#pragma once
// A running shell for one test: the real windows offscreen in a temporary program folder,
// buttons pressed with real clicks, events handled through the shell's own dispatch and
// dialogs answered by a script.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "services/date.h"
#include "support/book_records.h"
#include "support/qt_support.h"
#include "support/test_support.h"

namespace rk::test {

using Shown = DialogScript::Shown;

// The system's folder separator, which the file dialog and the program's paths use.
#ifdef _WIN32
inline constexpr char16_t kSeparator = u'\\';
#else
inline constexpr char16_t kSeparator = u'/';
#endif

// `path` with each "/" written as the system's folder separator.
std::u16string NativePath(std::u16string_view path);

// 7 December 2026, 10:30:00: New names the book "Neu_2612071030".
DateValue FixedClock();

// Every record of the slot's book, in order.
std::vector<NodeRecord> SlotRecords(int slot);

// The five cells of every row of a ContactList.
std::vector<std::vector<std::u16string>> ListRows(int control);

// A shell the test starts itself (Start), after writing what the start should find; ended
// at the latest when the test ends.
class ShellHarness : public ::testing::Test {
 protected:
  void TearDown() override { End(); }

  // The temporary program folder as the shell sees it, ending in the folder separator.
  std::u16string Folder() const;
  std::string FolderUtf8() const;
  // Writes `bytes` to a file of the temporary folder; its full path as UTF-16 text.
  std::u16string WriteFile(std::string_view name, std::string_view bytes) const;
  std::string ReadFile(std::u16string_view path) const;
  bool Exists(std::u16string_view path) const;

  // Starts the shell with the given program folder (the temporary one by default) and handles
  // what the start left pending.
  void Start() { Start(Folder()); }
  void Start(const std::u16string& programFolder);
  // Handles every pending event as the event loop would; false once a close request came,
  // after which the loop would have ended.
  bool Pump();
  // Ends the shell as after the event loop: settings written, fonts freed, toolkit ended.
  void End();

  // Clicks the button and runs the operations of the events it queued.
  void Press(int control);
  // Presses "Laden" of the slot, chooses `path` and presses OK on `boxes` message boxes;
  // the dialogs shown, the file dialog first.
  std::vector<Shown> Load(int slot, std::u16string_view path, int boxes = 0);
  // Presses a button with `boxes` message boxes to answer; the boxes shown.
  std::vector<Shown> PressAnswering(int control, int boxes);

  TempFolder folder_;
  // The clock the shell gives "Neu" when it starts.
  DateValue (*clock_)() = &CurrentDate;

 private:
  bool started_ = false;
};

// A shell started before every test with both slots empty and the clock at FixedClock.
class ShellTest : public ShellHarness {
 protected:
  void SetUp() override;
};

}  // namespace rk::test
