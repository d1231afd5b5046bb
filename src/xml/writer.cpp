#include "xml/writer.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "services/text.h"
#include "xml/xml.h"

namespace rk::xml {
namespace {

// The most bytes one code unit can become: a character reference such as "&#1114111;"
// written in UTF-16.
constexpr std::size_t kMaxUnitBytes = 24;


constexpr char32_t kReplacement = 0xFFFD;

// The code point at text[i]: a surrogate pair is one character (i moves to its second
// half); half a pair is no character and becomes U+FFFD.
char32_t CodePointAt(const char16_t* text, std::size_t count, std::size_t& i) {
  char16_t unit = text[i];
  if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(text[i + 1])) {
    ++i;
    return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i] - 0xDC00u);
  }
  return IsSurrogate(unit) ? kReplacement : unit;
}

// The entity for a character in the given mode, or none.
template <Escape kMode>
std::string_view EntityFor(char16_t unit) {
  if (unit > u'>') return {};
  switch (unit) {
    case u'<':
      return "&lt;";
    case u'>':
      return "&gt;";
    case u'&':
      return "&amp;";
    default:
      break;
  }
  if constexpr (kMode == Escape::kAttribute) {
    switch (unit) {
      case u'\'':
        return "&apos;";
      case u'"':
        return "&quot;";
      case u'\n':
        return "&#10;";
      case u'\r':
        return "&#13;";
      // A raw tab would come back as a blank: attribute values are normalised on reading.
      case u'\t':
        return "&#9;";
      default:
        break;
    }
  }
  return {};
}

// How strongly each ASCII character is escaped: 0 never, 1 in attribute mode, 2 in text and
// attribute mode. A mode writes a character as it is when its level is below the mode's limit.
struct EscapeLevels {
  unsigned char level[128];
};
constexpr EscapeLevels kEscapeLevels = [] {
  EscapeLevels table{};
  for (char c : {'\'', '"', '\n', '\r', '\t'}) table.level[static_cast<unsigned char>(c)] = 1;
  for (char c : {'<', '>', '&'}) table.level[static_cast<unsigned char>(c)] = 2;
  return table;
}();

template <Escape kMode>
constexpr unsigned char kPlainBelow = kMode == Escape::kRaw ? 3 : kMode == Escape::kText ? 2 : 1;

template <Escape kMode>
bool IsPlainAscii(char16_t unit) {
  return unit < 0x80 && kEscapeLevels.level[unit] < kPlainBelow<kMode>;
}

// Units taken at once by the block copy of plain ASCII.
constexpr std::size_t kBlock = 8;

#if defined(__SSE2__)
// Writes text[0, 8) as eight bytes when every unit is plain ASCII in the mode; false (nothing
// written) otherwise. Indentation, tags and digits, the bulk of a phonebook, take this path.
template <Escape kMode>
bool CopyPlainBlock(const char16_t* text, unsigned char* out) {
  __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
  __m128i escaped = _mm_setzero_si128();
  if constexpr (kMode != Escape::kRaw) {
    for (char c : {'<', '>', '&'}) escaped = _mm_or_si128(escaped, _mm_cmpeq_epi16(units, _mm_set1_epi16(c)));
  }
  if constexpr (kMode == Escape::kAttribute) {
    for (char c : {'\'', '"', '\n', '\r', '\t'}) {
      escaped = _mm_or_si128(escaped, _mm_cmpeq_epi16(units, _mm_set1_epi16(c)));
    }
  }
  // ASCII units have none of the bits 0xFF80 set.
  __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(-128)), _mm_setzero_si128());
  if (_mm_movemask_epi8(_mm_andnot_si128(escaped, ascii)) != 0xFFFF) return false;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
  return true;
}
#else
template <Escape kMode>
bool CopyPlainBlock(const char16_t* text, unsigned char* out) {
  for (std::size_t k = 0; k < kBlock; ++k) {
    if (!IsPlainAscii<kMode>(text[k])) return false;
  }
  for (std::size_t k = 0; k < kBlock; ++k) out[k] = static_cast<unsigned char>(text[k]);
  return true;
}
#endif

}  // namespace

OutputWriter::OutputWriter(ByteSink& sink, int encoding)
    : sink_(sink),
      encoder_(encoding == EncodingUtf16  ? Encoder::kUtf16
               : encoding == EncodingUtf8 ? Encoder::kUtf8
                                          : Encoder::kLatin1) {}

void OutputWriter::WriteBuffer() {
  if (!failed_ && !sink_.Write(std::string_view(reinterpret_cast<const char*>(buffer_), used_))) failed_ = true;
  used_ = 0;
}

bool OutputWriter::Flush() {
  if (used_ > 0 && !failed_) WriteBuffer();
  return !failed_;
}

template <OutputWriter::Encoder kEncoder>
void OutputWriter::PutByte(unsigned char value) {
  buffer_[used_++] = value;
  if constexpr (kEncoder == Encoder::kUtf16) buffer_[used_++] = 0;
}

template <OutputWriter::Encoder kEncoder>
void OutputWriter::PutAscii(std::string_view ascii) {
  for (char c : ascii) PutByte<kEncoder>(static_cast<unsigned char>(c));
}

template <OutputWriter::Encoder kEncoder>
void OutputWriter::PutReference(char32_t code) {
  char digits[8];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + code % 10);
    code /= 10;
  } while (code != 0);
  PutByte<kEncoder>('&');
  PutByte<kEncoder>('#');
  while (count > 0) PutByte<kEncoder>(static_cast<unsigned char>(digits[--count]));
  PutByte<kEncoder>(';');
}

template <OutputWriter::Encoder kEncoder, Escape kMode>
void OutputWriter::PutUnits(const char16_t* text, std::size_t count) {
  std::size_t i = 0;
  while (i < count) {
    // Every unit of a batch fits into the room left, so the inner loops need no check.
    std::size_t batch = (kBufferSize - used_) / kMaxUnitBytes;
    if (batch == 0) {
      WriteBuffer();
      if (failed_) return;
      continue;
    }
    std::size_t end = count - i < batch ? count : i + batch;
    while (i < end) {
      if constexpr (kEncoder != Encoder::kUtf16) {
        // Plain ASCII, the bulk of every phonebook, is copied eight units at a time.
        if (end - i >= kBlock && CopyPlainBlock<kMode>(text + i, buffer_ + used_)) {
          i += kBlock;
          used_ += kBlock;
          continue;
        }
      }
      // A block with something to encode or escape goes unit by unit.
      std::size_t blockEnd = end - i < kBlock ? end : i + kBlock;
      for (; i < blockEnd; ++i) {
        if constexpr (kEncoder != Encoder::kUtf16) {
          if (IsPlainAscii<kMode>(text[i])) {
            buffer_[used_++] = static_cast<unsigned char>(text[i]);
            continue;
          }
        }
        PutUnit<kEncoder, kMode>(text, count, i);
      }
    }
  }
}

template <OutputWriter::Encoder kEncoder, Escape kMode>
void OutputWriter::PutUnit(const char16_t* text, std::size_t count, std::size_t& i) {
  char16_t unit = text[i];
  if constexpr (kMode != Escape::kRaw) {
    std::string_view entity = EntityFor<kMode>(unit);
    if (!entity.empty()) {
      PutAscii<kEncoder>(entity);
      return;
    }
  }
  if constexpr (kEncoder == Encoder::kUtf16) {
    // Half a surrogate pair would make the reader take the next unit as its other half and
    // swallow a character of the markup; U+FFFD keeps the file readable.
    char32_t code = CodePointAt(text, count, i);
    if (code >= 0x10000) {
      char16_t high = text[i - 1];
      buffer_[used_++] = static_cast<unsigned char>(high & 0xFF);
      buffer_[used_++] = static_cast<unsigned char>(high >> 8);
      unit = text[i];
    } else {
      unit = static_cast<char16_t>(code);
    }
    buffer_[used_++] = static_cast<unsigned char>(unit & 0xFF);
    buffer_[used_++] = static_cast<unsigned char>(unit >> 8);
  } else if constexpr (kEncoder == Encoder::kUtf8) {
    char32_t code = CodePointAt(text, count, i);
    if (code < 0x80) {
      buffer_[used_++] = static_cast<unsigned char>(code);
    } else if (code < 0x800) {
      buffer_[used_++] = static_cast<unsigned char>(0xC0 | (code >> 6));
      buffer_[used_++] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      buffer_[used_++] = static_cast<unsigned char>(0xE0 | (code >> 12));
      buffer_[used_++] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
      buffer_[used_++] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    } else {
      buffer_[used_++] = static_cast<unsigned char>(0xF0 | (code >> 18));
      buffer_[used_++] = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
      buffer_[used_++] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
      buffer_[used_++] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    }
  } else if (unit < 0x100) {
    buffer_[used_++] = static_cast<unsigned char>(unit);
  } else if constexpr (kMode == Escape::kRaw) {
    buffer_[used_++] = ' ';
  } else {
    // ISO-8859-1 has no byte for it; a character reference keeps the character.
    PutReference<kEncoder>(CodePointAt(text, count, i));
  }
}

void OutputWriter::Put(std::u16string_view text, Escape mode) {
  if (failed_ || text.empty()) return;
  const char16_t* units = text.data();
  std::size_t count = text.size();
  switch (encoder_) {
    case Encoder::kUtf16:
      if (mode == Escape::kRaw) return PutUnits<Encoder::kUtf16, Escape::kRaw>(units, count);
      if (mode == Escape::kText) return PutUnits<Encoder::kUtf16, Escape::kText>(units, count);
      return PutUnits<Encoder::kUtf16, Escape::kAttribute>(units, count);
    case Encoder::kUtf8:
      if (mode == Escape::kRaw) return PutUnits<Encoder::kUtf8, Escape::kRaw>(units, count);
      if (mode == Escape::kText) return PutUnits<Encoder::kUtf8, Escape::kText>(units, count);
      return PutUnits<Encoder::kUtf8, Escape::kAttribute>(units, count);
    case Encoder::kLatin1:
      if (mode == Escape::kRaw) return PutUnits<Encoder::kLatin1, Escape::kRaw>(units, count);
      if (mode == Escape::kText) return PutUnits<Encoder::kLatin1, Escape::kText>(units, count);
      return PutUnits<Encoder::kLatin1, Escape::kAttribute>(units, count);
  }
}

void OutputWriter::PutName(std::u16string_view name) {
  if (encoder_ == Encoder::kUtf16 || name.empty() || name.size() > sizeof(EncodedName::bytes)) {
    return Put(name, Escape::kRaw);
  }
  const auto address = reinterpret_cast<std::uintptr_t>(name.data());
  EncodedName& slot = names_[(address >> 1 ^ address >> 7) % kNameSlots];
  if (slot.data != name.data() || slot.length != name.size()) {
    slot.data = nullptr;
    for (std::size_t i = 0; i < name.size(); ++i) {
      // Only ASCII names are kept: in both one-byte encodings they are their own bytes.
      if (name[i] >= 0x80) return Put(name, Escape::kRaw);
      slot.bytes[i] = static_cast<char>(name[i]);
    }
    slot.data = name.data();
    slot.length = name.size();
  }
  if (!failed_ && kBufferSize - used_ >= sizeof slot.bytes) {
    // A copy of the whole slot, of fixed size, takes a few moves where one of the name's own
    // length would call memcpy; the bytes past the name are overwritten by what follows.
    std::memcpy(buffer_ + used_, slot.bytes, sizeof slot.bytes);
    used_ += slot.length;
    return;
  }
  PutMarkup(std::string_view(slot.bytes, slot.length));
}

void OutputWriter::PutMarkupSlowly(std::string_view markup) {
  for (char c : markup) {
    if (failed_) return;
    if (kBufferSize - used_ < kMaxUnitBytes) WriteBuffer();
    if (encoder_ == Encoder::kUtf16) {
      PutByte<Encoder::kUtf16>(static_cast<unsigned char>(c));
    } else {
      PutByte<Encoder::kUtf8>(static_cast<unsigned char>(c));
    }
  }
}

void OutputWriter::PutBytes(std::string_view bytes) {
  for (char c : bytes) {
    if (failed_) return;
    if (used_ == kBufferSize) WriteBuffer();
    buffer_[used_++] = static_cast<unsigned char>(c);
  }
}

}  // namespace rk::xml
