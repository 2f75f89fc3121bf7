#pragma once

namespace app {

// The allocator's heap, as the front end sees it.
class Heap {
public:
    // At start-up: from 2 MiB on, blocks are mapped on their own and
    // unmapped when freed, at every point of the run: a large body or plane
    // gives its memory back when it goes, and grows by moving its pages.
    // glibc would otherwise raise that threshold as it frees large blocks
    // (up to 32 MiB) and keep them in its heap.
    static void mapLargeBlocksApart();
    // Before an attempt that follows another: hands the free memory the
    // allocator keeps back to the system, where the platform lets it.
    static void giveBack();
};

} // namespace app
