#include "app/Heap.h"

#include <malloc.h>

namespace app {

void Heap::giveBack() { ::_heapmin(); }

} // namespace app
