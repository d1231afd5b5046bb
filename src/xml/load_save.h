#pragma once
// The load and the save behind xml.h, with what the public functions fix as parameters:
// LoadDocument reads a file in 16 KiB chunks into blocks of the system's memory, SaveDocument
// writes in the document's encoding, CreateDocument takes the system's memory. Tests reach
// these to read from memory, in chunks of any size, through readers that end early or fail,
// to build and load with memory that runs out, and to write one tree in every encoding.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "services/file_io.h"
#include "xml/memory.h"
#include "xml/xml.h"

namespace rk::xml {

inline constexpr std::size_t kLoadChunkSize = 16384;

struct LoadSetup {
  int encoding = kEncodingAuto;  // as LoadDocument takes them
  int normalise = 0;
  std::size_t chunkSize = kLoadChunkSize;     // bytes read and parsed at a time, at least 1
  const BlockMemory* memory = &kSystemMemory;  // must outlive the document
};

// Parses what `source` gives into a document under `number`, as LoadDocument does with a file
// of `size` bytes: a source that ends or fails before `size` bytes leaves a parse error on what
// it gave.
[[nodiscard]] int LoadFromSource(int number, ByteSource& source, std::uint64_t size, const LoadSetup& setup);

// Makes an empty document as CreateDocument does, taking its blocks from `memory`, which must
// outlive it; nonzero on success.
[[nodiscard]] int CreateDocumentIn(int number, int encoding, const BlockMemory& memory);

// Writes the document as SaveDocument does, but in `encoding` instead of its own.
[[nodiscard]] int SaveInEncoding(int number, std::u16string_view path, int encoding, int options = 0);

}  // namespace rk::xml
