#include "xml/memory.h"

#include <cstdint>
#include <cstdlib>

#include "xml/detail.h"

namespace rk::xml {
namespace {

// Allocations still allowed before every further one fails; negative: no limit.
std::int64_t allocationsLeft = -1;

bool MayAllocate() {
  if (allocationsLeft < 0) return true;
  if (allocationsLeft == 0) return false;
  --allocationsLeft;
  return true;
}

}  // namespace

void* AllocateBlock(std::size_t bytes) { return MayAllocate() ? std::malloc(bytes) : nullptr; }

void* AllocateZeroedBlock(std::size_t bytes) { return MayAllocate() ? std::calloc(1, bytes) : nullptr; }

void* ResizeBlock(void* block, std::size_t bytes) {
  return MayAllocate() ? std::realloc(block, bytes) : nullptr;
}

void FreeBlock(void* block) { std::free(block); }

namespace detail {

void SetAllocationLimit(std::int64_t allocations) { allocationsLeft = allocations; }

}  // namespace detail
}  // namespace rk::xml
