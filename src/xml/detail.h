#pragma once
// Hooks into the XML library for tests: they change how files are read and let one tree be
// written in every encoding. The program itself never calls them.

#include <cstddef>
#include <cstdint>

namespace rk::xml::detail {

// Bytes LoadDocument reads and parses per chunk; 0 restores the normal 16,384.
void SetLoadChunkSize(std::size_t bytes);

// Makes the reads of later loads end early: once `bytes` bytes were delivered, a read gives
// 0 bytes (or fails, with `fail`). A negative count restores normal reading.
void SetLoadReadLimit(std::int64_t bytes, bool fail = false);

// Changes the encoding code of a document, which decides how SaveDocument writes it.
void SetDocumentEncoding(int number, int encoding);

// Lets only the next `allocations` blocks of the library's own memory (arena, node pool,
// growable arrays) be allocated; every later one fails. A negative count lifts the limit.
void SetAllocationLimit(std::int64_t allocations);

// Size of one node record in bytes.
std::size_t NodeRecordSize();

}  // namespace rk::xml::detail
