#pragma once
// The output writer: UTF-16 text encoded and escaped straight into one 64 KiB buffer, handed
// to a sink one full buffer at a time.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

#include "services/file_io.h"
#include "xml/char_classes.h"

namespace rk::xml {

// How characters that mean something in XML are written.
enum class Escape {
  kRaw,        // names, comments, CDATA sections, instructions, DTD: nothing escaped
  kText,       // element text: < > &
  kAttribute,  // attribute values: < > & ' " and tab, line feed, carriage return
};

// The character classes a mode escapes.
template <Escape kMode>
inline constexpr unsigned kEscapedClasses = kMode == Escape::kRaw    ? 0u
                                            : kMode == Escape::kText ? unsigned{kClassEscapedInText}
                                                                     : unsigned{kClassEscapedInText | kClassEscapedInAttribute};

// True when `unit` is ASCII that `kMode` writes as it is.
template <Escape kMode>
constexpr bool IsPlainAscii(char16_t unit) {
  return unit < 0x80 && (kCharClasses.bits[unit] & kEscapedClasses<kMode>) == 0;
}

// How a name is written: inside a start tag, an end tag or before an attribute value.
enum class NameForm : unsigned char {
  kOpen,       // "<name"
  kClose,      // "</name>"
  kAttribute,  // " name=\""
};

class OutputWriter {
 public:
  static constexpr std::size_t kBufferSize = 65536;
  // PutPadded copies in moves of this many bytes: its source must stay readable up to
  // kPadding - 1 bytes past its end, and its target have kPadding bytes of room beyond it.
  static constexpr std::size_t kPadding = 16;

  enum class Encoder { kUtf16, kUtf8, kLatin1 };

  // Writes to `sink` in the encoding of a document's encoding code.
  OutputWriter(ByteSink& sink, int encoding);

  // The encoder chosen for the document's encoding.
  Encoder encoder() const { return encoder_; }

  // Encodes and escapes `text`.
  void Put(std::u16string_view text, Escape mode);
  // Put for a caller that has resolved the encoder once for a whole document. A short text
  // of plain ASCII, most attribute values and numbers of a book, is copied here without a
  // call; from its first character to encode or escape on, a text goes the long way.
  template <Encoder kEncoder, Escape kMode>
  void PutIn(std::u16string_view text) {
    if (kEncoder != Encoder::kUtf16 && text.size() < kShortText && used_ + kShortText <= copyEnd_) {
      unsigned char* out = buffer_ + used_;
      std::size_t k = 0;
      for (; k < text.size() && IsPlainAscii<kMode>(text[k]); ++k) out[k] = static_cast<unsigned char>(text[k]);
      used_ += k;
      if (k == text.size()) return;
      text.remove_prefix(k);
    }
    PutInSlowly<kEncoder, kMode>(text);
  }

  // Markup and the declaration (ASCII only), encoded like text. Inline, since a tag is
  // written as several short pieces of markup: in a one-byte encoding with room left, each
  // piece is a single copy.
  void PutMarkup(std::string_view markup) {
    if (used_ + markup.size() <= copyEnd_) {
      std::memcpy(buffer_ + used_, markup.data(), markup.size());
      used_ += markup.size();
      return;
    }
    PutMarkupSlowly(markup);
  }
  // Markup of varying length (a line break and its indentation) whose source stays readable
  // kPadding bytes past its end: copied in fixed 16-byte moves, which beat a call to memcpy
  // for the few bytes of an indentation. Bytes copied past the end are overwritten by what
  // follows.
  void PutPadded(const char* markup, std::size_t size) {
    // The last move ends below size + kPadding in the buffer.
    if (used_ + size + kPadding <= copyEnd_) {
      unsigned char* out = buffer_ + used_;
      for (std::size_t k = 0; k < size; k += kPadding) CopyFixed<kPadding>(out + k, markup + k);
      used_ += size;
      return;
    }
    PutMarkupSlowly(std::string_view(markup, size));
  }
  // A name in `form`, nothing escaped. The thousands of tags of a book repeat a few interned
  // names, each at one address: each form of a name is composed once and then copied.
  void PutName(std::u16string_view name, NameForm form) {
    if (used_ + kFormBytes <= copyEnd_) {
      if (const EncodedName* slot = FindName(name)) {
        CopyFixed<kFormBytes>(buffer_ + used_, slot->forms[static_cast<int>(form)]);
        used_ += name.size() + FormExtra(form);
        return;
      }
    }
    PutNameSlowly(name, form);
  }
  // Bytes written as they are (a byte-order mark).
  void PutBytes(std::string_view bytes);

  // Writes what is left in the buffer; false when any write failed.
  [[nodiscard]] bool Flush();
  bool failed() const { return failed_; }

 private:
  // Composed forms of a recently written ASCII name, keyed by the name's address and length:
  // names are interned, so an address seen again is the same name.
  static constexpr std::size_t kFormBytes = 32;
  static constexpr std::size_t kLongestName = kFormBytes - 3;
  struct EncodedName {
    const char16_t* data = nullptr;
    // No name has this length, so an empty slot matches none.
    std::size_t length = std::numeric_limits<std::size_t>::max();
    char forms[3][kFormBytes] = {};
  };
  static constexpr unsigned kNameSlotBits = 7;
  static constexpr std::size_t kNameSlots = std::size_t{1} << kNameSlotBits;
  static constexpr std::size_t kProbes = 4;

  static constexpr std::size_t FormExtra(NameForm form) { return form == NameForm::kOpen ? 1 : 3; }

  template <std::size_t kSize>
  static void CopyFixed(unsigned char* out, const char* from) {
    std::memcpy(out, from, kSize);
  }

  // The slot holding `name`, composed on a miss; nullptr for a name kept in no slot (empty,
  // too long or not ASCII).
  const EncodedName* FindName(std::u16string_view name) {
    const auto address = reinterpret_cast<std::uintptr_t>(name.data());
    // Interned names lie close together in one block; a multiplicative hash (2^64 over the
    // golden ratio) spreads them, and its top bits pick one of the slots.
    static_assert(kNameSlots == std::size_t{1} << kNameSlotBits && kNameSlotBits < 64);
    const std::size_t index =
        static_cast<std::size_t>((std::uint64_t{address} * 0x9E3779B97F4A7C15ull) >> (64 - kNameSlotBits));
    // The few names of a book rarely share a slot, and then mostly only two: both are found
    // here without a call.
    const EncodedName& slot = names_[index];
    if (slot.data == name.data() && slot.length == name.size()) return &slot;
    const EncodedName& next = names_[(index + 1) % kNameSlots];
    if (next.data == name.data() && next.length == name.size()) return &next;
    return ComposeName(name, index);
  }
  const EncodedName* ComposeName(std::u16string_view name, std::size_t index);
  void PutNameSlowly(std::u16string_view name, NameForm form);
  void PutMarkupSlowly(std::string_view markup);
  static constexpr std::size_t kShortText = 8;

  template <Encoder kEncoder, Escape kMode>
  void PutInSlowly(std::u16string_view text);
  template <Encoder kEncoder, Escape kMode>
  void PutUnits(const char16_t* text, std::size_t count);
  void WriteBuffer();

  EncodedName names_[kNameSlots];
  unsigned char buffer_[kBufferSize];
  std::size_t used_ = 0;
  ByteSink& sink_;
  Encoder encoder_;
  // Where the inline copies of markup may end: the buffer's end in a one-byte encoding, 0 in
  // UTF-16, whose markup is widened byte by byte; one comparison then checks both.
  std::size_t copyEnd_;
  bool failed_ = false;
};

}  // namespace rk::xml
