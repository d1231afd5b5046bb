#include "services/text.h"

#include <algorithm>

namespace rk {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

void AppendUtf16(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out.push_back(static_cast<char16_t>(code));
  } else {
    code -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  }
}

}  // namespace

std::u16string DecimalText(std::int64_t value) {
  char16_t digits[24];
  std::size_t count = 0;
  // Work on the magnitude as unsigned so that the smallest int64 needs no special case.
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  do {
    digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::u16string text;
  text.reserve(count + 1);
  if (value < 0) text.push_back(u'-');
  while (count > 0) text.push_back(digits[--count]);
  return text;
}

std::u16string EntryCount(std::size_t count) {
  if (count == 1) return u"1 Eintrag";
  return DecimalText(static_cast<std::int64_t>(count)) + u" Einträge";
}

std::u16string_view FolderPart(std::u16string_view path) {
  const std::size_t at = path.find_last_of(u"/\\");
  return at == std::u16string_view::npos ? std::u16string_view{} : path.substr(0, at + 1);
}

std::u16string_view FilePart(std::u16string_view path) {
  const std::size_t at = path.find_last_of(u"/\\");
  return at == std::u16string_view::npos ? path : path.substr(at + 1);
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                          (static_cast<char32_t>(text[i + 1]) - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, code = lead & 0x1Fu, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code = lead & 0x0Fu, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code = lead & 0x07u, minimum = 0x10000;
    }
    std::size_t taken = 1;
    bool valid = length != 0 && i + length <= text.size();
    for (; valid && taken < length; ++taken) {
      const auto next = static_cast<unsigned char>(text[i + taken]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      code = (code << 6) | (next & 0x3Fu);
    }
    // Overlong forms, surrogate code points and values past U+10FFFF are not characters.
    if (valid && (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))) {
      valid = false;
    }
    if (valid) {
      AppendUtf16(out, code);
      i += length;
    } else {
      out.push_back(kReplacement);
      i += std::max<std::size_t>(taken, 1);
    }
  }
  return out;
}

#if defined(_WIN32)
// Windows paths are UTF-16 themselves: the units pass as they are, unpaired surrogates included.
std::filesystem::path ToOsPath(std::u16string_view path) {
  return std::filesystem::path(std::wstring(path.begin(), path.end()));
}

std::u16string FromOsPath(const std::filesystem::path& path) {
  const std::wstring& native = path.native();
  return std::u16string(native.begin(), native.end());
}
#else
std::filesystem::path ToOsPath(std::u16string_view path) { return std::filesystem::path(ToUtf8(path)); }

std::u16string FromOsPath(const std::filesystem::path& path) { return FromUtf8(path.native()); }
#endif

}  // namespace rk
