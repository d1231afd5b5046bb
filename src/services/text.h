#pragma once
// Text and path helpers on UTF-16 text, and the conversions to UTF-8 and to OS paths.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace rk {

// The two halves of a character beyond U+FFFF in UTF-16, and either of them.
constexpr bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
constexpr bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// Decimal text of an integer ("-12", "0").
std::u16string DecimalText(std::int64_t value);

// "1 Eintrag" or the number and "Einträge": how many contacts something touched.
std::u16string EntryCount(std::size_t count);

// Folder part of a path: up to and including the last "/" or "\"; empty when there is none.
std::u16string_view FolderPart(std::u16string_view path);

// File part of a path: everything after the last "/" or "\".
std::u16string_view FilePart(std::u16string_view path);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16; an invalid byte sequence becomes U+FFFD.
std::u16string FromUtf8(std::string_view text);

// A UTF-16 path as the operating system's path.
std::filesystem::path ToOsPath(std::u16string_view path);

// An operating-system path as UTF-16 text.
std::u16string FromOsPath(const std::filesystem::path& path);

}  // namespace rk
