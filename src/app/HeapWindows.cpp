#include "app/Heap.h"

#include <malloc.h>

namespace app {

// The Windows build converts on one thread, and its heap keeps no such
// threshold.
void Heap::mapLargeBlocksApart() {}

void Heap::giveBack() { ::_heapmin(); }

} // namespace app
