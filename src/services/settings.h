#pragma once
// The settings file: key lines "key = value", group lines "[name]", comment lines "; text".
// One file is open at a time (per thread); every call works on that open file.

#include <cstdint>
#include <string>
#include <string_view>

namespace rk {

// Option bit: write "key=value" instead of "key = value".
inline constexpr int kSettingsNoSpaces = 1;
// Option bit: write an empty line before every group line but the first.
inline constexpr int kSettingsGroupGap = 2;

// Opens and reads an existing file; nonzero on success. On failure reads give their defaults.
[[nodiscard]] int OpenSettings(std::u16string_view path, int options = 0);

// The value of `key` in the top-level section, or `fallback` when absent.
std::u16string ReadSettingString(std::u16string_view key, std::u16string_view fallback);

// The value of `key` parsed as a decimal integer (saturating), or `fallback` when absent.
std::int32_t ReadSettingInteger(std::u16string_view key, std::int32_t fallback);

// Starts a new, empty file at `path` (written by CloseSettings); nonzero on success.
[[nodiscard]] int CreateSettings(std::u16string_view path, int options = 0);

// Sets `key` to `value`, replacing an existing key of any letter case in place.
void WriteSettingString(std::u16string_view key, std::u16string_view value);

// Sets `key` to the decimal text of `value`.
void WriteSettingInteger(std::u16string_view key, std::int32_t value);

// Writes the file back when it was changed and closes it; nonzero when the file was written.
[[nodiscard]] int CloseSettings();

}  // namespace rk
