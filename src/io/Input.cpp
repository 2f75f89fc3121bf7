#include "io/Input.h"

#include <algorithm>

#include "io/BytesBuffer.h"
#include "io/Eof.h"
#include "io/IoError.h"
#include "io/MessageError.h"

namespace io {

int Input::readByte() { throw MessageError("Not implemented"); }

std::int32_t Input::readRaw(std::uint8_t* dst, std::int32_t n) {
    std::int32_t k = 0;
    try {
        while (k < n) {
            dst[k] = static_cast<std::uint8_t>(readByte());
            ++k;
        }
    } catch (const Eof&) {
        if (k == 0) throw;
    }
    return k;
}

std::int32_t Input::readBytes(Bytes& buf, std::int32_t p, std::int32_t n) {
    if (!rangeInside(p, n, buf.length())) throw IoError::outsideBounds();
    if (n == 0) return 0;
    return readRaw(buf.data() + p, n);
}

void Input::readInto(std::uint8_t* dst, std::int32_t n) {
    while (n > 0) {
        const std::int32_t k = readRaw(dst, n);
        dst += k;
        n -= k;
    }
}

void Input::readFullBytes(Bytes& buf, std::int32_t p, std::int32_t n) {
    if (!rangeInside(p, n, buf.length())) throw IoError::outsideBounds();
    readInto(buf.data() + p, n);
}

Bytes Input::readAll() {
    constexpr std::int32_t scratchSize = 16384;
    BytesBuffer collected;
    std::uint8_t scratch[scratchSize];
    try {
        for (;;) collected.add(scratch, readRaw(scratch, scratchSize));
    } catch (const Eof&) {
        // The end of the data is the normal end of readAll.
    }
    return collected.getBytes();
}

Bytes Input::read(std::int32_t n) {
    if (n <= 0) return Bytes();
    // The length may come from a file: grow as bytes arrive instead of
    // reserving n up front.
    constexpr std::int32_t piece = 65536;
    BytesBuffer collected;
    while (n > 0) {
        const std::int32_t want = std::min(n, piece);
        const std::int32_t got = readRaw(collected.extend(want), want);
        collected.truncate(collected.length() - (want - got));
        n -= got;
    }
    return collected.getBytes();
}

std::string Input::readString(std::int32_t n) {
    if (n < 0) throw IoError::outsideBounds();
    return read(n).toString();
}

void Input::skip(std::int32_t n) {
    std::uint8_t scratch[4096];
    while (n > 0) n -= readRaw(scratch, std::min<std::int32_t>(n, sizeof scratch));
}

int Input::readUInt16() {
    const int b0 = readByte();
    const int b1 = readByte();
    return bigEndian ? (b0 << 8) | b1 : b0 | (b1 << 8);
}

std::int32_t Input::readInt32() {
    const std::uint32_t b0 = static_cast<std::uint32_t>(readByte());
    const std::uint32_t b1 = static_cast<std::uint32_t>(readByte());
    const std::uint32_t b2 = static_cast<std::uint32_t>(readByte());
    const std::uint32_t b3 = static_cast<std::uint32_t>(readByte());
    const std::uint32_t v =
        bigEndian ? (b0 << 24) | (b1 << 16) | (b2 << 8) | b3 : b0 | (b1 << 8) | (b2 << 16) | (b3 << 24);
    return static_cast<std::int32_t>(v);
}

} // namespace io
