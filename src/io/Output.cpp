#include "io/Output.h"

#include <algorithm>
#include <limits>

#include "io/IoError.h"
#include "io/MessageError.h"

namespace io {

void Output::writeByte(int) { throw MessageError("Not implemented"); }

std::int32_t Output::writeRaw(const std::uint8_t* data, std::int32_t n) {
    for (std::int32_t i = 0; i < n; ++i) writeByte(data[i]);
    return n;
}

std::int32_t Output::writeBytes(const Bytes& buf, std::int32_t p, std::int32_t n) {
    if (!rangeInside(p, n, buf.length())) throw IoError::outsideBounds();
    if (n == 0) return 0;
    return writeRaw(buf.data() + p, n);
}

void Output::writeFull(const std::uint8_t* data, std::int64_t n) {
    while (n > 0) {
        const auto piece =
            static_cast<std::int32_t>(std::min<std::int64_t>(n, std::numeric_limits<std::int32_t>::max()));
        const std::int32_t k = writeRaw(data, piece);
        if (k <= 0) throw IoError::blocked();
        data += k;
        n -= k;
    }
}

void Output::writeFullBytes(const Bytes& buf, std::int32_t p, std::int32_t n) {
    if (!rangeInside(p, n, buf.length())) throw IoError::outsideBounds();
    writeFull(buf.data() + p, n);
}

void Output::writeInt16(std::int32_t x) {
    if (x < -32768 || x > 32767) throw IoError::overflow();
    writeUInt16(x & 0xFFFF);
}

void Output::writeUInt16(std::int32_t x) {
    if (x < 0 || x > 65535) throw IoError::overflow();
    const auto hi = static_cast<std::uint8_t>(x >> 8);
    const auto lo = static_cast<std::uint8_t>(x & 0xFF);
    const std::uint8_t bytes[2] = {bigEndian ? hi : lo, bigEndian ? lo : hi};
    writeFull(bytes, 2);
}

void Output::writeInt32(std::int32_t x) {
    const auto v = static_cast<std::uint32_t>(x);
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 24 - 8 * i : 8 * i;
        bytes[i] = static_cast<std::uint8_t>(v >> shift);
    }
    writeFull(bytes, 4);
}

void Output::writeString(const std::string& s) {
    writeFull(reinterpret_cast<const std::uint8_t*>(s.data()), static_cast<std::int64_t>(s.size()));
}

} // namespace io
