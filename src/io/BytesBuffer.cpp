#include "io/BytesBuffer.h"

#include <cstring>
#include <limits>
#include <utility>

#include "io/IoError.h"

namespace io {

void BytesBuffer::ensureRoom(std::int64_t n) const {
    // A Bytes length is a signed 32-bit value; the array may never outgrow it.
    if (static_cast<std::int64_t>(b_.size()) + n > std::numeric_limits<std::int32_t>::max()) {
        throw IoError::overflow();
    }
}

void BytesBuffer::reserve(std::int64_t n) {
    if (n > std::numeric_limits<std::int32_t>::max()) n = std::numeric_limits<std::int32_t>::max();
    if (n > 0) b_.reserve(static_cast<std::size_t>(n));
}

void BytesBuffer::add(const std::uint8_t* data, std::int32_t n) {
    if (n <= 0) return;
    std::memcpy(extend(n), data, static_cast<std::size_t>(n));
}

std::uint8_t* BytesBuffer::extend(std::int32_t n) {
    ensureRoom(n);
    const std::size_t old = b_.size();
    const std::size_t wanted = old + static_cast<std::size_t>(n);
    if (wanted > b_.capacity()) b_.reserve(std::max(wanted, b_.capacity() * 2));
    b_.resize(wanted);
    return b_.data() + old;
}

Bytes BytesBuffer::getBytes() { return Bytes(std::move(b_)); }

} // namespace io
