#pragma once
// How the process's heap gives memory back to the system.

namespace rk {

// Keeps small blocks that an operation freed for the next one instead of handing them back
// to the system. A load frees the tree of a large book before it makes the list's rows; the
// node records and the many small strings of the load, returned, would have to be faulted in
// page by page again by the copy or move that follows. With glibc it sets the trim threshold
// to 256 MiB: free space at the top of a heap is returned only beyond that, so up to 256 MiB
// of freed memory may stay resident for the rest of the session. Setting it also fixes
// glibc's mmap threshold at its default of 128 KiB, which would otherwise rise to the size of
// the largest block freed: a larger block (an arena block of a document's texts, the
// file-sized first one, the large arrays of record lists and rows) is mapped for each request
// and unmapped when freed. Elsewhere it does nothing.
void KeepFreedHeapForReuse();

}  // namespace rk
