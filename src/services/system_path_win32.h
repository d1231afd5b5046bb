#pragma once
// Paths as the Win32 file functions take them, and whether an existing file may be written.

#include <filesystem>
#include <string>

namespace rk {

// `path` made absolute and normalized ("/" becomes "\", "." and ".." resolved), with the "\\?\"
// prefix when it is too long for the plain form (the limit of a folder, 248 characters, is the
// smaller one). Short paths stay plain, so reserved names such as CON keep naming the device
// rather than becoming files of that name. Empty when the path cannot be resolved.
std::wstring SystemPath(const std::filesystem::path& path);

enum class FileWriting { kMissing, kAllowed, kRefused };

// Whether the file at `path` (a SystemPath) may be written now: kMissing when there is none;
// kRefused for a folder, a device (CON, NUL), a read-only file, or a file another program holds
// open without letting others write.
FileWriting CheckFileWriting(const std::wstring& path);

}  // namespace rk
