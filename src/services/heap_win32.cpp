#include "services/heap.h"

namespace rk {

// The Windows heap keeps freed memory for the process by itself; there is nothing to set.
void KeepFreedHeapForReuse() {}

}  // namespace rk
