#pragma once

#include <cstdint>

#include "io/ByteArray.h"
#include "io/Bytes.h"

namespace io {

// A growable byte array. Appending is amortised constant time (the storage
// grows geometrically); getBytes hands the array over without a copy.
class BytesBuffer {
public:
    std::int32_t length() const { return static_cast<std::int32_t>(b_.size()); }
    void reserve(std::int64_t n);
    void addByte(std::uint8_t c) {
        ensureRoom(1);
        b_.push_back(c);
    }
    void add(const std::uint8_t* data, std::int32_t n);
    // Grows the array by n uninitialised bytes and returns where they start.
    std::uint8_t* extend(std::int32_t n);
    // Drops bytes from the end, keeping the first n.
    void truncate(std::int32_t n) { b_.resize(static_cast<std::size_t>(n)); }
    Bytes getBytes();

private:
    void ensureRoom(std::int64_t n) const;
    ByteArray b_;
};

} // namespace io
