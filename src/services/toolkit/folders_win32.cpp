// The user's folders as Windows defines them (known folders).
#include "services/toolkit/state_win32.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>


namespace rk::tk {

using namespace detail;

namespace {

// A known folder's path with a final "\"; empty when Windows does not know it.
std::u16string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::u16string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path != nullptr &&
      path[0] != L'\0') {
    folder = Utf16(path);
    if (folder.back() != u'\\') folder += u'\\';
  }
  CoTaskMemFree(path);
  return folder;
}

}  // namespace

std::u16string UserConfigFolder() {
  const std::u16string roaming = KnownFolder(FOLDERID_RoamingAppData);
  return roaming.empty() ? roaming : roaming + u"Rufkartei\\";
}

std::u16string HomeFolder() { return KnownFolder(FOLDERID_Profile); }

}  // namespace rk::tk
