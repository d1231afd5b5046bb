// Starts the shell offscreen with default settings and saves the main window as main.png and
// the information window as info.png in the folder given as the only argument.
#include <QCoreApplication>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/controls.h"
#include "app/shell.h"
#include "services/text.h"
#include "support/qt_support.h"

namespace {

bool Save(int window, const std::filesystem::path& file) {
  QWidget* widget = rk::test::FindWindow(window);
  if (widget == nullptr) return false;
  return widget->grab().save(QString::fromStdString(file.string()), "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = std::filesystem::absolute(argv[1]);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  // The folder serves as program folder too; without a settings file the defaults apply.
  std::filesystem::remove(folder / "Rufkartei.ini", error);
  if (!rk::app::StartShell(rk::FromOsPath(folder) + u"/")) return 1;
  rk::test::DrainEvents([](int, int) {});
  const bool saved = Save(rk::app::kMainWindow, folder / "main.png") &&
                     Save(rk::app::kInfoWindow, folder / "info.png");
  rk::app::EndShell();
  std::filesystem::remove(folder / "Rufkartei.ini", error);
  if (!saved) {
    std::fprintf(stderr, "could not save the screenshots in %s\n", folder.string().c_str());
    return 1;
  }
  return 0;
}
