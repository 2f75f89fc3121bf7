#include "app/Heap.h"

#include <malloc.h>

namespace app {

void Heap::mapLargeBlocksApart() {
    // Below it, blocks come from the heap and are reused from file to file
    // (each small file's output buffer among them): the heap keeps up to
    // twice as much free at its top, as glibc's own rule would, instead of
    // giving it back and faulting it in again for every file.
    constexpr int threshold = 2 << 20;
    ::mallopt(M_MMAP_THRESHOLD, threshold);
    ::mallopt(M_TRIM_THRESHOLD, 2 * threshold);
}

void Heap::giveBack() { ::malloc_trim(0); }

} // namespace app
