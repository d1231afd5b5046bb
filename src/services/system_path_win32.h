#pragma once
// Paths as the Win32 file functions take them.

#include <filesystem>
#include <string>

namespace rk {

// `path` made absolute and normalized ("/" becomes "\", "." and ".." resolved), with the "\\?\"
// prefix when it is too long for the plain form (the limit of a folder, 248 characters, is the
// smaller one). Short paths stay plain, so reserved names such as CON keep naming the device
// rather than becoming files of that name. Empty when the path cannot be resolved.
std::wstring SystemPath(const std::filesystem::path& path);

}  // namespace rk
