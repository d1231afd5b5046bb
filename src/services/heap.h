#pragma once
// How the process's heap gives memory back to the system.

namespace rk {

// Keeps heap memory that an operation freed for the next one instead of handing it back to the
// system at once. A load frees the tree of a large book (tens of megabytes) before it makes the
// list's rows; returned, it would have to be faulted in page by page again by the copy or move
// that follows, which then takes several times as long.
void KeepFreedHeapForReuse();

}  // namespace rk
