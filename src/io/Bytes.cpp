#include "io/Bytes.h"

#include <cstring>
#include <limits>
#include <utility>

#include "io/IoError.h"

namespace io {

Bytes::Bytes(ByteArray data) : data_(std::move(data)) {
    if (data_.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw IoError::overflow();
    }
}

Bytes Bytes::alloc(std::int32_t n) {
    if (n < 0) throw IoError::outsideBounds();
    return Bytes(ByteArray(static_cast<std::size_t>(n), 0));
}

Bytes Bytes::allocUninitialized(std::int32_t n) {
    if (n < 0) throw IoError::outsideBounds();
    ByteArray data;
    data.resize(static_cast<std::size_t>(n));
    return Bytes(std::move(data));
}

Bytes Bytes::ofString(const std::string& s) {
    ByteArray data(s.begin(), s.end());
    return Bytes(std::move(data));
}

std::string Bytes::getString(std::int32_t p, std::int32_t n) const {
    if (!rangeInside(p, n, length())) throw IoError::outsideBounds();
    return std::string(reinterpret_cast<const char*>(data_.data()) + p, static_cast<std::size_t>(n));
}

void Bytes::blit(std::int32_t p, const Bytes& src, std::int32_t srcp, std::int32_t n) {
    if (!rangeInside(p, n, length()) || !rangeInside(srcp, n, src.length())) {
        throw IoError::outsideBounds();
    }
    if (n > 0) std::memmove(data_.data() + p, src.data_.data() + srcp, static_cast<std::size_t>(n));
}

} // namespace io
