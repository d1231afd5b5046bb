#include "xml/memory.h"

#include <cstdlib>

namespace rk::xml {

const BlockMemory kSystemMemory{
    [](void*, std::size_t bytes) { return std::malloc(bytes); },
    [](void*, void* block, std::size_t bytes) { return std::realloc(block, bytes); },
    [](void*, void* block) { std::free(block); },
    nullptr,
};

}  // namespace rk::xml
