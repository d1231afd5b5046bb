// Stand-in for the whole-program operations while the book, transfer or shell module is not
// part of the build: every operation is reported as unavailable.

#include <cstdio>
#include <string_view>

#include "process_ops.h"

namespace rk::bench {

bool IsOperation(std::string_view name) {
  return name == "load" || name == "save" || name == "copy" || name == "move" || name == "delete" ||
         name == "marks";
}

int RunOperation(std::string_view name, const std::filesystem::path&) {
  std::fprintf(stderr, "%.*s: not available in this build (the shell, book or transfer module is missing)\n",
               static_cast<int>(name.size()), name.data());
  return 3;
}

}  // namespace rk::bench
