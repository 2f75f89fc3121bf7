#include "io/ByteArray.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace io {

namespace {

// From this capacity on, an array has a mapping of its own. On the heap, a
// large block freed below a small one still in use keeps its address space,
// and where a mapping cannot be had the allocator takes the block from the
// heap instead: a helped attempt that gives way would leave the one-thread
// retry less than a fresh process has under `ulimit -v`. Builds for the
// sanitizers keep every buffer on the heap, where they follow it (and
// ThreadSanitizer gives back the shadow of freed heap blocks, not of
// unmapped pages). Output buffers of small files stay below it.
constexpr std::size_t ownMappingFrom = TOMEL_HEAP_BUFFERS ? SIZE_MAX : std::size_t{1} << 20;

std::size_t pages(std::size_t bytes) {
    static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

} // namespace

std::uint8_t* ByteArray::regrow(std::uint8_t* data, std::size_t size, std::size_t had, bool& mapped,
                                std::size_t capacity) {
    if (capacity < ownMappingFrom && !mapped) return static_cast<std::uint8_t*>(std::realloc(data, capacity));
    void* grown;
    if (mapped) {
        grown = ::mremap(data, pages(had), pages(capacity), MREMAP_MAYMOVE);
    } else {
        grown = ::mmap(nullptr, pages(capacity), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (grown != MAP_FAILED && size > 0) std::memcpy(grown, data, size);
        if (grown != MAP_FAILED) std::free(data);
    }
    if (grown == MAP_FAILED) return nullptr;
    mapped = true;
    return static_cast<std::uint8_t*>(grown);
}

void ByteArray::release(std::uint8_t* data, std::size_t capacity, bool mapped) {
    if (mapped) {
        ::munmap(data, pages(capacity));
    } else {
        std::free(data);
    }
}

} // namespace io
