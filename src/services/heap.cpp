#include "services/heap.h"

#include <cstdlib>  // defines __GLIBC__ with the C library's headers

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace rk {

void KeepFreedHeapForReuse() {
#if defined(__GLIBC__)
  // Free space at the top of a heap is returned only beyond this size. The call also stops
  // glibc from raising its mmap threshold as large blocks are freed (mallopt(3)), so only the
  // blocks below 128 KiB come from, and go back to, the heap that this keeps.
  constexpr int kKeptBytes = 256 * 1024 * 1024;
  static_cast<void>(mallopt(M_TRIM_THRESHOLD, kKeptBytes));
#endif
}

}  // namespace rk
