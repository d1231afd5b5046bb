#pragma once
// Where a document's own blocks (arena, node pool, growable arrays) come from: memory functions
// in the manner of malloc, realloc and free, fixed when the document is made. Failure is a null
// result, never an exception.

#include <cstddef>

namespace rk::xml {

struct BlockMemory {
  void* (*allocate)(void* context, std::size_t bytes);
  void* (*resize)(void* context, void* block, std::size_t bytes);
  void (*release)(void* context, void* block);  // takes nullptr as well
  void* context;

  void* Allocate(std::size_t bytes) const { return allocate(context, bytes); }
  void* Resize(void* block, std::size_t bytes) const { return resize(context, block, bytes); }
  void Free(void* block) const { release(context, block); }
};

// malloc, realloc and free.
extern const BlockMemory kSystemMemory;

}  // namespace rk::xml
