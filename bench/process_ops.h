#pragma once
// Whole-program operations for rufkartei-bench: each starts the shell offscreen, runs one
// operation of the program on a phonebook file with every dialog answered in code, prints
// one result line and returns the process exit code.

#include <filesystem>
#include <string_view>
#include <vector>

namespace rk::bench {

// True for "load", "save", "copy", "move", "delete" and "marks".
bool IsOperation(std::string_view name);

// Runs the operation on each of `files` in turn, in one session of the shell (the builds'
// outputs are compared on thousands of files); 0 when all succeeded. The last line printed has the form
// "<operation> ms=<elapsed> peak_rss_kb=<peak> ..." (more key=value pairs may follow).
int RunOperation(std::string_view name, const std::vector<std::filesystem::path>& files);

}  // namespace rk::bench
