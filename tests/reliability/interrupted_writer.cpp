// The program the crash-safety test kills while it writes. It writes one file over and over,
// two different versions in turn, until it is killed:
//
//   interrupted_writer book FOLDER BOOK  loads BOOK into book 1 of a running shell (settings
//                                        in FOLDER) and presses "Speichern" again and again,
//                                        the Name field alternately "Erste" and "Zweite";
//   interrupted_writer settings FOLDER   writes FOLDER/Rufkartei.ini again and again, its
//                                        folder values alternately of two versions.
//
// With a last argument "named" it writes through named temporary files only. Before the loop
// it leaves both complete versions in FOLDER as first.ref and second.ref and
// writes "ready <microseconds one write takes>" to its standard output.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/controls.h"
#include "app/shell.h"
#include "services/file_replace.h"
#include "services/settings.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"

namespace {

using Clock = std::chrono::steady_clock;

void Ready(long long microseconds) {
  std::printf("ready %lld\n", microseconds);
  std::fflush(stdout);
}

void KeepVersion(const std::filesystem::path& target, const std::filesystem::path& copy) {
  std::filesystem::copy_file(target, copy, std::filesystem::copy_options::overwrite_existing);
}

int WriteBooks(const std::filesystem::path& folder, const std::u16string& book) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  rk::tk::SetDialogHook([&book](std::u16string_view, std::u16string_view) { return book; });
  if (!rk::app::StartShell(rk::FromOsPath(folder) + u"/")) return 2;
  rk::app::DispatchEvent(rk::tk::kEventControl, rk::app::PaneControl(1, rk::app::kLoadButton));
  const int nameField = rk::app::PaneControl(1, rk::app::kNameField);
  const int saveButton = rk::app::PaneControl(1, rk::app::kSaveButton);
  const std::filesystem::path target = rk::ToOsPath(book + u"_NEU.xml");
  auto save = [&](std::u16string_view name) {
    rk::tk::SetText(nameField, name);
    rk::app::DispatchEvent(rk::tk::kEventControl, saveButton);
  };

  save(u"Erste");
  KeepVersion(target, folder / "first.ref");
  const Clock::time_point start = Clock::now();
  save(u"Zweite");
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
  KeepVersion(target, folder / "second.ref");
  Ready(took);
  for (;;) {
    save(u"Erste");
    save(u"Zweite");
  }
}

int WriteSettings(const std::filesystem::path& folder) {
  const std::u16string path = rk::FromOsPath(folder / "Rufkartei.ini");
  // Long values make the file long enough for a kill to land inside its write.
  const std::u16string first = u"/erste/" + std::u16string(200000, u'e') + u"/";
  const std::u16string second = u"/zweite/" + std::u16string(300000, u'z') + u"/";
  auto write = [&](const std::u16string& value, int toolTip) {
    if (rk::CreateSettings(path) == 0) std::exit(3);
    rk::WriteSettingString(u"Telefonbuch1", value);
    rk::WriteSettingString(u"Telefonbuch2", value);
    rk::WriteSettingInteger(u"ToolTip", toolTip);
    if (rk::CloseSettings() == 0) std::exit(4);
  };

  write(first, 1);
  KeepVersion(folder / "Rufkartei.ini", folder / "first.ref");
  const Clock::time_point start = Clock::now();
  write(second, 0);
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
  KeepVersion(folder / "Rufkartei.ini", folder / "second.ref");
  Ready(took);
  for (;;) {
    write(first, 1);
    write(second, 0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // A last argument "named" makes every write use a named temporary file.
  if (argc > 1 && std::string(argv[argc - 1]) == "named") {
    rk::detail::SetUnnamedTemporaryFiles(false);
    --argc;
  }
  const std::string mode = argc > 2 ? argv[1] : "";
  if (mode == "book" && argc == 4) return WriteBooks(argv[2], rk::FromOsPath(argv[3]));
  if (mode == "settings" && argc == 3) return WriteSettings(argv[2]);
  std::fprintf(stderr, "usage: interrupted_writer book FOLDER BOOK | settings FOLDER [named]\n");
  return 2;
}
