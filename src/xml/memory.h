#pragma once
// Raw memory for the library's own blocks (arena, node pool, growable arrays). Failure is a
// null result, never an exception; tests can make it run out on purpose (detail.h).

#include <cstddef>

namespace rk::xml {

void* AllocateBlock(std::size_t bytes);
void* ResizeBlock(void* block, std::size_t bytes);
void FreeBlock(void* block);

}  // namespace rk::xml
