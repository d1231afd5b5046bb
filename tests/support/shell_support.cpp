#include "support/shell_support.h"

#include <algorithm>
#include <system_error>

#include "app/controls.h"
#include "app/shell.h"
#include "book/book.h"
#include "book/slot.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"

namespace rk::test {

DateValue FixedClock() { return MakeDate(2026, 12, 7, 10, 30, 0); }

std::vector<NodeRecord> SlotRecords(int slot) {
  const book::RecordList& list = book::FindSlot(slot)->records;
  std::vector<NodeRecord> records;
  for (std::size_t i = 0; i < book::RecordCount(list); ++i) records.push_back(GetRecord(list, i));
  return records;
}

std::vector<std::vector<std::u16string>> ListRows(int control) {
  std::vector<std::vector<std::u16string>> rows;
  for (int row = 0; row < tk::CountItems(control); ++row) {
    std::vector<std::u16string>& cells = rows.emplace_back();
    for (int column = 0; column < 5; ++column) cells.push_back(tk::GetItemText(control, row, column));
  }
  return rows;
}

std::u16string NativePath(std::u16string_view path) {
  std::u16string native(path);
  std::replace(native.begin(), native.end(), u'/', kSeparator);
  return native;
}

std::u16string ShellHarness::Folder() const { return FromOsPath(folder_.path()) + kSeparator; }

std::string ShellHarness::FolderUtf8() const { return ToUtf8(Folder()); }

std::u16string ShellHarness::WriteFile(std::string_view name, std::string_view bytes) const {
  const std::filesystem::path path = std::filesystem::path(folder_ / name).make_preferred();
  WriteFileBytes(path, bytes);
  return FromOsPath(path);
}

std::string ShellHarness::ReadFile(std::u16string_view path) const { return ReadFileBytes(ToOsPath(path)); }

bool ShellHarness::Exists(std::u16string_view path) const {
  std::error_code error;
  return std::filesystem::exists(ToOsPath(path), error);
}

void ShellHarness::Start(const std::u16string& programFolder) {
  ASSERT_TRUE(app::StartShell(programFolder, clock_));
  started_ = true;
  EXPECT_TRUE(Pump());
}

bool ShellHarness::Pump() {
  bool goesOn = true;
  DrainEvents([&goesOn](int code, int control) {
    if (goesOn) goesOn = app::DispatchEvent(code, control);
  });
  return goesOn;
}

void ShellHarness::End() {
  if (started_) app::EndShell();
  started_ = false;
}

void ShellHarness::Press(int control) {
  ClickControl(control);
  Pump();
}

std::vector<Shown> ShellHarness::Load(int slot, std::u16string_view path, int boxes) {
  DialogScript script;
  script.ChooseFile(std::u16string(path));
  if (boxes > 0) script.PressOk(boxes);
  Press(app::PaneControl(slot, app::kLoadButton));
  EXPECT_TRUE(script.AllAnswered());
  return script.shown();
}

std::vector<Shown> ShellHarness::PressAnswering(int control, int boxes) {
  DialogScript script;
  if (boxes > 0) script.PressOk(boxes);
  Press(control);
  EXPECT_TRUE(script.AllAnswered());
  return script.shown();
}

void ShellTest::SetUp() {
  // The slots outlive a shell; every test starts with both of them empty.
  for (const int slot : {1, 2}) book::ClearRecords(book::FindSlot(slot)->records);
  clock_ = &FixedClock;
  Start();
}

}  // namespace rk::test
