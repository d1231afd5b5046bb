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


using Encoder = OutputWriter::Encoder;

// Units taken at once by the block copy of plain ASCII.
constexpr std::size_t kBlock = 8;

// Eight units packed to eight bytes, and which of them are plain ASCII in the mode: two mask
// bits per unit, the unit's bytes are final only where its bits are set.
struct PlainBlock {
  std::uint64_t bytes;
  unsigned mask;
};

#if defined(__SSE2__)
template <Escape kMode>
PlainBlock ReadBlock(const char16_t* text) {
  __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
  __m128i escaped = _mm_setzero_si128();
  for (char c : kUnitsOf<kEscapedClasses<kMode>>) escaped = _mm_or_si128(escaped, _mm_cmpeq_epi16(units, _mm_set1_epi16(c)));
  // ASCII units have none of the bits 0xFF80 set.
  __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(-128)), _mm_setzero_si128());
  PlainBlock block;
  block.bytes = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_packus_epi16(units, units)));
  block.mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(escaped, ascii)));
  return block;
}
#else
template <Escape kMode>
PlainBlock ReadBlock(const char16_t* text) {
  PlainBlock block{0, 0};
  for (std::size_t k = 0; k < kBlock; ++k) {
    block.bytes |= static_cast<std::uint64_t>(text[k] & 0xFF) << (8 * k);
    if (IsPlainAscii<kMode>(text[k])) block.mask |= 3u << (2 * k);
  }
  return block;
}
#endif

// Writes text[0, 8) to `out` and returns how many units at its start are plain ASCII in the
// mode: those bytes are final, the rest is overwritten by what follows. Indentation, tags
// and digits, the bulk of a phonebook, are plain. `out` needs room for eight bytes, which the
// room of the eight units (kMaxUnitBytes each) always gives.
template <Escape kMode>
std::size_t CopyPlainPrefix(const char16_t* text, unsigned char* out) {
  static_assert(kBlock * kMaxUnitBytes >= sizeof(PlainBlock::bytes));
  const PlainBlock block = ReadBlock<kMode>(text);
  std::memcpy(out, &block.bytes, sizeof block.bytes);
  // The bit above the mask stops the count at eight.
  return static_cast<std::size_t>(__builtin_ctz(~block.mask | 0x10000u)) / 2;
}

// Writes the last n (1 to 7) units before `end` to `out` when all of them are plain ASCII in
// the mode; false (nothing written) otherwise. The block reaches back over units already
// written, so a short tail needs no loop; `end` points at least eight units into the text.
// Eight bytes are written for as little as one unit, whose room of kMaxUnitBytes holds them.
template <Escape kMode>
bool CopyPlainTail(const char16_t* end, std::size_t n, unsigned char* out) {
  static_assert(kMaxUnitBytes >= sizeof(PlainBlock::bytes));
  const PlainBlock block = ReadBlock<kMode>(end - kBlock);
  const unsigned tailBits = 2 * static_cast<unsigned>(n);
  if ((block.mask >> (16 - tailBits)) != (1u << tailBits) - 1) return false;
  const std::uint64_t bytes = block.bytes >> (8 * (kBlock - n));
  std::memcpy(out, &bytes, sizeof bytes);
  return true;
}

template <Encoder kEncoder>
unsigned char* PutByte(unsigned char* out, unsigned char value) {
  *out++ = value;
  if constexpr (kEncoder == Encoder::kUtf16) *out++ = 0;
  return out;
}

template <Encoder kEncoder>
unsigned char* PutAscii(unsigned char* out, std::string_view ascii) {
  for (char c : ascii) out = PutByte<kEncoder>(out, static_cast<unsigned char>(c));
  return out;
}

template <Encoder kEncoder>
unsigned char* PutReference(unsigned char* out, char32_t code) {
  char digits[8];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + code % 10);
    code /= 10;
  } while (code != 0);
  out = PutByte<kEncoder>(out, '&');
  out = PutByte<kEncoder>(out, '#');
  while (count > 0) out = PutByte<kEncoder>(out, static_cast<unsigned char>(digits[--count]));
  return PutByte<kEncoder>(out, ';');
}

// Writes the character at text[i] to `out` (at most kMaxUnitBytes) and moves i past it,
// past both halves of a surrogate pair.
template <Encoder kEncoder, Escape kMode>
unsigned char* PutUnit(const char16_t* text, std::size_t count, std::size_t& i, unsigned char* out) {
  char16_t unit = text[i];
  if constexpr (kMode != Escape::kRaw) {
    std::string_view entity = EntityFor<kMode>(unit);
    if (!entity.empty()) {
      ++i;
      return PutAscii<kEncoder>(out, entity);
    }
  }
  if constexpr (kEncoder == Encoder::kUtf16) {
    // Half a surrogate pair would make the reader take the next unit as its other half and
    // swallow a character of the markup; U+FFFD keeps the file readable.
    char32_t code = CodePointAt(text, count, i);
    if (code >= 0x10000) {
      char16_t high = text[i - 1];
      *out++ = static_cast<unsigned char>(high & 0xFF);
      *out++ = static_cast<unsigned char>(high >> 8);
      unit = text[i];
    } else {
      unit = static_cast<char16_t>(code);
    }
    *out++ = static_cast<unsigned char>(unit & 0xFF);
    *out++ = static_cast<unsigned char>(unit >> 8);
  } else if constexpr (kEncoder == Encoder::kUtf8) {
    char32_t code = CodePointAt(text, count, i);
    if (code < 0x80) {
      *out++ = static_cast<unsigned char>(code);
    } else if (code < 0x800) {
      *out++ = static_cast<unsigned char>(0xC0 | (code >> 6));
      *out++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *out++ = static_cast<unsigned char>(0xE0 | (code >> 12));
      *out++ = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
    } else {
      *out++ = static_cast<unsigned char>(0xF0 | (code >> 18));
      *out++ = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
    }
  } else if (unit < 0x100) {
    *out++ = static_cast<unsigned char>(unit);
  } else if constexpr (kMode == Escape::kRaw) {
    *out++ = ' ';
  } else {
    // ISO-8859-1 has no byte for it; a character reference keeps the character.
    out = PutReference<kEncoder>(out, CodePointAt(text, count, i));
  }
  ++i;
  return out;
}

// Encodes text[i, end) to `out`, which has room for kMaxUnitBytes per unit; a surrogate pair
// may reach one unit past `end`. Index and output pointer are locals, so that the compiler
// need not reload them after every byte stored.
template <Encoder kEncoder, Escape kMode>
[[gnu::always_inline]] inline unsigned char* PutRun(const char16_t* text, std::size_t count, std::size_t& i,
                                                    std::size_t end, unsigned char* out) {
  std::size_t at = i;
  if constexpr (kEncoder != Encoder::kUtf16) {
    // Plain ASCII, the bulk of every phonebook, is copied eight units at a time; a block stops
    // at its first unit to encode or escape.
    while (at + kBlock <= end) {
      const std::size_t plain = CopyPlainPrefix<kMode>(text + at, out);
      at += plain;
      out += plain;
      if (plain < kBlock) out = PutUnit<kEncoder, kMode>(text, count, at, out);
    }
    const std::size_t rest = end - at;
    if (rest > 0 && rest < kBlock && end >= kBlock && CopyPlainTail<kMode>(text + end, rest, out)) {
      i = end;
      return out + rest;
    }
  }
  while (at < end) {
    if (kEncoder != Encoder::kUtf16 && IsPlainAscii<kMode>(text[at])) {
      *out++ = static_cast<unsigned char>(text[at++]);
      continue;
    }
    out = PutUnit<kEncoder, kMode>(text, count, at, out);
  }
  i = at;
  return out;
}

}  // namespace

OutputWriter::OutputWriter(ByteSink& sink, int encoding)
    : sink_(sink),
      encoder_(encoding == EncodingUtf16  ? Encoder::kUtf16
               : encoding == EncodingUtf8 ? Encoder::kUtf8
                                          : Encoder::kLatin1),
      copyEnd_(encoder_ == Encoder::kUtf16 ? 0 : kBufferSize) {}

void OutputWriter::WriteBuffer() {
  if (!failed_ && !sink_.Write(std::string_view(reinterpret_cast<const char*>(buffer_), used_))) failed_ = true;
  used_ = 0;
}

bool OutputWriter::Flush() {
  if (used_ > 0 && !failed_) WriteBuffer();
  return !failed_;
}

template <OutputWriter::Encoder kEncoder, Escape kMode>
void OutputWriter::PutInSlowly(std::u16string_view text) {
  const std::size_t count = text.size();
  // A text that fits whatever its characters become, every text of a phonebook, is written
  // in one run.
  // The first comparison keeps the product below the buffer's size, so it cannot wrap.
  if (count <= kBufferSize / kMaxUnitBytes && count * kMaxUnitBytes <= kBufferSize - used_) {
    std::size_t i = 0;
    used_ = static_cast<std::size_t>(PutRun<kEncoder, kMode>(text.data(), count, i, count, buffer_ + used_) - buffer_);
    return;
  }
  PutUnits<kEncoder, kMode>(text.data(), count);
}

template <OutputWriter::Encoder kEncoder, Escape kMode>
void OutputWriter::PutUnits(const char16_t* text, std::size_t count) {
  std::size_t i = 0;
  while (i < count && !failed_) {
    // Every unit of a batch fits into the room left, so the run needs no check.
    const std::size_t batch = (kBufferSize - used_) / kMaxUnitBytes;
    if (batch == 0) {
      WriteBuffer();
      continue;
    }
    const std::size_t end = count - i < batch ? count : i + batch;
    used_ = static_cast<std::size_t>(PutRun<kEncoder, kMode>(text, count, i, end, buffer_ + used_) - buffer_);
  }
}

#define RK_PUT_IN(encoder)                                                        \
  template void OutputWriter::PutInSlowly<encoder, Escape::kRaw>(std::u16string_view);  \
  template void OutputWriter::PutInSlowly<encoder, Escape::kText>(std::u16string_view); \
  template void OutputWriter::PutInSlowly<encoder, Escape::kAttribute>(std::u16string_view);
RK_PUT_IN(OutputWriter::Encoder::kUtf16)
RK_PUT_IN(OutputWriter::Encoder::kUtf8)
RK_PUT_IN(OutputWriter::Encoder::kLatin1)
#undef RK_PUT_IN

void OutputWriter::Put(std::u16string_view text, Escape mode) {
  switch (encoder_) {
    case Encoder::kUtf16:
      if (mode == Escape::kRaw) return PutIn<Encoder::kUtf16, Escape::kRaw>(text);
      if (mode == Escape::kText) return PutIn<Encoder::kUtf16, Escape::kText>(text);
      return PutIn<Encoder::kUtf16, Escape::kAttribute>(text);
    case Encoder::kUtf8:
      if (mode == Escape::kRaw) return PutIn<Encoder::kUtf8, Escape::kRaw>(text);
      if (mode == Escape::kText) return PutIn<Encoder::kUtf8, Escape::kText>(text);
      return PutIn<Encoder::kUtf8, Escape::kAttribute>(text);
    case Encoder::kLatin1:
      if (mode == Escape::kRaw) return PutIn<Encoder::kLatin1, Escape::kRaw>(text);
      if (mode == Escape::kText) return PutIn<Encoder::kLatin1, Escape::kText>(text);
      return PutIn<Encoder::kLatin1, Escape::kAttribute>(text);
  }
}

const OutputWriter::EncodedName* OutputWriter::ComposeName(std::u16string_view name, std::size_t index) {
  if (name.empty() || name.size() > kLongestName) return nullptr;
  // A name may sit a few slots further when another took its first; else the first free
  // slot of the probes takes it, or the first one when none is free.
  EncodedName* target = nullptr;
  for (std::size_t probe = 0; probe < kProbes; ++probe) {
    EncodedName& slot = names_[(index + probe) % kNameSlots];
    if (slot.data == name.data() && slot.length == name.size()) return &slot;
    if (target == nullptr && slot.data == nullptr) target = &slot;
  }
  if (target == nullptr) target = &names_[index];
  char bytes[kLongestName];
  for (std::size_t i = 0; i < name.size(); ++i) {
    // Only ASCII names are kept: in both one-byte encodings they are their own bytes.
    if (name[i] >= 0x80) return nullptr;
    bytes[i] = static_cast<char>(name[i]);
  }
  const std::size_t length = name.size();
  char* open = target->forms[static_cast<int>(NameForm::kOpen)];
  open[0] = '<';
  std::memcpy(open + 1, bytes, length);
  char* close = target->forms[static_cast<int>(NameForm::kClose)];
  close[0] = '<';
  close[1] = '/';
  std::memcpy(close + 2, bytes, length);
  close[length + 2] = '>';
  char* attribute = target->forms[static_cast<int>(NameForm::kAttribute)];
  attribute[0] = ' ';
  std::memcpy(attribute + 1, bytes, length);
  attribute[length + 1] = '=';
  attribute[length + 2] = '"';
  target->data = name.data();
  target->length = length;
  return target;
}

void OutputWriter::PutNameSlowly(std::u16string_view name, NameForm form) {
  switch (form) {
    case NameForm::kOpen:
      PutMarkup("<");
      Put(name, Escape::kRaw);
      return;
    case NameForm::kClose:
      PutMarkup("</");
      Put(name, Escape::kRaw);
      PutMarkup(">");
      return;
    case NameForm::kAttribute:
      PutMarkup(" ");
      Put(name, Escape::kRaw);
      PutMarkup("=\"");
      return;
  }
}

void OutputWriter::PutMarkupSlowly(std::string_view markup) {
  for (char c : markup) {
    if (failed_) return;
    if (kBufferSize - used_ < kMaxUnitBytes) WriteBuffer();
    if (encoder_ == Encoder::kUtf16) {
      used_ = static_cast<std::size_t>(PutByte<Encoder::kUtf16>(buffer_ + used_, static_cast<unsigned char>(c)) - buffer_);
    } else {
      buffer_[used_++] = static_cast<unsigned char>(c);
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
