#pragma once
// The character classes of the XML library, one table with named bits that the load, the
// formatting, the document and the writer all read: blanks and line breaks as normalisation
// and re-indentation see them, and what the writer escapes. Only units below 128 have a class.

#include <array>
#include <cstddef>
#include <initializer_list>

namespace rk::xml {

enum CharClass : unsigned char {
  kClassBlank = 1,                // space, tab
  kClassBreak = 2,                // line feed, carriage return
  kClassEscapedInText = 4,        // < > &: escaped in texts and attribute values
  kClassEscapedInAttribute = 8,   // ' " tab, line feed, carriage return: escaped in attribute values
};

struct CharClassTable {
  unsigned char bits[128];
};

inline constexpr CharClassTable kCharClasses = [] {
  CharClassTable table{};
  const auto mark = [&table](std::initializer_list<char> units, CharClass bit) {
    for (char unit : units) table.bits[static_cast<unsigned char>(unit)] |= bit;
  };
  mark({' ', '\t'}, kClassBlank);
  mark({'\n', '\r'}, kClassBreak);
  mark({'<', '>', '&'}, kClassEscapedInText);
  mark({'\'', '"', '\t', '\n', '\r'}, kClassEscapedInAttribute);
  return table;
}();

// True when `unit` has one of the class bits `bits`.
constexpr bool HasClass(char16_t unit, unsigned bits) { return unit < 128 && (kCharClasses.bits[unit] & bits) != 0; }


// True for the units above the space, which are neither blanks nor line breaks: the one
// comparison by which the hot loops tell content from what the blank rule decides on.
constexpr bool IsAboveBlanks(char16_t unit) { return unit > u' '; }
static_assert([] {
  for (unsigned unit = ' ' + 1; unit < 128; ++unit) {
    if ((kCharClasses.bits[unit] & (kClassBlank | kClassBreak)) != 0) return false;
  }
  return true;
}());

// The units of class `kBits`, for code that compares many units with each of them at once.
template <unsigned kBits>
inline constexpr auto kUnitsOf = [] {
  constexpr std::size_t count = [] {
    std::size_t n = 0;
    for (unsigned unit = 0; unit < 128; ++unit) n += (kCharClasses.bits[unit] & kBits) != 0 ? 1 : 0;
    return n;
  }();
  std::array<char, count> units{};
  std::size_t n = 0;
  for (unsigned unit = 0; unit < 128; ++unit) {
    if ((kCharClasses.bits[unit] & kBits) != 0) units[n++] = static_cast<char>(unit);
  }
  return units;
}();

// True when `unit` is of class `kBits`, a small class: compared with each of its few units,
// which costs less in the hot loops than a lookup.
template <unsigned kBits>
constexpr bool IsUnitOf(char16_t unit) {
  for (char member : kUnitsOf<kBits>) {
    if (unit == static_cast<unsigned char>(member)) return true;
  }
  return false;
}

constexpr bool IsBreak(char16_t unit) { return IsUnitOf<kClassBreak>(unit); }
constexpr bool IsBlank(char16_t unit) { return IsUnitOf<kClassBlank>(unit); }
static_assert(IsBreak(u'\r') && IsBreak(u'\n') && !IsBreak(u' ') && IsBlank(u'\t') && !IsBlank(u'\n'));

}  // namespace rk::xml
