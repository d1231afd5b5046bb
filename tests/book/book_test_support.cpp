#include "book_test_support.h"

#include "app/shell.h"
#include "book/book.h"
#include "book/slot.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"

namespace rk::book::test {

DateValue FixedClock() { return MakeDate(2026, 12, 7, 10, 30, 0); }

std::vector<std::vector<std::u16string>> ListRows(int control) {
  std::vector<std::vector<std::u16string>> rows;
  for (int row = 0; row < tk::CountItems(control); ++row) {
    std::vector<std::u16string>& cells = rows.emplace_back();
    for (int column = 0; column < 5; ++column) cells.push_back(tk::GetItemText(control, row, column));
  }
  return rows;
}

void ShellTest::SetUp() {
  // The slots outlive a shell; every test starts with both of them empty.
  for (const int slot : {1, 2}) ClearRecords(FindSlot(slot)->records);
  SetClock(&FixedClock);
  ASSERT_TRUE(app::StartShell(Folder()));
}

void ShellTest::TearDown() {
  app::EndShell();
  SetClock(nullptr);
}

std::u16string ShellTest::Folder() const { return FromOsPath(folder_.path()) + u"/"; }

std::u16string ShellTest::WriteFile(std::string_view name, std::string_view bytes) const {
  rk::test::WriteFileBytes(folder_ / name, bytes);
  return FromOsPath(folder_ / name);
}

std::string ShellTest::ReadFile(std::u16string_view path) const {
  return rk::test::ReadFileBytes(ToOsPath(path));
}

bool ShellTest::Exists(std::u16string_view path) const {
  std::error_code error;
  return std::filesystem::exists(ToOsPath(path), error);
}

void ShellTest::Press(int control) {
  rk::test::ClickControl(control);
  rk::test::DrainEvents([](int code, int event) { app::DispatchEvent(code, event); });
}

std::vector<Shown> ShellTest::Load(int slot, std::u16string_view path, int boxes) {
  rk::test::DialogScript script;
  script.ChooseFile(std::u16string(path));
  if (boxes > 0) script.PressOk(boxes);
  Press(slot == 1 ? 4 : 20);
  EXPECT_TRUE(script.AllAnswered());
  return script.shown();
}

std::vector<Shown> ShellTest::PressAnswering(int control, int boxes) {
  rk::test::DialogScript script;
  if (boxes > 0) script.PressOk(boxes);
  Press(control);
  EXPECT_TRUE(script.AllAnswered());
  return script.shown();
}

}  // namespace rk::book::test
