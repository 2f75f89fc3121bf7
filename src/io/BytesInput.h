#pragma once

#include <cstdint>

#include "io/Input.h"

namespace io {

// A reader over a window of a Bytes. It keeps a reference to the buffer and
// never copies it; the buffer must outlive the reader.
class BytesInput : public Input {
public:
    BytesInput(const Bytes& bytes, std::int32_t pos, std::int32_t len);

    int readByte() override {
        if (len == 0) throwEof();
        const int c = *cursor();
        consume(1);
        return c;
    }
    Bytes readAll() override;
    Bytes read(std::int32_t n) override;
    int readUInt16() override;
    std::int32_t readInt32() override;
    std::string readString(std::int32_t n) override;
    void skip(std::int32_t n) override;
    // Consumes n bytes and returns where they stand in the buffer, to be used
    // without an intermediate copy; short data consumes all, then Eof.
    const std::uint8_t* readView(std::int32_t n);

    std::int32_t position() const { return pos; }
    std::int32_t length() const { return totlen; }

protected:
    std::int32_t readRaw(std::uint8_t* dst, std::int32_t n) override;

    const Bytes* buffer;
    std::int32_t pos;
    std::int32_t len;
    std::int32_t totlen;

private:
    [[noreturn]] static void throwEof();
    const std::uint8_t* cursor() const { return buffer->data() + pos; }
    void consume(std::int32_t n) {
        pos += n;
        len -= n;
    }
};

} // namespace io
