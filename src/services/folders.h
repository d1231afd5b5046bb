#pragma once
// Folders of the file system as the program needs them: whether a file may be written in a
// folder, and making a folder that does not exist yet.

#include <string>
#include <string_view>

namespace rk {

// Folder of the running executable, ending in "/"; empty when it cannot be determined.
std::u16string ProgramFolder();

// True when the calling user may write the file `name` in `folder` (ending in "/"): the folder
// is writable, or the file exists and is writable.
bool MayWriteFile(std::u16string_view folder, std::u16string_view name);

// Makes `folder` and every missing folder above it, the new ones open to their owner only; true
// when the folder exists afterwards.
[[nodiscard]] bool MakeFolders(std::u16string_view folder);

}  // namespace rk
