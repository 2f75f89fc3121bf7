#include "app/Heap.h"

namespace app {

// A WebAssembly memory never shrinks, and the module converts on one thread:
// there is nothing to set and nothing to give back. The page starts a fresh
// module instead (see the converting worker).
void Heap::mapLargeBlocksApart() {}

void Heap::giveBack() {}

} // namespace app
