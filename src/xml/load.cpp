// LoadDocument: reads a file in chunks into Expat's buffer and builds the tree; the status,
// line, column and message of the last load.

#include <expat.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <span>

#include "services/file_read.h"
#include "services/text.h"
#include "xml/document.h"
#include "xml/error_text.h"
#include "xml/line_breaks.h"
#include "xml/load_handlers.h"
#include "xml/load_save.h"

namespace rk::xml {
namespace {

// This Expat scans a token that is still incomplete again from its start on every parse call,
// so a token far longer than a chunk (a 50 MB attribute value, comment or name) would cost time
// quadratic in its length. Once the parser has made no progress for this many bytes, each read
// doubles, which keeps the number of rescans logarithmic; any progress returns to the normal
// chunk size.
constexpr std::uint64_t kStuckBytes = std::uint64_t{1} << 20;
constexpr std::size_t kLargestChunk = std::size_t{1} << 30;

// Expat takes its memory from the document's BlockMemory too, so that a load running short
// of memory fails the same way wherever it runs short. Expat's memory functions take no
// context; they reach the memory of the load running on their thread through this.
thread_local const BlockMemory* parserMemory = nullptr;

const XML_Memory_Handling_Suite kParserMemory{
    [](std::size_t bytes) { return parserMemory->Allocate(bytes); },
    [](void* block, std::size_t bytes) { return parserMemory->Resize(block, bytes); },
    [](void* block) { parserMemory->Free(block); },
};

// The parser of one load, made and freed while the load's memory is its thread's.
class Parser {
 public:
  Parser(const XML_Char* encoding, const BlockMemory& memory) : outer_(parserMemory) {
    parserMemory = &memory;
    parser_ = XML_ParserCreate_MM(encoding, &kParserMemory, nullptr);
  }
  ~Parser() {
    if (parser_ != nullptr) XML_ParserFree(parser_);
    parserMemory = outer_;
  }
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  XML_Parser get() const { return parser_; }

 private:
  const BlockMemory* outer_;
  XML_Parser parser_ = nullptr;
};

const XML_Char* ParserEncodingName(int encoding) {
  switch (encoding) {
    case EncodingUtf8:
      return reinterpret_cast<const XML_Char*>(u"UTF-8");
    case EncodingLatin1:
      return reinterpret_cast<const XML_Char*>(u"ISO-8859-1");
    case EncodingUtf16:
      return reinterpret_cast<const XML_Char*>(u"UTF-16");
    default:
      return nullptr;  // Expat decides from a byte-order mark or the declaration
  }
}

std::int64_t ClampToInt(std::int64_t value) {
  return std::min<std::int64_t>(value, std::numeric_limits<int>::max());
}

// Runs the parse over the `size` bytes of `source`; returns the status (0 when it parsed
// completely).
int ParseInput(ByteSource& source, std::uint64_t size, std::size_t chunkSize, XML_Parser parser,
               LoadContext& context) {
  Document& document = *context.document;
  std::uint64_t total = 0;
  std::size_t step = chunkSize;
  // Byte offset of the parser's last event (the start of a token it is still waiting to
  // complete), and the total read when it last moved.
  XML_Index lastEvent = XML_GetCurrentByteIndex(parser);
  std::uint64_t movedAt = 0;
  for (;;) {
    auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(step, size - total));
    void* buffer = XML_GetBuffer(parser, static_cast<int>(wanted));
    if (buffer == nullptr) return XML_ERROR_NO_MEMORY;
    const std::int64_t count = source.Read(std::span<char>(static_cast<char*>(buffer), wanted));
    if (count <= 0) {
      // The input ended before its size was reached (it shrank, or the read failed). Expat
      // gets the end of the input on what was read, so a cut-off document is reported as
      // the parse error it now is instead of passing as a complete, shorter one.
      if (XML_ParseBuffer(parser, 0, XML_TRUE) == XML_STATUS_ERROR) {
        return context.outOfMemory ? XML_ERROR_NO_MEMORY : XML_GetErrorCode(parser);
      }
      return 0;
    }
    total += static_cast<std::uint64_t>(count);
    if (document.lineBreakStyle == kLineBreakUnknown) {
      document.lineBreakStyle =
          DetectLineBreakStyle(static_cast<const unsigned char*>(buffer), static_cast<std::size_t>(count));
    }
    bool final = total >= size;
    if (XML_ParseBuffer(parser, static_cast<int>(count), final ? XML_TRUE : XML_FALSE) ==
        XML_STATUS_ERROR) {
      // A callback that ran out of memory stops the parser, which Expat reports as aborted.
      return context.outOfMemory ? XML_ERROR_NO_MEMORY : XML_GetErrorCode(parser);
    }
    if (final) return 0;
    const XML_Index event = XML_GetCurrentByteIndex(parser);
    if (event != lastEvent) {
      lastEvent = event;
      movedAt = total;
      step = chunkSize;
    } else if (total - movedAt >= kStuckBytes) {
      step = std::min(step * 2, kLargestChunk);
    }
  }
}

}  // namespace

static_assert(kStatusOutOfMemory == XML_ERROR_NO_MEMORY);

int LoadFromSource(int number, ByteSource& source, std::uint64_t size, const LoadSetup& setup) {
  if (number < 0) return 0;
  if (size < 1 || size > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return 0;

  const Parser parser(ParserEncodingName(setup.encoding), *setup.memory);
  if (parser.get() == nullptr) return 0;
  std::unique_ptr<Document> made =
      MakeDocument(number, setup.encoding == kEncodingAuto ? EncodingUtf8 : setup.encoding, *setup.memory);
  if (!made) return 0;
  Document& document = *made;
  document.lineBreakStyle = kLineBreakUnknown;
  document.encodingForced = setup.encoding != kEncodingAuto;
  document.arena.SetFirstBlockSize(static_cast<std::size_t>(size) + 16);
  if (!InstallDocument(std::move(made))) return 0;

  LoadContext context(document);
  context.normalise = setup.normalise == (FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks);
  const std::size_t chunkSize = std::clamp<std::size_t>(setup.chunkSize, 1, kLargestChunk);
  int result = StartLoad(context, parser.get()) ? ParseInput(source, size, chunkSize, parser.get(), context)
                                                : static_cast<int>(XML_ERROR_NO_MEMORY);
  FinishLoad(context);
  if (result == 0 && context.outOfMemory) result = XML_ERROR_NO_MEMORY;
  document.status = result;
  if (result != 0) {
    document.errorLine = ClampToInt(static_cast<std::int64_t>(XML_GetCurrentLineNumber(parser.get())));
    document.errorColumn =
        ClampToInt(static_cast<std::int64_t>(XML_GetCurrentColumnNumber(parser.get())) + 1);
  }
  return 1;
}

int LoadDocument(int number, std::u16string_view path, int encoding, int normalise) {
  if (path.empty() || number < 0) return 0;
  // A FIFO, socket or device is refused without waiting on it.
  std::uint64_t size = 0;
  FileSource file(ToOsPath(path), size);
  if (!file.valid()) return 0;
  return LoadFromSource(number, file, size, LoadSetup{encoding, normalise});
}

LoadedSize LoadedTreeSize(int number) {
  Document* document = FindDocument(number);
  return document == nullptr ? LoadedSize{} : document->loaded;
}

int DocumentStatus(int number) {
  Document* document = FindDocument(number);
  return document == nullptr ? 0 : document->status;
}

int ErrorLine(int number) {
  Document* document = FindDocument(number);
  return document == nullptr ? 0 : static_cast<int>(document->errorLine);
}

int ErrorColumn(int number) {
  Document* document = FindDocument(number);
  return document == nullptr ? 0 : static_cast<int>(document->errorColumn);
}

std::u16string ErrorMessage(int number) {
  Document* document = FindDocument(number);
  return document == nullptr ? std::u16string() : ParserErrorText(document->status);
}

}  // namespace rk::xml
