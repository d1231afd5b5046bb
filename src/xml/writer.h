#pragma once
// The output writer: UTF-16 text encoded and escaped straight into one 4,096-byte buffer,
// handed to a sink one full buffer at a time.

#include <cstddef>
#include <cstring>
#include <string_view>

#include "services/file_io.h"

namespace rk::xml {

// How characters that mean something in XML are written.
enum class Escape {
  kRaw,        // names, comments, CDATA sections, instructions, DTD: nothing escaped
  kText,       // element text: < > &
  kAttribute,  // attribute values: < > & ' " and tab, line feed, carriage return
};

class OutputWriter {
 public:
  static constexpr std::size_t kBufferSize = 4096;

  // Writes to `sink` in the encoding of a document's encoding code.
  OutputWriter(ByteSink& sink, int encoding);

  // Encodes and escapes `text`.
  void Put(std::u16string_view text, Escape mode);
  // Markup and the declaration (ASCII only), encoded like text. Inline, since a tag is
  // written as several short pieces of markup: in a one-byte encoding with room left, each
  // piece is a single copy.
  void PutMarkup(std::string_view markup) {
    if (encoder_ != Encoder::kUtf16 && !failed_ && markup.size() <= kBufferSize - used_) {
      std::memcpy(buffer_ + used_, markup.data(), markup.size());
      used_ += markup.size();
      return;
    }
    PutMarkupSlowly(markup);
  }
  // A name as markup (nothing escaped). The thousands of tags of a book repeat a few interned
  // names, each at one address: their bytes are encoded once and then copied.
  void PutName(std::u16string_view name);
  // Bytes written as they are (a byte-order mark).
  void PutBytes(std::string_view bytes);

  // Writes what is left in the buffer; false when any write failed.
  [[nodiscard]] bool Flush();
  bool failed() const { return failed_; }

 private:
  enum class Encoder { kUtf16, kUtf8, kLatin1 };

  template <Encoder kEncoder, Escape kMode>
  void PutUnits(const char16_t* text, std::size_t count);
  // Writes text[i] (and advances i past the second half of a surrogate pair).
  template <Encoder kEncoder, Escape kMode>
  void PutUnit(const char16_t* text, std::size_t count, std::size_t& i);
  template <Encoder kEncoder>
  void PutAscii(std::string_view ascii);
  template <Encoder kEncoder>
  void PutReference(char32_t code);
  template <Encoder kEncoder>
  void PutByte(unsigned char value);
  void PutMarkupSlowly(std::string_view markup);

  // Encoded bytes of a recently written ASCII name, keyed by the name's address and length.
  struct EncodedName {
    const char16_t* data = nullptr;
    std::size_t length = 0;
    char bytes[32] = {};
  };
  static constexpr std::size_t kNameSlots = 64;
  EncodedName names_[kNameSlots];
  void WriteBuffer();

  unsigned char buffer_[kBufferSize];
  std::size_t used_ = 0;
  ByteSink& sink_;
  Encoder encoder_;
  bool failed_ = false;
};

}  // namespace rk::xml
