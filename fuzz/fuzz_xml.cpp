// Loads arbitrary bytes as an XML file, formats the tree as a load does (88, then 128),
// saves it and loads the saved file again.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "services/text.h"
#include "xml/xml.h"

namespace {

const std::filesystem::path& WorkFolder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path made =
        std::filesystem::temp_directory_path() / ("rufkartei-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(made);
    return made;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rk::xml;
  const std::filesystem::path input = WorkFolder() / "input.xml";
  const std::filesystem::path output = WorkFolder() / "output.xml";
  if (std::FILE* file = std::fopen(input.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  // The output is removed before each save: replacing a file makes the save wait for the disk.
  if (LoadDocument(0, rk::FromOsPath(input)) != 0) {
    FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
    FormatDocument(0, FormatReindent, 3);
    std::filesystem::remove(output);
    if (SaveDocument(0, rk::FromOsPath(output)) != 0) {
      LoadDocument(1, rk::FromOsPath(output));
      FormatDocument(1, FormatCrLf);
      std::filesystem::remove(output);
      SaveDocument(1, rk::FromOsPath(output));
    }
  }
  FreeDocument(-1);
  return 0;
}
