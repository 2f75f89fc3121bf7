#pragma once

#include <cstdint>
#include <string>

#include "io/Bytes.h"

namespace io {

// An abstract byte sink. Every write is built on writeByte and on writeRaw,
// the bulk path behind writeBytes; a sink supplies those two (writeByte alone
// is enough) and close when it holds a resource.
class Output {
public:
    virtual ~Output() = default;

    virtual void writeByte(int c);
    // Writes the n bytes of buf from p and returns n; OutsideBounds for a range
    // outside buf, with nothing written.
    std::int32_t writeBytes(const Bytes& buf, std::int32_t p, std::int32_t n);
    virtual void close() {}
    bool set_bigEndian(bool b) {
        bigEndian = b;
        return b;
    }
    void write(const Bytes& buf) { writeFull(buf.data(), buf.length()); }
    void writeFullBytes(const Bytes& buf, std::int32_t p, std::int32_t n);
    void writeInt16(std::int32_t x);
    void writeUInt16(std::int32_t x);
    void writeInt32(std::int32_t x);
    void writeString(const std::string& s);
    // Writes n bytes from memory, as write does for a Bytes.
    void writeFull(const std::uint8_t* data, std::int64_t n);
    // Room for n bytes inside the sink's own buffer, counted as written: the
    // caller fills them at once, before any other write. nullptr when the sink
    // has no such buffer; the caller then writes through writeFull.
    virtual std::uint8_t* obtain(std::int32_t) { return nullptr; }
    // Tells the sink how many bytes will be written in all, before the first
    // one, so it can make room for them at once. Only a hint: the default
    // ignores it, and a sink must take the bytes whether or not it could.
    virtual void expectLength(std::int64_t) {}

    bool bigEndian = false;

protected:
    // Writes up to n (> 0) bytes and returns how many were taken.
    virtual std::int32_t writeRaw(const std::uint8_t* data, std::int32_t n);
};

} // namespace io
