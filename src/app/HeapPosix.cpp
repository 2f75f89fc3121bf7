#include "app/Heap.h"

#include <malloc.h>

namespace app {

void Heap::mapLargeBlocksApart() {
    // Below it, blocks come from the heap and are reused from file to file
    // (each small file's output buffer among them; a ByteArray of a megabyte
    // or more has a mapping of its own whatever the threshold): the heap keeps up
    // to twice as much free at its top, as glibc's own rule would, instead
    // of giving it back and faulting it in again for every file.
    constexpr int threshold = 2 << 20;
    ::mallopt(M_MMAP_THRESHOLD, threshold);
    ::mallopt(M_TRIM_THRESHOLD, 2 * threshold);
    // The heap grows by what is asked, not 128 KiB beyond: a retry whose
    // heap is a few KiB larger than a fresh process's must not need 128 KiB
    // more address space for it.
    ::mallopt(M_TOP_PAD, 0);
}

void Heap::giveBack() { ::malloc_trim(0); }

} // namespace app
