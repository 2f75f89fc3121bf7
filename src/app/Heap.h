#pragma once

namespace app {

// The allocator's heap, as the front end sees it. A process capped by
// `ulimit -v` counts address space, not memory in use: an attempt on one
// thread after a helped one must find as much of it as a fresh process.
class Heap {
public:
    // At start-up: from 2 MiB on, blocks are mapped on their own and
    // unmapped when freed, at every point of the run. glibc would otherwise
    // raise that threshold as it frees large blocks (up to 32 MiB) and keep
    // their address space in its heap, so that a later attempt gets large
    // blocks from a fragmented heap where a fresh process would map them.
    // The heap grows by what is asked, with no extra room beyond it.
    static void mapLargeBlocksApart();
    // Before an attempt that follows another: hands the free memory the
    // allocator keeps back to the system, where the platform lets it.
    static void giveBack();
};

} // namespace app
