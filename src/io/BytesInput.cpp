#include "io/BytesInput.h"

#include <cstring>

#include "io/Eof.h"
#include "io/IoError.h"

namespace io {

BytesInput::BytesInput(const Bytes& bytes, std::int32_t pos_, std::int32_t len_)
    : buffer(&bytes), pos(pos_), len(len_), totlen(len_) {
    if (!rangeInside(pos_, len_, bytes.length())) throw IoError::outsideBounds();
}

void BytesInput::throwEof() { throw Eof(); }

std::int32_t BytesInput::readRaw(std::uint8_t* dst, std::int32_t n) {
    if (len == 0) throw Eof();
    const std::int32_t k = n < len ? n : len;
    std::memcpy(dst, cursor(), static_cast<std::size_t>(k));
    consume(k);
    return k;
}

Bytes BytesInput::readAll() {
    Bytes result = Bytes::allocUninitialized(len);
    if (len > 0) std::memcpy(result.data(), cursor(), static_cast<std::size_t>(len));
    consume(len);
    return result;
}

Bytes BytesInput::read(std::int32_t n) {
    if (n <= 0) return Bytes();
    if (n > len) {
        // Too few bytes: consume them and fail without allocating n.
        consume(len);
        throw Eof();
    }
    Bytes result = Bytes::allocUninitialized(n);
    std::memcpy(result.data(), cursor(), static_cast<std::size_t>(n));
    consume(n);
    return result;
}

std::string BytesInput::readString(std::int32_t n) {
    if (n < 0) throw IoError::outsideBounds();
    if (n > len) {
        consume(len);
        throw Eof();
    }
    std::string result(reinterpret_cast<const char*>(cursor()), static_cast<std::size_t>(n));
    consume(n);
    return result;
}

void BytesInput::skip(std::int32_t n) {
    if (n <= 0) return;
    if (n > len) {
        consume(len);
        throw Eof();
    }
    consume(n);
}

const std::uint8_t* BytesInput::readView(std::int32_t n) {
    const std::uint8_t* start = cursor();
    skip(n);
    return start;
}

int BytesInput::readUInt16() {
    if (len < 2) return Input::readUInt16();
    const std::uint8_t* p = cursor();
    consume(2);
    return bigEndian ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8);
}

std::int32_t BytesInput::readInt32() {
    if (len < 4) return Input::readInt32();
    const std::uint8_t* p = cursor();
    consume(4);
    const std::uint32_t v =
        bigEndian ? (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3]
                  : p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
    return static_cast<std::int32_t>(v);
}

} // namespace io
