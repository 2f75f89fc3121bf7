#include "app/Heap.h"

#include <malloc.h>

namespace app {

void Heap::giveBack() { ::malloc_trim(0); }

} // namespace app
