#include "io/ByteArray.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace io {

namespace {

// From this capacity on, an array has a mapping of its own: the allocator
// keeps the address space of large blocks it has freed for later (glibc
// raises its mapping threshold as it frees them), and a process capped by
// `ulimit -v` must be able to reuse all of it for the next attempt. Builds
// for the sanitizers keep every buffer on the heap, where they follow it.
constexpr std::size_t ownMappingFrom = TOMEL_HEAP_BUFFERS ? SIZE_MAX : std::size_t{1} << 20;

std::size_t pages(std::size_t bytes) {
    static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

} // namespace

std::uint8_t* ByteArray::regrow(std::uint8_t* data, std::size_t size, std::size_t had, std::size_t capacity) {
    if (capacity < ownMappingFrom) return static_cast<std::uint8_t*>(std::realloc(data, capacity));
    void* grown;
    if (had >= ownMappingFrom) {
        grown = ::mremap(data, pages(had), pages(capacity), MREMAP_MAYMOVE);
    } else {
        grown = ::mmap(nullptr, pages(capacity), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (grown != MAP_FAILED && size > 0) std::memcpy(grown, data, size);
        if (grown != MAP_FAILED) std::free(data);
    }
    return grown == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(grown);
}

void ByteArray::release(std::uint8_t* data, std::size_t capacity) {
    if (capacity >= ownMappingFrom) {
        ::munmap(data, pages(capacity));
    } else {
        std::free(data);
    }
}

} // namespace io
