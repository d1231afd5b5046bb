#include "services/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "services/text.h"

namespace rk {

std::u16string ProgramFolder() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return std::u16string(FolderPart(FromOsPath(executable)));
}

bool MayWriteFile(std::u16string_view folder, std::u16string_view name) {
  if (folder.empty()) return false;
  const std::filesystem::path place = ToOsPath(folder);
  if (::access(place.c_str(), W_OK) == 0) return true;
  const std::filesystem::path file = ToOsPath(std::u16string(folder) + std::u16string(name));
  return ::access(file.c_str(), W_OK) == 0;
}

bool MakeFolders(std::u16string_view folder) {
  if (folder.empty()) return false;
  const std::filesystem::path target = ToOsPath(folder).lexically_normal();
  // Each missing step is made in turn, so the ones made here get mode 0700 (as the XDG base
  // directories ask for the configuration folder) and the existing ones stay as they are.
  std::filesystem::path step;
  for (const std::filesystem::path& part : target) {
    if (part.empty()) continue;
    step /= part;
    if (::mkdir(step.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat made {};
  return ::stat(target.c_str(), &made) == 0 && S_ISDIR(made.st_mode);
}

}  // namespace rk
