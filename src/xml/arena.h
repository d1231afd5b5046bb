#pragma once
// The StringArena of one document: names, texts and attribute arrays are cut from large
// blocks and released only with the arena. A piece above kLargePiece bytes (or one that no
// block can take) gets a block of its own, which its holder may release early; every such
// block still belongs to the arena, so whatever is not released early goes with the arena.

#include <cstddef>
#include <cstdint>

#include "xml/memory.h"

namespace rk::xml {

// Where a piece of arena memory lives: `own` pieces have a block of their own and are given
// back with Release when their holder replaces them; the others stay until the arena ends.
struct ArenaPiece {
  void* data = nullptr;  // nullptr when memory ran out
  bool own = false;
};

class StringArena {
 public:
  static constexpr std::size_t kLargePiece = 1024;
  static constexpr std::size_t kBlockSize = 512 * 1024;

  explicit StringArena(const BlockMemory& memory) : memory_(memory) {}
  ~StringArena();
  StringArena(const StringArena&) = delete;
  StringArena& operator=(const StringArena&) = delete;

  // Size of the first block, taken when the first small piece is asked for.
  void SetFirstBlockSize(std::size_t bytes) { firstBlockSize_ = bytes; }

  // A piece of `bytes` bytes (at least 1) aligned to `alignment` (a power of two up to 16).
  // Inline for the piece that fits the current block: every text and value of a load and a
  // save takes one.
  [[nodiscard]] ArenaPiece Allocate(std::size_t bytes, std::size_t alignment) {
    if (bytes - 1 < kLargePiece && next_ != nullptr) {
      const auto address = reinterpret_cast<std::uintptr_t>(next_);
      char* place = reinterpret_cast<char*>((address + alignment - 1) & ~(alignment - 1));
      if (place <= end_ && static_cast<std::size_t>(end_ - place) >= bytes) {
        next_ = place + bytes;
        return {place, false};
      }
    }
    return AllocateInNewBlock(bytes, alignment);
  }

  // Gives back a piece that Allocate returned with `own` set.
  void Release(void* data);

 private:
  struct alignas(16) BlockHeader {
    BlockHeader* next;
  };
  struct alignas(16) OwnHeader {
    OwnHeader* previous;
    OwnHeader* next;
  };

  // A piece that the current block cannot take: from a new block, or a block of its own.
  ArenaPiece AllocateInNewBlock(std::size_t bytes, std::size_t alignment);
  ArenaPiece AllocateOwn(std::size_t bytes);
  bool AddBlock(std::size_t bytes);

  const BlockMemory& memory_;
  BlockHeader* blocks_ = nullptr;
  OwnHeader* ownBlocks_ = nullptr;
  char* next_ = nullptr;
  char* end_ = nullptr;
  std::size_t firstBlockSize_ = 64 * 1024;
};

}  // namespace rk::xml
