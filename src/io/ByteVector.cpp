#include "io/ByteVector.h"

#include <cstring>

namespace io {

void ByteVector::append(const std::uint8_t* data, std::size_t n) {
    if (n == 0) return;
    const std::size_t at = bytes_.size();
    bytes_.resize(at + n);
    std::memcpy(bytes_.data() + at, data, n);
}

void ByteVector::zeros(std::size_t n) { bytes_.resize(bytes_.size() + n, 0); }

} // namespace io
