#include "app/build_tag.h"

#include <array>
#include <cstdint>
#include <string>

#include "services/text.h"

#ifndef RUFKARTEI_BUILD_FOLDER
#define RUFKARTEI_BUILD_FOLDER ""
#endif

namespace rk::app {
namespace {

// Value of the decimal digits in `text`, blanks ignored; -1 when there is no digit or another
// character.
int DecimalValue(std::string_view text) {
  int value = -1;
  for (char c : text) {
    if (c == ' ') continue;
    if (c < '0' || c > '9') return -1;
    value = (value < 0 ? 0 : value * 10) + (c - '0');
  }
  return value;
}

}  // namespace

DateValue CompilerDate(std::string_view text) {
  // "Mmm dd yyyy", the day padded with a blank.
  if (text.size() != 11 || text[3] != ' ' || text[6] != ' ') return kInvalidDate;
  static constexpr std::array<std::string_view, 12> kMonths = {
      "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int month = 0;
  for (std::size_t index = 0; index < kMonths.size(); ++index) {
    if (text.substr(0, 3) == kMonths[index]) month = static_cast<int>(index) + 1;
  }
  const int day = DecimalValue(text.substr(4, 2));
  const int year = DecimalValue(text.substr(7, 4));
  if (month == 0 || day < 0 || year < 0) return kInvalidDate;
  return MakeDate(year, month, day, 0, 0, 0);
}

std::u16string FormatBuildTag(std::u16string_view toolchain, DateValue buildDate,
                              std::u16string_view buildFolder) {
  std::u16string tag = u"     [";
  tag += toolchain;
  tag += u"  -  Unicode  -  ";
  tag += FormatDate(u"%dd.%mm.%yyyy", buildDate);
  tag += u"  -  ";
  tag += buildFolder;
  tag += u"]";
  return tag;
}

std::u16string ToolchainName() {
#if defined(__clang__)
  std::u16string name = u"Clang " + DecimalText(__clang_major__) + u"." +
                        DecimalText(__clang_minor__) + u"." + DecimalText(__clang_patchlevel__);
#elif defined(__GNUC__)
  std::u16string name = u"GCC " + DecimalText(__GNUC__) + u"." + DecimalText(__GNUC_MINOR__) +
                        u"." + DecimalText(__GNUC_PATCHLEVEL__);
#else
  std::u16string name = u"C++";
#endif
  name += sizeof(void*) == 8 ? u" (x64)" : u" (x86)";
  return name;
}

std::u16string BuildTag() {
  return FormatBuildTag(ToolchainName(), CompilerDate(kBuildDay), FromUtf8(RUFKARTEI_BUILD_FOLDER));
}

std::u16string MainWindowTitle() { return std::u16string(kProgramVersion) + BuildTag(); }

}  // namespace rk::app
