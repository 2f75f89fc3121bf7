#pragma once

namespace app {

// The allocator's heap, as the front end sees it between two attempts at a
// conversion.
class Heap {
public:
    // Hands the free memory the allocator keeps back to the system, where the
    // platform lets it: what a first attempt freed then counts no more
    // against an address-space limit (`ulimit -v`) when the next one runs.
    static void giveBack();
};

} // namespace app
