#include "io/ByteArray.h"

#include <cstdlib>

namespace io {

// The heap alone: realloc moves large blocks as it sees fit. (The Windows
// build and the browser's convert on one thread: there is no retry that
// must find the address space of an attempt before it.)
std::uint8_t* ByteArray::regrow(std::uint8_t* data, std::size_t, std::size_t, bool&, std::size_t capacity) {
    return static_cast<std::uint8_t*>(std::realloc(data, capacity));
}

void ByteArray::release(std::uint8_t* data, std::size_t, bool) { std::free(data); }

} // namespace io
