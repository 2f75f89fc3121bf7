#pragma once

#include <cstdint>
#include <string>

#include "io/Bytes.h"

namespace io {

// An abstract byte source. Every read is built on readByte and on readRaw, the
// bulk copy behind readBytes; a source supplies those two (readByte alone is
// enough) and may override the others with faster paths.
class Input {
public:
    virtual ~Input() = default;

    virtual int readByte();
    // Copies min(n, available) bytes into buf from p. Raises OutsideBounds for a
    // range outside buf, Eof when nothing is left and n > 0.
    std::int32_t readBytes(Bytes& buf, std::int32_t p, std::int32_t n);
    bool set_bigEndian(bool b) {
        bigEndian = b;
        return b;
    }
    virtual Bytes readAll();
    // Exactly n bytes into buf from p; what is there is consumed before Eof.
    void readFullBytes(Bytes& buf, std::int32_t p, std::int32_t n);
    virtual Bytes read(std::int32_t n);
    virtual int readUInt16();
    virtual std::int32_t readInt32();
    virtual std::string readString(std::int32_t n);
    // Consumes n bytes without keeping them; as read, but allocates nothing.
    virtual void skip(std::int32_t n);
    // Fills dst with exactly n bytes; what is there is consumed before Eof.
    void readInto(std::uint8_t* dst, std::int32_t n);

    bool bigEndian = false;

protected:
    // Copies up to n (> 0) bytes to dst and returns how many; raises Eof when
    // no byte at all is available.
    virtual std::int32_t readRaw(std::uint8_t* dst, std::int32_t n);
};

} // namespace io
