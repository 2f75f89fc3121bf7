#pragma once

#include <cstdint>

#include "io/BytesBuffer.h"
#include "io/Output.h"

namespace io {

// An output that appends to an in-memory BytesBuffer.
class BytesOutput final : public Output {
public:
    void writeByte(int c) override { b.addByte(static_cast<std::uint8_t>(c)); }
    std::int32_t length() const { return b.length(); }
    // Sizes the storage once when the final length is known in advance.
    void reserve(std::int64_t n) { b.reserve(n); }
    void expectLength(std::int64_t n) override { reserve(n); }
    std::uint8_t* obtain(std::int32_t n) override { return b.extend(n); }
    // Hands over everything written; the output is finished afterwards.
    Bytes getBytes() { return b.getBytes(); }

protected:
    std::int32_t writeRaw(const std::uint8_t* data, std::int32_t n) override {
        b.add(data, n);
        return n;
    }

private:
    BytesBuffer b;
};

} // namespace io
