#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "io/ByteVector.h"

namespace orvane::images::gif {

// GIF's variable-width LZW over one frame's indices, in the sub-blocks of at
// most 255 bytes the image data is made of: codes from the minimum code size
// + 1 bits up to 12, widened right after the code that fills a width, and a
// clear code once the table holds 4095 entries (giflib's rule, which every
// decoder accepts).
class LzwEncoder {
public:
    LzwEncoder(io::ByteVector& out, int minimumCodeSize);

    void add(const std::uint8_t* indices, std::size_t n);
    // The last code, the end code and the block terminator.
    void finish();

private:
    static constexpr int slots = 1 << 13; // the table's hash: twice the codes

    void emit(std::uint32_t code);
    void reset();
    void flushBlock();

    io::ByteVector& out_;
    int minimumCodeSize_;
    std::uint32_t clear_, next_ = 0, width_ = 0;
    std::int32_t current_ = -1; // the code of the string read so far
    // By slot, 0 where empty: the string's key, (prefix code << 8 | index)
    // + 1, above its code's 12 bits; one word a slot, so the table stays in
    // the nearest cache.
    std::array<std::uint32_t, slots> entries_{};
    std::uint64_t bits_ = 0;
    int bitCount_ = 0;
    std::array<std::uint8_t, 256> block_{};
    std::size_t blockLength_ = 0;
};

} // namespace orvane::images::gif
