#include "services/heap.h"

#include <cstdlib>  // defines __GLIBC__ with the C library's headers

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace rk {

void KeepFreedHeapForReuse() {
#if defined(__GLIBC__)
  // Free space at the top of the heap is returned only beyond this size; the tree of a book
  // of 100,000 contacts takes about 70 MB of it.
  constexpr int kKeptBytes = 256 * 1024 * 1024;
  static_cast<void>(mallopt(M_TRIM_THRESHOLD, kKeptBytes));
#endif
}

}  // namespace rk
