#pragma once
// The build tag shown after the version in the main window's title.

#include <string>
#include <string_view>

#include "services/date.h"

namespace rk::app {

// The program name and version at the start of the main window's title; the version is the
// build's, the one the packages and the Windows version resources carry.
inline constexpr std::u16string_view kProgramVersion = u"Rufkartei  v" RUFKARTEI_PROJECT_VERSION;

// The day of the build that linked this program, in the compiler's __DATE__ form ("Dec  8 2026");
// written by the build on every run.
extern const char kBuildDay[];

// A date in the compiler's __DATE__ form ("Dec  8 2026") as a date value; -1 when unreadable.
DateValue CompilerDate(std::string_view text);

// "     [<toolchain>  -  Unicode  -  <dd.mm.yyyy>  -  <folder>]" from its parts.
std::u16string FormatBuildTag(std::u16string_view toolchain, DateValue buildDate,
                              std::u16string_view buildFolder);

// Name and version of the compiler that built this program with the target processor,
// e.g. "GCC 12.2.0 (x64)".
std::u16string ToolchainName();

// The tag of this build: its compiler, build date and build folder.
std::u16string BuildTag();

// The main window's title: program name, version and build tag.
std::u16string MainWindowTitle();

}  // namespace rk::app
