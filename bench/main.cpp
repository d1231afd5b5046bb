// rufkartei-bench: the phonebook generator and the whole-program benchmark operations.
//
//   rufkartei-bench generate N FILE [--crlf] [--comments]
//   rufkartei-bench load|save|copy|move|delete|marks FILE...

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "generator.h"
#include "process_ops.h"

namespace {

int Usage() {
  std::fputs(
      "usage: rufkartei-bench generate N FILE [--crlf] [--comments]\n"
      "       rufkartei-bench load|save|copy|move|delete|marks FILE...\n",
      stderr);
  return 2;
}

int Generate(const std::vector<std::string_view>& args) {
  if (args.size() < 2) return Usage();
  rk::bench::GenerateOptions options;
  const std::string_view count = args[0];
  const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), options.contacts);
  if (error != std::errc() || end != count.data() + count.size() || options.contacts < 0) {
    std::fprintf(stderr, "generate: not a contact count: %.*s\n", static_cast<int>(count.size()), count.data());
    return 2;
  }
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--crlf") {
      options.crlf = true;
    } else if (args[i] == "--comments") {
      options.comments = true;
    } else {
      return Usage();
    }
  }
  const std::filesystem::path file(args[1]);
  if (!rk::bench::WriteBook(file, options)) {
    std::fprintf(stderr, "generate: cannot write %.*s\n", static_cast<int>(args[1].size()), args[1].data());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string_view command = argv[1];
  std::vector<std::string_view> args(argv + 2, argv + argc);
  if (command == "generate") return Generate(args);
  if (rk::bench::IsOperation(command) && !args.empty()) {
    return rk::bench::RunOperation(command, std::vector<std::filesystem::path>(args.begin(), args.end()));
  }
  return Usage();
}
