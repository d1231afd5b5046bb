// A whole session of the program, run under valgrind by CTest: start-up, two books loaded,
// rows ticked, copied, moved and deleted, both books saved, a new book, the end with the
// settings written. Valgrind reports any invalid access or leak; the program itself checks
// that each step did what it should and exits with 1 when one did not.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <system_error>

#include "app/controls.h"
#include "app/shell.h"
#include "book/slot.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "support/book_records.h"
#include "test_paths.h"

namespace {

using rk::app::PaneControl;

int failures = 0;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "session step failed: %s\n", what);
    ++failures;
  }
}

void Press(int slot, int bookOneControl) {
  rk::app::DispatchEvent(rk::tk::kEventControl, PaneControl(slot, bookOneControl));
}

int Rows(int slot) { return rk::tk::CountItems(PaneControl(slot, rk::app::kContactList)); }

bool InStep() { return rk::test::RowsInStep(*rk::book::FindSlot(1)) && rk::test::RowsInStep(*rk::book::FindSlot(2)); }

void Highlight(int slot, std::initializer_list<int> rows) {
  const int list = PaneControl(slot, rk::app::kContactList);
  for (const int row : rows) rk::tk::SetItemState(list, row, rk::tk::GetItemState(list, row) | rk::tk::kRowSelected);
}

// Highlights the rows and turns them into ticks with "A +".
void Tick(int slot, std::initializer_list<int> rows) {
  Highlight(slot, rows);
  Press(slot, rk::app::kMarkButton);
}

}  // namespace

int main() {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::error_code error;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("rufkartei-session-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path samples = std::filesystem::path(rk::test::kTestData) / "samples";
  std::filesystem::copy_file(samples / "tab-indented-9-contacts.xml", folder / "eins.xml");
  std::filesystem::copy_file(samples / "two-space-indent-no-final-newline.xml", folder / "zwei.xml");

  std::u16string nextFile;
  int boxes = 0;
  rk::tk::SetDialogHook([&](std::u16string_view title, std::u16string_view) -> std::u16string {
    if (title == u"Telefonbuch auswählen:") return nextFile;
    ++boxes;
    return {};
  });

  if (!rk::app::StartShell(rk::FromOsPath(folder) + u"/")) return 1;
  nextFile = rk::FromOsPath(folder / "eins.xml");
  Press(1, rk::app::kLoadButton);
  nextFile = rk::FromOsPath(folder / "zwei.xml");
  Press(2, rk::app::kLoadButton);
  const int rowsOne = Rows(1);
  const int rowsTwo = Rows(2);
  Check(rowsOne == 9 && rowsTwo > 0, "both books loaded");

  Tick(1, {0, 2, 4});
  Press(1, rk::app::kCopyButton);
  Check(Rows(2) == rowsTwo + 3, "three contacts copied");
  Tick(2, {0, 1});
  Press(2, rk::app::kMoveButton);
  Check(Rows(1) == rowsOne + 2 && Rows(2) == rowsTwo + 1, "two contacts moved");
  Tick(1, {1, 3});
  Highlight(1, {1, 3});
  Press(1, rk::app::kUnmarkButton);
  Tick(1, {5, 6});
  Press(1, rk::app::kDeleteButton);
  Check(Rows(1) == rowsOne, "two contacts deleted");
  Check(InStep(), "rows in step with the records");

  Press(1, rk::app::kSaveButton);
  Press(2, rk::app::kSaveButton);
  Check(std::filesystem::exists(folder / "eins.xml_NEU.xml") && std::filesystem::exists(folder / "zwei.xml_NEU.xml"),
        "both books saved");
  Press(2, rk::app::kNewButton);
  Check(Rows(2) == 0, "new book is empty");
  Tick(1, {0});
  Press(1, rk::app::kCopyButton);
  Press(2, rk::app::kSaveButton);
  Check(InStep(), "rows in step after the new book");
  Check(boxes == 0, "no message box");

  rk::app::EndShell();
  rk::tk::SetDialogHook({});
  Check(std::filesystem::exists(folder / "Rufkartei.ini"), "settings written at the end");
  std::filesystem::remove_all(folder, error);
  return failures == 0 ? 0 : 1;
}
