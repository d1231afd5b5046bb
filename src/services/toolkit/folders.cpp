// The user's folders as the desktop defines them.
#include <QDir>
#include <QStandardPaths>
#include <QString>

#include "services/toolkit/qt_text.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk {

using namespace detail;

namespace {

// The folder in the program's "/" form with a final "/"; empty stays empty.
std::u16string AsFolder(const QString& path) {
  if (path.isEmpty()) return {};
  std::u16string folder = FromQString(QDir::cleanPath(path));
  if (folder.back() != u'/') folder += u'/';
  return folder;
}

}  // namespace

std::u16string UserConfigFolder() {
  return AsFolder(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

std::u16string HomeFolder() { return AsFolder(QDir::homePath()); }

}  // namespace rk::tk
