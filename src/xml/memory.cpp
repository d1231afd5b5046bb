#include "xml/memory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "xml/detail.h"

namespace rk::xml {
namespace {

// Allocations still allowed before every further one fails; negative: no limit. Atomic,
// since a load writes its formatted copy on a second thread.
std::atomic<std::int64_t> allocationsLeft{-1};

bool MayAllocate() {
  std::int64_t left = allocationsLeft.load(std::memory_order_relaxed);
  for (;;) {
    if (left < 0) return true;
    if (left == 0) return false;
    if (allocationsLeft.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) return true;
  }
}

}  // namespace

void* AllocateBlock(std::size_t bytes) { return MayAllocate() ? std::malloc(bytes) : nullptr; }

void* ResizeBlock(void* block, std::size_t bytes) {
  return MayAllocate() ? std::realloc(block, bytes) : nullptr;
}

void FreeBlock(void* block) { std::free(block); }

namespace detail {

void SetAllocationLimit(std::int64_t allocations) { allocationsLeft.store(allocations, std::memory_order_relaxed); }

}  // namespace detail
}  // namespace rk::xml
